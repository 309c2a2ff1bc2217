#include "core/core_test_util.h"
#include "engine/core/nE_StringTable.h"
#include "support/hostile.h"

#include <sstream>

namespace
{
std::string Strings(const std::string& file)
{
    const char* dir = std::getenv("NE_TEST_DATA");
    return (dir ? std::string(dir) : std::string(NE_SOURCE_DIR_DEFAULT) + "/tests/data") + "/strings/" + file;
}

struct StringTableTest : testing::Test
{
    LogCapture log;
    nE_StringTable table;
    void SetUp() override { ASSERT_TRUE(table.Load(Strings("main"))) << Strings(""); }
};
} // namespace

// A spreadsheet saved as XML: header and section rows, rows without a key,
// empty cells, entities, CR LF inside a cell and rows after the workbook.
TEST_F(StringTableTest, RowsOfASpreadsheet)
{
    const std::pair<const char*, const char*> texts[] = {
        {"window_title", "The Lighthouse Keeper"},
        {"skip_column", "Third column"},
        {"answer", "42"},
        {"greeting_de", "Gr\xC3\xBC\xC3\x9F"
                        "e aus dem Hafen"},
        {"entities", "Line one\nLine \"two\"\xA0<b> Tom's &amp; &lt;x&gt;"},
        {"key_&amp;_raw", "keys keep their entities"},
        {"multi_line", "First\nSecond"}, // CR dropped before LF
        {"empty_text", ""},              // no text cell: empty, and the next row keeps its key
        {"after_empty", "Still here"},
        {"last_row", ""},
    };
    for (const auto& t : texts)
    {
        ASSERT_NE(nullptr, table.Find(t.first)) << t.first;
        EXPECT_EQ(t.second, *table.Find(t.first)) << t.first;
    }
    for (const char* key : {"{key}", "{section: hints}", "after_workbook", "", "orphan text", "not a string"})
        EXPECT_EQ(nullptr, table.Find(key)) << key;
    EXPECT_EQ(20u, table.GetCount());
}

TEST_F(StringTableTest, ParametersEscapesAndKeyReferences)
{
    const struct
    {
        const char *key, *p1, *p2, *want;
    } cases[] = {
        {"found_of", "3", "7", "Found 3 of 7"},
        {"found_of", "100%", "7", "Found 100% of 7"},
        {"found_of", "%%", "%place_name%", "Found % of Harbour Town"},
        // A key named by a parameter is used as stored: its escapes stay as they are.
        {"found_of", "%raw_escapes%", "x", "Found %1% items in %place_name% of x"},
        {"found_of", "%missing_key%", "7", "#####"},
        {"found_of", "%abc", "7", "#####"},
        {"param_zero", "a", "", "#####"},
        {"percent", "", "", "Save 100% now"},
        {"welcome", "", "", "Welcome to Harbour Town!"},
        {"broken_ref", "", "", "#####"},
        {"no_such_key", "1", "", "#####"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.want, table.GetText(c.key, c.p1, c.p2)) << c.key << " " << c.p1 << " " << c.p2;
    EXPECT_EQ("a-b-c-d-e", table.GetText("all_params", "a", "b", "c", "d", "e"));
    EXPECT_EQ("#####", table.GetText("param_six", "a", "b", "c", "d", "e"));
    EXPECT_EQ(0, log.Count("Error: "));
    // A parameter not given leaves a hole, named once per key and escape.
    log.lines.clear();
    EXPECT_EQ("Found 3 of ", table.GetText("found_of", "3"));
    EXPECT_EQ("Found  of ", table.GetText("found_of"));
    EXPECT_EQ("Found  of ", table.GetText("found_of", ""));
    const std::string hole = "Warning: text \"found_of\" is shown without parameter ";
    EXPECT_EQ((Lines{hole + "2 for its %2%; nothing stands in its place",
                     hole + "1 for its %1%; nothing stands in its place"}),
              log.lines);
    EXPECT_EQ("Only 50%", table.GetText("discount"));
    EXPECT_EQ(Lines{"Error: non-matched percent escape found in string discount, 'Only 50%'"},
              Lines{log.lines.back()});
}

TEST_F(StringTableTest, LaterFileReplacesAKeyWithAWarning)
{
    const std::string warning = "Warning: stringtable already include string \"place_name\".";
    EXPECT_EQ(1, log.Count(warning)); // main.xml itself repeats one key
    log.lines.clear();
    ASSERT_TRUE(table.ParseWorkbook(Strings("extra.xml")));
    EXPECT_EQ(Lines{warning}, log.lines);
    EXPECT_EQ("Welcome to Lighthouse Point!", table.GetText("welcome"));
    EXPECT_EQ("From the second file", table.GetText("extra_only"));
}

// A truncated file keeps its whole rows. Cutting the file at every byte must
// never invent a key or a text: each key read is a real one with its real
// text, or an empty text for a row whose text cell was cut away entirely.
TEST_F(StringTableTest, TruncatedFilesParseCleanly)
{
    nE_StringTable cut;
    ASSERT_TRUE(cut.Load(Strings("truncated")));
    EXPECT_EQ("One", cut.GetText("first"));
    EXPECT_EQ("Two", cut.GetText("second"));
    EXPECT_EQ(2u, cut.GetCount());

    std::ifstream in(Strings("main.xml"), std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    ASSERT_FALSE(whole.str().empty());
    TempDir dir;
    for (size_t n = 0; n <= whole.str().size(); ++n)
    {
        nE_StringTable part;
        ASSERT_TRUE(part.Load(dir.Write("prefix.xml", whole.str().substr(0, n))));
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
}

// A damaged table is named in one line, and its sound rows are still read:
// bytes that are not UTF-8, no row with a key, or an end before "</Workbook>".
TEST_F(StringTableTest, DamagedFilesAreNamedOnce)
{
    std::ifstream in(Strings("main.xml"), std::ios::binary);
    const std::string main((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t row = main.find("<Row", main.find("greeting_de"));
    const struct
    {
        std::string file, bytes; // bytes empty: the fixture
        std::string said;        // in the one line; empty: no line
        size_t rows;
    } cases[] = {
        {"main", main, "", 20},
        {"garbage", "", "not UTF-8 (line 1); texts there may show wrong (and 1 more", 0},
        {"norows", "", "it holds no rows with a key; nothing is read from it", 0},
        {"notutf8", "", "not UTF-8 (line 4)", 2},
        {"cut_between_rows", main.substr(0, row), "it ends before its \"</Workbook>\": the file is cut short",
         19},
        {"cut_in_a_cell", main.substr(0, main.find("Data", row + 40)), "it ends before its \"</Workbook>\"",
         19},
    };
    TempDir dir;
    for (const auto& c : cases)
    {
        const std::string bytes = c.bytes.empty() ? hostile::Read("strings", c.file + ".xml") : c.bytes;
        log.lines.clear();
        nE_StringTable part;
        dir.Write(c.file + ".xml", bytes);
        ASSERT_TRUE(part.Load(dir.path + "/" + c.file));
        EXPECT_EQ(c.rows, part.GetCount()) << c.file;
        Lines named;
        for (const std::string& line : log.lines)
            if (line.find("Warning: stringtable \"" + dir.path + "/" + c.file + ".xml\": ") == 0)
                named.push_back(line);
        ASSERT_EQ(c.said.empty() ? 0u : 1u, named.size()) << c.file;
        if (!c.said.empty())
        {
            EXPECT_NE(std::string::npos, named[0].find(c.said)) << named[0];
        }
    }
}
