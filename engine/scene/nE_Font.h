#pragma once
// Fonts: a FreeType face opened from "<name>.nefnt" (our scrambled form) or,
// deprecated, "<name>.ttf". DrawText renders a whole wrapped and aligned text
// block into one generated texture of coverage bytes. Glyph advances and
// rendered coverage are kept per pixel size in a bounded cache, so FreeType
// sees each glyph once rather than on every layout.

#include "engine/core/nE_Resource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class nE_GeneratedTexture;

typedef struct FT_FaceRec_* FT_Face;
struct FT_Bitmap_;
struct FT_GlyphSlotRec_;

// Coverage bytes of a laid-out text block, one per pixel, rows top first.
struct nE_TextBlock
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Coverage rows drawn into in place: `pitch` bytes from one row's start to the next.
struct nE_CoverageRows
{
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    size_t pitch = 0;
};

class nE_Font : public nE_Resource
{
public:
    // Neither side of a text block may exceed this (the platform's limit).
    static const int kMaxBlockSide = 16384;
    // Nor may its area: 16 MB of coverage, 64 MB once a texture; far above any
    // screen, far below what a runaway size or wrap width would ask for.
    static constexpr long long kMaxBlockPixels = 16LL << 20;
    // A glyph wider or taller than this many times the font size is not drawn.
    static const int kMaxGlyphEms = 8;

    nE_Font();
    ~nE_Font() override;
    nE_Font(const nE_Font&) = delete;
    nE_Font& operator=(const nE_Font&) = delete;

    // ".nefnt" first, then ".ttf" with a deprecation warning. False only when
    // neither file exists (or the ".nefnt" fails and no ".ttf" is there).
    bool Load(const std::string& name) override;
    bool HasFace() const { return m_face != nullptr; }

    // A new texture holding the text wrapped to maxWidth pixels (below 1: no
    // limit) at `size` pixels, aligned 0 left, 1 centre, 2 right. Empty without
    // a face, for a size below 1 or too big, or for a block past the limits,
    // which is found before anything is drawn. Why a size or block is refused
    // goes to `why` when given, else to the log naming the font.
    // Given `into`, the block is drawn into that texture rather than a new one:
    // at the same size it keeps its platform texture and sends only the pixels.
    std::shared_ptr<nE_GeneratedTexture> DrawText(const std::string& text, int maxWidth, int size, int align,
                                                  std::string* why = nullptr,
                                                  std::shared_ptr<nE_GeneratedTexture> into = nullptr);
    // The same layout into a coverage buffer; false where DrawText is empty.
    bool RenderBlock(const std::string& text, int maxWidth, int size, int align, nE_TextBlock& out,
                     std::string* why = nullptr);
    // The size of that block without drawing it; false (and 0 x 0) where
    // DrawText is empty. Logs nothing.
    bool MeasureBlock(const std::string& text, int maxWidth, int size, int& width, int& height);

    // Lenient decoding: stray bytes pass through as themselves, and a sequence
    // cut short by the end takes only the bytes that are there.
    static std::u32string Utf8ToUtf32(const char* bytes, size_t length);
    // Advance width in pixels at the current size; code points without a glyph
    // add nothing; 0 is skipped; 10 ends the sum when stopAtNewline.
    int MeasureWidth(const char32_t* cps, size_t count, bool stopAtNewline);
    // Breaks after spaces, newlines, punctuation and each CJK character; a
    // piece as wide as or wider than the room left starts a new line. Answers
    // the line count; `out` gets the text with the inserted newlines.
    int WrapText(const std::u32string& cps, int maxWidth, std::u32string& out, int& widest);
    // Sets the pixel size used by MeasureWidth and WrapText; false when out of range.
    bool SetPixelSize(int size);

    // Bytes the glyph cache may hold before it is emptied; a glyph bigger
    // than a quarter of this is rendered for each use instead of kept.
    static constexpr size_t kGlyphCacheBytes = size_t(2) << 20;
    // What the cache holds now, counted as it counts against that limit.
    size_t GetGlyphCacheBytes() const { return m_glyphBytes; }

private:
    // A glyph at one pixel size: its advance and, once drawn, its coverage.
    struct Glyph
    {
        bool found = false; // in the font and loadable
        int drawn = 0;      // 0 not rendered yet, 1 rendered, -1 rendering failed
        long advance = 0;   // whole pixels
        int left = 0;       // bitmap's top-left corner from the pen position
        int top = 0;
        // Top row first, 8-bit whatever the bitmap's form; each row padded with
        // clear bytes to a whole number of words, `pitch` bytes apart.
        std::vector<uint8_t> coverage;
        int width = 0;
        int height = 0;
        int pitch = 0;
    };

    // The whole file; false, with its line, when it cannot be read or held.
    bool ReadFontFile(const std::string& path, std::vector<unsigned char>& bytes);
    bool OpenScrambled(const std::string& path);
    // Opens the face over the plain font bytes, which it takes; warns when
    // their tables are damaged.
    bool OpenFace(const std::string& path, std::vector<unsigned char>& plain);
    // Wraps the text and sizes its block; false where DrawText is empty.
    bool LayOut(const std::string& text, int maxWidth, int size, std::u32string& wrapped, int& width,
                int& height, std::string* why);
    bool LoadGlyph(char32_t c);
    // The glyph at the current size, rendered too when `render` (a missing
    // one has found false); the reference holds until the next call.
    const Glyph& FindGlyph(char32_t c, bool render);
    void LoadFromFace(char32_t c, bool render, Glyph& glyph);
    bool OutlineTooLarge(FT_GlyphSlotRec_* slot) const;
    void DropGlyphCache();
    int LineStartX(const char32_t* rest, size_t count, int width, int size, int align);
    // Draws laid-out text into rows already clear.
    void DrawWrapped(const std::u32string& wrapped, int size, int align, const nE_CoverageRows& out);

    FT_Face m_face = nullptr;
    // The face reads from these bytes for as long as it is open.
    std::vector<unsigned char> m_fontBytes;
    // The pixel size last set on the face; 0 when not known (after loading or
    // a failed set), and then nothing is cached.
    int m_faceSize = 0;
    // Keyed by pixel size and code point.
    std::unordered_map<uint64_t, Glyph> m_glyphs;
    size_t m_glyphBytes = 0;
    // Code points below 128 at m_asciiSize, straight into m_glyphs (whose
    // elements stay put until it is cleared): most text never hashes.
    const Glyph* m_ascii[128] = {};
    int m_asciiSize = 0;
    // The last glyph answered without being kept.
    Glyph m_uncached;
};

// Copies a rendered glyph bitmap (8-bit grey or 1-bit, either pitch sign) into
// the block with its top-left pixel at (left, top), OR-ing coverage and
// clipping to the block.
void nE_BlitGlyph(const FT_Bitmap_& bitmap, int left, int top, nE_TextBlock& block);

// The stored ".nefnt" form: a short header, then the font file XOR-ed with a
// repeating key and a position byte. Scrambling twice is not unscrambling:
// the header marks the form.
std::vector<unsigned char> nE_ScrambleFont(const unsigned char* plain, size_t count);
// False (and `plain` empty) for bytes that are not in the stored form.
bool nE_UnscrambleFont(const unsigned char* bytes, size_t count, std::vector<unsigned char>& plain);

// A new, empty font: the resource cache's creator for kind 3, which then
// loads it by name.
nE_Font* nE_CreateFont();
// Makes nE_CreateFont the cache's creator for kind 3.
void nE_RegisterFontCreator();
