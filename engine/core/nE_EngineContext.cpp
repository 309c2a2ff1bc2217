#include "engine/core/nE_EngineContext.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"

nE_EngineContext* g_engineContext = nullptr;
nE_Scene* g_scene = nullptr;
nE_TriggerManager* g_triggerManager = nullptr;
nE_TimerManager* g_timerManager = nullptr;
nE_LuaState* g_luaState = nullptr;

nE_EngineContext* nE_EngineContext::Instance()
{
    if (!g_engineContext)
    {
        g_engineContext = new nE_EngineContext();
        nE_RegisterScriptApi();
    }
    return g_engineContext;
}

void nE_EngineContext::Destroy()
{
    nE_EngineContext* context = g_engineContext;
    delete context;
    g_engineContext = nullptr;
    nE_ForgetWarnings();
}

nE_EngineContext::nE_EngineContext()
{
    m_scene = new nE_Scene();
    g_scene = m_scene;
    m_triggers = new nE_TriggerManager();
    g_triggerManager = m_triggers;
    m_timers = new nE_TimerManager(m_triggers);
    g_timerManager = m_timers;
    m_lua = new nE_LuaState();
    m_lua->L = nE_NewLuaState(kGameLuaLimits);
    if (!m_lua->L) nE_Log("Error: engine context could not create the Lua state");
    m_triggers->SetLuaState(m_lua->L);
    g_luaState = m_lua;
}

nE_EngineContext::~nE_EngineContext()
{
    if (m_scene)
    {
        // Objects that die here may still queue their leave texts.
        m_scene->DeleteRoots();
        delete m_scene;
        m_scene = nullptr;
        g_scene = nullptr;
    }
    if (m_triggers)
    {
        delete m_triggers;
        m_triggers = nullptr;
        g_triggerManager = nullptr;
    }
    DeleteTimers();
    if (m_lua)
    {
        nE_CloseLuaState(m_lua->L);
        delete m_lua;
        m_lua = nullptr;
        g_luaState = nullptr;
    }
}

void nE_EngineContext::DeleteTimers()
{
    if (!m_timers) return;
    m_timers->Clear();
    delete m_timers;
    m_timers = nullptr;
    g_timerManager = nullptr;
}

void nE_EngineContext::Update(const nE_TimeStep* step)
{
    if (m_scene)
    {
        // Hover and drag follow objects that move under a still pointer.
        nE_InputEvent move;
        move.kind = NE_INPUT_MOUSEMOVE;
        move.key = NE_MOUSE_KEYCODE;
        nE_GetCursorPos(&move.x, &move.y);
        m_scene->DispatchInput(&move);
    }
    if (m_triggers) m_triggers->Update();
    if (m_timers) m_timers->Update(step);
    if (m_scene) m_scene->Update(step);
}
