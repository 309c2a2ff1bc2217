#include "core/core_test_util.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"

#include <memory>

namespace
{
struct TimerFixture : testing::Test
{
    LuaState L;
    std::unique_ptr<nE_TriggerManager> triggers = std::make_unique<nE_TriggerManager>(L);
    std::unique_ptr<nE_TimerManager> timers = std::make_unique<nE_TimerManager>(triggers.get());

    void SetUp() override
    {
        // Every expiry appends "<sender>:<param>;" to a global.
        triggers->AddTrigger(std::make_unique<nE_Trigger>(
            "fired", "fired = (fired or '') .. ne_params.sender .. ':' .. (ne_params.param_0 or '') .. ';'"));
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
        std::string s = LuaEval(L, "fired");
        return s == "nil" ? "" : s;
    }
};
} // namespace

// A countdown posts once on overshoot, for the next tick; one from 0 fires in
// the first update; a count-up timer grows and never expires.
TEST_F(TimerFixture, CountdownPostsOnceOnOvershootAndCountUpNeverExpires)
{
    timers->Start("t", "fired(a)", 0.5f);
    timers->Start("zero", "fired", 0.0f);
    EXPECT_TRUE(timers->Start("watch", "", 0.0f)->countUp);
    Tick(0.3f);
    EXPECT_EQ("zero:;", Fired());
    Tick(1.0f); // well past zero
    EXPECT_EQ(1u, timers->GetCount());
    EXPECT_EQ(1u, triggers->GetQueueSize()); // runs in the next tick, not now
    Tick(1.0f);
    Tick(1.0f);
    EXPECT_EQ("zero:;t:a;", Fired());
    EXPECT_FLOAT_EQ(3.3f, timers->GetTime("watch"));
    EXPECT_FLOAT_EQ(0.0f, timers->GetTime("nobody"));
}

// Same-name operations act on the first started; stopping by tag reaches
// every timer carrying it, even one not reachable by name.
TEST_F(TimerFixture, SameNameTimersAndStopByTag)
{
    timers->Start("dup", "", 1.0f);
    timers->Start("dup", "", 5.0f);
    timers->AddTag("dup", "room");
    timers->AddTag("dup", "room");
    timers->RemoveTag("dup", "room"); // only one of the duplicates goes
    Tick(0.5f);
    timers->Pause("dup", true);
    Tick(0.5f);
    EXPECT_FLOAT_EQ(1.5f, timers->GetTime("dup"));
    timers->StopByTag("room");
    EXPECT_FLOAT_EQ(6.0f, timers->GetTime("dup")); // the second is now the live one

    timers->Start("a", "fired(1)", 1.0f)->tags.push_back("puzzle");
    timers->Start("a", "fired(2)", 1.0f)->tags.push_back("puzzle");
    timers->Start("b", "fired(3)", 1.0f);
    timers->StopByTag("puzzle");
    EXPECT_TRUE(timers->Find("a")->finished);
    Tick(2.0f);
    EXPECT_EQ("b:3;", Fired()); // stopped timers never post
    EXPECT_EQ(1u, timers->GetCount());
}

// A stopped timer's time reads until the next update removes it; after Stop
// then Start of one name, later calls act on the live timer.
TEST_F(TimerFixture, StopThenStartOfOneNameActsOnTheLiveTimer)
{
    timers->Start("t", "", 0.0f);
    Tick(0.102f);
    timers->Stop("t");
    timers->Pause("t", false); // stays stopped
    EXPECT_FLOAT_EQ(0.102f, timers->GetTime("t"));
    timers->Start("t", "fired(new)", 3.0f);
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
