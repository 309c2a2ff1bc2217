#include "scene/font_fixture.h"

#include "core/recording_render.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_StringTable.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture.h"
#include "engine/scene/nE_Text.h"

#include <tinyxml.h>

#include <memory>

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

TEST_F(TextTest, GetTextureIsTheLaidOutBlock)
{
    text->SetText("window_title");
    text->LoadResourcesTree();
    std::shared_ptr<nE_Texture> block = text->GetTexture();
    ASSERT_TRUE(block);
    EXPECT_TRUE(std::dynamic_pointer_cast<nE_GeneratedTexture>(block));
    EXPECT_EQ(Blocks(21), block->GetWidth()); // "The Lighthouse Keeper"
    nE_Rect local = text->GetLocalRect();
    EXPECT_EQ(-block->GetWidth() / 2, local.x);
    EXPECT_EQ(block->GetWidth(), local.w);
    EXPECT_EQ(30.0f, local.h);

    text->SetDispRawText(true);
    text->SetText("aaaa bbbb");
    EXPECT_EQ(30.0f, text->GetTexture()->GetHeight());
    text->SetMaxWidth(90); // wraps
    EXPECT_EQ(50.0f, text->GetTexture()->GetHeight());
    EXPECT_EQ(Blocks(5), BlockWidth());
}

TEST_F(TextTest, MissingKeyOrFailedParameterShowsPlaceholderUnlessRaw)
{
    text->LoadResourcesTree();
    text->SetText("found_of", "10", "200");
    EXPECT_EQ(Blocks(15), BlockWidth()); // "Found 10 of 200"
    EXPECT_EQ("10", text->GetParam(0));
    EXPECT_EQ("", text->GetParam(7));
    text->SetText("found_of", "%missing%", "2");
    EXPECT_EQ(Blocks(5), BlockWidth());
    text->SetText("no_such_key");
    EXPECT_EQ(Blocks(5), BlockWidth()); // "#####"
    text->SetDispRawText(true);
    EXPECT_EQ(Blocks(5), BlockWidth()); // no relayout until something changes
    text->Relayout();
    EXPECT_EQ(Blocks(11), BlockWidth());
    g_stringTable = nullptr;
    text->SetDispRawText(false);
    text->Relayout();
    EXPECT_EQ(Blocks(11), BlockWidth()); // without a table the key shows as it is
}

TEST_F(TextTest, RelayoutOnlyWhenSomethingChanged)
{
    text->LoadResourcesTree();
    text->SetText("found_of", "1", "2");
    const int after = text->GetLayoutCount();
    text->SetText("found_of", "1", "2");
    EXPECT_EQ(after, text->GetLayoutCount());
    text->SetText("found_of", "1", "3");
    EXPECT_EQ(after + 1, text->GetLayoutCount());
    text->SetFontSize(20); // the same size still rebuilds
    EXPECT_EQ(after + 2, text->GetLayoutCount());
    text->SetMaxWidth(-1);
    EXPECT_EQ(after + 3, text->GetLayoutCount());
    text->SetAlign(0);
    text->SetDispRawText(true);
    EXPECT_EQ(after + 3, text->GetLayoutCount());
    text->Restore(false); // after a device loss
    EXPECT_EQ(after + 4, text->GetLayoutCount());
}

// Properties set before loading are laid out by the first load; a Load reads
// everything, then lays out once.
TEST_F(TextTest, LoadReadsEverythingThenLaysOutOnce)
{
    text->SetText("found_of", "3", "7");
    EXPECT_EQ(0, text->GetLayoutCount());
    text->LoadResourcesTree();
    EXPECT_EQ(1, text->GetLayoutCount());
    EXPECT_EQ(Blocks(12), BlockWidth()); // "Found 3 of 7"
    const int before = text->GetLayoutCount();
    TiXmlElement e("text");
    e.SetAttribute("text", "found_of");
    e.SetAttribute("param0", "40");
    e.SetAttribute("param1", "9");
    e.SetAttribute("fontsize", "20");
    nE_SLHelper_XML reader(&e);
    text->Load(reader);
    EXPECT_EQ(before + 1, text->GetLayoutCount());
    EXPECT_EQ(Blocks(13), BlockWidth());
}

TEST_F(TextTest, MissingFontOrAnotherKindUnderTheFontKindDrawsNothing)
{
    text->SetResourceName(dir + "absent");
    text->SetText("window_title");
    text->LoadResourcesTree();
    EXPECT_FALSE(text->GetTexture());
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

TEST_F(TextTest, DrawShiftsLeftAndRightAlignedBlocks)
{
    text->SetDispRawText(true);
    text->SetText("abc");
    text->LoadResourcesTree();
    RecordingRender render;
    for (int align : {0, 1, 2})
    {
        text->SetAlign(align);
        text->Draw(&render, nE_RenderState());
    }
    ASSERT_EQ(3u, render.draws.size());
    EXPECT_EQ(20.0f, render.draws[0].state.offsetX);
    EXPECT_EQ(0.0f, render.draws[1].state.offsetX);
    EXPECT_EQ(-20.0f, render.draws[2].state.offsetX);
    // Hits follow the block where it is drawn.
    text->SetAlign(0);
    EXPECT_TRUE(text->HitTest(35.0f, 0.0f, nE_RenderState()));
    EXPECT_FALSE(text->HitTest(-5.0f, 0.0f, nE_RenderState()));
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

TEST_F(TextPixels, GlyphBoxesShowWhereTheBlockIs)
{
    text->SetDispRawText(true);
    text->SetText("A");
    text->LoadResourcesTree();
    // Block 20 by 30 centred on (32, 24): x 22..42, y 9..39; the box covers
    // block columns 6..13 and rows 6..19.
    DrawAt(32.0f);
    EXPECT_TRUE(Lit(22 + 9, 9 + 12));
    EXPECT_TRUE(Dark(22 + 3, 9 + 12));
    EXPECT_TRUE(Dark(22 + 9, 9 + 3));
    EXPECT_TRUE(Dark(22 + 9, 9 + 24));
    text->SetAlign(0); // left aligned: the block starts at the object
    DrawAt(10.0f);
    EXPECT_TRUE(Lit(10 + 9, 9 + 12));
    EXPECT_TRUE(Dark(10 - 1, 9 + 12));
}
