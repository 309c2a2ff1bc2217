#pragma once
// The Lua states the program makes (the game's and each scripted particle
// system's) are bounded, so that runaway content cannot take the game down:
// an allocator with a memory budget, a watchdog that stops a call from C++
// into Lua once it has run too long, and os.exit asking the platform to
// close, so that the close trigger runs and the files are saved.

#include <cstddef>
#include <string>

struct lua_State;
struct nE_LuaGuardState;

struct nE_LuaLimits
{
    size_t memoryBytes; // all the state holds at once
    int timeMs;         // wall time of one call from C++, nested calls included
};

const nE_LuaLimits kGameLuaLimits = {size_t(512) << 20, 5000};
const nE_LuaLimits kParticleLuaLimits = {size_t(64) << 20, 1000};

// The status nE_LuaCall answers for a call the watchdog stopped (the error
// text is on the stack as for any failed call).
const int NE_LUA_STOPPED = 100;

// A state with the standard libraries open; null when none could be made.
lua_State* nE_NewLuaState(const nE_LuaLimits& limits);
// Closes a state of nE_NewLuaState (or any other); null is ignored.
void nE_CloseLuaState(lua_State* L);
// Replaces the state's limits; for tests, which need tiny ones.
void nE_SetLuaLimits(lua_State* L, const nE_LuaLimits& limits);

// lua_pcall with no message handler. The outermost call on a state arms its
// watchdog, nested ones run under the same deadline. A call during which the
// budget refused memory is followed by a full collection.
int nE_LuaCall(lua_State* L, int nargs, int nresults);
// For a stopped call logs "Error: script \"<name>\" ran for more than N s
// and was stopped" and answers true; answers false for any other status.
bool nE_LogIfStopped(lua_State* L, int status, const std::string& name);

// Only running Lua code is refused memory: what the program itself pushes
// between calls, or around a nested call while this lives, always gets it,
// since a memory error there would jump over C++ frames (or, outside any
// call, end the program).
class nE_LuaOwnPushes
{
public:
    explicit nE_LuaOwnPushes(lua_State* L);
    ~nE_LuaOwnPushes();
    nE_LuaOwnPushes(const nE_LuaOwnPushes&) = delete;
    nE_LuaOwnPushes& operator=(const nE_LuaOwnPushes&) = delete;

private:
    nE_LuaGuardState* m_guard;
};
