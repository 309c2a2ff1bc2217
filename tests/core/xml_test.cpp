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
std::string Attributes(int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    return out;
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

// Every attribute the parser could make is counted, whatever quotes and
// markup the text holds; an "=" in a value or outside a tag is not one.
TEST(XmlDepth, CountsTheAttributesOfTheWidestElement)
{
    const struct
    {
        std::string text;
        int attributes;
    } cases[] = {
        {"<a x='1' y=\"2\"/><b z='=='/>", 2},
        {"<a x=1 y=2 z=3></a>", 3}, // unquoted values are read too
        {"<a>x=1 y=2</a><!-- <b c='' d='' e=''/> --><?xml version='1' encoding='='?>", 0},
        {"<a x='1'><b " + Attributes(300) + "/></a>", 300},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nE_XmlMostAttributes(c.text, 1000), c.attributes) << c.text.substr(0, 80);
}

TEST(XmlParse, RefusesDeepAndWideTextsBeforeParsing)
{
    LogCapture log;
    const struct
    {
        std::string text;
        nE_XmlResult result;
    } cases[] = {
        {"<r>" + Nested(50000) + "</r>", nE_XmlResult::Refused},
        {Nested(nE_kXmlMaxDepth), nE_XmlResult::Ok},
        {Nested(nE_kXmlMaxDepth + 1), nE_XmlResult::Refused},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><c>\xF0", nE_XmlResult::Malformed},
        {"<r><a " + Attributes(nE_kXmlMaxAttributes) + "/></r>", nE_XmlResult::Ok},
        {"<r><a " + Attributes(nE_kXmlMaxAttributes + 1) + "/></r>", nE_XmlResult::Refused},
    };
    for (const auto& c : cases)
    {
        TiXmlDocument doc;
        EXPECT_EQ(nE_XmlParse(doc, c.text, "t.xml"), c.result) << c.text.size();
    }
    EXPECT_EQ(log.lines, (Lines{"Error: xml t.xml nests elements deeper than 1000 levels; refused.",
                                "Error: xml t.xml nests elements deeper than 1000 levels; refused.",
                                "Error: xml t.xml has an element with more than 256 attributes; refused."}));
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

// A file's CR LF and lone CR (the last byte included) read as LF, as
// TinyXML's own loader makes them; a file without CR reads as it is.
TEST(XmlLoadFile, ReadsEveryLineEndAsLf)
{
    TempDir dir;
    const struct
    {
        const char* bytes;
        const char* text;
    } cases[] = {
        {"<a>x\r\ny\rz\r\r\n</a>\r", "x\ny\nz\n\n"},
        {"<a>\nx y\n</a>\n", "\nx y\n"},
    };
    for (const auto& c : cases)
    {
        TiXmlDocument doc;
        ASSERT_EQ(nE_XmlLoadFile(doc, dir.Write("f.xml", c.bytes)), nE_XmlResult::Ok) << c.bytes;
        EXPECT_STREQ(doc.RootElement()->GetText(), c.text) << c.bytes;
    }
}
