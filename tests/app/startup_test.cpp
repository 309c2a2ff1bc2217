#include "de50/de50.h"
#include "de50/de50_test.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/platform/nE_Render.h"
#include "engine/platform/nE_SoundHub_Pl5.h"
#include "engine/platform/notEngine.h"
#include "game/app/nG_Application.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_DisplayMode.h"
#include "game/app/nG_Messages.h"
#include "game/app/nG_Settings.h"
#include "game/app/nG_Startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace
{

struct DisplayChanges : nE_Listener
{
    int count = 0;
    void OnMessage(int, void*) override { ++count; }
};

// The toggle callback on its own: a bus, a trigger that records its call, and
// the settings; no engine shell and no application.
struct ToggleTest : testing::Test
{
    nE_Mediator bus;
    DisplayChanges changes;

    void SetUp() override
    {
        g_mediator = &bus;
        bus.Subscribe(&changes, NG_MSG_DISPLAY_CHANGED);
        DE50::Test::SetDesktopSize(1920, 1080);
        nE_EngineContext::Instance();
        g_triggerManager->AddTrigger(std::make_unique<nE_Trigger>(
            "ng_togglefullscreen", "toggled = ne_params.param_0 .. ',' .. ne_params.param_1"));
        g_settings = new nG_Settings();
    }
    void TearDown() override
    {
        delete g_settings;
        g_settings = nullptr;
        nE_EngineContext::Destroy();
        g_displayMode = nG_DisplayMode();
        g_mediator = nullptr;
        DE50::Test::Reset();
    }

    std::string Toggled()
    {
        lua_State* L = nE_GetLua();
        lua_getglobal(L, "toggled");
        std::string text = lua_isstring(L, -1) ? lua_tostring(L, -1) : "(none)";
        lua_pop(L, 1);
        return text;
    }
};

TEST_F(ToggleTest, TheModeInForceChangesNothingButIsStillAnnounced)
{
    g_displayMode = nG_ChooseDisplayMode(false, true, 1920, 1080);
    g_settings->SetFullScreen(true); // stale: the mode in force wins
    EXPECT_FALSE(nG_OnToggleFullscreen(false));
    EXPECT_EQ("0,0", Toggled());
    EXPECT_EQ(1, changes.count);
    EXPECT_FALSE(g_settings->GetFullScreen());
    EXPECT_TRUE(g_settings->GetWideScreen());
    EXPECT_EQ(1366u, g_displayMode.width);
}

TEST_F(ToggleTest, AWideScreenChangeAloneLeavesTheDisplayAndNeedsNoApplication)
{
    g_displayMode = nG_ChooseDisplayMode(true, true, 1920, 1080);
    ASSERT_TRUE(g_displayMode.wideScreen);
    g_settings->SetWideScreen(false);
    ASSERT_EQ(nullptr, g_application);
    EXPECT_TRUE(nG_OnToggleFullscreen(true)); // no shell: it was not needed
    EXPECT_EQ("0,1", Toggled());
    EXPECT_FALSE(g_displayMode.wideScreen);
    EXPECT_TRUE(g_displayMode.fullScreen);
    EXPECT_FALSE(g_settings->GetWideScreen());
    EXPECT_EQ(1, changes.count);
}

TEST_F(ToggleTest, ANewScreenWithoutAShellIsNotApplied)
{
    g_displayMode = nG_ChooseDisplayMode(false, true, 1920, 1080);
    ASSERT_EQ(nullptr, g_engine);
    EXPECT_FALSE(nG_OnToggleFullscreen(true));
    EXPECT_EQ("0,0", Toggled());
    EXPECT_FALSE(g_displayMode.fullScreen);
    EXPECT_FALSE(g_settings->GetFullScreen());
    EXPECT_EQ(1, changes.count);
}

TEST(StartupCallbacks, TolerateMissingServices)
{
    ASSERT_EQ(nullptr, g_application);
    nG_OnActivate();
    nG_OnDeactivate();
    nE_InputEvent move;
    move.kind = NE_INPUT_MOUSEMOVE;
    nG_OnInput(&move);
    nG_OnInput(nullptr);
    nE_TimeStep step;
    nG_OnUpdate(&step);
    EXPECT_EQ(nullptr, g_engineContext); // the tick never makes a context
    nG_OnDraw(nullptr);
    nG_OnClose();
}

TEST(StartupShutdown, NothingMadeIsNothingFreed)
{
    nG_GameShutdown();
    EXPECT_EQ(nullptr, g_engine);
    EXPECT_EQ(nullptr, g_mediator);

    nG_CreateGlobals();
    ASSERT_NE(nullptr, g_mediator);
    ASSERT_NE(nullptr, g_config);
    nG_GameShutdown();
    EXPECT_EQ(nullptr, g_mediator);
    EXPECT_EQ(nullptr, g_config);
    EXPECT_EQ(nullptr, g_settings);
    nE_Log("after stop the log no longer reaches a bus");
}

TEST(StartupCursors, ElevenWithIndexZeroEmpty)
{
    int count = 0;
    const nG_CursorEntry* table = nG_GetCursorTable(&count);
    ASSERT_EQ(11, count);
    EXPECT_STREQ("", table[0].name);
    EXPECT_STREQ("assets/cursors/cursor", table[1].name);
    EXPECT_EQ(0x7F00, table[1].systemId);
    EXPECT_STREQ("assets/cursors/cursor_finger", table[10].name);
}

// The whole start and stop in a window, from a folder of our own.
struct StartupRun : testing::Test
{
    std::string root;
    std::string user;
    std::string oldDir;

    void SetUp() override
    {
        char tmpl[] = "/tmp/ng_start_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        root = tmpl;
        user = root + "/user";
        std::filesystem::create_directories(root + "/assets");
        std::filesystem::create_directories(user);
        Write(root + "/assets/config.xml",
              "<config><start_point module=\"\" trigger=\"\"/>"
              "<default_settings fullscreen=\"0\" widescreen=\"1\" syscursor=\"0\" performance=\"0\""
              " sfx_volume=\"1\" env_volume=\"1\" soundtrack_volume=\"1\" voice_volume=\"1\"/></config>");
        Write(root + "/assets/strings.xml", "<Workbook><Row><Data>window_title</Data><Data>Start test</Data>"
                                            "</Row></Workbook>");
        oldDir = std::filesystem::current_path().string();
        std::filesystem::current_path(root);
        setenv("NOTENGINE_USER_DIR", user.c_str(), 1);
        ASSERT_TRUE(DE50::InitLibrary());
        DE50::TLoopOptions options;
        options.windowed = true;
        DE50::SetLoopOptions(options);
        DE50::Test::SetDesktopSize(1920, 1080);
        testing::internal::CaptureStderr();
    }
    void TearDown() override
    {
        testing::internal::GetCapturedStderr();
        DE50::TSoundManager::Shutdown(); // as the loop does when it ends
        DE50::Test::Reset();
        unsetenv("NOTENGINE_USER_DIR");
        std::filesystem::current_path(oldDir);
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    static void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(user + "/" + name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(StartupRun, AFailedFirstDisplayIsRetriedInFullScreenAndRecorded)
{
    Write(user + "/settings.xml", "<settings fullscreen=\"0\" widescreen=\"1\" sfx_volume=\"1.5\""
                                  " voice_volume=\"-2\" gamma=\"1.25\"/>");
    DE50::Test::ForceDisplayResult(1, 1, false);
    nG_PreInit();
    ASSERT_TRUE(nG_GameInit());

    EXPECT_TRUE(g_displayMode.fullScreen);
    EXPECT_EQ(1920u, g_displayMode.width);
    EXPECT_TRUE(g_settings->GetFullScreen());
    EXPECT_TRUE(g_settings->GetWideScreen());
    // Stored volumes are applied through the clamp.
    EXPECT_FLOAT_EQ(1.0f, g_settings->GetVolume("sfx"));
    EXPECT_FLOAT_EQ(0.0f, g_settings->GetVolume("voice"));
    ASSERT_NE(nullptr, g_engine);
    EXPECT_FLOAT_EQ(1.25f, g_engine->GetGamma());
    EXPECT_EQ("Start test", DE50::TPlatform::GetInstance()->GetConfig(DE50::TPlatform::kWindowTitle));
    ASSERT_NE(nullptr, g_cursor);
    EXPECT_EQ(11, g_cursor->GetCursorCount());
    EXPECT_EQ(1, g_cursor->GetCurrent());

    // The application stands under the scene root, placed by the mode.
    ASSERT_NE(nullptr, g_application);
    EXPECT_TRUE(g_application->IsWideScreen());
    EXPECT_FLOAT_EQ(1080.0f / 768.0f, g_application->GetScaleX());

    nG_GameShutdown();
    EXPECT_EQ(nullptr, g_application);
    EXPECT_EQ(nullptr, g_engine);
    EXPECT_EQ(nullptr, g_cursor);
    EXPECT_EQ(nullptr, g_soundHub);
    EXPECT_EQ(nullptr, g_engineContext);
    EXPECT_EQ(nullptr, g_render);
    EXPECT_EQ(nullptr, g_resourceCache);
    EXPECT_EQ(nullptr, g_settings);
    EXPECT_EQ(nullptr, g_stringTable);
    EXPECT_EQ(nullptr, g_config);
    EXPECT_EQ(nullptr, g_mediator);
    const std::string saved = Read("settings.xml");
    EXPECT_NE(std::string::npos, saved.find("fullscreen=\"1\"")) << saved;
    EXPECT_NE(std::string::npos, saved.find("sfx_volume=\"1\"")) << saved;
}

} // namespace
