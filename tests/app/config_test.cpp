#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_StringTable.h"
#include "game/app/nG_Config.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
struct LogRecorder : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
    bool Has(const std::string& line) const
    {
        for (const std::string& l : lines)
            if (l == line) return true;
        return false;
    }
    int CountStartingWith(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& l : lines)
            n += l.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};

// NE_TEST_DATA when the runner sets it, else the data folder beside this source.
std::string TestDataDir()
{
    if (const char* data = std::getenv("NE_TEST_DATA")) return data;
    std::string here = __FILE__;
    return here.substr(0, here.rfind('/')) + "/../data";
}

// Runs the configuration reader inside one fixture folder of tests/data/config.
struct ConfigFixture : testing::Test
{
    nE_Mediator bus;
    LogRecorder log;
    nE_StringTable strings;
    nG_Config config;
    std::string oldDir;

    void SetUp() override
    {
        char buffer[PATH_MAX];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        oldDir = buffer;
        bus.Subscribe(&log, NE_MSG_LOG);
        g_mediator = &bus;
        g_stringTable = &strings;
    }
    void TearDown() override
    {
        g_stringTable = nullptr;
        g_mediator = nullptr;
        EXPECT_EQ(chdir(oldDir.c_str()), 0);
    }
    void LoadFrom(const std::string& folder)
    {
        ASSERT_EQ(chdir((TestDataDir() + "/config/" + folder).c_str()), 0);
        config.Load();
    }
    void ExpectDefaults()
    {
        EXPECT_EQ(config.GetStartModule(), "");
        EXPECT_EQ(config.GetStartTrigger(), "");
        EXPECT_EQ(config.GetUrl().url, "");
        EXPECT_EQ(config.GetUrl().guideUrl, "");
        nG_SettingsValues d = config.GetDefaultSettings();
        EXPECT_TRUE(d.fullScreen);
        EXPECT_TRUE(d.wideScreen);
        EXPECT_FALSE(d.sysCursor);
        EXPECT_EQ(d.performance, 0);
        EXPECT_EQ(d.sfxVolume + d.envVolume + d.soundtrackVolume + d.voiceVolume, 4.0f);
        EXPECT_EQ(d.gamma, 1.0f);
        EXPECT_EQ(strings.GetCount(), 0u);
        EXPECT_FALSE(config.IsCheatMode());
    }
};
} // namespace

TEST_F(ConfigFixture, FullFileFillsEveryField)
{
    LoadFrom("full");
    EXPECT_EQ(config.GetStartModule(), "assets/levels/start");
    EXPECT_EQ(config.GetStartTrigger(), "start_game(1)");
    EXPECT_EQ(config.GetUrl().url, "https://example.org/games");
    EXPECT_EQ(config.GetUrl().guideUrl, "https://example.org/guide");
    nG_SettingsValues d = config.GetDefaultSettings();
    EXPECT_FALSE(d.fullScreen);
    EXPECT_FALSE(d.wideScreen);
    EXPECT_TRUE(d.sysCursor);
    EXPECT_EQ(d.performance, 2);
    EXPECT_FLOAT_EQ(d.sfxVolume, 0.25f);
    EXPECT_FLOAT_EQ(d.envVolume, 0.5f);
    EXPECT_FLOAT_EQ(d.soundtrackVolume, 0.75f);
    EXPECT_FLOAT_EQ(d.voiceVolume, 0.0f);
    EXPECT_EQ(d.gamma, 1.0f); // the file has no gamma
    EXPECT_FALSE(config.IsCheatMode());
    // The base table and both listed files, the backslash path included.
    EXPECT_EQ(strings.GetText("window_title"), "Vesperlyn");
    EXPECT_EQ(strings.GetText("more_key"), "More");
    EXPECT_EQ(strings.GetText("last_key"), "Last");
    EXPECT_EQ(strings.GetCount(), 4u);
    EXPECT_EQ(log.CountStartingWith("Error: "), 0);
    EXPECT_EQ(log.CountStartingWith("Warning: "), 0);
}

TEST_F(ConfigFixture, MissingFileKeepsDefaultsAndLoadsNoStrings)
{
    LoadFrom(".");
    ExpectDefaults();
    EXPECT_EQ(log.lines, std::vector<std::string>{"Error: could not find config file assets/config.xml."});
}

TEST_F(ConfigFixture, MissingAttributesKeepTheirDefaults)
{
    LoadFrom("partial");
    EXPECT_EQ(config.GetStartModule(), "assets/levels/start");
    EXPECT_EQ(config.GetStartTrigger(), "");
    nG_SettingsValues d = config.GetDefaultSettings();
    EXPECT_FALSE(d.fullScreen); // "2" is not on
    EXPECT_TRUE(d.wideScreen);  // absent
    EXPECT_FALSE(d.sysCursor);  // "yes" reads as 0
    EXPECT_EQ(d.performance, 0);
    EXPECT_FLOAT_EQ(d.sfxVolume, 0.5f);
    EXPECT_EQ(d.envVolume, 1.0f);   // not a number
    EXPECT_EQ(d.voiceVolume, 1.0f); // not finite
    EXPECT_EQ(d.soundtrackVolume, 1.0f);
    EXPECT_EQ(config.GetUrl().url, "");
    EXPECT_EQ(config.GetUrl().guideUrl, "");
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

TEST_F(ConfigFixture, MalformedFileKeepsDefaults)
{
    LoadFrom("malformed");
    ExpectDefaults();
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("Error: could not parse config file assets/config.xml at row 4, column ", 0),
              0u)
        << log.lines[0];
}

TEST_F(ConfigFixture, ForeignRootElementKeepsDefaults)
{
    LoadFrom("noroot");
    ExpectDefaults();
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"Error: config file assets/config.xml has no \"config\" element."});
}

TEST_F(ConfigFixture, LoadsWithoutAStringTable)
{
    g_stringTable = nullptr;
    LoadFrom("full");
    EXPECT_EQ(config.GetStartModule(), "assets/levels/start");
    EXPECT_TRUE(log.Has("Warning: no string table to load the config's strings into."));
}
