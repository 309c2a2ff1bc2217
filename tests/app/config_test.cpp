#include "engine/core/nE_StringTable.h"
#include "game/app/nG_Config.h"
#include "tests/app/user_folder.h"

namespace
{
// NE_TEST_DATA when the runner sets it, else the data folder beside this source.
std::string ConfigDir(const std::string& folder)
{
    if (const char* data = std::getenv("NE_TEST_DATA")) return std::string(data) + "/config/" + folder;
    std::string here = __FILE__;
    return here.substr(0, here.rfind('/')) + "/../data/config/" + folder;
}

struct ConfigFixture : testing::Test
{
    nE_Mediator bus;
    LogLines log;
    nE_StringTable strings;
    nG_Config config;

    void SetUp() override
    {
        bus.Subscribe(&log, NE_MSG_LOG);
        g_mediator = &bus;
        g_stringTable = &strings;
    }
    void TearDown() override
    {
        g_stringTable = nullptr;
        g_mediator = nullptr;
    }
    void LoadFrom(const std::string& folder)
    {
        InFolder in(ConfigDir(folder));
        config.Load();
    }
};
} // namespace

TEST_F(ConfigFixture, FullFileFillsEveryField)
{
    LoadFrom("full");
    EXPECT_EQ(config.GetStartModule() + " " + config.GetStartTrigger() + " " + config.GetUrl().url + " " +
                  config.GetUrl().guideUrl,
              "assets/levels/start start_game(1) https://example.org/games https://example.org/guide");
    nG_SettingsValues d = config.GetDefaultSettings();
    EXPECT_FALSE(d.fullScreen || d.wideScreen);
    EXPECT_TRUE(d.sysCursor);
    EXPECT_EQ(d.performance, 2);
    // The file has no gamma.
    EXPECT_EQ((std::vector<float>{0.25f, 0.5f, 0.75f, 0.0f, 1.0f}),
              (std::vector<float>{d.sfxVolume, d.envVolume, d.soundtrackVolume, d.voiceVolume, d.gamma}));
    EXPECT_FALSE(config.IsCheatMode());
    // The base table and both listed files, the backslash path included.
    EXPECT_EQ(strings.GetText("window_title"), "Vesperlyn");
    EXPECT_EQ(strings.GetText("more_key"), "More");
    EXPECT_EQ(strings.GetText("last_key"), "Last");
    EXPECT_EQ(strings.GetCount(), 4u);
    EXPECT_EQ(log.CountStartingWith("Error: ") + log.CountStartingWith("Warning: "), 0);

    // Without a string table the rest still loads.
    g_stringTable = nullptr;
    LoadFrom("full");
    EXPECT_EQ(config.GetStartModule(), "assets/levels/start");
    EXPECT_TRUE(log.Has("Warning: no string table to load the config's strings into."));
}

TEST_F(ConfigFixture, UnusableFilesKeepEveryDefaultAndSayWhy)
{
    const struct
    {
        const char* folder;
        const char* line; // the one log line, up to its first variable part
    } cases[] = {
        {".", "Error: could not find config file assets/config.xml."},
        {"malformed", "Error: could not parse config file assets/config.xml at row 4, column "},
        {"noroot", "Error: config file assets/config.xml has no \"config\" element."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.folder);
        log.lines.clear();
        LoadFrom(c.folder);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0].rfind(c.line, 0), 0u) << log.lines[0];
        EXPECT_EQ(config.GetStartModule() + config.GetStartTrigger(), "");
        EXPECT_EQ(config.GetUrl().url + config.GetUrl().guideUrl, "");
        nG_SettingsValues d = config.GetDefaultSettings();
        EXPECT_TRUE(d.fullScreen && d.wideScreen);
        EXPECT_FALSE(d.sysCursor);
        EXPECT_EQ(d.performance, 0);
        EXPECT_EQ(d.sfxVolume + d.envVolume + d.soundtrackVolume + d.voiceVolume + d.gamma, 5.0f);
        EXPECT_EQ(strings.GetCount(), 0u);
        EXPECT_FALSE(config.IsCheatMode());
    }
}

TEST_F(ConfigFixture, MissingOrBadAttributesKeepTheirDefaults)
{
    LoadFrom("partial");
    EXPECT_EQ(config.GetStartModule(), "assets/levels/start");
    EXPECT_EQ(config.GetStartTrigger(), "");
    nG_SettingsValues d = config.GetDefaultSettings();
    EXPECT_FALSE(d.fullScreen); // "2" is not on
    EXPECT_TRUE(d.wideScreen);  // absent
    EXPECT_FALSE(d.sysCursor);  // "yes" reads as 0
    EXPECT_EQ(d.performance, 0);
    // env_volume is not a number, voice_volume not finite, soundtrack_volume absent.
    EXPECT_EQ((std::vector<float>{0.5f, 1.0f, 1.0f, 1.0f}),
              (std::vector<float>{d.sfxVolume, d.envVolume, d.voiceVolume, d.soundtrackVolume}));
    EXPECT_EQ(config.GetUrl().url + config.GetUrl().guideUrl, "");
    EXPECT_TRUE(
        log.Has("Warning: config attribute env_volume has the bad value \"loud\"; the default stays."));
    EXPECT_TRUE(
        log.Has("Warning: config attribute voice_volume has the bad value \"nan\"; the default stays."));
    // A listed entry without a file name is skipped; a missing file is the table's own error.
    EXPECT_TRUE(log.Has("Warning: config strings entry without \"res\" skipped."));
    EXPECT_EQ(log.CountStartingWith("Error: stringtable could not find"), 1);
    EXPECT_EQ(strings.GetText("window_title"), "Partial");
    EXPECT_EQ(strings.GetCount(), 1u);
}

// A text that ends inside a character is refused like any malformed file
// (the check runs under valgrind too: the parser must not read past the text).
TEST_F(ConfigFixture, ATextEndingInsideACharacterKeepsTheDefaults)
{
    char folder[] = "/tmp/ng_config_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::filesystem::create_directories(std::string(folder) + "/assets");
    std::ofstream(std::string(folder) + "/assets/config.xml", std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><config a=\"x\xF0";
    {
        InFolder in(folder);
        config.Load();
    }
    std::filesystem::remove_all(folder);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("Error: could not parse config file assets/config.xml", 0), 0u)
        << log.lines[0];
    EXPECT_EQ(config.GetStartModule(), "");
}
