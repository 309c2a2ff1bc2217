// The game functions that act directly: sound channels, settings, profiles,
// the desktop, platform answers and the old names kept alive with a warning.

#include "game/app/nG_ScriptApi.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"
#include "engine/platform/nE_SoundHub.h"
#include "engine/platform/nE_System.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_Settings.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace
{
int Nothing(lua_State* L)
{
    lua_settop(L, 0);
    return 0;
}

int PushBool(lua_State* L, bool value)
{
    lua_settop(L, 0);
    lua_pushboolean(L, value);
    return 1;
}

int PushInt(lua_State* L, int value)
{
    lua_settop(L, 0);
    lua_pushinteger(L, value);
    return 1;
}

int PushString(lua_State* L, const std::string& value)
{
    lua_settop(L, 0);
    lua_pushlstring(L, value.data(), value.size());
    return 1;
}

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

void OpenUrl(const std::string& url)
{
    if (!nE_OpenBrowser(url))
        nE_LogFmt("Warning: OpenBrowser: the address \"%s\" could not be opened.", url);
}

bool HasSoundDevice()
{
    return nE_GetSoundDeviceCount() > 0;
}

// Copies `path` (relative to the working directory) into the game's folder
// under the user's documents; answers the copy's full name, empty on failure.
std::string CopyToDocuments(const std::string& path)
{
    namespace fs = std::filesystem;
    std::string documents = nG_DocumentsFolder();
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (documents.empty() || name.empty())
    {
        nE_LogFmt("Warning: CopyFileToMyDocs: no documents folder or no file name in \"%s\".", path);
        return std::string();
    }
    fs::path folder = fs::path(documents) / nE_GetPlatformGameName();
    fs::path target = folder / name;
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::path source = fs::current_path(ec) / path;
    if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec) || ec)
    {
        nE_LogFmt2("Warning: CopyFileToMyDocs: could not copy %s to %s.", source.string(), target.string());
        return std::string();
    }
    return target.string();
}

int Deprecated(lua_State* L, const char* name)
{
    nE_LogFmt("WARNING: %s is deprecated!!!", name);
    return Nothing(L);
}
} // namespace

std::string nG_DocumentsFolder()
{
    const char* xdg = std::getenv("XDG_DOCUMENTS_DIR");
    if (xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/Documents";
    return std::string();
}

namespace nG_ScriptApi
{
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

// ---- profiles ----

int GetProfileList(lua_State* L)
{
    lua_settop(L, 0);
    lua_newtable(L);
    if (!g_profileList) return 1;
    int index = 0;
    for (const std::string& name : g_profileList->GetNames())
    {
        lua_pushlstring(L, name.data(), name.size());
        lua_rawseti(L, -2, ++index);
    }
    return 1;
}

int GetCurrentProfile(lua_State* L)
{
    return PushString(L, g_profileList ? g_profileList->GetCurrentName() : std::string("ng_noprofiles"));
}

int SetCurrentProfile(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_profileList) g_profileList->SetCurrent(name);
    return 0;
}

int AddProfile(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    return PushInt(L, g_profileList && g_profileList->Add(name) ? 1 : 0);
}

int DeleteProfile(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_profileList) g_profileList->Delete(name);
    return 0;
}

int LoadCurrentProfile(lua_State* L)
{
    lua_settop(L, 0);
    return PushInt(L, g_profileList && g_profileList->LoadGame() ? 1 : 0);
}

int SaveProfiles(lua_State* L)
{
    lua_settop(L, 0);
    if (g_profileList) g_profileList->SaveGame();
    return 0;
}

int IsCheater(lua_State* L)
{
    return PushInt(L, g_config && g_config->IsCheatMode() ? 1 : 0);
}

// ---- desktop ----

int CopyFileToMyDocs(lua_State* L)
{
    std::string path = nE_ArgString(L, 1);
    lua_settop(L, 0);
    CopyToDocuments(path);
    return 0;
}

// The picture still lands in the documents folder; the desktop itself has no
// portable wallpaper call, which the log says; no result either way.
int SetWallpaper(lua_State* L)
{
    std::string path = nE_ArgString(L, 1);
    lua_settop(L, 0);
    std::string target = CopyToDocuments(path);
    nE_LogFmt("Warning: SetWallpaper: the desktop wallpaper cannot be set on this platform (%s).",
              target.empty() ? path : target);
    return 0;
}

int OpenBrowser(lua_State* L)
{
    std::string url = nE_ArgString(L, 1);
    lua_settop(L, 0);
    OpenUrl(url);
    return 0;
}

// ---- platform answers ----

int IsMac(lua_State* L)
{
    return PushInt(L, 0);
}

int IsiSplashPressed(lua_State* L)
{
    double value = nE_TruncateToInt(lua_tonumber(L, 1));
    lua_settop(L, 0);
    lua_pushnumber(L, value);
    return 1;
}

int IsRated(lua_State* L)
{
    return PushInt(L, nE_ArgInt(L, 1));
}

int IsIOS(lua_State* L)
{
    lua_settop(L, 0);
    lua_pushnumber(L, 0.0);
    return 1;
}

int IosStub(lua_State* L)
{
    return Nothing(L);
}

// ---- old names ----

int SwitchToGame(lua_State* L)
{
    return Deprecated(L, "SwitchToGame");
}

int SwitchToExtraGame(lua_State* L)
{
    return Deprecated(L, "SwitchToExtraGame");
}

int SwitchToMenu(lua_State* L)
{
    return Deprecated(L, "SwitchToMenu");
}

int GetCurrentProfileId(lua_State* L)
{
    return Deprecated(L, "GetCurrentProfileId");
}

int GetNumProfiles(lua_State* L)
{
    return Deprecated(L, "GetNumProfiles");
}

int GetProfileNameById(lua_State* L)
{
    return Deprecated(L, "GetProfileNameById");
}

int SaveProfile(lua_State* L)
{
    return Deprecated(L, "SaveProfile");
}

int IsCorruptedProfile(lua_State* L)
{
    return Deprecated(L, "IsCorruptedProfile");
}

int SetGameMode(lua_State* L)
{
    return Deprecated(L, "SetGameMode");
}

int GetGameMode(lua_State* L)
{
    return Deprecated(L, "GetGameMode");
}
} // namespace nG_ScriptApi
