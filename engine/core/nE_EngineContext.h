#pragma once
// What the scene, the scripts and the game share: the scene with its roots,
// the trigger manager, the script timers and the one Lua state. Created on
// first use, destroyed by the engine shell at stop.

#include "engine/core/nE_TimeStep.h"

#include <lua.hpp>

class nE_Scene;
class nE_TriggerManager;
class nE_TimerManager;

struct nE_LuaState
{
    lua_State* L = nullptr;
};

class nE_EngineContext
{
public:
    // Builds the context on first use (and registers the engine's script
    // functions into its Lua state).
    static nE_EngineContext* Instance();
    // Tears the global context down: roots, triggers, timers, Lua state.
    static void Destroy();

    // The engine's share of a tick: synthetic mouse move, queued trigger
    // calls, timers, pending drop and the update walk.
    void Update(const nE_TimeStep* step);

    nE_Scene* GetScene() const { return m_scene; }
    nE_TriggerManager* GetTriggerManager() const { return m_triggers; }
    nE_TimerManager* GetTimerManager() const { return m_timers; }
    lua_State* GetLua() const { return m_lua ? m_lua->L : nullptr; }

private:
    nE_EngineContext();
    ~nE_EngineContext();
    nE_EngineContext(const nE_EngineContext&) = delete;
    nE_EngineContext& operator=(const nE_EngineContext&) = delete;

    void DeleteTimers();

    nE_Scene* m_scene = nullptr;
    nE_TriggerManager* m_triggers = nullptr;
    nE_TimerManager* m_timers = nullptr;
    nE_LuaState* m_lua = nullptr;
};

// Set while the context lives, null before and after.
extern nE_EngineContext* g_engineContext;
extern nE_Scene* g_scene;
extern nE_TriggerManager* g_triggerManager;
extern nE_TimerManager* g_timerManager;
extern nE_LuaState* g_luaState;

// The context's Lua state, or null when there is none.
inline lua_State* nE_GetLua()
{
    return g_luaState ? g_luaState->L : nullptr;
}
