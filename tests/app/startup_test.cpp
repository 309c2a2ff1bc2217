#include "de50/de50.h"
#include "de50/de50_test.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/platform/nE_SoundHub_Pl5.h"
#include "engine/platform/notEngine.h"
#include "game/app/nG_Application.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_DisplayMode.h"
#include "game/app/nG_Settings.h"
#include "game/app/nG_Startup.h"
#include "game/messages/nG_Messages.h"

#include "tests/app/user_folder.h"

namespace
{
// The toggle callback on its own: a bus, a trigger that records its call, and
// the settings; no engine shell and no application.
struct ToggleTest : testing::Test
{
    nE_Mediator bus;
    IdRecorder changes;

    void SetUp() override
    {
        g_mediator = &bus;
        bus.Subscribe(&changes, NG_MSG_DISPLAY_CHANGED);
        DE50::Test::SetDesktopSize(1920, 1080);
        nE_EngineContext::Instance();
        g_triggerManager->AddTrigger(std::make_unique<nE_Trigger>(
            "ng_togglefullscreen", "toggled = ne_params.param_0 .. ',' .. ne_params.param_1"));
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        g_displayMode = nG_DisplayMode();
        g_mediator = nullptr;
        DE50::Test::Reset();
    }
};

// Without a shell or an application only a wide-screen change alone can be
// applied; the mode in force wins over stale settings; every call is announced.
TEST_F(ToggleTest, AppliesWhatItCanWithoutAShellAndAlwaysAnnounces)
{
    ASSERT_FALSE(g_engine || g_application);
    const struct
    {
        bool modeFull, settingsWide, full, result;
        const char* toggled;
        bool fullAfter, wideAfter;
    } cases[] = {
        {false, true, false, false, "0,0", false, true}, // the mode in force: nothing changes
        {true, false, true, true, "0,1", true, false},   // wide screen alone: no shell needed
        {false, true, true, false, "0,0", false, true},  // a new screen needs the shell
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.toggled + std::to_string(c.modeFull));
        g_displayMode = nG_ChooseDisplayMode(c.modeFull, true, 1920, 1080);
        nG_Settings settings;
        g_settings = &settings;
        settings.SetFullScreen(true); // stale unless the mode agrees
        settings.SetWideScreen(c.settingsWide);
        changes.ids.clear();
        luaL_dostring(nE_GetLua(), "toggled = nil");
        EXPECT_EQ(c.result, nG_OnToggleFullscreen(c.full));
        g_settings = nullptr;
        EXPECT_EQ(c.toggled, LuaEval(nE_GetLua(), "toggled"));
        EXPECT_EQ(1u, changes.ids.size());
        const std::pair<bool, bool> after(c.fullAfter, c.wideAfter);
        EXPECT_EQ(after, std::make_pair(g_displayMode.fullScreen, g_displayMode.wideScreen));
        EXPECT_EQ(after, std::make_pair(settings.GetFullScreen(), settings.GetWideScreen()));
    }
}

TEST(StartupCallbacks, TolerateMissingServicesAndNothingMadeIsNothingFreed)
{
    ASSERT_EQ(nullptr, g_application);
    nG_OnActivate();
    nG_OnDeactivate();
    nE_InputEvent move{NE_INPUT_MOUSEMOVE};
    nG_OnInput(&move);
    nG_OnInput(nullptr);
    nE_TimeStep step;
    nG_OnUpdate(&step);
    EXPECT_EQ(nullptr, g_engineContext); // the tick never makes a context
    nG_OnDraw(nullptr);
    nG_OnClose();

    nG_GameShutdown();
    EXPECT_FALSE(g_engine || g_mediator);
    nG_CreateGlobals();
    ASSERT_TRUE(g_mediator && g_config);
    nG_GameShutdown();
    EXPECT_FALSE(g_mediator || g_config || g_settings);
    nE_Log("after stop the log no longer reaches a bus");
}

// The whole start and stop in a window, from a folder of our own.
struct StartupRun : UserFolderTest
{
    std::unique_ptr<InFolder> in;

    void SetUp() override
    {
        UserFolderTest::SetUp();
        g_mediator = nullptr; // the start makes its own
        std::filesystem::create_directories(root + "/assets");
        std::ofstream(root + "/assets/config.xml")
            << "<config><start_point module=\"\" trigger=\"\"/><default_settings fullscreen=\"0\"/></config>";
        std::ofstream(root + "/assets/strings.xml")
            << "<Workbook><Row><Data>window_title</Data><Data>Start test</Data></Row></Workbook>";
        in.reset(new InFolder(root));
        ASSERT_TRUE(DE50::InitLibrary());
        DE50::TLoopOptions options;
        options.windowed = options.cheats = true;
        DE50::SetLoopOptions(options);
        DE50::Test::SetDesktopSize(1920, 1080);
    }
    void TearDown() override
    {
        DE50::TSoundManager::Shutdown(); // as the loop does when it ends
        DE50::Test::Reset();
        in.reset();
        UserFolderTest::TearDown();
    }
};

// The rest of the start is the whole-game tests'.
TEST_F(StartupRun, AFailedFirstDisplayIsRetriedInFullScreenAndRecorded)
{
    PutOnDisk("settings.xml",
              "<settings fullscreen=\"0\" widescreen=\"1\" sfx_volume=\"1.5\" gamma=\"1.25\"/>");
    DE50::Test::ForceDisplayResult(1, 1, false);
    nG_PreInit();
    ASSERT_TRUE(nG_GameInit());
    EXPECT_TRUE(g_config->IsCheatMode());
    EXPECT_TRUE(g_displayMode.fullScreen && g_settings->GetFullScreen() && g_settings->GetWideScreen());
    EXPECT_EQ(1920u, g_displayMode.width);
    EXPECT_FLOAT_EQ(1.0f, g_settings->GetVolume("sfx")); // stored volumes are applied through the clamp
    ASSERT_TRUE(g_engine && g_application);
    EXPECT_FLOAT_EQ(1.25f, g_engine->GetGamma());
    EXPECT_FLOAT_EQ(1080.0f / 768.0f, g_application->GetScaleX());

    nG_GameShutdown();
    const void* left[] = {g_application,   g_engine,   g_cursor,      g_soundHub, g_engineContext, g_render,
                          g_resourceCache, g_settings, g_stringTable, g_config,   g_mediator};
    for (size_t i = 0; i < sizeof left / sizeof *left; ++i)
        EXPECT_EQ(nullptr, left[i]) << "global " << i << " of the shutdown list";
    EXPECT_NE(std::string::npos, OnDisk("settings.xml").find("fullscreen=\"1\""));
}

// The configuration's names make the user folder from the first use on, and
// the folder of the default names is never made.
TEST_F(StartupRun, TheConfigNamesTheUserFolderBeforeItIsFirstUsed)
{
    std::ofstream(root + "/assets/config.xml") << "<config><default_settings fullscreen=\"0\"/><game "
                                                  "publisher=\"Tests Inc\" name=\"Own Game\"/></config>";
    EnvVar xdg("XDG_DATA_HOME", root + "/xdg");
    unsetenv("NOTENGINE_USER_DIR");
    nG_PreInit();
    ASSERT_TRUE(nG_GameInit());
    nG_GameShutdown();
    EXPECT_TRUE(std::filesystem::exists(root + "/xdg/Tests Inc/Own Game/settings.xml"));
    EXPECT_FALSE(std::filesystem::exists(root + "/xdg/Quillfen Games"));
}

} // namespace
