#include "engine/core/nE_StringTable.h"
#include "game/app/nG_Config.h"
#include "tests/app/user_folder.h"

#include <sstream>

namespace
{
// NE_TEST_DATA when the runner sets it, else the data folder beside this source.
std::string ConfigDir(const std::string& folder)
{
    if (const char* data = std::getenv("NE_TEST_DATA")) return std::string(data) + "/config/" + folder;
    std::string here = __FILE__;
    return here.substr(0, here.rfind('/')) + "/../data/config/" + folder;
}

struct ConfigFixture : UserFolderTest
{
    nE_StringTable strings;
    nG_Config config;

    void SetUp() override
    {
        UserFolderTest::SetUp();
        g_stringTable = &strings;
    }
    void TearDown() override
    {
        g_stringTable = nullptr;
        UserFolderTest::TearDown();
    }
    void LoadFrom(const std::string& folder)
    {
        InFolder in(ConfigDir(folder));
        config.Load();
    }
};

// Every field as one line, so a table row shows what a file gave.
std::string Fields(const nG_Config& c)
{
    const nG_SettingsValues d = c.GetDefaultSettings();
    std::ostringstream out;
    out << c.GetStartModule() << "|" << c.GetStartTrigger() << "|" << c.GetUrl().url << "|" << c.GetUrl().guideUrl
        << "|" << d.fullScreen << d.wideScreen << d.sysCursor << d.performance << "|" << d.sfxVolume << " "
        << d.envVolume << " " << d.soundtrackVolume << " " << d.voiceVolume << " " << d.gamma << "|"
        << c.IsCheatMode();
    return out.str();
}
const char kDefaults[] = "||||1100|1 1 1 1 1|0";

TEST_F(ConfigFixture, FullFileFillsEveryField)
{
    LoadFrom("full");
    EXPECT_EQ(Fields(config), "assets/levels/start|start_game(1)|https://example.org/games|"
                              "https://example.org/guide|0012|0.25 0.5 0.75 0 1|0");
    // The base table and both listed files, the backslash path included.
    EXPECT_EQ(strings.GetText("window_title") + strings.GetText("more_key") + strings.GetText("last_key"),
              "VesperlynMoreLast");
    EXPECT_EQ(strings.GetCount(), 4u);
    EXPECT_TRUE(log.lines.empty());

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
        log.lines.clear();
        LoadFrom(c.folder);
        ASSERT_EQ(log.lines.size(), 1u) << c.folder;
        EXPECT_EQ(log.lines[0].rfind(c.line, 0), 0u) << log.lines[0];
        EXPECT_EQ(Fields(config), kDefaults) << c.folder;
        EXPECT_EQ(strings.GetCount(), 0u) << c.folder;
    }
}

TEST_F(ConfigFixture, MissingOrBadAttributesKeepTheirDefaults)
{
    LoadFrom("partial");
    // fullscreen "2" is not on, syscursor "yes" reads as 0; env_volume is not a
    // number, voice_volume not finite, soundtrack_volume and widescreen absent.
    EXPECT_EQ(Fields(config), "assets/levels/start||||0100|0.5 1 1 1 1|0");
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
    std::filesystem::create_directories(root + "/assets");
    std::ofstream(root + "/assets/config.xml", std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><config a=\"x\xF0";
    {
        InFolder in(root);
        config.Load();
    }
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("Error: could not parse config file assets/config.xml", 0), 0u)
        << log.lines[0];
    EXPECT_EQ(Fields(config), kDefaults);
}

// The user folder's names: unfit ones keep the default, each with a warning.
TEST_F(ConfigFixture, GameElementNamesTheUserFolderAndUnfitNamesKeepTheDefaults)
{
    const std::string tooLong(101, 'a');
    const struct
    {
        std::string game; // the <game> element, "" for none
        const char* publisher;
        const char* name;
        std::string warning; // the one warning, up to its reason; "" for none
    } cases[] = {
        {"", "Quillfen Games", "Vesperlyn", ""},
        {"<game publisher=\"Tests Inc\" name=\"Own Game\"/>", "Tests Inc", "Own Game", ""},
        {"<game publisher=\"Tests Inc\"/>", "Tests Inc", "Vesperlyn", ""},
        {"<game name=\"a..b\"/>", "Quillfen Games", "a..b", ""},
        {"<game name=\"a/b\"/>", "Quillfen Games", "Vesperlyn",
         "Warning: config <game> name \"a/b\" cannot name the user folder (it holds a path separator)"},
        {"<game publisher=\"a\\b\"/>", "Quillfen Games", "Vesperlyn",
         "Warning: config <game> publisher \"a\\b\" cannot name the user folder (it holds a path separator)"},
        {"<game name=\"..\"/>", "Quillfen Games", "Vesperlyn",
         "Warning: config <game> name \"..\" cannot name the user folder (it is \".\" or \"..\")"},
        {"<game name=\"  \"/>", "Quillfen Games", "Vesperlyn",
         "Warning: config <game> name \"  \" cannot name the user folder (it is empty)"},
        {"<game publisher=\"\"/>", "Quillfen Games", "Vesperlyn",
         "Warning: config <game> publisher \"\" cannot name the user folder (it is empty)"},
        {"<game name=\"a&#10;b\"/>", "Quillfen Games", "Vesperlyn",
         "Warning: config <game> name \"a?b\" cannot name the user folder (it holds a control character)"},
        {"<game name=\"" + tooLong + "\"/>", "Quillfen Games", "Vesperlyn",
         "Warning: config <game> name \"" + tooLong.substr(0, 64) +
             "...\" cannot name the user folder (it is longer"},
    };
    std::filesystem::create_directories(root + "/assets");
    for (const auto& c : cases)
    {
        std::ofstream(root + "/assets/config.xml") << "<config>" << c.game << "</config>";
        log.lines.clear();
        nG_Config fresh;
        {
            InFolder in(root);
            fresh.Load();
        }
        EXPECT_EQ(fresh.GetPublisherName() + "|" + fresh.GetGameName(),
                  std::string(c.publisher) + "|" + c.name)
            << c.game;
        EXPECT_EQ(log.CountStartingWith("Warning: config <game>"), c.warning.empty() ? 0 : 1) << c.game;
        if (!c.warning.empty())
        {
            EXPECT_EQ(log.CountStartingWith(c.warning), 1) << c.game;
        }
    }
}
} // namespace
