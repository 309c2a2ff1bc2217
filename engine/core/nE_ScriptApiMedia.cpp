// Script functions on sounds, animations, videos, particle systems and the
// cursor. The services and object kinds behind them live outside the core and
// plug in through g_scriptMediaHooks; until they do, these functions read their
// arguments, clear the stack and do nothing.

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"

nE_ScriptMediaHooks g_scriptMediaHooks;

namespace
{
// A text flag: its leading decimal digits, not 0.
bool ArgFlag(lua_State* L, int index)
{
    return nE_ParseInt(nE_ArgString(L, index).c_str()) != 0;
}

// The common shape: one object argument and nothing else to read.
int CallObjectHook(lua_State* L, void (*hook)(nE_Object*))
{
    nE_Object* object = nE_ArgObject(L, 1);
    lua_settop(L, 0);
    if (hook && object) hook(object);
    return 0;
}

// One object argument and an integer flag: above 0, or only exactly 1.
int CallFlagHook(lua_State* L, void (*hook)(nE_Object*, bool), bool onlyOne)
{
    nE_Object* object = nE_ArgObject(L, 1);
    int value = nE_ArgInt(L, 2);
    lua_settop(L, 0);
    if (hook && object) hook(object, onlyOne ? value == 1 : value > 0);
    return 0;
}

// One object argument and an end trigger.
int CallPlayHook(lua_State* L, void (*hook)(nE_Object*, const std::string&))
{
    nE_Object* object = nE_ArgObject(L, 1);
    std::string trigger = nE_ArgString(L, 2);
    lua_settop(L, 0);
    if (hook && object) hook(object, trigger);
    return 0;
}

int PushCursorCoordinate(lua_State* L, bool wantX)
{
    lua_settop(L, 0);
    float x = 0.0f, y = 0.0f;
    nE_GetCursorPos(&x, &y);
    lua_pushinteger(L, nE_TruncateToInt(wantX ? x : y));
    return 1;
}
} // namespace

namespace nE_ScriptApi
{
int SndPlay(lua_State* L)
{
    float fadeIn = nE_HasArg(L, 6) ? nE_ArgFloat(L, 6) : 0.0f;
    std::string trigger = nE_ArgString(L, 5);
    std::string channel = nE_ArgString(L, 2);
    std::string name = nE_ArgString(L, 1);
    bool lookup = ArgFlag(L, 4);
    bool play = ArgFlag(L, 3);
    lua_settop(L, 0);
    if (g_scriptMediaHooks.playSound)
        g_scriptMediaHooks.playSound(name, channel, play, lookup, trigger, fadeIn);
    return 0;
}

int SndStop(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    float fadeOut = nE_HasArg(L, 2) ? nE_ArgFloat(L, 2) : 0.0f;
    lua_settop(L, 0);
    if (g_scriptMediaHooks.stopSound) g_scriptMediaHooks.stopSound(name, fadeOut);
    return 0;
}

int SndPauseAll(lua_State* L)
{
    bool pause = nE_ArgBool(L, 1);
    lua_settop(L, 0);
    if (g_scriptMediaHooks.pauseAllSounds) g_scriptMediaHooks.pauseAllSounds(pause);
    return 0;
}

int AnmPlay(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    std::string animation = nE_ArgString(L, 2);
    std::string trigger = nE_ArgString(L, 3);
    lua_settop(L, 0);
    if (g_scriptMediaHooks.anmPlay && object) g_scriptMediaHooks.anmPlay(object, animation, trigger);
    return 0;
}

int AnmStop(lua_State* L)
{
    return CallObjectHook(L, g_scriptMediaHooks.anmStop);
}

int AnmPause(lua_State* L)
{
    return CallFlagHook(L, g_scriptMediaHooks.anmPause, false);
}

int FlashAnmPlay(lua_State* L)
{
    return CallPlayHook(L, g_scriptMediaHooks.flashAnmPlay);
}

int FlashAnmStop(lua_State* L)
{
    return CallObjectHook(L, g_scriptMediaHooks.flashAnmStop);
}

int FlashAnmPause(lua_State* L)
{
    return CallFlagHook(L, g_scriptMediaHooks.flashAnmPause, false);
}

int VidPlay(lua_State* L)
{
    return CallPlayHook(L, g_scriptMediaHooks.vidPlay);
}

int VidStop(lua_State* L)
{
    return CallObjectHook(L, g_scriptMediaHooks.vidStop);
}

int VidPause(lua_State* L)
{
    return CallFlagHook(L, g_scriptMediaHooks.vidPause, false);
}

int PsSetMaskObj(lua_State* L)
{
    nE_Object* system = nE_ArgObject(L, 1);
    nE_Object* mask = nE_ArgObject(L, 2);
    lua_settop(L, 0);
    if (g_scriptMediaHooks.psSetMaskObj && system && mask) g_scriptMediaHooks.psSetMaskObj(system, mask);
    return 0;
}

int PsStart(lua_State* L)
{
    return CallObjectHook(L, g_scriptMediaHooks.psStart);
}

int PsPause(lua_State* L)
{
    return CallFlagHook(L, g_scriptMediaHooks.psPause, true);
}

int PsStop(lua_State* L)
{
    return CallFlagHook(L, g_scriptMediaHooks.psStop, true);
}

int PartSysRestart(lua_State* L)
{
    nE_Object* system = nE_ArgObject(L, 1);
    lua_settop(L, 0);
    if (!system) return 0;
    if (g_scriptMediaHooks.psStop) g_scriptMediaHooks.psStop(system, true);
    if (g_scriptMediaHooks.psStart) g_scriptMediaHooks.psStart(system);
    return 0;
}

int SetCursor(lua_State* L)
{
    int type = lua_type(L, 1);
    int index = nE_ArgInt(L, 1);
    lua_settop(L, 0);
    if (type == LUA_TNONE) return 0;
    if (type == LUA_TNIL)
    {
        nE_Log("Warning: SetCursor try set cursor to nil!\n");
        return 0;
    }
    if (g_scriptMediaHooks.setCursor) g_scriptMediaHooks.setCursor(index);
    return 0;
}

int CursorPosX(lua_State* L)
{
    return PushCursorCoordinate(L, true);
}

int CursorPosY(lua_State* L)
{
    return PushCursorCoordinate(L, false);
}
} // namespace nE_ScriptApi
