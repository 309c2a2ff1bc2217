#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_StringTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
std::string DataDir()
{
    if (const char* dir = std::getenv("NE_TEST_DATA")) return dir;
    if (const char* src = std::getenv("NE_SOURCE_DIR")) return std::string(src) + "/tests/data";
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/core/")) + "/data";
}

std::string Strings(const std::string& file)
{
    return DataDir() + "/strings/" + file;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct LogCapture : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& line : lines)
            n += line.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};

struct StringTableTest : testing::Test
{
    nE_Mediator bus;
    LogCapture log;
    nE_StringTable table;
    void SetUp() override
    {
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        ASSERT_TRUE(table.Load(Strings("main"))) << DataDir();
    }
    void TearDown() override { g_mediator = nullptr; }
};
} // namespace

TEST(PathTest, SlashesAndExtension)
{
    EXPECT_EQ("assets/strings/main.xml", nE_MakePath("assets\\strings\\main", ".xml"));
    EXPECT_EQ("assets/a.xml", nE_MakePath("assets\\a.xml", ".xml"));
    // The extension text anywhere in the name suppresses it, as content relies on.
    EXPECT_EQ("a.xml.bak", nE_MakePath("a.xml.bak", ".xml"));
    EXPECT_EQ("rooms/door.png.xml", nE_MakePath("rooms\\door.png", ".xml"));
    EXPECT_EQ("x/y", nE_MakePath("x\\y", ""));
    EXPECT_EQ(".png", nE_MakePath("", ".png"));
}

TEST(PathTest, DirectoryAndExistence)
{
    EXPECT_EQ("assets/anims/", nE_PathDirectory("assets\\anims\\door"));
    EXPECT_EQ("assets/", nE_PathDirectory("assets/"));
    EXPECT_EQ("", nE_PathDirectory("door"));
    EXPECT_TRUE(nE_FileExists(Strings("main.xml")));
    EXPECT_FALSE(nE_FileExists(Strings("nothing.xml")));
    EXPECT_FALSE(nE_FileExists(DataDir() + "/strings"));
    EXPECT_FALSE(nE_FileExists(""));
}

TEST_F(StringTableTest, RowsOfASpreadsheet)
{
    EXPECT_EQ("The Lighthouse Keeper", table.GetText("window_title"));
    EXPECT_EQ("Third column", table.GetText("skip_column"));
    EXPECT_EQ("42", table.GetText("answer"));
    EXPECT_EQ("Gr\xC3\xBC\xC3\x9F"
              "e aus dem Hafen",
              table.GetText("greeting_de"));
    // Header and section rows, rows without a key and rows after the workbook.
    EXPECT_EQ(nullptr, table.Find("{key}"));
    EXPECT_EQ(nullptr, table.Find("{section: hints}"));
    EXPECT_EQ(nullptr, table.Find("after_workbook"));
    EXPECT_EQ(nullptr, table.Find(""));
    for (const auto* text : {table.Find("orphan text"), table.Find("not a string")})
        EXPECT_EQ(nullptr, text);
    EXPECT_EQ(20u, table.GetCount());
}

TEST_F(StringTableTest, EmptyCellsKeepTheirRowAndTheNext)
{
    ASSERT_NE(nullptr, table.Find("empty_text"));
    EXPECT_EQ("", *table.Find("empty_text"));
    EXPECT_EQ("Still here", table.GetText("after_empty"));
    ASSERT_NE(nullptr, table.Find("last_row"));
    EXPECT_EQ("", *table.Find("last_row"));
}

TEST_F(StringTableTest, EntitiesDecodedInTextsOnly)
{
    EXPECT_EQ("Line one\nLine \"two\"\xA0<b> Tom's &amp; &lt;x&gt;", table.GetText("entities"));
    EXPECT_EQ("keys keep their entities", table.GetText("key_&amp;_raw"));
    // Windows line ends inside a cell reach the text as a bare line feed.
    EXPECT_EQ("First\nSecond", table.GetText("multi_line"));
}

TEST_F(StringTableTest, Parameters)
{
    EXPECT_EQ("Found 3 of 7", table.GetText("found_of", "3", "7"));
    EXPECT_EQ("Found  of ", table.GetText("found_of"));
    EXPECT_EQ("a-b-c-d-e", table.GetText("all_params", "a", "b", "c", "d", "e"));
    EXPECT_EQ("Found 100% of 7", table.GetText("found_of", "100%", "7"));
    EXPECT_EQ("Found % of Harbour Town", table.GetText("found_of", "%%", "%place_name%"));
    // A key named by a parameter is used as stored: its escapes stay as they are.
    EXPECT_EQ("Found %1% items in %place_name% of x", table.GetText("found_of", "%raw_escapes%", "x"));
    EXPECT_EQ("#####", table.GetText("found_of", "%missing_key%", "7"));
    EXPECT_EQ("#####", table.GetText("found_of", "%abc", "7"));
    EXPECT_EQ("#####", table.GetText("found_of", "%", "7"));
    EXPECT_EQ("#####", table.GetText("param_six", "a", "b", "c", "d", "e"));
    EXPECT_EQ("#####", table.GetText("param_zero", "a"));
}

TEST_F(StringTableTest, PercentEscapesAndKeys)
{
    EXPECT_EQ("Save 100% now", table.GetText("percent"));
    EXPECT_EQ("Welcome to Harbour Town!", table.GetText("welcome"));
    EXPECT_EQ("#####", table.GetText("broken_ref"));
    EXPECT_EQ("#####", table.GetText("no_such_key", "1"));
    EXPECT_EQ(0, log.Count("Error: "));
    EXPECT_EQ("Only 50%", table.GetText("discount"));
    ASSERT_EQ(1, log.Count("Error: "));
    EXPECT_EQ("Error: non-matched percent escape found in string discount, 'Only 50%'", log.lines.back());
}

TEST_F(StringTableTest, LaterFileReplacesAKeyWithAWarning)
{
    // main.xml itself repeats one key.
    EXPECT_EQ(1, log.Count("Warning: stringtable already include string \"place_name\"."));
    log.lines.clear();
    ASSERT_TRUE(table.ParseWorkbook(Strings("extra.xml")));
    EXPECT_EQ(std::vector<std::string>{"Warning: stringtable already include string \"place_name\"."},
              log.lines);
    EXPECT_EQ("Welcome to Lighthouse Point!", table.GetText("welcome"));
    EXPECT_EQ("From the second file", table.GetText("extra_only"));
    // Load starts afresh.
    ASSERT_TRUE(table.Load(Strings("extra")));
    EXPECT_EQ(2u, table.GetCount());
    EXPECT_EQ("#####", table.GetText("window_title"));
}

TEST_F(StringTableTest, MissingFileIsLoggedAndKeepsTheTable)
{
    log.lines.clear();
    EXPECT_FALSE(table.ParseWorkbook("assets\\no_such_strings"));
    EXPECT_EQ(
        std::vector<std::string>{
            "Error: stringtable could not find \"assets\\no_such_strings\" file to load!"},
        log.lines);
    EXPECT_EQ("The Lighthouse Keeper", table.GetText("window_title"));
}

TEST_F(StringTableTest, TruncatedFileKeepsItsWholeRows)
{
    nE_StringTable cut;
    ASSERT_TRUE(cut.Load(Strings("truncated")));
    EXPECT_EQ("One", cut.GetText("first"));
    EXPECT_EQ("Two", cut.GetText("second"));
    EXPECT_EQ(nullptr, cut.Find("cut_key"));
    EXPECT_EQ(2u, cut.GetCount());
}

// Cutting the file at every byte must never invent a key or a text: each key
// read is a real one with its real text, or an empty text for a row whose text
// cell was cut away entirely.
TEST_F(StringTableTest, EveryPrefixParsesCleanly)
{
    const std::string whole = ReadAll(Strings("main.xml"));
    ASSERT_FALSE(whole.empty());
    const std::string path = testing::TempDir() + "ne_strings_prefix_" + std::to_string(getpid()) + ".xml";
    for (size_t n = 0; n <= whole.size(); ++n)
    {
        std::ofstream(path, std::ios::binary) << whole.substr(0, n);
        nE_StringTable part;
        ASSERT_TRUE(part.Load(path));
        for (const char* key :
             {"window_title", "found_of", "entities", "empty_text", "after_empty", "multi_line",
              "greeting_de", "last_row", "orphan text", "{key}", "after_workbook"})
        {
            const std::string* text = part.Find(key);
            if (!text || text->empty()) continue;
            const std::string* real = table.Find(key);
            ASSERT_NE(nullptr, real) << "cut at " << n << ", key " << key;
            EXPECT_EQ(*real, *text) << "cut at " << n << ", key " << key;
        }
        EXPECT_LE(part.GetCount(), table.GetCount()) << "cut at " << n;
    }
    std::remove(path.c_str());
}
