#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_TimeStep.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <memory>
#include <string>

namespace
{
struct TimerFixture : testing::Test
{
    lua_State* L = nullptr;
    std::unique_ptr<nE_TriggerManager> triggers;
    std::unique_ptr<nE_TimerManager> timers;

    void SetUp() override
    {
        L = luaL_newstate();
        luaL_openlibs(L);
        triggers = std::make_unique<nE_TriggerManager>(L);
        timers = std::make_unique<nE_TimerManager>(triggers.get());
        // Every expiry appends "<sender>:<param>" to a global log.
        triggers->AddTrigger(std::make_unique<nE_Trigger>(
            "fired", "fired = (fired or '') .. ne_params.sender .. ':' .. (ne_params.param_0 or '') .. ';'"));
    }
    void TearDown() override
    {
        timers.reset();
        triggers.reset();
        lua_close(L);
    }
    // One tick of the engine: queued calls first, then the timers.
    void Tick(float dt)
    {
        triggers->Update();
        nE_TimeStep step;
        step.step = dt;
        step.elapsed = dt * 10.0f; // must not be the one timers read
        timers->Update(&step);
    }
    std::string Fired()
    {
        triggers->Update();
        lua_getglobal(L, "fired");
        const char* s = lua_tostring(L, -1);
        std::string out = s ? s : "";
        lua_pop(L, 1);
        return out;
    }
};
} // namespace

TEST_F(TimerFixture, CountdownPostsOnceOnOvershootAndIsRemoved)
{
    timers->Start("t", "fired(a)", 0.5f);
    Tick(0.3f);
    EXPECT_EQ(1u, timers->GetCount());
    EXPECT_EQ("", Fired());
    Tick(1.0f); // well past zero
    EXPECT_EQ(0u, timers->GetCount());
    EXPECT_EQ(1u, triggers->GetQueueSize()); // runs in the next tick, not now
    Tick(1.0f);
    Tick(1.0f);
    EXPECT_EQ("t:a;", Fired());
}

TEST_F(TimerFixture, CountdownFromZeroFiresInTheFirstUpdate)
{
    timers->Start("zero", "fired", 0.0f);
    Tick(0.0f);
    EXPECT_EQ(0u, timers->GetCount());
    EXPECT_EQ("zero:;", Fired());
}

TEST_F(TimerFixture, CountUpTimerGrowsAndNeverExpires)
{
    nE_Timer* t = timers->Start("watch", "", 0.0f);
    EXPECT_TRUE(t->countUp);
    for (int i = 0; i < 4; ++i)
        Tick(0.25f);
    EXPECT_FLOAT_EQ(1.0f, timers->GetTime("watch"));
    EXPECT_EQ(1u, timers->GetCount());
    EXPECT_FLOAT_EQ(0.0f, timers->GetTime("nobody"));
    EXPECT_EQ("", Fired());
}

TEST_F(TimerFixture, SameNameOperationsActOnTheFirstStarted)
{
    timers->Start("dup", "", 1.0f);
    timers->Start("dup", "", 5.0f);
    EXPECT_FLOAT_EQ(1.0f, timers->GetTime("dup"));
    timers->AddTag("dup", "room");
    timers->AddTag("dup", "room");
    timers->RemoveTag("dup", "room"); // only one of the duplicates goes
    Tick(0.5f);
    EXPECT_FLOAT_EQ(1.5f, timers->GetTime("dup"));
    timers->Pause("dup", true);
    Tick(0.5f);
    EXPECT_FLOAT_EQ(1.5f, timers->GetTime("dup"));
    timers->StopByTag("room");
    EXPECT_FLOAT_EQ(6.0f, timers->GetTime("dup")); // the second is now the live one
    Tick(0.0f);
    EXPECT_EQ(1u, timers->GetCount());
}

TEST_F(TimerFixture, StopByTagReachesEveryTimerCarryingIt)
{
    timers->Start("a", "fired(1)", 1.0f);
    timers->AddTag("a", "puzzle");
    nE_Timer* second = timers->Start("a", "fired(2)", 1.0f);
    second->tags.push_back("puzzle"); // not reachable by name while the first lives
    timers->Start("b", "fired(3)", 1.0f);
    timers->StopByTag("puzzle");
    EXPECT_EQ(nullptr, timers->Find("a"));
    EXPECT_NE(nullptr, timers->Find("b"));
    Tick(2.0f);
    EXPECT_EQ("b:3;", Fired()); // stopped timers never post
}

TEST_F(TimerFixture, StopThenStartOfOneNameActsOnTheLiveTimer)
{
    timers->Start("t", "fired(old)", 1.0f);
    timers->Stop("t");
    timers->Start("t", "fired(new)", 3.0f);
    EXPECT_FLOAT_EQ(3.0f, timers->GetTime("t"));
    timers->Pause("t", true);
    Tick(1.0f);
    EXPECT_FLOAT_EQ(3.0f, timers->GetTime("t"));
    timers->Pause("t", false);
    Tick(1.0f);
    EXPECT_FLOAT_EQ(2.0f, timers->GetTime("t"));
    timers->Stop("t");
    Tick(5.0f);
    EXPECT_EQ(0u, timers->GetCount());
    EXPECT_EQ("", Fired());
}

TEST_F(TimerFixture, PausedTimerKeepsItsTimeAndResumes)
{
    timers->Start("t", "fired", 1.0f);
    timers->AddTag("t", "g");
    Tick(0.25f);
    timers->PauseByTag("g", true);
    Tick(10.0f);
    EXPECT_FLOAT_EQ(0.75f, timers->GetTime("t"));
    timers->PauseByTag("g", false);
    Tick(0.5f);
    EXPECT_FLOAT_EQ(0.25f, timers->GetTime("t"));
    Tick(0.5f);
    EXPECT_EQ("t:;", Fired());
}

TEST_F(TimerFixture, PausedManagerAdvancesNothingAndKeepsStoppedTimers)
{
    timers->Start("t", "fired", 0.1f);
    timers->Start("s", "fired", 0.1f);
    timers->paused = true;
    timers->Stop("s");
    Tick(1.0f);
    EXPECT_EQ(2u, timers->GetCount());
    EXPECT_FLOAT_EQ(0.1f, timers->GetTime("t"));
    timers->paused = false;
    Tick(1.0f);
    EXPECT_EQ(0u, timers->GetCount());
    EXPECT_EQ("t:;", Fired());
}

TEST_F(TimerFixture, TimerStartedByATriggerAdvancesInTheSameTick)
{
    triggers->AddTrigger(std::make_unique<nE_Trigger>("starter", ""));
    triggers->Post("s", "starter");
    triggers->Update();
    timers->Start("late", "", 0.0f); // as if started by that trigger
    nE_TimeStep step;
    step.step = 0.5f;
    timers->Update(&step);
    EXPECT_FLOAT_EQ(0.5f, timers->GetTime("late"));
}

TEST_F(TimerFixture, ClearDeletesEveryTimer)
{
    timers->Start("a", "fired", 1.0f);
    timers->Start("b", "", 1.0f);
    timers->Clear();
    EXPECT_EQ(0u, timers->GetCount());
    Tick(5.0f);
    EXPECT_EQ("", Fired());
}

TEST(TimerWithoutTriggers, ExpiryWithoutAManagerIsQuiet)
{
    nE_TimerManager timers;
    timers.Start("t", "anything", 0.0f);
    timers.Advance(1.0f);
    timers.Update(nullptr);
    EXPECT_EQ(0u, timers.GetCount());
}

TEST(TimerTags, RemoveTagErasesOnlyTheFirstEqualOne)
{
    nE_Timer t("t", "", 0.0f);
    t.tags = {"a", "b", "a"};
    t.RemoveTag("a");
    EXPECT_EQ((std::vector<std::string>{"b", "a"}), t.tags);
    t.RemoveTag("zz");
    EXPECT_EQ(2u, t.tags.size());
    EXPECT_TRUE(t.HasTag("a"));
}
