#include "engine/core/nE_Xml.h"
#include "tests/core/core_test_util.h"

namespace
{
std::string Nested(int depth)
{
    std::string open, close;
    for (int i = 0; i < depth; ++i)
        open += "<a>", close += "</a>";
    return open + close;
}
} // namespace

// Markup the parser skips must not hide elements it does enter, and closing
// tags it never pairs must not lower the count.
TEST(XmlDepth, CountsAsTheParserWouldMeetTheText)
{
    const struct
    {
        std::string text;
        int depth;
    } cases[] = {
        {"", 0},
        {"<a/><b x='1'/>", 1},
        {"<a><b><c/></b><b/></a>", 3},
        {"</a></a><a><a></a></a>", 2},             // stray closings outside every element
        {"<a x='/>'><b/></a>", 2},                 // a quoted "/>" neither closes nor ends the tag
        {"<a><!--></a></a>--><b><c/></b></a>", 3}, // "<!-->" opens a comment, it does not end one
        {"<a><![CDATA[</a></a>]]><b/></a>", 2},
        {"<?xml version='>' ?><!x '><a><a/></a>", 2}, // a declaration keeps quotes, "<!" does not
        {"<?xml foo=\"><a><b/></a>\"?>", 2},          // other declaration attributes end at ">"
        {"<a x=\"\xF0\"><b/></a>", 2},                // a lead byte may swallow the closing quote
        {"<a>\xF0<!--<b><b><b/></b></b>-->", 4},      // ... or the start of a comment
        {Nested(1000), 1000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nE_XmlDepth(c.text, 2000), c.depth) << c.text.substr(0, 80);
}

TEST(XmlParse, RefusesDeepTextsBeforeParsing)
{
    LogCapture log;
    const struct
    {
        std::string text;
        nE_XmlResult result;
    } cases[] = {
        {"<r>" + Nested(50000) + "</r>", nE_XmlResult::TooDeep},
        {Nested(nE_kXmlMaxDepth), nE_XmlResult::Ok},
        {Nested(nE_kXmlMaxDepth + 1), nE_XmlResult::TooDeep},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><c>\xF0", nE_XmlResult::Malformed},
    };
    for (const auto& c : cases)
    {
        TiXmlDocument doc;
        EXPECT_EQ(nE_XmlParse(doc, c.text, "t.xml"), c.result) << c.text.size();
    }
    EXPECT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[0], "Error: xml t.xml nests elements deeper than 1000 levels; refused.");
}

// Text keeps its spaces and line breaks whatever the process-wide setting
// was, and the setting is left as found.
TEST(XmlParse, KeepsWhiteSpaceAndLeavesTheSettingAsFound)
{
    const bool before = TiXmlBase::IsWhiteSpaceCondensed();
    for (bool condensed : {true, false})
    {
        TiXmlBase::SetCondenseWhiteSpace(condensed);
        TiXmlDocument doc;
        ASSERT_EQ(nE_XmlParse(doc, "<a>\n-- note\n  x  y </a>", "t.xml"), nE_XmlResult::Ok);
        EXPECT_STREQ(doc.RootElement()->GetText(), "\n-- note\n  x  y ") << condensed;
        EXPECT_EQ(TiXmlBase::IsWhiteSpaceCondensed(), condensed);
    }
    TiXmlBase::SetCondenseWhiteSpace(before);
}

// TinyXML's own place where it gives one, else where the text ran out.
TEST(XmlParse, NamesWhereAMalformedTextWentWrong)
{
    const struct
    {
        std::string text;
        int row, col;
    } cases[] = {
        {"<g>\n <a>\n</g>", 3, 1}, // TinyXML's: the unmatched end tag
        {"<g><toc>", 1, 9},
        {"<g>\n\t<a>\xC3\xA9", 2, 9}, // a tab to the next fourth column, a two-byte character
        {"", 1, 1},
        // No element at all, which TinyXML would let through.
        {"<?xml version=\"", 1, 16},
        {"<!-- only a comment -->\n", 2, 1},
    };
    for (const auto& c : cases)
    {
        TiXmlDocument doc;
        nE_XmlPlace place;
        EXPECT_EQ(nE_XmlParse(doc, c.text, "t.xml", &place), nE_XmlResult::Malformed) << c.text;
        EXPECT_EQ(std::make_pair(place.row, place.col), std::make_pair(c.row, c.col)) << c.text;
    }
}
