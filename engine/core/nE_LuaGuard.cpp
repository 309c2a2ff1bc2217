#include "engine/core/nE_LuaGuard.h"

#include "de50/de50_platform.h"
#include "engine/core/nE_Log.h"

#include <chrono>
#include <cstdlib>
#include <lua.hpp>
#include <memory>

// Rides on the state as its allocator's data, where every thread of the
// state finds it.
struct nE_LuaGuardState
{
    nE_LuaLimits limits;
    lua_State* L = nullptr; // the main thread, once made
    int depth = 0;         // guarded calls running
    int ownPushes = 0;     // open nE_LuaOwnPushes scopes of the innermost call
    bool budgeted = false; // depth > 0 and ownPushes == 0: growth is checked
    bool refused = false;
    bool timing = false; // the outermost call's start is known
    bool stopped = false;
    std::chrono::steady_clock::time_point start;
};

namespace
{
// The watchdog looks at the clock once per this many instructions: far
// below a millisecond of Lua, and no measurable share of a trigger call.
const int kHookStep = 10000;

// Running Lua code grows a block: refused past the budget. Lua keeps its
// own count of the bytes it holds, so none is kept here.
__attribute__((noinline)) void* GrowForLua(nE_LuaGuardState* guard, void* block, size_t oldSize,
                                           size_t newSize)
{
    const size_t used =
        size_t(lua_gc(guard->L, LUA_GCCOUNT, 0)) * 1024 + size_t(lua_gc(guard->L, LUA_GCCOUNTB, 0));
    const size_t budget = guard->limits.memoryBytes;
    if (used > budget || newSize - oldSize > budget - used)
    {
        guard->refused = true;
        return nullptr;
    }
    return std::realloc(block, newSize);
}

// Every other allocation costs what the plain allocator's does.
void* Allocate(void* ud, void* block, size_t oldSize, size_t newSize)
{
    if (newSize == 0)
    {
        std::free(block);
        return nullptr;
    }
    auto* guard = static_cast<nE_LuaGuardState*>(ud);
    if (guard->budgeted && newSize > oldSize) return GrowForLua(guard, block, oldSize, newSize);
    return std::realloc(block, newSize);
}

// The last state looked up (the game's, nearly always): a call into the Lua
// library costs more here than all the rest of a lookup. Only main states
// are kept, which leave only through nE_CloseLuaState.
lua_State* s_lastState = nullptr;
nE_LuaGuardState* s_lastGuard = nullptr;

nE_LuaGuardState* GuardOf(lua_State* L)
{
    if (L == s_lastState) return s_lastGuard;
    void* ud = nullptr;
    if (lua_getallocf(L, &ud) != Allocate) return nullptr;
    auto* guard = static_cast<nE_LuaGuardState*>(ud);
    if (guard->L == L)
    {
        s_lastState = L;
        s_lastGuard = guard;
    }
    return guard;
}

// The clock is read only here: the start of a call is taken at the first
// look, at most one step after it began.
void Watchdog(lua_State* L, lua_Debug*)
{
    nE_LuaGuardState* guard = GuardOf(L);
    if (!guard || guard->depth == 0) return;
    if (!guard->stopped)
    {
        // A thread left looking at every instruction by an earlier stop.
        if (lua_gethookcount(L) != kHookStep) lua_sethook(L, Watchdog, LUA_MASKCOUNT, kHookStep);
        const auto now = std::chrono::steady_clock::now();
        if (!guard->timing)
        {
            guard->start = now;
            guard->timing = true;
            return;
        }
        if (now - guard->start < std::chrono::milliseconds(guard->limits.timeMs)) return;
        guard->stopped = true;
        // From now on every instruction fails, so that a pcall in the
        // script cannot catch the stop and go on; nor can the main thread,
        // when the stop came in a coroutine and resume answered false.
        lua_sethook(L, Watchdog, LUA_MASKCOUNT, 1);
        if (L != guard->L) lua_sethook(guard->L, Watchdog, LUA_MASKCOUNT, 1);
    }
    lua_pushliteral(L, "the script ran too long and was stopped");
    lua_error(L);
}

// The platform's exit, as closing the window asks for: the game ends after
// this turn, through the close trigger and the saves.
int RoutedExit(lua_State* L)
{
    const int code = luaL_optint(L, 1, EXIT_SUCCESS);
    DE50::TPlatform::GetInstance()->Exit(code);
    return 0;
}

// A script that removed the watchdog's hook could run for ever; the hook
// stays, and the script hears nothing but a warning.
int KeptHook(lua_State* L)
{
    nE_WarnOnce("debug.sethook", "Warning: debug.sethook is not available to scripts; the call does nothing");
    lua_settop(L, 0);
    return 0;
}

int Panic(lua_State* L)
{
    nE_LogFmt("Error: unprotected Lua error: %s", lua_tostring(L, -1));
    return 0;
}
} // namespace

lua_State* nE_NewLuaState(const nE_LuaLimits& limits)
{
    auto guard = std::make_unique<nE_LuaGuardState>();
    guard->limits = limits;
    lua_State* L = lua_newstate(Allocate, guard.get());
    if (!L) return nullptr;
    guard->L = L;
    guard.release();
    lua_atpanic(L, Panic);
    luaL_openlibs(L);
    lua_getglobal(L, "os");
    if (lua_istable(L, -1))
    {
        lua_pushcfunction(L, RoutedExit);
        lua_setfield(L, -2, "exit");
    }
    lua_pop(L, 1);
    lua_getglobal(L, "debug");
    if (lua_istable(L, -1))
    {
        lua_pushcfunction(L, KeptHook);
        lua_setfield(L, -2, "sethook");
    }
    lua_pop(L, 1);
    lua_sethook(L, Watchdog, LUA_MASKCOUNT, kHookStep);
    return L;
}

void nE_CloseLuaState(lua_State* L)
{
    if (!L) return;
    nE_LuaGuardState* guard = GuardOf(L);
    if (L == s_lastState) s_lastState = nullptr;
    lua_close(L);
    delete guard;
}

void nE_SetLuaLimits(lua_State* L, const nE_LuaLimits& limits)
{
    if (nE_LuaGuardState* guard = L ? GuardOf(L) : nullptr) guard->limits = limits;
}

namespace
{
// After a call that failed, was stopped or was refused memory: the status to
// answer, the watchdog's normal pace back once the outermost call is over,
// and the garbage of a runaway allocation collected.
__attribute__((noinline)) int AfterTrouble(lua_State* L, nE_LuaGuardState* guard, int status)
{
    if (status != 0 && guard->stopped) status = NE_LUA_STOPPED;
    if (guard->depth == 0 && guard->stopped) lua_sethook(L, Watchdog, LUA_MASKCOUNT, kHookStep);
    if (guard->refused || status == LUA_ERRMEM)
    {
        guard->refused = false;
        lua_gc(L, LUA_GCCOLLECT, 0);
    }
    return status;
}
} // namespace

int nE_LuaCall(lua_State* L, int nargs, int nresults)
{
    nE_LuaGuardState* guard = GuardOf(L);
    if (!guard) return lua_pcall(L, nargs, nresults, 0);
    if (guard->depth++ == 0)
    {
        guard->timing = false;
        guard->stopped = false;
    }
    const int ownPushes = guard->ownPushes;
    const bool budgeted = guard->budgeted;
    guard->ownPushes = 0;
    guard->budgeted = true;
    const int status = lua_pcall(L, nargs, nresults, 0);
    guard->ownPushes = ownPushes;
    guard->budgeted = budgeted;
    --guard->depth;
    if (status == 0 && !guard->stopped && !guard->refused) return 0;
    return AfterTrouble(L, guard, status);
}

bool nE_LogIfStopped(lua_State* L, int status, const std::string& name)
{
    if (status != NE_LUA_STOPPED) return false;
    const nE_LuaGuardState* guard = GuardOf(L);
    const double seconds = guard ? guard->limits.timeMs / 1000.0 : 0.0;
    nE_LogFmt2("Error: script \"%s\" ran for more than %g s and was stopped", name, seconds);
    return true;
}

nE_LuaOwnPushes::nE_LuaOwnPushes(lua_State* L) : m_guard(L ? GuardOf(L) : nullptr)
{
    // Outside any call nothing is refused anyway.
    if (m_guard && m_guard->depth == 0) m_guard = nullptr;
    if (!m_guard) return;
    ++m_guard->ownPushes;
    m_guard->budgeted = false;
}

nE_LuaOwnPushes::~nE_LuaOwnPushes()
{
    if (!m_guard) return;
    --m_guard->ownPushes;
    m_guard->budgeted = m_guard->ownPushes == 0 && m_guard->depth > 0;
}
