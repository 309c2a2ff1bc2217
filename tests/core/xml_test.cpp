#include "engine/core/nE_Xml.h"
#include "tests/core/core_test_util.h"

#include <gtest/gtest.h>

namespace
{
std::string Repeat(const std::string& part, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

std::string Nested(int depth)
{
    return Repeat("<a>", depth) + Repeat("</a>", depth);
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

TEST(XmlParse, RefusesDeepTextsBeforeParsingAndPadsTheRest)
{
    LogCapture log;
    TiXmlDocument deep;
    EXPECT_EQ(nE_XmlParse(deep, "<r>" + Nested(50000) + "</r>", "deep.xml"), nE_XmlResult::TooDeep);
    EXPECT_EQ(deep.FirstChild(), nullptr);
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "Error: xml deep.xml nests elements deeper than 1000 levels; refused."}));

    TiXmlDocument limit;
    EXPECT_EQ(nE_XmlParse(limit, Nested(nE_kXmlMaxDepth), "limit"), nE_XmlResult::Ok);
    TiXmlDocument over;
    EXPECT_EQ(nE_XmlParse(over, Nested(nE_kXmlMaxDepth + 1), "over"), nE_XmlResult::TooDeep);

    // A text ending inside a multi-byte sequence, in each place the parser
    // steps over one: the parse fails cleanly.
    for (const char* text : {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><c>\xF0",
                             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><c a=\"x\xF0"})
    {
        TiXmlDocument doc;
        EXPECT_EQ(nE_XmlParse(doc, text, "tail"), nE_XmlResult::Malformed) << text;
    }
}
