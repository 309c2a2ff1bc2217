#pragma once
// The engine context for object tests: a bus whose log lines are captured and
// a trigger "on_end" that end triggers can be posted to.

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_TriggerManager.h"
#include "platform/de50_test_support.h"

#include <memory>

struct EngineScope
{
    nE_Mediator bus;
    de50test::LogCapture log;

    void Start()
    {
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        nE_EngineContext::Instance();
        g_triggerManager->AddTrigger(std::make_unique<nE_Trigger>("on_end", "x = 1"));
    }
    void Stop()
    {
        nE_EngineContext::Destroy();
        bus.UnsubscribeAll(&log);
        g_mediator = nullptr;
    }
};
