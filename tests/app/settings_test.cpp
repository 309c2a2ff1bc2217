#include "game/app/nG_Config.h"
#include "game/app/nG_Settings.h"

#include "app/user_folder.h"

#include <climits>
#include <cmath>

namespace
{
const char kDefaultsFile[] =
    "<settings performance=\"0\" fullscreen=\"1\" widescreen=\"1\" syscursor=\"0\" sfx_volume=\"1\" "
    "env_volume=\"1\" soundtrack_volume=\"1\" voice_volume=\"1\" gamma=\"1\" />\n";

struct SettingsTest : UserFolderTest
{
    void TearDown() override
    {
        g_config = nullptr;
        UserFolderTest::TearDown();
    }

    // Loads a configuration whose "default_settings" element has `attributes`.
    void LoadConfig(nG_Config& config, const std::string& attributes)
    {
        std::filesystem::create_directories(root + "/game/assets");
        std::ofstream(root + "/game/assets/config.xml")
            << "<config><default_settings " << attributes << "/></config>";
        char here[PATH_MAX];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        ASSERT_EQ(chdir((root + "/game").c_str()), 0);
        config.Load();
        ASSERT_EQ(chdir(here), 0);
        g_config = &config;
    }
};

void ExpectSame(const nG_SettingsValues& a, const nG_SettingsValues& b)
{
    EXPECT_EQ(a.fullScreen, b.fullScreen);
    EXPECT_EQ(a.wideScreen, b.wideScreen);
    EXPECT_EQ(a.sysCursor, b.sysCursor);
    EXPECT_EQ(a.performance, b.performance);
    EXPECT_FLOAT_EQ(a.sfxVolume, b.sfxVolume);
    EXPECT_FLOAT_EQ(a.envVolume, b.envVolume);
    EXPECT_FLOAT_EQ(a.soundtrackVolume, b.soundtrackVolume);
    EXPECT_FLOAT_EQ(a.voiceVolume, b.voiceVolume);
    EXPECT_FLOAT_EQ(a.gamma, b.gamma);
}
} // namespace

TEST_F(SettingsTest, FirstRunWritesTheDefaults)
{
    nG_Settings settings;
    settings.Load();
    EXPECT_EQ(OnDisk("settings.xml"), kDefaultsFile);
    ExpectSame(settings.GetValues(), nG_SettingsValues());
}

TEST_F(SettingsTest, FirstRunCopiesTheConfigurationsDefaults)
{
    nG_Config config;
    // Only 1 switches a configuration flag on.
    LoadConfig(config, "fullscreen=\"2\" widescreen=\"1\" syscursor=\"1\" sfx_volume=\"0.5\" "
                       "voice_volume=\"0.25\" performance=\"3\"");
    nG_Settings settings;
    settings.Load();
    EXPECT_FALSE(settings.GetFullScreen());
    EXPECT_TRUE(settings.GetWideScreen());
    EXPECT_TRUE(settings.GetSysCursor());
    EXPECT_EQ(settings.GetPerformance(), 3);
    EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 0.5f);
    EXPECT_FLOAT_EQ(settings.GetVolume("voice"), 0.25f);
    EXPECT_FLOAT_EQ(settings.GetVolume("env"), 1.0f);
    EXPECT_FLOAT_EQ(settings.GetGamma(), 1.0f);
    EXPECT_EQ(
        OnDisk("settings.xml"),
        "<settings performance=\"3\" fullscreen=\"0\" widescreen=\"1\" syscursor=\"1\" sfx_volume=\"0.5\" "
        "env_volume=\"1\" soundtrack_volume=\"1\" voice_volume=\"0.25\" gamma=\"1\" />\n");
}

TEST_F(SettingsTest, EveryFieldRoundTrips)
{
    nG_Settings out;
    out.SetFullScreen(false);
    out.SetWideScreen(false);
    out.SetSysCursor(true);
    out.SetPerformance(-7);
    out.SetVolume("sfx", 0.25f);
    out.SetVolume("env", 0.5f);
    out.SetVolume("soundtrack", 0.75f);
    out.SetVolume("voice", 0.125f);
    out.SetGamma(1.75f);
    ASSERT_TRUE(out.Save());

    nG_Settings in;
    in.Load();
    ExpectSame(in.GetValues(), out.GetValues());
    EXPECT_EQ(log.CountStartingWith("Error"), 0);
    EXPECT_EQ(log.CountStartingWith("Warning"), 0);
}

TEST_F(SettingsTest, LoadTakesWhatIsThereAsStored)
{
    // Any root name; absent attributes keep their values; volumes are not
    // clamped on load; bools follow the helper's rule (not 0 is on).
    PutOnDisk("settings.xml",
              "<prefs sfx_volume=\"1.5\" widescreen=\"2\" fullscreen=\"0\" performance=\"9\"/>");
    nG_Settings settings;
    settings.Load();
    EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 1.5f);
    EXPECT_TRUE(settings.GetWideScreen());
    EXPECT_FALSE(settings.GetFullScreen());
    EXPECT_EQ(settings.GetPerformance(), 9);
    EXPECT_FLOAT_EQ(settings.GetVolume("env"), 1.0f);
    EXPECT_FALSE(settings.GetSysCursor());

    // Applying the stored volume clamps it.
    settings.SetVolume("sfx", settings.GetVolume("sfx"));
    EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 1.0f);
}

TEST_F(SettingsTest, NonFiniteNumbersAreRejected)
{
    PutOnDisk("settings.xml", "<settings sfx_volume=\"nan\" env_volume=\"inf\" voice_volume=\"-1e999\" "
                              "gamma=\"NAN\" soundtrack_volume=\"0.5\"/>");
    nG_Settings settings;
    settings.Load();
    EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 1.0f);
    EXPECT_FLOAT_EQ(settings.GetVolume("env"), 1.0f);
    EXPECT_FLOAT_EQ(settings.GetVolume("voice"), 1.0f);
    EXPECT_FLOAT_EQ(settings.GetGamma(), 1.0f);
    EXPECT_FLOAT_EQ(settings.GetVolume("soundtrack"), 0.5f);
    EXPECT_EQ(log.CountStartingWith("Warning: settings value"), 4);
}

TEST_F(SettingsTest, AnUnreadableFileChangesNothing)
{
    for (const char* text : {"<settings sfx_volume=\"0.5\"", "plain text, no element", "", "<!-- only -->"})
    {
        PutOnDisk("settings.xml", text);
        nG_Settings settings;
        settings.SetGamma(2.0f);
        settings.Load();
        EXPECT_FLOAT_EQ(settings.GetGamma(), 2.0f) << text;
        EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 1.0f) << text;
        EXPECT_EQ(OnDisk("settings.xml"), text) << "Load never rewrites a file it could open";
    }
    EXPECT_EQ(log.CountStartingWith("Warning: settings file settings.xml could not be read"), 4);
}

TEST_F(SettingsTest, AFailedWriteKeepsTheOldFile)
{
    nG_Settings settings;
    ASSERT_TRUE(settings.Save());
    settings.SetGamma(0.5f);
    settings.SetPerformance(2);
    bool saved;
    {
        FullDisk full(16);
        saved = settings.Save();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(OnDisk("settings.xml"), kDefaultsFile);
    EXPECT_TRUE(log.Has("Error: could not save settings file settings.xml; the old file is kept."));
    EXPECT_EQ(Files().size(), 1u) << "no temporary left behind";
}

TEST_F(SettingsTest, SetVolumeClampsAndKnowsFourChannels)
{
    nG_Settings settings;
    settings.SetVolume("sfx", 1.7f);
    EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 1.0f);
    settings.SetVolume("sfx", -0.2f);
    EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 0.0f);
    settings.SetVolume("env", std::nanf(""));
    EXPECT_FLOAT_EQ(settings.GetVolume("env"), 1.0f);
    settings.SetVolume("soundtrack", 0.3f);
    EXPECT_FLOAT_EQ(settings.GetVolume("soundtrack"), 0.3f);
    settings.SetVolume("voice", -INFINITY);
    EXPECT_FLOAT_EQ(settings.GetVolume("voice"), 0.0f);

    const nG_SettingsValues before = settings.GetValues();
    settings.SetVolume("music", 0.4f);
    settings.SetVolume("SFX", 0.4f);
    ExpectSame(settings.GetValues(), before);
    EXPECT_FLOAT_EQ(settings.GetVolume("music"), 0.0f);
    EXPECT_FLOAT_EQ(settings.GetVolume(""), 0.0f);
}
