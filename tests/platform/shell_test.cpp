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
#include "engine/platform/notEngine.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{

// What the shell's callbacks saw, in order.
struct Seen
{
    std::vector<std::string> calls;
    std::vector<nE_TimeStep> steps;
    std::vector<nE_InputEvent> inputs;
    std::vector<bool> toggleAsked;
    bool toggleResult = true;
    int closeCalls = 0;
    bool servicesAliveAtClose = false;
};
Seen* g_seen = nullptr;

void OnUpdate(nE_TimeStep* step)
{
    g_seen->calls.push_back("update");
    g_seen->steps.push_back(*step);
}
void OnDraw(nE_Render*)
{
    g_seen->calls.push_back("draw");
}
void OnInput(const nE_InputEvent* event)
{
    g_seen->inputs.push_back(*event);
}
void OnInitDone()
{
    g_seen->calls.push_back("init_done");
}
void OnClose()
{
    ++g_seen->closeCalls;
    g_seen->servicesAliveAtClose = g_render && g_cursor && g_soundHub && g_resourceCache && g_engineContext;
}
void OnActivate()
{
    g_seen->calls.push_back("activate");
}
void OnDeactivate()
{
    g_seen->calls.push_back("deactivate");
}
void OnDeviceReset()
{
    g_seen->calls.push_back("device_reset");
}
bool OnToggle(bool wanted)
{
    g_seen->toggleAsked.push_back(wanted);
    return g_seen->toggleResult;
}

// Counts the restore passes that reach the scene.
class RestoreCounter : public nE_Object
{
public:
    void Restore(bool recursive) override
    {
        ++restores;
        nE_Object::Restore(recursive);
    }
    int restores = 0;
};

class MessageRecorder : public nE_Listener
{
public:
    void OnMessage(int id, void* record) override { seen.push_back({id, *static_cast<int32_t*>(record)}); }
    std::vector<std::pair<int, int32_t>> seen;
};

const uint32_t kStartClock = 100000;

class Shell : public testing::Test
{
protected:
    void SetUp() override
    {
        g_seen = &seen;
        ASSERT_TRUE(DE50::InitLibrary());
        DE50::Test::SetClock(kStartClock);
        g_engine = new notEngine_Pl5();
        InstallCallbacks();
    }

    void TearDown() override
    {
        if (g_engine)
        {
            g_engine->Shutdown();
            delete g_engine;
            g_engine = nullptr;
        }
        ClearCallbacks();
        DE50::Test::Reset();
        g_seen = nullptr;
    }

    void InstallCallbacks()
    {
        g_engine->SetUpdateCallback(OnUpdate);
        g_engine->SetDrawCallback(OnDraw);
        g_engine->SetInputCallback(OnInput);
        g_engine->SetInitDoneCallback(OnInitDone);
        g_engine->SetCloseCallback(OnClose);
        g_engine->SetActivateCallback(OnActivate);
        g_engine->SetDeactivateCallback(OnDeactivate);
        g_engine->SetDeviceResetCallback(OnDeviceReset);
        g_engine->SetToggleFullscreenCallback(OnToggle);
    }

    static void ClearCallbacks()
    {
        if (!g_engine) return;
        g_engine->SetUpdateCallback(nullptr);
        g_engine->SetDrawCallback(nullptr);
        g_engine->SetInputCallback(nullptr);
        g_engine->SetInitDoneCallback(nullptr);
        g_engine->SetCloseCallback(nullptr);
        g_engine->SetActivateCallback(nullptr);
        g_engine->SetDeactivateCallback(nullptr);
        g_engine->SetDeviceResetCallback(nullptr);
        g_engine->SetToggleFullscreenCallback(nullptr);
    }

    void Start(unsigned w = 64, unsigned h = 48)
    {
        ASSERT_TRUE(g_engine->Init(0, 0, w, h, false, "shell test"));
        // An event clears the frame-done flag left by earlier tests.
        Event(2);
        seen.calls.clear();
    }

    static void Event(uint32_t type, uint32_t value = 0, int32_t x = 0, int32_t y = 0, uint32_t flags = 0)
    {
        DE50::TEvent e;
        e.type = type;
        e.value = value;
        e.x = x;
        e.y = y;
        e.flags = flags;
        EXPECT_TRUE(nE_OnPlatformEvent(e));
    }

    int Count(const std::string& call) const
    {
        int n = 0;
        for (const std::string& c : seen.calls)
            n += c == call;
        return n;
    }

    Seen seen;
};

// ---- the frame clock ----

TEST_F(Shell, TickWaitsForTheMinimumFramePeriod)
{
    Start();
    EXPECT_EQ(0.0f, g_engine->GetFps()); // no time measured yet
    DE50::Test::AdvanceClock(10);
    g_engine->Tick();
    EXPECT_TRUE(seen.steps.empty());
    EXPECT_NEAR(100.0f, g_engine->GetFps(), 0.01f); // the early tick still measured
    DE50::Test::AdvanceClock(7);
    g_engine->Tick();
    ASSERT_EQ(1u, seen.steps.size());
    EXPECT_NEAR(0.017f, seen.steps[0].step, 1e-6f);
    EXPECT_NEAR(0.017f, seen.steps[0].elapsed, 1e-6f);
    // Right after a tick that ran, no time has passed: no rate, not infinity.
    g_engine->Tick();
    EXPECT_EQ(0.0f, g_engine->GetFps());
    EXPECT_EQ(1u, seen.steps.size());
}

TEST_F(Shell, LongPauseCapsTheStepButNotTheElapsedTime)
{
    Start();
    DE50::Test::AdvanceClock(1000);
    g_engine->Tick();
    ASSERT_EQ(1u, seen.steps.size());
    EXPECT_NEAR(0.05f, seen.steps[0].step, 1e-6f);
    EXPECT_NEAR(1.0f, seen.steps[0].elapsed, 1e-6f);

    g_engine->SetMaxFps(10.0f);
    DE50::Test::AdvanceClock(50);
    g_engine->Tick();
    EXPECT_EQ(1u, seen.steps.size()); // 0.05 s is below the new period of 0.1 s
    DE50::Test::AdvanceClock(50);
    g_engine->Tick();
    ASSERT_EQ(2u, seen.steps.size());
    EXPECT_NEAR(0.1f, seen.steps[1].step, 1e-6f);

    // A rate that would stop the clock is refused.
    g_engine->SetMaxFps(0.0f);
    g_engine->SetMaxFps(-5.0f);
    EXPECT_NEAR(0.1f, g_engine->GetMinFramePeriod(), 1e-6f);
}

TEST_F(Shell, ClockWrapKeepsTicking)
{
    DE50::Test::SetClock(0xFFFFFFF0u);
    Start();
    DE50::Test::AdvanceClock(40); // wraps to 0x18
    ASSERT_LT(DE50::timeGetTime(), 0x100u);
    g_engine->Tick();
    ASSERT_EQ(1u, seen.steps.size());
    EXPECT_NEAR(0.04f, seen.steps[0].elapsed, 1e-6f);
    DE50::Test::AdvanceClock(20);
    g_engine->Tick();
    ASSERT_EQ(2u, seen.steps.size());
    EXPECT_NEAR(0.02f, seen.steps[1].elapsed, 1e-6f);
}

TEST_F(Shell, ScriptFpsReadsTheShell)
{
    Start();
    DE50::Test::AdvanceClock(20);
    g_engine->Tick();
    lua_State* L = nE_GetLua();
    ASSERT_NE(nullptr, L);
    ASSERT_EQ(0, luaL_dostring(L, "return GetFPS()"));
    EXPECT_NEAR(50.0, lua_tonumber(L, -1), 0.01);
    lua_settop(L, 0);
}

// ---- frames ----

TEST_F(Shell, FrameAfterAnEventTicksBeforeDrawing)
{
    Start();
    DE50::Test::AdvanceClock(17);
    nE_OnPlatformUpdate(0.0f);
    nE_OnPlatformFrame(); // the update's tick counts: no second tick
    EXPECT_EQ((std::vector<std::string>{"update", "draw"}), seen.calls);

    seen.calls.clear();
    Event(4, 0, 5, 6);
    DE50::Test::AdvanceClock(17);
    nE_OnPlatformFrame();
    EXPECT_EQ((std::vector<std::string>{"update", "draw"}), seen.calls);
}

TEST_F(Shell, DrawFrameClearsToOpaqueBlack)
{
    Start();
    g_engine->SetDrawCallback(
        [](nE_Render* render)
        {
            render->Begin2D();
            DE50::TRenderer::GetInstance()->FillRect(DE50::TURect(0, 0, 64, 48), DE50::TColor(1, 1, 1, 1));
            render->End2D();
        });
    g_engine->DrawFrame();
    EXPECT_TRUE(de50test::Near(DE50::Test::ReadScreenPixel(10, 10).argb, 0xFFFFFFFF));
    g_engine->SetDrawCallback(nullptr);
    g_engine->DrawFrame();
    EXPECT_TRUE(de50test::Near(DE50::Test::ReadScreenPixel(10, 10).argb, 0xFF000000));
    EXPECT_TRUE(de50test::Near(DE50::Test::ReadScreenPixel(63, 47).argb, 0xFF000000));
}

TEST_F(Shell, TwoLostTextureReportsGiveTwoRestorePasses)
{
    Start();
    auto* counter = new RestoreCounter();
    ASSERT_TRUE(g_scene->AttachObject(g_scene->GetOrigin(), counter));
    auto* render = dynamic_cast<nE_Render_Pl5*>(g_render);
    ASSERT_NE(nullptr, render);
    auto white = render->GetWhiteTexture();

    DE50::Test::SimulateLostTextures();
    DE50::Test::SimulateLostTextures();
    DE50::Test::DeliverPendingTasks();
    g_engine->Tick(); // too early: the restore waits for a tick that runs
    EXPECT_EQ(0, Count("device_reset"));

    DE50::Test::AdvanceClock(17);
    g_engine->Tick();
    EXPECT_EQ(2, Count("device_reset"));
    EXPECT_EQ(2, counter->restores);
    EXPECT_NE(white, render->GetWhiteTexture()); // screen textures made anew

    DE50::Test::AdvanceClock(17);
    g_engine->Tick();
    EXPECT_EQ(2, Count("device_reset"));
}

// ---- events ----

TEST_F(Shell, PointerEventsBecomeMouseInput)
{
    Start();
    Event(1, 0, 10, 20);
    Event(3, 0, 11, 21);
    Event(4, 0, -3, 40);
    ASSERT_EQ(3u, seen.inputs.size());
    const uint32_t kinds[] = {NE_INPUT_MOUSEDOWN, NE_INPUT_MOUSEUP, NE_INPUT_MOUSEMOVE};
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_EQ(kinds[i], seen.inputs[i].kind);
        EXPECT_EQ(NE_MOUSE_KEYCODE, seen.inputs[i].key);
        EXPECT_EQ(0u, seen.inputs[i].character);
    }
    EXPECT_EQ(10.0f, seen.inputs[0].x);
    EXPECT_EQ(21.0f, seen.inputs[1].y);
    EXPECT_EQ(-3.0f, seen.inputs[2].x);
}

TEST_F(Shell, KeyEventsAndTheSystemKeyFlag)
{
    Start();
    Event(7, 'A', 5, 5, 4);
    Event(9, 'a', 5, 5, 4);
    EXPECT_TRUE(seen.inputs.empty());

    Event(8, 'A', 5, 5, 4);
    Event(7, 'B', 5, 5, 0);
    Event(9, 0x416, 5, 5, 0);
    ASSERT_EQ(3u, seen.inputs.size());
    EXPECT_EQ(uint32_t(NE_INPUT_KEY_OTHER), seen.inputs[0].kind);
    EXPECT_EQ(uint32_t('A'), seen.inputs[0].key);
    EXPECT_EQ(uint32_t(NE_INPUT_KEYDOWN), seen.inputs[1].kind);
    EXPECT_EQ(uint32_t('B'), seen.inputs[1].key);
    EXPECT_EQ(0u, seen.inputs[1].character);
    EXPECT_EQ(0.0f, seen.inputs[1].x); // key records carry no position
    EXPECT_EQ(uint32_t(NE_INPUT_CHAR), seen.inputs[2].kind);
    EXPECT_EQ(0u, seen.inputs[2].key);
    EXPECT_EQ(0x416u, seen.inputs[2].character);
}

TEST_F(Shell, IgnoredEventsAndMissingInputCallback)
{
    Start();
    for (uint32_t type : {2u, 6u, 10u, 11u, 14u, 99u})
        Event(type, 1, 2, 3, 4);
    EXPECT_TRUE(seen.inputs.empty());
    EXPECT_FALSE(DE50::TPlatform::GetInstance()->ExitRequested());

    g_engine->SetInputCallback(nullptr);
    Event(1, 0, 1, 1);
    Event(7, 'A');
    EXPECT_TRUE(seen.inputs.empty());
}

TEST_F(Shell, ActivationAndQuit)
{
    Start();
    Event(12, 1);
    Event(12, 0);
    EXPECT_EQ((std::vector<std::string>{"activate", "deactivate"}), seen.calls);
    EXPECT_FALSE(DE50::TPlatform::GetInstance()->ExitRequested());
    Event(0);
    EXPECT_TRUE(DE50::TPlatform::GetInstance()->ExitRequested());
    EXPECT_EQ(0, DE50::TPlatform::GetInstance()->ExitCode());
}

TEST_F(Shell, MouseLeaveHidesTheDrawnCursorUntilMoved)
{
    Start();
    ASSERT_NE(nullptr, g_cursor);
    Event(5);
    EXPECT_TRUE(g_cursor->IsHiddenUntilMoved());
    EXPECT_TRUE(seen.inputs.empty());
}

TEST_F(Shell, ToggleAsksForTheOtherModeAndAnnouncesTheResult)
{
    Start();
    MessageRecorder recorder;
    nE_Mediator mediator;
    g_mediator = &mediator;
    mediator.Subscribe(&recorder, 1);

    Event(13);
    seen.toggleResult = false;
    Event(13);
    ASSERT_EQ(2u, seen.toggleAsked.size());
    EXPECT_TRUE(seen.toggleAsked[0]); // windowed now: full screen is wanted
    ASSERT_EQ(2u, recorder.seen.size());
    EXPECT_EQ(1, recorder.seen[0].second);
    EXPECT_EQ(0, recorder.seen[1].second);

    g_engine->SetToggleFullscreenCallback(nullptr);
    Event(13);
    EXPECT_EQ(2u, recorder.seen.size()); // nothing sent without a callback
    mediator.UnsubscribeAll(&recorder);
    g_mediator = nullptr;
}

// ---- display modes and start ----

TEST_F(Shell, StartBuildsTheServicesAndStopTearsThemDown)
{
    ASSERT_TRUE(g_engine->Init(0, 0, 64, 48, false, "shell test"));
    EXPECT_EQ((std::vector<std::string>{"init_done"}), seen.calls);
    EXPECT_NE(nullptr, g_render);
    EXPECT_NE(nullptr, g_cursor);
    EXPECT_NE(nullptr, g_soundHub);
    EXPECT_NE(nullptr, g_resourceCache);
    EXPECT_NE(nullptr, g_engineContext);
    EXPECT_EQ(64.0f, g_engine->GetScreenWidth());
    EXPECT_EQ(48.0f, g_engine->GetScreenHeight());
    EXPECT_EQ(1.0f, g_engine->GetGamma());
    EXPECT_EQ("shell test", DE50::TPlatform::GetInstance()->GetConfig(DE50::TPlatform::kWindowTitle));
    EXPECT_EQ("524288000", DE50::TPlatform::GetInstance()->GetConfig("texturememorymax"));
    // A later mode change reaches the renderer, whose gamma pass covers its screen.
    ASSERT_TRUE(g_engine->SetDisplayMode(96, 40, false));
    EXPECT_EQ(96.0f, g_render->GetScreenWidth());

    g_engine->Shutdown();
    EXPECT_EQ(1, seen.closeCalls);
    EXPECT_TRUE(seen.servicesAliveAtClose);
    EXPECT_EQ(nullptr, g_render);
    EXPECT_EQ(nullptr, g_currentRender);
    EXPECT_EQ(nullptr, g_cursor);
    EXPECT_EQ(nullptr, g_soundHub);
    EXPECT_EQ(nullptr, g_resourceCache);
    EXPECT_EQ(nullptr, g_engineContext);
    delete g_engine;
    g_engine = nullptr;
}

TEST_F(Shell, FailedStartSetsOptionsAndSurvivesTheLoop)
{
    DE50::Test::ForceDisplayResult(1, 1, false);
    EXPECT_FALSE(g_engine->Init(0, 0, 64, 48, false, "shell test"));
    EXPECT_EQ("1", DE50::TRenderer::GetInstance()->GetOption("new_subtractive"));
    EXPECT_EQ("1", DE50::TRenderer::GetInstance()->GetOption("new_render_blend"));
    EXPECT_EQ("1", DE50::TRenderer::GetInstance()->GetOption("texture_rectangle"));
    EXPECT_EQ("0", DE50::TRenderer::GetInstance()->GetOption("fps"));
    EXPECT_EQ(nullptr, g_render);
    EXPECT_EQ(nullptr, g_cursor);
    EXPECT_EQ(nullptr, g_resourceCache);
    // No mode was ever accepted: nothing to put back, the fields stay empty.
    EXPECT_EQ(0.0f, g_engine->GetScreenWidth());
    uint32_t w = 0, h = 0;
    DE50::TPlatform::GetInstance()->GetDisplay(&w, &h, nullptr);
    EXPECT_EQ(1u, w);
    EXPECT_EQ(1u, h);

    // The loop may still run: ticks and frames without renderer or cursor.
    Event(2);
    DE50::Test::AdvanceClock(17);
    nE_OnPlatformFrame();
    EXPECT_EQ(1u, seen.steps.size());
    g_engine->DrawFrame();
    EXPECT_EQ(0, Count("draw"));
}

TEST_F(Shell, DisplayMismatchPutsThePreviousModeBack)
{
    Start();
    DE50::Test::ForceDisplayResult(320, 200, false);
    EXPECT_FALSE(g_engine->SetDisplayMode(80, 60, false));
    EXPECT_EQ(64.0f, g_engine->GetScreenWidth());
    EXPECT_EQ(48.0f, g_engine->GetScreenHeight());
    uint32_t w = 0, h = 0;
    bool f = true;
    DE50::TPlatform::GetInstance()->GetDisplay(&w, &h, &f);
    EXPECT_EQ(64u, w);
    EXPECT_EQ(48u, h);
    EXPECT_FALSE(f);

    EXPECT_TRUE(g_engine->SetDisplayMode(80, 60, false));
    EXPECT_EQ(80.0f, g_engine->GetScreenWidth());
}

// The first SetDisplay takes the forced result: when the shell passes through
// 800 x 600 first, that step absorbs it and the real request succeeds.
TEST_F(Shell, FullScreenPassesThrough800x600)
{
    Start();
    DE50::Test::ForceDisplayResult(1, 1, false);
    EXPECT_TRUE(g_engine->SetDisplayMode(1024, 768, true));
    EXPECT_TRUE(g_engine->IsFullscreen());

    ASSERT_TRUE(g_engine->SetDisplayMode(64, 48, false));
    DE50::Test::ForceDisplayResult(1, 1, false);
    EXPECT_FALSE(g_engine->SetDisplayMode(800, 768, true)); // width 800: straight there
    EXPECT_FALSE(g_engine->IsFullscreen());

    DE50::Test::ForceDisplayResult(1, 1, false);
    EXPECT_FALSE(g_engine->SetDisplayMode(1024, 768, false)); // windowed: straight there
}

} // namespace
