#include "game/app/nG_Config.h"
#include "game/app/nG_Settings.h"
#include "tests/app/user_folder.h"

namespace
{
const char kDefaultsFile[] =
    "<settings performance=\"0\" fullscreen=\"1\" widescreen=\"1\" syscursor=\"0\" sfx_volume=\"1\" "
    "env_volume=\"1\" soundtrack_volume=\"1\" voice_volume=\"1\" gamma=\"1\" />\n";

// Every field, exactly: stored values must come back bit for bit.
std::vector<float> Fields(const nG_SettingsValues& v)
{
    return {float(v.fullScreen),  float(v.wideScreen), float(v.sysCursor),
            float(v.performance), v.sfxVolume,         v.envVolume,
            v.soundtrackVolume,   v.voiceVolume,       v.gamma};
}

using SettingsTest = UserFolderTest;
} // namespace

TEST_F(SettingsTest, FirstRunWritesTheDefaultsOrTheConfigurations)
{
    nG_Settings plain;
    plain.Load();
    EXPECT_EQ(OnDisk("settings.xml"), kDefaultsFile);
    EXPECT_EQ(Fields(plain.GetValues()), Fields(nG_SettingsValues()));

    std::filesystem::remove(user + "/settings.xml");
    std::filesystem::create_directories(root + "/game/assets");
    std::ofstream(root + "/game/assets/config.xml")
        << "<config><default_settings fullscreen=\"2\" widescreen=\"1\" syscursor=\"1\" sfx_volume=\"0.5\" "
           "voice_volume=\"0.25\" performance=\"3\"/></config>";
    nG_Config config;
    {
        InFolder in(root + "/game");
        config.Load();
    }
    g_config = &config;
    nG_Settings settings;
    settings.Load();
    g_config = nullptr;
    // Only 1 switches a configuration flag on.
    EXPECT_EQ(
        OnDisk("settings.xml"),
        "<settings performance=\"3\" fullscreen=\"0\" widescreen=\"1\" syscursor=\"1\" sfx_volume=\"0.5\" "
        "env_volume=\"1\" soundtrack_volume=\"1\" voice_volume=\"0.25\" gamma=\"1\" />\n");
    EXPECT_EQ(Fields(settings.GetValues()), Fields(config.GetDefaultSettings()));
}

TEST_F(SettingsTest, EveryFieldRoundTrips)
{
    nG_Settings out;
    out.SetFullScreen(false);
    out.SetWideScreen(false);
    out.SetSysCursor(true);
    out.SetPerformance(-7);
    const char* channels[] = {"sfx", "env", "soundtrack", "voice"};
    for (int i = 0; i < 4; ++i)
        out.SetVolume(channels[i], 0.125f * float(i + 1));
    out.SetGamma(1.75f);
    ASSERT_TRUE(out.Save());
    nG_Settings in;
    in.Load();
    EXPECT_EQ(Fields(in.GetValues()), Fields(out.GetValues()));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SettingsTest, LoadTakesStoredValuesButRejectsNonFiniteOnes)
{
    // Any root name; absent attributes keep their values; volumes are not
    // clamped on load; not 0 is on.
    PutOnDisk("settings.xml",
              "<prefs sfx_volume=\"1.5\" widescreen=\"2\" fullscreen=\"0\" performance=\"9\" "
              "env_volume=\"inf\" voice_volume=\"-1e999\" gamma=\"NAN\" soundtrack_volume=\"nan\"/>");
    nG_Settings settings;
    settings.SetSysCursor(true);
    settings.Load();
    EXPECT_EQ(Fields(settings.GetValues()), (std::vector<float>{0, 1, 1, 9, 1.5f, 1, 1, 1, 1}));
    EXPECT_EQ(log.CountStartingWith("Warning: settings value"), 4);
}

TEST_F(SettingsTest, AnUnreadableFileChangesNothing)
{
    std::string deep = "<settings sfx_volume=\"0.5\">";
    for (int i = 0; i < 50000; ++i)
        deep += "<a>";
    for (const std::string& text :
         {std::string("<settings sfx_volume=\"0.5\""), std::string("plain text, no element"), std::string(),
          std::string("<!-- only -->"), deep})
    {
        PutOnDisk("settings.xml", text);
        nG_Settings settings;
        settings.SetGamma(2.0f);
        settings.Load();
        EXPECT_FLOAT_EQ(settings.GetGamma(), 2.0f) << text;
        EXPECT_FLOAT_EQ(settings.GetVolume("sfx"), 1.0f) << text;
        EXPECT_EQ(OnDisk("settings.xml"), text) << "Load never rewrites a file it could open";
        EXPECT_EQ(KeptCopies("settings.xml").back(), text) << "nor the copy a save would not destroy";
    }
    EXPECT_EQ(log.CountStartingWith("Warning: settings file settings.xml could not be read"), 5);
    EXPECT_EQ(log.CountStartingWith("Error: xml settings.xml nests elements deeper than"), 1);
}
