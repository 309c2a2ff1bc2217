#include "platform/de50_test_support.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_SoundHub_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/platform/notEngine_Pl5.h"

namespace
{

// What the shell's callbacks saw, in order: global, since the callbacks are
// plain functions.
struct Seen
{
    std::vector<std::string> calls;
    std::vector<nE_TimeStep> steps;
    std::vector<nE_InputEvent> inputs;
    std::vector<bool> toggleAsked;
    bool toggleResult = true;
    int closeCalls = 0;
    bool servicesAliveAtClose = false;
} g_seen;

// Counts the restore passes that reach the scene.
struct RestoreCounter : nE_Object
{
    void Restore(bool recursive) override { ++restores, nE_Object::Restore(recursive); }
    int restores = 0;
};

struct MessageRecorder : nE_Listener
{
    void OnMessage(int id, void* record) override { seen.push_back({id, *static_cast<int32_t*>(record)}); }
    std::vector<std::pair<int, int32_t>> seen;
};

class Shell : public testing::Test
{
protected:
    Seen& seen = g_seen;
    notEngine_Pl5* engine = nullptr; // g_engine, as the implementation

    void SetUp() override
    {
        g_seen = Seen();
        ASSERT_TRUE(DE50::InitLibrary());
        DE50::Test::SetClock(100000);
        g_engine = engine = new notEngine_Pl5();
        g_engine->SetUpdateCallback([](nE_TimeStep* step)
                                    { g_seen.calls.push_back("update"), g_seen.steps.push_back(*step); });
        g_engine->SetDrawCallback([](nE_Render*) { g_seen.calls.push_back("draw"); });
        g_engine->SetInputCallback([](const nE_InputEvent* e) { g_seen.inputs.push_back(*e); });
        g_engine->SetInitDoneCallback([] { g_seen.calls.push_back("init_done"); });
        g_engine->SetCloseCallback(
            []
            {
                ++g_seen.closeCalls;
                g_seen.servicesAliveAtClose =
                    g_render && g_cursor && g_soundHub && g_resourceCache && g_engineContext;
            });
        g_engine->SetActivateCallback([] { g_seen.calls.push_back("activate"); });
        g_engine->SetDeactivateCallback([] { g_seen.calls.push_back("deactivate"); });
        g_engine->SetDeviceResetCallback([] { g_seen.calls.push_back("device_reset"); });
        g_engine->SetToggleFullscreenCallback(
            [](bool wanted) { return g_seen.toggleAsked.push_back(wanted), g_seen.toggleResult; });
    }

    void TearDown() override
    {
        g_engine->Shutdown();
        delete g_engine;
        g_engine = nullptr;
        DE50::Test::Reset();
    }

    void Start()
    {
        ASSERT_TRUE(g_engine->Init(0, 0, 64, 48, false, "shell test"));
        // An event clears the frame-done flag left by earlier tests.
        Event(2);
        seen.calls.clear();
    }

    static void Event(uint32_t type, uint32_t value = 0, int32_t x = 0, int32_t y = 0, uint32_t flags = 0)
    {
        EXPECT_TRUE(nE_OnPlatformEvent(DE50::TEvent{type, value, x, y, flags}));
    }

    int Count(const std::string& call) const
    {
        return int(std::count(seen.calls.begin(), seen.calls.end(), call));
    }
};

// ---- the frame clock ----

TEST_F(Shell, ClockTicksAfterTheFramePeriodCapsTheStepSurvivesTheWrapAndPrecedesDrawing)
{
    DE50::Test::SetClock(0xFFFFFFF0u);
    Start();
    EXPECT_EQ(0.0f, g_engine->GetFps()); // no time measured yet
    DE50::Test::AdvanceClock(10);
    engine->Tick();
    EXPECT_TRUE(seen.steps.empty()); // too early
    EXPECT_NEAR(100.0f, g_engine->GetFps(), 0.01f);
    DE50::Test::AdvanceClock(7); // 17 ms: ticks, across the 32-bit wrap
    ASSERT_LT(DE50::timeGetTime(), 0x100u);
    engine->Tick();
    ASSERT_EQ(1u, seen.steps.size());
    EXPECT_NEAR(0.017f, seen.steps[0].step, 1e-6f);
    EXPECT_NEAR(0.017f, seen.steps[0].elapsed, 1e-6f);
    engine->Tick(); // no time has passed: no rate, not infinity
    EXPECT_EQ(0.0f, g_engine->GetFps());
    EXPECT_EQ(1u, seen.steps.size());

    DE50::Test::AdvanceClock(1000); // a long pause caps the step only
    engine->Tick();
    ASSERT_EQ(2u, seen.steps.size());
    EXPECT_NEAR(0.05f, seen.steps[1].step, 1e-6f);
    EXPECT_NEAR(1.0f, seen.steps[1].elapsed, 1e-6f);

    g_engine->SetMaxFps(10.0f);
    g_engine->SetMaxFps(0.0f); // a rate that would stop the clock is refused
    g_engine->SetMaxFps(-5.0f);
    DE50::Test::AdvanceClock(50);
    engine->Tick();
    EXPECT_EQ(2u, seen.steps.size()); // below the period of 0.1 s
    DE50::Test::AdvanceClock(50);
    engine->Tick();
    EXPECT_EQ(3u, seen.steps.size());

    // A frame after the update's tick does not tick again; after an event it
    // ticks before drawing.
    const std::vector<std::string> tickThenDraw = {"update", "draw"};
    seen.calls.clear();
    DE50::Test::AdvanceClock(100);
    nE_OnPlatformUpdate(0.0f);
    nE_OnPlatformFrame();
    EXPECT_EQ(tickThenDraw, seen.calls);
    seen.calls.clear();
    Event(4, 0, 5, 6);
    DE50::Test::AdvanceClock(100);
    nE_OnPlatformFrame();
    EXPECT_EQ(tickThenDraw, seen.calls);
}

TEST_F(Shell, FirstFrameTicksAtOnceWithAFullPeriodThenThePaceHolds)
{
    Start();
    DE50::Test::AdvanceClock(3);
    nE_OnPlatformUpdate(0.0f); // too early for a tick
    nE_OnPlatformFrame();
    EXPECT_EQ((std::vector<std::string>{"update", "draw"}), seen.calls);
    ASSERT_EQ(1u, seen.steps.size());
    EXPECT_NEAR(1.0f / 60.0f, seen.steps[0].step, 1e-6f);
    DE50::Test::AdvanceClock(16);
    engine->Tick();
    EXPECT_EQ(1u, seen.steps.size());
}

TEST_F(Shell, TwoLostTextureReportsGiveTwoRestorePasses)
{
    Start();
    auto* counter = nE_Attach(g_scene->GetOrigin(), std::make_unique<RestoreCounter>());
    ASSERT_NE(nullptr, counter);
    auto* render = dynamic_cast<nE_Render_Pl5*>(g_render);
    ASSERT_NE(nullptr, render);
    auto white = render->GetWhiteTexture();

    DE50::Test::SimulateLostTextures();
    DE50::Test::SimulateLostTextures();
    DE50::Test::DeliverPendingTasks();
    engine->Tick(); // too early: the restore waits for a tick that runs
    EXPECT_EQ(0, Count("device_reset"));

    DE50::Test::AdvanceClock(17);
    engine->Tick();
    EXPECT_EQ(2, Count("device_reset"));
    EXPECT_EQ(2, counter->restores);
    EXPECT_NE(white, render->GetWhiteTexture()); // screen textures made anew

    DE50::Test::AdvanceClock(17);
    engine->Tick();
    EXPECT_EQ(2, Count("device_reset"));
}

// ---- events ----

// Every event type, with and without the system-key flag (word 4), as the
// game sees it: input records, callbacks and what else the shell does.
TEST_F(Shell, EventTableForEveryTypeWithAndWithoutTheFlag)
{
    Start();
    MessageRecorder recorder;
    nE_Mediator mediator;
    g_mediator = &mediator;
    mediator.Subscribe(&recorder, 1);
    auto happened = [&]
    {
        std::ostringstream out;
        for (const nE_InputEvent& in : seen.inputs)
            out << "input " << in.kind << ' ' << in.key << ' ' << in.character << ' ' << in.x << ' ' << in.y;
        for (const std::string& call : seen.calls)
            out << call;
        for (auto& message : recorder.seen)
            out << "toggled " << message.second;
        if (g_cursor->IsHiddenUntilMoved()) out << "hidden";
        if (DE50::TPlatform::GetInstance()->ExitRequested()) out << "quit";
        seen = Seen();
        recorder.seen.clear();
        g_cursor->SetHiddenUntilMoved(false);
        return out.str();
    };
    auto in = [](int kind, const std::string& rest) { return "input " + std::to_string(kind) + " " + rest; };
    const std::string mouse = std::to_string(NE_MOUSE_KEYCODE) + " 0 -3 40",
                      down = in(NE_INPUT_MOUSEDOWN, mouse), up = in(NE_INPUT_MOUSEUP, mouse),
                      move = in(NE_INPUT_MOUSEMOVE, mouse), key = in(NE_INPUT_KEYDOWN, "1046 0 0 0"),
                      chr = in(NE_INPUT_CHAR, "0 1046 0 0"), other = in(NE_INPUT_KEY_OTHER, "1046 0 0 0");
    // Indexed by type 1..14, without the flag. With it, keys and characters
    // (7 and 9) go unseen; the toggle reports the callback's answer, false then.
    const std::string expected[] = {down,  "",  up, move, "hidden",   "",          key,
                                    other, chr, "", "",   "activate", "toggled 1", ""};
    for (uint32_t type = 1; type <= 14; ++type)
    {
        seen.toggleResult = true;
        Event(type, 0x416, -3, 40, 0);
        EXPECT_EQ(expected[type - 1], happened()) << "type " << type;
        seen.toggleResult = false;
        Event(type, 0x416, -3, 40, 4);
        const std::string flagged = type == 7 || type == 9 ? ""
                                    : type == 13           ? "toggled 0"
                                                           : expected[type - 1];
        EXPECT_EQ(flagged, happened()) << "type " << type << " flagged";
    }
    Event(12, 0);
    EXPECT_EQ("deactivate", happened());
    Event(13);
    ASSERT_EQ(1u, seen.toggleAsked.size());
    EXPECT_TRUE(seen.toggleAsked[0]); // windowed now: full screen is wanted
    happened();

    // Without callbacks nothing is sent; the quit comes last.
    g_engine->SetInputCallback(nullptr);
    g_engine->SetToggleFullscreenCallback(nullptr);
    Event(1, 0, 1, 1);
    Event(7, 'A');
    Event(13);
    EXPECT_EQ("", happened());
    // Callbacks belong to their shell: another one starts with none.
    {
        notEngine_Pl5 other;
        other.DispatchEvent(DE50::TEvent{12, 1, 0, 0, 0});
        other.DrawFrame();
    }
    EXPECT_EQ("", happened());
    Event(0);
    EXPECT_EQ("quit", happened());
    EXPECT_EQ(0, DE50::TPlatform::GetInstance()->ExitCode());
    mediator.UnsubscribeAll(&recorder);
    g_mediator = nullptr;
}

// ---- display modes and start ----

// A later mode change reaches the renderer; a mismatch puts the previous mode back.
TEST_F(Shell, StartBuildsTheServicesModesChangeAndStopTearsThemDown)
{
    ASSERT_TRUE(g_engine->Init(0, 0, 64, 48, false, "shell test"));
    EXPECT_EQ((std::vector<std::string>{"init_done"}), seen.calls);
    EXPECT_TRUE(g_render && g_cursor && g_soundHub && g_resourceCache && g_engineContext);
    EXPECT_EQ(64.0f * 48.0f, g_engine->GetScreenWidth() * g_engine->GetScreenHeight());
    ASSERT_TRUE(g_engine->SetDisplayMode(96, 40, false));
    EXPECT_EQ(96.0f, g_render->GetScreenWidth());
    DE50::Test::ForceDisplayResult(320, 200, false);
    EXPECT_FALSE(g_engine->SetDisplayMode(80, 60, false));
    EXPECT_EQ(96.0f * 40.0f, g_engine->GetScreenWidth() * g_engine->GetScreenHeight());
    uint32_t w = 0, h = 0;
    bool f = true;
    DE50::TPlatform::GetInstance()->GetDisplay(&w, &h, &f);
    EXPECT_TRUE(w == 96 && h == 40 && !f);

    g_engine->Shutdown();
    EXPECT_EQ(1, seen.closeCalls);
    EXPECT_TRUE(seen.servicesAliveAtClose);
    EXPECT_FALSE(g_render || g_currentRender || g_cursor || g_soundHub || g_resourceCache || g_engineContext);
}

TEST_F(Shell, FailedStartSurvivesTheLoop)
{
    DE50::Test::ForceDisplayResult(1, 1, false);
    EXPECT_FALSE(g_engine->Init(0, 0, 64, 48, false, "shell test"));
    EXPECT_FALSE(g_render || g_cursor || g_resourceCache);
    // No mode was ever accepted: nothing to put back, the fields stay empty.
    EXPECT_EQ(0.0f, g_engine->GetScreenWidth());
    uint32_t w = 0, h = 0;
    DE50::TPlatform::GetInstance()->GetDisplay(&w, &h, nullptr);
    EXPECT_TRUE(w == 1 && h == 1);

    // The loop may still run: ticks and frames without renderer or cursor.
    Event(2);
    DE50::Test::AdvanceClock(17);
    nE_OnPlatformFrame();
    EXPECT_EQ(1u, seen.steps.size());
    engine->DrawFrame();
    EXPECT_EQ(0, Count("draw"));
}

} // namespace
