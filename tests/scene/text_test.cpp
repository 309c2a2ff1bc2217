#include "scene/font_fixture.h"

#include "core/recording_render.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_StringTable.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture.h"
#include "engine/scene/nE_Text.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <tuple>

using fonttest::FontTest;

namespace
{

// A font, a string table and a loaded text object named "label".
class TextTest : public FontTest
{
protected:
    void SetUp() override
    {
        FontTest::SetUp();
        fontName = InstallScrambled();
        ASSERT_TRUE(table.ParseWorkbook(fonttest::SourceDir() + "/tests/data/strings/main"));
        g_stringTable = &table;
        text.reset(new nE_Text("label"));
        text->SetResourceName(fontName);
    }
    void TearDown() override
    {
        text.reset();
        g_stringTable = nullptr;
        FontTest::TearDown();
    }
    // Width of the laid-out block, 0 without one.
    float BlockWidth() { return text->GetTexture() ? text->GetTexture()->GetWidth() : 0.0f; }
    // The block width of n glyphs at 20 px.
    static float Blocks(int n) { return float(n * fonttest::kAdvance20 + 10); }

    std::string fontName;
    nE_StringTable table;
    std::unique_ptr<nE_Text> text;
};

} // namespace

// Each step changes the text; the block's width in glyphs, its height and the
// layouts made so far follow. Nothing is laid out before the font loads, then
// only when something changed.
TEST_F(TextTest, BlockFollowsEveryChangeAndIsLaidOutOncePerChange)
{
    text->SetText("found_of", "3", "7");
    EXPECT_EQ(0, text->GetLayoutCount());
    TiXmlElement xml("text");
    for (auto [key, value] :
         {std::pair{"text", "found_of"}, {"param0", "40"}, {"param1", "9"}, {"fontsize", "20"}})
        xml.SetAttribute(key, value);
    nE_SLHelper_XML reader(&xml);
    // A change, then the block's width in glyphs, its height and the layouts so far.
    const std::tuple<std::function<void(nE_Text&)>, int, float, int> steps[] = {
        {[](nE_Text& t) { t.LoadResourcesTree(); }, 12, 30, 1}, // "Found 3 of 7"
        {[](nE_Text& t) { t.SetText("found_of", "3", "7"); }, 12, 30, 1},
        {[](nE_Text& t) { t.SetText("found_of", "10", "200"); }, 15, 30, 2},
        {[&](nE_Text& t) { t.Load(reader); }, 13, 30, 3}, // reads everything, then lays out once
        {[](nE_Text& t) { t.SetText("found_of", "%missing%", "2"); }, 5, 30, 4}, // "#####"
        {[](nE_Text& t) { t.SetText("no_such_key"); }, 5, 30, 5},
        {[](nE_Text& t) { t.SetFontSize(20); }, 5, 30, 6}, // the same size still rebuilds
        {[](nE_Text& t) { t.SetMaxWidth(-1); }, 5, 30, 7},
        {[](nE_Text& t) { t.SetAlign(0), t.SetDispRawText(true); }, 5, 30, 7},
        {[](nE_Text& t) { t.Relayout(); }, 11, 30, 8}, // the key itself
        {[](nE_Text& t) { t.SetText("aaaa bbbb"); }, 9, 30, 9},
        {[](nE_Text& t) { t.SetMaxWidth(90); }, 5, 50, 10}, // wrapped
        {[](nE_Text& t) { t.Restore(false); }, 5, 50, 11},  // after a device loss
        {[](nE_Text& t) { g_stringTable = nullptr, t.SetDispRawText(false), t.SetText("no_such_key"); }, 11,
         50, 12},
    };
    for (size_t i = 0; i < std::size(steps); ++i)
    {
        const auto& [change, glyphs, height, layouts] = steps[i];
        change(*text);
        ASSERT_TRUE(text->GetTexture()) << i;
        EXPECT_EQ(std::tuple(Blocks(glyphs), height, layouts),
                  std::tuple(BlockWidth(), text->GetTexture()->GetHeight(), text->GetLayoutCount()))
            << i;
        EXPECT_EQ(-BlockWidth() / 2, text->GetLocalRect().x) << i;
    }
    EXPECT_TRUE(std::dynamic_pointer_cast<nE_GeneratedTexture>(text->GetTexture()));
}

// A text with no key yet (widgets set it after attaching, which lays it out) is
// empty: it is neither looked up nor shown as missing.
TEST_F(TextTest, NoKeyShowsNothingAndIsNotReportedMissing)
{
    text->LoadResourcesTree();
    text->SetText("window_title");
    text->SetText("");
    EXPECT_EQ(Blocks(0), BlockWidth()); // no glyph, where "#####" would be five
    EXPECT_EQ(0, std::count_if(log.lines.begin(), log.lines.end(),
                               [](const std::string& l) { return l.find("text key") != std::string::npos; }));
}

TEST_F(TextTest, MissingFontOrAnotherKindUnderTheFontKindDrawsNothing)
{
    text->SetResourceName(dir + "absent");
    text->SetText("window_title");
    text->LoadResourcesTree();
    EXPECT_FALSE(text->GetTexture());
    // No font named at all: one line naming the object, however often it is shown.
    nE_Text bare("text_without_font");
    bare.SetText("window_title");
    for (int twice = 0; twice < 2; ++twice)
        bare.ReleaseResourcesTree(), bare.LoadResourcesTree();
    EXPECT_FALSE(bare.GetTexture());
    EXPECT_EQ(
        1, std::count(log.lines.begin(), log.lines.end(),
                      "Warning: text object \"text_without_font\" has no font (\"res\" is empty); it draws "
                      "nothing"));
    EXPECT_EQ(0.0f, text->GetLocalRect().w);
    RecordingRender render;
    text->DrawTree(&render, nE_RenderState());
    EXPECT_TRUE(render.draws.empty());

    // A creator that hands back a texture where a font was asked for.
    nE_ResourceCache::SetCreator(NE_RES_FONT,
                                 [] { return static_cast<nE_Resource*>(nE_CreateGeneratedTexture()); });
    nE_Text other("other");
    other.SetResourceName(fontName);
    other.SetText("window_title");
    other.LoadResourcesTree();
    EXPECT_FALSE(other.GetFont());
    EXPECT_FALSE(other.GetTexture());
}

// A block past the texture side or the area limit is refused before any
// pixel is made: the text draws nothing and one line names the object. Font
// size 4000 wrapped at 1 pixel once asked for 16000 x 14000 pixels.
TEST_F(TextTest, BlocksPastTheLimitsDrawNothingAndNameTheObject)
{
    text->SetDispRawText(true);
    text->LoadResourcesTree();
    const struct
    {
        int size, maxWidth;
        std::string text, why; // why empty: drawn
    } cases[] = {
        {4000, 1, "Hidden objects", "its block of 16000 x 14000 pixels at size 4000 passes the limit"},
        {2000, 1, "ab", ""}, // 3000 x 5000: inside both limits
        {20, -1, std::string(1700, 'w'), "its block of 17010 x 30 pixels"},
        {1 << 30, -1, "x", "cannot draw at size 1073741824"},
        {20, -1, "fine", ""},
    };
    for (const auto& c : cases)
    {
        log.lines.clear();
        TiXmlElement xml("text");
        xml.SetAttribute("fontsize", c.size);
        xml.SetAttribute("maxwidth", c.maxWidth);
        xml.SetAttribute("text", c.text.c_str());
        nE_SLHelper_XML reader(&xml);
        text->Load(reader); // one layout
        EXPECT_EQ(c.why.empty(), bool(text->GetTexture())) << c.size;
        if (c.why.empty())
        {
            EXPECT_TRUE(log.lines.empty()) << c.size;
            continue;
        }
        ASSERT_EQ(1u, log.lines.size()) << c.size;
        EXPECT_EQ(0u, log.lines[0].find("Warning: text object \"label\" draws nothing: " + c.why))
            << log.lines[0];
        EXPECT_EQ(0.0f, text->GetLocalRect().w);
    }
}

// ---- drawn pixels ----

class TextPixels : public TextTest
{
protected:
    // Draws the text at (x, 24) on a black screen.
    void DrawAt(float x)
    {
        r->SetOption("new_subtractive", "1");
        r->SetOption("new_render_blend", "1");
        nE_Render_Pl5 render;
        render.SetScreenSize(float(kW), float(kH));
        render.CreateScreenTextures();
        text->SetPos(x, 24.0f);
        render.BeginScene();
        render.Begin2D();
        text->DrawTree(&render, nE_RenderState());
        render.End2D();
        render.EndScene();
        g_currentRender = nullptr;
    }
    static bool Lit(uint32_t x, uint32_t y) { return (Pixel(x, y) & 0xFF) > 200; }
    static bool Dark(uint32_t x, uint32_t y) { return (Pixel(x, y) & 0xFF) < 50; }
};

// The block is 20 by 30 around (32, 24), so rows 9..39; the glyph box covers
// its columns 6..13 and rows 6..19. Left aligned, the block starts at the
// object, right aligned it ends there; hits follow the block.
TEST_F(TextPixels, GlyphBoxesShowWhereTheBlockIsAndHitsFollowIt)
{
    text->SetDispRawText(true);
    text->SetText("A");
    text->LoadResourcesTree();
    for (auto [align, left, hit, miss] : {std::tuple{1, 22, 5, 15}, {0, 32, 15, -5}, {2, 12, -15, 5}})
    {
        text->SetAlign(align);
        DrawAt(32.0f);
        EXPECT_TRUE(Lit(uint32_t(left + 9), 9 + 12)) << align;
        for (auto [x, y] :
             {std::pair{left + 3, 9 + 12}, {left + 9, 9 + 3}, {left + 9, 9 + 24}, {left - 1, 9 + 12}})
            EXPECT_TRUE(Dark(uint32_t(x), uint32_t(y))) << align << ": " << x << "," << y;
        EXPECT_TRUE(text->HitTest(float(hit), 0.0f, nE_RenderState())) << align;
        EXPECT_FALSE(text->HitTest(float(miss), 0.0f, nE_RenderState())) << align;
    }
}

// A text that changes draws over its own block when nothing else holds it, and
// the drawn pixels follow each change (only the GPU copy's rows are sent);
// a block held elsewhere, as a particle mask holds one, keeps what it showed.
TEST_F(TextPixels, AChangedTextDrawsOverItsOwnBlockButNotOverOneHeldElsewhere)
{
    text->SetDispRawText(true);
    text->SetAlign(0);
    text->SetText("x xx");
    text->LoadResourcesTree();
    // Glyph box i of a left-aligned block drawn at x = 2 is lit around column 11 + 10 i.
    auto shown = [&](const char* cells)
    {
        DrawAt(2.0f);
        std::string seen;
        for (uint32_t i = 0; i < std::strlen(cells); ++i)
            seen += Lit(11 + 10 * i, 21) ? 'x' : Dark(11 + 10 * i, 21) ? ' ' : '?';
        return seen;
    };
    EXPECT_EQ("x xx", shown("x xx"));
    const nE_Texture* first = text->GetTexture().get();
    text->SetText("xx x");
    EXPECT_EQ(first, text->GetTexture().get());
    EXPECT_EQ("xx x", shown("xx x"));
    text->SetText("x xxx"); // a wider block, still the same texture
    EXPECT_EQ(first, text->GetTexture().get());
    EXPECT_EQ(Blocks(5), BlockWidth());
    EXPECT_EQ("x xxx", shown("x xxx"));

    std::shared_ptr<nE_Texture> held = text->GetTexture();
    text->SetText("xxx x");
    EXPECT_NE(held.get(), text->GetTexture().get());
    EXPECT_EQ("xxx x", shown("xxx x"));
    auto* impl = dynamic_cast<nE_TexImpl_Pl5*>(held.get());
    ASSERT_TRUE(impl && impl->GetPlatformTexture(0));
    // The held block still shows "x xxx": its second cell is empty.
    EXPECT_EQ(0u, TexturePixel(impl->GetPlatformTexture(0), 19, 12) >> 24);
    EXPECT_EQ(255u, TexturePixel(impl->GetPlatformTexture(0), 29, 12) >> 24);
}
