#include "game/app/nG_Application.h"

#include "engine/core/nE_Timer.h"
#include "engine/platform/nE_SoundHub_Pl5.h"
#include "engine/scene/nE_Sprite.h"
#include "game/app/nG_DisplayMode.h"
#include "game/app/nG_Level.h"
#include "tests/app/level_fixture.h"

using namespace level_test;

namespace
{
// The pointer at the design space's centre under the scaled mode of the first case.
void TestCursor(float* x, float* y)
{
    *x = 240.0f + 1.40625f * 512.0f, *y = 1.40625f * 384.0f;
}

struct ApplicationTest : LevelFixtureBase
{
    nG_Application* app = nullptr;
    std::string secondModule;

    void SetUp() override
    {
        LevelFixtureBase::SetUp();
        // A hub without a device: pausing mutes nothing real.
        g_soundHub = new nE_SoundHub_Pl5(true);
        secondModule = root + "/level_two";
        std::ofstream(secondModule + ".xml")
            << "<module><objs><obj name=\"h\"><room name=\"room_two\"/></obj></objs>"
               "<code>which = 'two' ObjAttach('room_two', 'ng_rooms_hub')</code></module>";
        auto owned = std::make_unique<nG_Application>();
        app = owned.get();
        g_application = app;
        g_scene->AttachObject(g_scene->GetOrigin(), std::move(owned));
    }
    void TearDown() override
    {
        delete app;
        nE_SetCursorPosFunc(nullptr);
        nE_DestroySoundHub();
        LevelFixtureBase::TearDown();
    }
    float AppWidthQuery()
    {
        nG_MsgFloat msg;
        return bus.Send(NG_MSG_GET_APP_WIDTH, &msg), msg.value;
    }
    // A position table rounded to thousandths, as "x y".
    std::string Pos(const std::string& call)
    {
        return LuaEval(L, "(function(p) return string.format('%.3f %.3f', p[1], p[2]) end)(" + call + ")");
    }
    nE_Sprite* Dim() { return app->GetPauseSprite(0); }
    nE_Sprite* Label() { return app->GetPauseSprite(1); }
    // The alpha the sprite is drawn with.
    static float Shown(nE_Object* o)
    {
        nE_RenderState s;
        return o->ComposeRenderState(s, nE_RenderState(), 0).alpha;
    }
};

TEST_F(ApplicationTest, PositionsAndWidthFollowAScaledAndOffsetDisplayMode)
{
    nG_DisplayMode mode = nG_ChooseDisplayMode(true, true, 1920, 1080);
    ASSERT_FLOAT_EQ(1.40625f, mode.scaleX);
    render->SetScreenSize(1920.0f, 1080.0f);
    app->ApplyDisplayMode(mode);
    EXPECT_EQ(240.0f, app->GetX());
    ASSERT_TRUE(app->IsWideScreen() && app->HasCropRect());
    EXPECT_EQ(-171.0f, app->GetCropRect().x); // clipped to the wider design space
    EXPECT_EQ(1366.0f, app->GetCropRect().w);

    nG_MsgTransform t;
    bus.Send(NG_MSG_GET_TRANSFORM, &t);
    EXPECT_EQ((std::vector<float>{1.40625f, 1.40625f, 240.0f, 0.0f}),
              (std::vector<float>{t.matrix[0], t.matrix[5], t.matrix[12], t.matrix[13]}));

    // 1366 scaled is 1920.9 pixels: within two pixels of the screen, so the full width.
    EXPECT_EQ(1366.0f, AppWidthQuery());

    auto probe = std::make_unique<nE_Object>("probe");
    probe->SetPos(100.0f, 50.0f);
    g_scene->AttachObject(app, std::move(probe));
    EXPECT_EQ("100.000 50.000", Pos("GetObjPosByObj('probe')"));
    nE_SetCursorPosFunc(TestCursor);
    EXPECT_EQ("512.000 384.000", Pos("GetGameCursorPos()"));
}

TEST_F(ApplicationTest, PausingTwiceFadesOnceAndFreezesTheLevel)
{
    app->LoadLevel(modulePath, "start()");
    Ticks(2);
    nG_Level* level = app->GetLevel();
    ASSERT_TRUE(level);

    app->SetPause(true);
    EXPECT_TRUE(g_timerManager->paused);
    EXPECT_FALSE(level->IsActive() || level->IsInput());
    EXPECT_TRUE(Dim()->IsVisible() && Label()->IsVisible() && Dim()->IsActive()); // the overlay keeps running
    Tick(0.2f);
    EXPECT_GT(Shown(Dim()), 0.0f);
    EXPECT_LT(Shown(Dim()), 0.6f);
    app->SetPause(true); // no second fade from zero
    Tick(0.2f);
    EXPECT_FLOAT_EQ(0.6f, Shown(Dim())); // the room shows dimmed behind the label
    EXPECT_FLOAT_EQ(1.0f, Shown(Label()));
    Tick(0.2f);
    EXPECT_EQ(0, Dim()->GetTweenCount());
    EXPECT_TRUE(Dim()->IsVisible());

    app->SetPause(false);
    EXPECT_FALSE(g_timerManager->paused);
    EXPECT_TRUE(level->IsActive() && level->IsInput());
    app->SetPause(false);
    Tick(0.2f);
    EXPECT_TRUE(Dim()->IsVisible()); // fading out
    EXPECT_LT(Shown(Dim()), 0.6f);
    Ticks(2, 0.2f); // the tween ended in the first of these; now the sprites go
    EXPECT_FALSE(Dim()->IsVisible() || Label()->IsVisible());
    EXPECT_FLOAT_EQ(1.25f, Label()->GetScaleX()); // swelled while fading
    app->SetPause(true);
    EXPECT_EQ(std::make_pair(1.0f, 1.0f), std::make_pair(Label()->GetScaleX(), Label()->GetScaleY()));
}

// Only the latest level request of a tick runs, with the old level cleared;
// the deleted application leaves nothing behind.
TEST_F(ApplicationTest, LatestLevelRequestRunsAndTheDeletedApplicationReleasesAll)
{
    app->LoadLevel(modulePath, "start()");
    Ticks(2);
    g_timerManager->Start("old_timer", "*rec('timer')", 5.0f);
    Lua("SwitchLevel('" + root + "/missing', 'x') "
        "SwitchLevel('" + secondModule + "', '*started = 1 SwitchRoom(\\'room_two\\', 0)')");
    EXPECT_TRUE(app->HasPendingLevel());
    EXPECT_NE(nullptr, g_scene->FindObject("room_a")); // nothing switches inside the script call

    Tick();
    EXPECT_FALSE(app->HasPendingLevel());
    ASSERT_TRUE(app->GetLevel());
    EXPECT_EQ("two", LuaEval(L, "which"));
    EXPECT_FALSE(g_scene->FindObject("room_a") || g_triggerManager->GetTrigger("start"));
    EXPECT_EQ(0u, g_timerManager->GetCount());
    ASSERT_EQ(3, g_scene->GetStorage()->GetChildCount()); // the new hubs: rooms, cards screen and map
    EXPECT_EQ("room_two", app->GetLevel()->GetRoomsHub()->GetChild(0)->GetName());
    Tick();
    EXPECT_EQ("1", LuaEval(L, "started")); // the start call of the new level
    // Made in the middle of a tick, the new level is walked before its start call has
    // run: that is not yet a start that showed no room.
    EXPECT_EQ(0, log.CountStartingWith("Warning: no room is shown"));

    delete app;
    app = nullptr;
    EXPECT_FALSE(g_application || g_profileList);
    EXPECT_EQ(0, g_scene->GetStorage()->GetChildCount() + g_scene->GetOrigin()->GetChildCount());
    EXPECT_EQ(0.0f, AppWidthQuery()); // nobody answers any more
}
} // namespace
