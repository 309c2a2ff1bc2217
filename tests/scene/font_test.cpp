#include "scene/font_fixture.h"
#include "support/failing_new.h"
#include "support/hostile.h"

#include "engine/platform/nE_Texture.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <tuple>

using fonttest::FontTest;
using fonttest::kAdvance20;
using fonttest::WriteBytes;

namespace
{

std::u32string U(const std::string& utf8)
{
    return nE_Font::Utf8ToUtf32(utf8.data(), utf8.size());
}

// The first column of row `y` with any coverage, -1 for none.
int FirstInk(const nE_TextBlock& b, int y)
{
    for (int x = 0; x < b.width; ++x)
        if (b.pixels[size_t(y * b.width + x)]) return x;
    return -1;
}

} // namespace

// ---- UTF-8 ----

TEST(FontUtf8, DecodesEachLengthStrayBytesAndCutSequences)
{
    EXPECT_EQ(U"A\u00E9\u20AC\U0001F600", U("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
    EXPECT_EQ(U"", U(""));
    EXPECT_EQ(U"", nE_Font::Utf8ToUtf32(nullptr, 5));
    // A stray continuation byte and 0xFF stand for themselves.
    EXPECT_EQ(std::u32string({0x80, 'a', 0xFF}), U(std::string("\x80") + "a\xFF"));
    // Each truncated lead sits at the very end of its own heap buffer, so the
    // address sanitizer catches any read past it.
    for (const std::string cut : {"\xF0\x9F\x98", "\xE2\x82", "\xC3", "\xF0"})
    {
        std::unique_ptr<char[]> exact(new char[cut.size()]);
        std::copy(cut.begin(), cut.end(), exact.get());
        EXPECT_EQ(1u, nE_Font::Utf8ToUtf32(exact.get(), cut.size()).size()) << cut.size();
    }
}

// ---- measuring and wrapping ----

class FontLayoutTest : public FontTest
{
protected:
    void SetUp() override
    {
        FontTest::SetUp();
        ASSERT_TRUE(font.Load(InstallScrambled()));
        ASSERT_TRUE(font.SetPixelSize(20));
    }
    int Width(const std::string& s, bool stop = false)
    {
        const std::u32string cps = U(s);
        return font.MeasureWidth(cps.data(), cps.size(), stop);
    }
    // The wrapped text, its line count and its widest line.
    std::tuple<std::u32string, int, int> Wrap(const std::string& s, int maxWidth)
    {
        std::u32string out;
        int widest = 0;
        const int lines = font.WrapText(U(s), maxWidth, out, widest);
        return {out, lines, widest};
    }
    nE_Font font;
};

TEST_F(FontLayoutTest, MeasuresAdvancesAndMissingGlyphsTakeNoSpace)
{
    EXPECT_EQ(3 * kAdvance20, Width("a b"));
    EXPECT_EQ(2 * kAdvance20, Width("a\xC3\xA4"
                                    "b"));                        // U+00E4 is not in the font
    EXPECT_EQ(4 * kAdvance20, Width("\xE4\xB8\x80\xE4\xB8\x81")); // two CJK boxes, 1 em each
    const std::u32string withZero = {'a', 0, 'b'};
    EXPECT_EQ(2 * kAdvance20, font.MeasureWidth(withZero.data(), withZero.size(), false));
    EXPECT_EQ(2 * kAdvance20, Width("ab\ncd", true));
    EXPECT_EQ(4 * kAdvance20, Width("ab\ncd", false));
}

// Each glyph is 10 px, CJK boxes 20 px; a limit below 1 means none.
TEST_F(FontLayoutTest, WrapsAtExactWidthsPunctuationCjkOversizedWordsAndNewlines)
{
    const std::tuple<const char*, int, std::u32string, int, int> cases[] = {
        {"aaaa bbbb", 90, U"aaaa \nbbbb", 2, 50}, // must fit strictly
        {"aaaa bbbb", 91, U"aaaa bbbb", 1, 90},
        {"aaaa ", 50, U"\naaaa ", 2, 50}, // a first piece as wide as the limit goes below
        {"ab.cd", 35, U"ab.\ncd", 2, 30}, // after "." with no space
        {"ab,cd!ef", 100, U"ab,cd!ef", 1, 80},
        {"\xE4\xB8\x80\xE4\xB8\x81\xE4\xB8\x82", 50, U"\u4E00\u4E01\n\u4E02", 2, 40}, // per CJK character
        {"aaaaaaaa b", 30, U"\naaaaaaaa \nb", 3, 90},                                 // never split
        {"ab\ncde", -1, U"ab\ncde", 2, 30},
        {"ab\n", -1, U"ab\n", 2, 20},
        {"", -1, U"", 1, 0},
        {"many words that would wrap", 0, U"many words that would wrap", 1, 260},
        {"many words that would wrap", -100, U"many words that would wrap", 1, 260},
    };
    for (const auto& [text, limit, wrapped, lines, widest] : cases)
        EXPECT_EQ(std::tuple(wrapped, lines, widest), Wrap(text, limit)) << text << " " << limit;
}

// ---- blocks ----

// Blocks are the widest line plus half the size, rounded up to even; each
// line is placed by the alignment.
TEST_F(FontLayoutTest, BlockSizesAndAlignment)
{
    nE_TextBlock b;
    ASSERT_TRUE(font.RenderBlock("a b", -1, 20, 1, b));
    EXPECT_EQ((std::vector<int>{30 + 10, 20 + 10}), (std::vector<int>{b.width, b.height}));
    EXPECT_EQ(size_t(b.width * b.height), b.pixels.size());
    ASSERT_TRUE(font.RenderBlock("a b", -1, 21, 1, b));
    font.SetPixelSize(21);
    const int widest = Width("a b");
    EXPECT_EQ((std::vector<int>{widest + 10 + ((widest + 10) & 1), 32}),
              (std::vector<int>{b.width, b.height}));
    ASSERT_TRUE(font.RenderBlock("a\nb\n", -1, 20, 1, b));
    EXPECT_EQ(3 * 20 + 10, b.height);
    // Line 1 "a" (10 px), line 2 "bbb" (30 px); W = 40. Alignment 7 is unknown: left.
    for (auto [align, first] :
         {std::pair{0, 5 + 1}, {1, (40 - 10) / 2 + 1}, {2, 40 - 5 - 10 + 1}, {7, 5 + 1}})
    {
        ASSERT_TRUE(font.RenderBlock("a\nbbb", -1, 20, align, b));
        ASSERT_EQ(40, b.width);
        EXPECT_EQ(first, FirstInk(b, 10)) << align;
        EXPECT_EQ(6, FirstInk(b, 30)) << align; // the widest line fills the block
    }
}

// Glyphs are kept per font and size: drawing through sizes in any order, past
// the cache's limit, with glyphs too big to keep, and after loading another
// face gives what a fresh font gives, and the cache stays within its limit.
TEST_F(FontLayoutTest, KeptGlyphsDrawAsAFreshFontAndStayWithinTheLimit)
{
    const std::string boxes = InstallScrambled(),
                      serif = fonttest::SourceDir() + "/sample/assets/fonts/times";
    const struct
    {
        const std::string& face;
        int size;
    } steps[] = {{boxes, 20},  {boxes, 41},   {boxes, 20},   {boxes, 600}, {boxes, 620}, {boxes, 640},
                 {boxes, 660}, {boxes, 680},  {boxes, 700},  {boxes, 720}, {boxes, 740}, {boxes, 760},
                 {boxes, 20},  {boxes, 2000}, {boxes, 2000}, {serif, 20},  {serif, 41},  {boxes, 20}};
    const std::string* loaded = &boxes;
    for (const auto& step : steps)
    {
        if (loaded != &step.face)
        {
            ASSERT_TRUE(font.Load(step.face));
            loaded = &step.face;
        }
        nE_Font fresh;
        ASSERT_TRUE(fresh.Load(step.face));
        nE_TextBlock kept, made;
        ASSERT_TRUE(font.RenderBlock("ab a", -1, step.size, 1, kept));
        ASSERT_TRUE(fresh.RenderBlock("ab a", -1, step.size, 1, made));
        EXPECT_TRUE(kept.width == made.width && kept.height == made.height && kept.pixels == made.pixels)
            << step.face << " " << step.size;
        EXPECT_LE(font.GetGlyphCacheBytes(), nE_Font::kGlyphCacheBytes) << step.size;
    }
}

// A text drawn into a texture holds the block RenderBlock makes, also drawn
// over an earlier text's texture of the same size (the same letters moved), a
// larger and a smaller one: nothing of the earlier text is left.
TEST_F(FontLayoutTest, DrawnTextureHoldsTheBlockThroughRedraws)
{
    ASSERT_TRUE(font.Load(fonttest::SourceDir() + "/sample/assets/fonts/times"));
    std::shared_ptr<nE_GeneratedTexture> texture;
    const struct
    {
        const char* text;
        int size;
    } steps[] = {{"Lighthouse keeper", 21}, {"keeper Lighthouse", 21}, {"Keeper", 21},
                 {"The bay\nlay grey", 33}, {"gull", 20},            {"lugl", 20}};
    for (const auto& step : steps)
    {
        nE_TextBlock block;
        ASSERT_TRUE(font.RenderBlock(step.text, -1, step.size, 0, block));
        texture = font.DrawText(step.text, -1, step.size, 0, nullptr, texture);
        auto* impl = dynamic_cast<nE_TexImpl_Pl5*>(texture.get());
        ASSERT_TRUE(impl && impl->GetPlatformTexture(0)) << step.text;
        const std::shared_ptr<DE50::TTexture> t = impl->GetPlatformTexture(0);
        ASSERT_EQ(std::pair(uint32_t(block.width), uint32_t(block.height)),
                  std::pair(t->GetWidth(), t->GetHeight()));
        uint32_t pitch = 0;
        const uint32_t* p = t->Lock(&pitch);
        ASSERT_TRUE(p);
        int wrong = 0;
        for (int y = 0; y < block.height; ++y)
            for (int x = 0; x < block.width; ++x)
                wrong += p[size_t(y) * pitch + size_t(x)] >> 24 != block.pixels[size_t(y * block.width + x)];
        t->Unlock();
        EXPECT_EQ(0, wrong) << step.text << " " << step.size;
    }
}

// One line of kept glyphs, left aligned, is the same block as each glyph
// rendered by FreeType and blitted one by one at its pen position: at the
// block's edges, where glyphs are clipped, and where italic glyphs overlap.
TEST_F(FontLayoutTest, KeptGlyphsDrawAsFreeTypeRendersThem)
{
    const std::string line = "Wj fly, Wyvern! gulf W";
    for (const char* face : {"times", "timesi"})
        for (int size : {9, 20, 31})
        {
            const std::string path = fonttest::SourceDir() + "/sample/assets/fonts/" + face;
            ASSERT_TRUE(font.Load(path));
            nE_TextBlock drawn, expected;
            ASSERT_TRUE(font.RenderBlock(line, -1, size, 0, drawn));
            expected.width = drawn.width;
            expected.height = drawn.height;
            expected.pixels.assign(drawn.pixels.size(), 0);

            std::ifstream in(path + ".nefnt", std::ios::binary);
            const std::vector<unsigned char> stored((std::istreambuf_iterator<char>(in)),
                                                    std::istreambuf_iterator<char>());
            std::vector<unsigned char> plain;
            ASSERT_TRUE(nE_UnscrambleFont(stored.data(), stored.size(), plain));
            FT_Library library = nullptr;
            FT_Face ft = nullptr;
            ASSERT_EQ(0, FT_Init_FreeType(&library));
            ASSERT_EQ(0, FT_New_Memory_Face(library, plain.data(), FT_Long(plain.size()), 0, &ft));
            FT_Set_Char_Size(ft, 0, size * 64, 72, 72);
            int x = size / 4;
            for (char c : line)
            {
                ASSERT_EQ(0, FT_Load_Char(ft, FT_ULong(c), FT_LOAD_NO_HINTING | FT_LOAD_RENDER));
                nE_BlitGlyph(ft->glyph->bitmap, x + ft->glyph->bitmap_left, size - ft->glyph->bitmap_top, expected);
                x += int(ft->glyph->advance.x >> 6);
            }
            FT_Done_Face(ft);
            FT_Done_FreeType(library);
            EXPECT_TRUE(drawn.pixels == expected.pixels) << face << " " << size;
        }
}

// Blits a w x h bitmap at (x, y) into a block of bw x bh filled with `fill`;
// answers the block's first `count` pixels from `from` on.
static std::vector<uint8_t> Blit(unsigned char* rows, int w, int h, int pitch, int mode, int x, int y, int bw,
                                 int bh, uint8_t fill, size_t from, size_t count)
{
    FT_Bitmap bitmap{};
    bitmap.rows = unsigned(h);
    bitmap.width = unsigned(w);
    bitmap.pitch = pitch;
    bitmap.pixel_mode = static_cast<unsigned char>(mode);
    bitmap.buffer = rows;
    nE_TextBlock block;
    block.width = bw;
    block.height = bh;
    block.pixels.assign(size_t(bw * bh), fill);
    nE_BlitGlyph(bitmap, x, y, block);
    return std::vector<uint8_t>(block.pixels.begin() + long(from), block.pixels.begin() + long(from + count));
}

// Two rows of 10 one-bit pixels: row 0 all on, row 1 only the first and last.
TEST(FontBlit, OneBitAndBottomUpBitmapsAreHandledAndClipped)
{
    unsigned char rows[2][2] = {{0xFF, 0xC0}, {0x80, 0x40}}, flipped[2][2] = {{0x80, 0x40}, {0xFF, 0xC0}};
    const uint8_t X = 255;
    // A column lost each side: row 1 of the 8-wide block shows bitmap columns 1..8, all off.
    EXPECT_EQ((std::vector<uint8_t>{X, X, X, X, X, X, X, X, 0, 0, 0, 0, 0, 0, 0, 0}),
              Blit(&rows[0][0], 10, 2, 2, FT_PIXEL_MODE_MONO, -1, 0, 8, 3, 0, 0, 16));
    // The same rows stored bottom row first, as a negative pitch says.
    EXPECT_EQ((std::vector<uint8_t>{X, X, X, X, X, X, X, X, X, X, X, 0, 0, 0, 0, 0, 0, 0, 0, X}),
              Blit(&flipped[0][0], 10, 2, -2, FT_PIXEL_MODE_MONO, 0, 0, 10, 2, 0, 0, 20));
    // Grey rows are OR-ed; a glyph wholly outside the block touches nothing.
    unsigned char grey[2] = {0x0F, 0xF0};
    for (int at : {50, -50})
        EXPECT_EQ((std::vector<uint8_t>{0x30, 0x30}),
                  Blit(grey, 2, 1, 2, FT_PIXEL_MODE_GRAY, at, at, 10, 2, 0x30, 0, 2));
    EXPECT_EQ((std::vector<uint8_t>{0x3F, 0xF0, 0x30}),
              Blit(grey, 2, 1, 2, FT_PIXEL_MODE_GRAY, 0, 0, 10, 2, 0x30, 0, 3));
    // Rows of every width up to 40, placed at column 3 of a 36-wide block:
    // each byte is OR-ed once, in place, and nothing past the edge is touched.
    unsigned char ramp[40];
    for (int i = 0; i < 40; ++i)
        ramp[i] = static_cast<unsigned char>(0x41 + i * 3);
    for (int w = 1; w <= 40; ++w)
    {
        std::vector<uint8_t> expected(36 * 2, 0x30);
        for (int x = 0; x < w && 3 + x < 36; ++x)
            expected[size_t(3 + x)] = uint8_t(0x30 | ramp[x]);
        EXPECT_EQ(expected, Blit(ramp, w, 1, 40, FT_PIXEL_MODE_GRAY, 3, 0, 36, 2, 0x30, 0, 72)) << w;
    }
}

// ---- sizes and limits ----

TEST_F(FontLayoutTest, SizeZeroOrLessAndBlocksAboveTheTextureLimitGiveNoTexture)
{
    for (int size : {0, -1, -20})
    {
        EXPECT_FALSE(font.DrawText("text", -1, size, 1)) << size;
        nE_TextBlock b;
        EXPECT_FALSE(font.RenderBlock("text", -1, size, 1, b));
        EXPECT_EQ(0, b.width);
    }
    EXPECT_FALSE(font.DrawText("x", -1, 1 << 30, 1));
    EXPECT_TRUE(log.Has("Warning: font"));
    EXPECT_FALSE(font.DrawText(std::string(899, '\n'), -1, 20, 1)); // 900 lines: 18010 px tall
    EXPECT_TRUE(log.Has("passes the limit"));
    EXPECT_FALSE(font.DrawText(std::string(2000, 'w'), -1, 20, 1)); // 2000 boxes of 10 px
    EXPECT_TRUE(font.DrawText(std::string(800, '\n'), -1, 20, 1));
}

// ---- loading ----

// A font whose tables are cut short or fail their checksums still opens (its
// sound glyphs draw), with one line naming the file and the table.
TEST_F(FontTest, DamagedFontFilesAreNamedOnce)
{
    const std::vector<unsigned char> good = fonttest::TestFontBytes();
    const std::string flippedText = hostile::Read("font", "flipped.ttf");
    const std::vector<unsigned char> flipped(flippedText.begin(), flippedText.end());
    const std::vector<unsigned char> cut(good.begin(), good.begin() + std::ptrdiff_t(good.size() * 9 / 10));
    const struct
    {
        const char* name;
        std::vector<unsigned char> bytes;
        std::string damage; // empty: no line
    } cases[] = {
        {"good", good, ""},
        {"flipped", flipped, "table \"glyf\" fails its checksum"},
        {"cut", cut, "runs past the end of the file"},
    };
    for (const auto& c : cases)
        for (bool scrambled : {true, false})
        {
            const std::string path = dir + c.name + (scrambled ? ".nefnt" : ".ttf");
            WriteBytes(path, scrambled ? nE_ScrambleFont(c.bytes.data(), c.bytes.size()) : c.bytes);
            log.lines.clear();
            nE_Font font;
            EXPECT_TRUE(font.Load(dir + c.name)) << path;
            std::remove(path.c_str());
            EXPECT_TRUE(font.HasFace() && font.DrawText("Lighthouse", -1, 20, 1)) << path;
            std::vector<std::string> damaged;
            for (const std::string& line : log.lines)
                if (line.find("is damaged") != std::string::npos) damaged.push_back(line);
            ASSERT_EQ(c.damage.empty() ? 0u : 1u, damaged.size()) << path;
            if (c.damage.empty()) continue;
            EXPECT_EQ(0u, damaged[0].find("Warning: font " + dir + c.name + ": \"" + path +
                                          "\" is damaged (table \""))
                << damaged[0];
            EXPECT_NE(std::string::npos,
                      damaged[0].find(c.damage + "); some glyphs may be missing or wrong."))
                << damaged[0];
        }
}

// The scrambled form wins over a plain TrueType file, which still loads with a
// warning; missing and corrupt files, and one memory cannot hold, are logged
// and draw nothing.
TEST_F(FontTest, LoadingPrefersTheScrambledFormAndSurvivesBadFiles)
{
    WriteBytes(dir + "bad.nefnt", std::vector<unsigned char>(100, 0x5A));
    WriteBytes(dir + "bad.ttf", std::vector<unsigned char>{'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'});
    InstallTtf();
    const struct
    {
        std::string name;
        bool loads, face;
        std::vector<std::string> lines; // each line logged, in full or as its start
        size_t failAt = 0;              // allocations of this size and more fail while it loads
    } cases[] = {
        {InstallScrambled(), true, true, {}},
        {InstallTtf("plain"), true, true, {"Warning: using deprecated font format: " + dir + "plain.ttf."}},
        {dir + "nothing",
         false,
         false,
         {"Error: font " + dir + "nothing could not find \"" + dir + "nothing\""}},
        {dir + "bad",
         true /* the ".ttf" path: cached, faceless */,
         false,
         {"Error: font " + dir + "bad could not open \"" + dir + "bad.nefnt\"!",
          "Warning: using deprecated font format: " + dir + "bad.ttf.",
          "Error: font " + dir + "bad could not open \"" + dir + "bad.ttf\"!"}},
        {InstallScrambled("large"),
         false,
         false,
         {"Error: font " + dir + "large could not open \"" + dir + "large.nefnt\": out of memory",
          "Error: font " + dir + "large could not find \""},
         4096},
    };
    for (const auto& c : cases)
    {
        if (c.failAt && !FailingAllocations::Works()) continue;
        log.lines.clear();
        nE_Font font;
        {
            FailingAllocations failing(c.failAt);
            EXPECT_EQ(c.loads, font.Load(c.name)) << c.name;
        }
        EXPECT_EQ(c.face, font.HasFace()) << c.name;
        EXPECT_EQ(c.face, bool(font.DrawText("Lighthouse", -1, 20, 1))) << c.name;
        EXPECT_EQ(c.lines.size(), log.lines.size()) << c.name;
        for (const std::string& line : c.lines)
            EXPECT_TRUE(log.Has(line)) << line;
    }
}

// A damaged font (found by fuzzing) whose glyph outline spans thousands of
// pixels at size 29: rasterising it took a fifth of a second for each
// character, to fail. It is left undrawn with one line for the font; the text
// is still laid out, and a sound font's tall glyphs still draw.
TEST_F(FontTest, GlyphsFarLargerThanTheSizeAreNotDrawn)
{
    const std::string text = hostile::Read("font", "huge_glyph.ttf");
    ASSERT_FALSE(text.empty());
    const std::vector<unsigned char> bytes(text.begin(), text.end());
    WriteBytes(dir + "huge.nefnt", nE_ScrambleFont(bytes.data(), bytes.size()));
    nE_Font font;
    ASSERT_TRUE(font.Load(dir + "huge"));
    ASSERT_TRUE(font.HasFace());
    for (int size : {29, 29, 12})
    {
        nE_TextBlock block;
        font.RenderBlock("Hidden objects, \xC3\xA9t\xC3\xA9", 200, size, 0, block);
    }
    const std::string warning = "Warning: font " + dir + "huge: a glyph spans more than 8 times the font size";
    EXPECT_EQ(1, std::count_if(log.lines.begin(), log.lines.end(),
                               [&](const std::string& line) { return line.find("a glyph spans") != std::string::npos; }));
    EXPECT_TRUE(log.Has(warning));

    log.lines.clear();
    nE_Font sound;
    ASSERT_TRUE(sound.Load(InstallScrambled()));
    nE_TextBlock block;
    ASSERT_TRUE(sound.RenderBlock("|_x", -1, 20, 0, block));
    EXPECT_FALSE(log.Has("a glyph spans"));
    int inked = 0;
    for (uint8_t p : block.pixels)
        inked += p != 0;
    EXPECT_GT(inked, 0);
}
