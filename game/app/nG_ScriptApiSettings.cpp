// The game's script functions that drive the settings and the sound: the
// four sound channels, and the player's settings (performance, gamma, full
// and wide screen, the system cursor, the volumes) with the addresses the
// configuration names. They act directly, not by message.

#include "game/app/nG_ScriptApi.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"
#include "engine/platform/nE_SoundHub.h"
#include "engine/platform/nE_System.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_ScriptApiUtil.h"
#include "game/app/nG_Settings.h"

#include <cmath>

namespace
{
using namespace nG_ScriptUtil;

// What the getters report before the settings record exists.
nG_SettingsValues CurrentSettings()
{
    return g_settings ? g_settings->GetValues() : nG_SettingsValues();
}

// Only the digits the text starts with count: a sign or a space before them
// gives no number at all.
bool StartsWithNonZeroNumber(const std::string& text)
{
    return !text.empty() && text[0] >= '0' && text[0] <= '9' && nE_ParseInt(text.c_str()) != 0;
}

// Name, channel, flag text, end trigger, fade-in: the flag counts from its
// leading decimal digits, so "1" and 1 play and "x" or "" do not.
int PlayOnChannel(lua_State* L, const char* channel, bool second)
{
    float fade = nE_HasArg(L, 4) ? nE_ArgFloat(L, 4) : 0.0f;
    std::string name = nE_ArgString(L, 1);
    bool first = StartsWithNonZeroNumber(nE_ArgString(L, 2));
    std::string trigger = nE_ArgString(L, 3);
    lua_settop(L, 0);
    nE_GetSoundHub()->PlaySound(name, channel, first, second, trigger, fade);
    return 0;
}

bool HasSoundDevice()
{
    return nE_GetSoundDeviceCount() > 0;
}
} // namespace

namespace nG_ScriptApi
{
using namespace nG_ScriptUtil;

// ---- sound ----

int PlaySfx(lua_State* L)
{
    return PlayOnChannel(L, "sfx", true);
}

int PlayEnv(lua_State* L)
{
    return PlayOnChannel(L, "env", false);
}

int PlaySoundtrack(lua_State* L)
{
    return PlayOnChannel(L, "soundtrack", false);
}

int PlayVoice(lua_State* L)
{
    return PlayOnChannel(L, "voice", false);
}

int IsNoSoundDevice(lua_State* L)
{
    return PushInt(L, HasSoundDevice() ? 0 : 1);
}

// ---- settings ----

int GetPerformanceMode(lua_State* L)
{
    return PushInt(L, CurrentSettings().performance);
}

int SetPerformanceMode(lua_State* L)
{
    int mode = nE_ArgInt(L, 1);
    if (g_settings) g_settings->SetPerformance(mode);
    return Nothing(L);
}

int GetGamma(lua_State* L)
{
    lua_settop(L, 0);
    lua_pushnumber(L, CurrentSettings().gamma);
    return 1;
}

int SetGamma(lua_State* L)
{
    float gamma = nE_ArgFloat(L, 1);
    lua_settop(L, 0);
    // Not clamped, but a value that is no number would be saved and break the ramp.
    if (!std::isfinite(gamma))
    {
        nE_Log("Warning: SetGamma: the gamma is not a finite number; it is not changed.");
        return 0;
    }
    if (g_settings) g_settings->SetGamma(gamma);
    if (g_gameScriptServices.setGamma) g_gameScriptServices.setGamma(gamma);
    return 0;
}

int SetFullScreen(lua_State* L)
{
    bool wanted = nE_ArgBool(L, 1);
    lua_settop(L, 0);
    if (!g_settings) return PushBool(L, false);
    if (wanted == g_settings->GetFullScreen()) return PushBool(L, true);
    bool (*toggle)(bool) = g_gameScriptServices.toggleFullscreen;
    return PushBool(L, toggle && toggle(wanted));
}

int GetFullScreen(lua_State* L)
{
    return PushBool(L, CurrentSettings().fullScreen);
}

int GetWideScreen(lua_State* L)
{
    return PushBool(L, CurrentSettings().wideScreen);
}

int SetWideScreen(lua_State* L)
{
    bool wanted = nE_ArgBool(L, 1);
    lua_settop(L, 0);
    if (!g_settings) return PushBool(L, false);
    if (wanted == g_settings->GetWideScreen()) return PushBool(L, true);
    // The flag changes first, so the display mode is chosen again for the new width.
    g_settings->SetWideScreen(wanted);
    bool (*toggle)(bool) = g_gameScriptServices.toggleFullscreen;
    return PushBool(L, toggle && toggle(g_settings->GetFullScreen()));
}

int SetSysCursor(lua_State* L)
{
    bool on = nE_ArgBool(L, 1);
    lua_settop(L, 0);
    if (g_settings) g_settings->SetSysCursor(on);
    if (g_gameScriptServices.setSystemCursor) g_gameScriptServices.setSystemCursor(on);
    return 0;
}

int GetSysCursor(lua_State* L)
{
    return PushBool(L, CurrentSettings().sysCursor);
}

int SetSoundVolume(lua_State* L)
{
    std::string channel = nE_ArgString(L, 1);
    float volume = nE_ArgFloat(L, 2);
    lua_settop(L, 0);
    // Out of range is clamped, but NaN has no side to clamp to: keep the volume, as SetGamma does.
    if (std::isnan(volume))
    {
        nE_LogFmt("Warning: SetSoundVolume: the volume of \"%s\" is not a number; it is not changed.", channel);
        return 0;
    }
    if (g_settings) g_settings->SetVolume(channel, volume);
    return 0;
}

int GetSoundVolume(lua_State* L)
{
    std::string channel = nE_ArgString(L, 1);
    lua_settop(L, 0);
    lua_pushnumber(L, g_settings ? g_settings->GetVolume(channel) : 0.0f);
    return 1;
}

int GetUrl(lua_State* L)
{
    return PushString(L, g_config ? g_config->GetUrl().url : std::string());
}

int GetGuideUrl(lua_State* L)
{
    return PushString(L, g_config ? g_config->GetUrl().guideUrl : std::string());
}

int SaveSettings(lua_State* L)
{
    lua_settop(L, 0);
    if (g_settings) g_settings->Save();
    return 0;
}
} // namespace nG_ScriptApi
