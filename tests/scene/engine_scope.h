#pragma once
// The engine context for object tests: a bus whose log lines are captured and
// a trigger "on_end" that counts its runs and keeps the last sender.

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_TriggerManager.h"
#include "platform/de50_test_support.h"

#include <memory>
#include <string>

struct EngineScope
{
    nE_Mediator bus;
    de50test::LogCapture log;

    void Start()
    {
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        nE_EngineContext::Instance();
        g_triggerManager->AddTrigger(
            std::make_unique<nE_Trigger>("on_end", "ended = (ended or 0) + 1; ended_by = ne_params.sender"));
    }
    void Stop()
    {
        nE_EngineContext::Destroy();
        bus.UnsubscribeAll(&log);
        g_mediator = nullptr;
    }
    // A global of the engine's Lua state as text, "nil" when unset.
    static std::string Global(const char* name)
    {
        lua_State* L = nE_GetLua();
        lua_getglobal(L, name);
        const char* text = lua_tostring(L, -1);
        std::string value = text ? text : "nil";
        lua_pop(L, 1);
        return value;
    }
};

// Steps an object `times` times by `seconds`, as the frame clock would.
inline void TickObject(nE_Object& o, float seconds, int times = 1)
{
    nE_TimeStep step;
    step.step = step.elapsed = seconds;
    for (int i = 0; i < times; ++i)
        o.Update(&step);
}
