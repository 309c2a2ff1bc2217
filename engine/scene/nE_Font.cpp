#include "engine/scene/nE_Font.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Path.h"
#include "engine/platform/nE_Texture.h"
#include "engine/platform/nE_Texture_Pl5.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <numeric>

namespace
{
// One library for every font, kept for the program's life.
FT_Library SharedLibrary()
{
    static FT_Library library = nullptr;
    if (!library && FT_Init_FreeType(&library) != 0)
    {
        nE_Log("Error: FreeType could not be initialised!");
        library = nullptr;
    }
    return library;
}

const unsigned char kMagic[6] = {'n', 'E', 'f', 'n', 't', 0x1A};
const unsigned char kVersion = 1;
const size_t kHeaderSize = 8;

// Assembled at run time so it is not one plain string in the binary.
std::string ScrambleKey()
{
    std::string key;
    const char* pieces[] = {"Gl", "yph", "s&", "Ink", "-7", "3q", "Wv"};
    for (const char* piece : pieces)
        key += piece;
    return key;
}

// Symmetric: applying it twice gives the input back. Byte i is masked with
// key[i % key length] and the low byte of i * 151 + 89, so the mask repeats
// every lcm(key length, 256) bytes: one period is made, then laid over the rest.
void XorBody(const unsigned char* in, unsigned char* out, size_t count)
{
    const std::string key = ScrambleKey();
    std::vector<unsigned char> mask(std::lcm(key.size(), size_t(256)));
    for (size_t i = 0; i < mask.size(); ++i)
        mask[i] = static_cast<unsigned char>(static_cast<unsigned char>(key[i % key.size()]) ^
                                             static_cast<unsigned char>(i * 151u + 89u));
    for (size_t start = 0; start < count; start += mask.size())
    {
        const size_t n = std::min(mask.size(), count - start);
        for (size_t i = 0; i < n; ++i)
            out[start + i] = static_cast<unsigned char>(in[start + i] ^ mask[i]);
    }
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    bool ok = std::fseek(file.get(), 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file.get()) : -1;
    ok = size >= 0 && std::fseek(file.get(), 0, SEEK_SET) == 0;
    if (ok)
    {
        bytes.resize(static_cast<size_t>(size));
        ok = bytes.empty() || std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    }
    return ok;
}

uint32_t BigEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The sum of a table's big-endian words, the last one padded with zeros.
uint32_t TableSum(const unsigned char* p, size_t length)
{
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4)
        sum += BigEndian32(p + i);
    unsigned char tail[4] = {};
    for (size_t k = 0; i + k < length; ++k)
        tail[k] = p[i + k];
    return i < length ? sum + BigEndian32(tail) : sum;
}

// What is wrong with a TrueType or OpenType file's tables ("" when nothing
// is): FreeType opens a font cut short or with damaged tables and then
// quietly loses glyphs. Every table must lie inside the file and match the
// checksum its directory entry holds ("head" with its adjustment word taken
// as 0). Other forms FreeType reads are not looked into.
std::string SfntDamage(const unsigned char* bytes, size_t count)
{
    if (count < 12) return "";
    const uint32_t version = BigEndian32(bytes);
    if (version != 0x00010000u && version != 0x4F54544Fu /* OTTO */ && version != 0x74727565u /* true */)
        return "";
    const size_t tables = size_t(bytes[4]) << 8 | bytes[5];
    if (12 + 16 * tables > count) return "its table directory is cut short";
    for (size_t i = 0; i < tables; ++i)
    {
        const unsigned char* entry = bytes + 12 + 16 * i;
        const std::string tag(reinterpret_cast<const char*>(entry), 4);
        const uint64_t offset = BigEndian32(entry + 8), length = BigEndian32(entry + 12);
        if (offset + length > count) return "table \"" + tag + "\" runs past the end of the file";
        uint32_t sum = TableSum(bytes + offset, size_t(length));
        if (tag == "head" && length >= 12) sum -= BigEndian32(bytes + offset + 8);
        if (sum != BigEndian32(entry + 4)) return "table \"" + tag + "\" fails its checksum";
    }
    return "";
}

bool IsBreak(char32_t c)
{
    switch (c)
    {
    case 0x20:
    case 10:
    case '.':
    case ',':
    case '!':
    case '?':
    case ':':
    case ';':
        return true;
    default:
        return c > 0x2E80 && c < 0x9FFF;
    }
}

int ClampToInt(long long v)
{
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, v)));
}

long long RoundUpEven(long long v)
{
    return v + (v & 1);
}

// A byte of coverage for pixel x of a bitmap row.
uint8_t Coverage(const FT_Bitmap& bitmap, const unsigned char* row, int x)
{
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
    return row[x];
}
} // namespace

// ---- scramble ----

std::vector<unsigned char> nE_ScrambleFont(const unsigned char* plain, size_t count)
{
    std::vector<unsigned char> out(kHeaderSize + count, 0);
    std::memcpy(out.data(), kMagic, sizeof(kMagic));
    out[sizeof(kMagic)] = kVersion;
    if (count) XorBody(plain, out.data() + kHeaderSize, count);
    return out;
}

bool nE_UnscrambleFont(const unsigned char* bytes, size_t count, std::vector<unsigned char>& plain)
{
    plain.clear();
    if (!bytes || count < kHeaderSize || std::memcmp(bytes, kMagic, sizeof(kMagic)) != 0 ||
        bytes[sizeof(kMagic)] != kVersion)
        return false;
    plain.resize(count - kHeaderSize);
    if (!plain.empty()) XorBody(bytes + kHeaderSize, plain.data(), plain.size());
    return true;
}

// ---- glyph blit ----

namespace
{
// Calls draw(y, x0, count, dst) for each source row y of a cols x rows
// picture placed with its top-left pixel at (left, top): `count` columns from
// x0 on land in the block, starting at dst.
template <class Draw>
void ForClippedRows(int cols, int rows, int left, int top, const nE_CoverageRows& block, Draw draw)
{
    const int x0 = std::max(0, -left), x1 = std::min(cols, block.width - left);
    const int y0 = std::max(0, -top), y1 = std::min(rows, block.height - top);
    if (x0 >= x1) return;
    for (int y = y0; y < y1; ++y)
        draw(y, x0, x1 - x0, block.pixels + size_t(top + y) * block.pitch + size_t(left + x0));
}

nE_CoverageRows RowsOf(nE_TextBlock& block)
{
    return nE_CoverageRows{block.pixels.data(), block.width, block.height, size_t(block.width)};
}

// dst |= src over [0, count) for count in [sizeof(Word), 2 * sizeof(Word)], as
// two chunks that may overlap: both are read before either is written, so
// the overlap comes out the same from each.
template <class Word> void OrTwoWords(uint8_t* dst, const uint8_t* src, int count)
{
    const size_t last = size_t(count) - sizeof(Word);
    Word a, b, c, d;
    std::memcpy(&a, dst, sizeof(Word));
    std::memcpy(&b, dst + last, sizeof(Word));
    std::memcpy(&c, src, sizeof(Word));
    std::memcpy(&d, src + last, sizeof(Word));
    a |= c;
    b |= d;
    std::memcpy(dst, &a, sizeof(Word));
    std::memcpy(dst + last, &b, sizeof(Word));
}

// dst[i] |= src[i] for count bytes in a few wide steps: glyph rows are short,
// and a byte loop is not vectorised at this optimisation level.
void OrBytes(uint8_t* dst, const uint8_t* src, int count)
{
    for (; count > 16; count -= 8, dst += 8, src += 8)
        OrTwoWords<uint64_t>(dst, src, 8);
    if (count >= 8)
        OrTwoWords<uint64_t>(dst, src, count);
    else if (count >= 4)
        OrTwoWords<uint32_t>(dst, src, count);
    else
        for (int i = 0; i < count; ++i)
            dst[i] |= src[i];
}

// ORs rows of `pitch` bytes, a whole number of words each, at full width.
void OrWordRows(uint8_t* dst, size_t dstPitch, const uint8_t* src, int pitch, int rows)
{
    for (int y = 0; y < rows; ++y, dst += dstPitch, src += pitch)
        for (int x = 0; x < pitch; x += 8)
        {
            uint64_t a, b;
            std::memcpy(&a, dst + x, 8);
            std::memcpy(&b, src + x, 8);
            a |= b;
            std::memcpy(dst + x, &a, 8);
        }
}

// ORs a glyph's coverage into the block, clipped. A glyph whose padded rows
// all land inside the block's width is done a word at a time: its padding is
// clear, so the bytes past its width come out as they were. Within the width,
// not the pitch: rows lent with slack past their width keep it untouched.
void BlitCoverage(const uint8_t* coverage, int width, int height, int pitch, int left, int top,
                  const nE_CoverageRows& block)
{
    if (left >= 0 && top >= 0 && top <= block.height - height && left <= block.width - pitch)
        return OrWordRows(block.pixels + size_t(top) * block.pitch + size_t(left), block.pitch, coverage, pitch,
                          height);
    ForClippedRows(width, height, left, top, block,
                   [&](int y, int x0, int count, uint8_t* dst)
                   { OrBytes(dst, coverage + size_t(y) * size_t(pitch) + size_t(x0), count); });
}

void BlitBitmap(const FT_Bitmap& bitmap, int left, int top, const nE_CoverageRows& block)
{
    if (!bitmap.buffer) return;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
    const int pitch = bitmap.pitch;
    const int rows = static_cast<int>(bitmap.rows);
    // A negative pitch means the rows are stored bottom first, starting from
    // the buffer's end.
    const unsigned char* first = bitmap.buffer;
    if (pitch < 0) first -= static_cast<long long>(pitch) * (rows - 1);
    const int cols = static_cast<int>(bitmap.width);
    ForClippedRows(cols, rows, left, top, block,
                   [&](int y, int x0, int count, uint8_t* dst)
                   {
                       const unsigned char* row = first + static_cast<long long>(pitch) * y;
                       if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) return OrBytes(dst, row + x0, count);
                       for (int i = 0; i < count; ++i)
                           dst[i] |= Coverage(bitmap, row, x0 + i);
                   });
}
} // namespace

void nE_BlitGlyph(const FT_Bitmap& bitmap, int left, int top, nE_TextBlock& block)
{
    BlitBitmap(bitmap, left, top, RowsOf(block));
}

// ---- font ----

nE_Font::nE_Font()
{
    m_name = "ne_dummyfont";
    SharedLibrary();
}

nE_Font::~nE_Font()
{
    if (m_face) FT_Done_Face(m_face);
}

nE_Font* nE_CreateFont()
{
    return new nE_Font();
}

void nE_RegisterFontCreator()
{
    nE_ResourceCache::SetCreator(NE_RES_FONT, [] { return static_cast<nE_Resource*>(nE_CreateFont()); });
}

bool nE_Font::OpenFace(const std::string& path, std::vector<unsigned char>& plain)
{
    FT_Library library = SharedLibrary();
    if (!library ||
        FT_New_Memory_Face(library, plain.data(), static_cast<FT_Long>(plain.size()), 0, &m_face) != 0)
    {
        m_face = nullptr;
        nE_LogFmt2("Error: font %s could not open \"%s\"!", m_name, path);
        return false;
    }
    m_fontBytes.swap(plain);
    const std::string damage = SfntDamage(m_fontBytes.data(), m_fontBytes.size());
    if (!damage.empty())
        nE_Log("Warning: font " + m_name + ": \"" + path + "\" is damaged (" + damage +
               "); some glyphs may be missing or wrong.");
    return true;
}

bool nE_Font::ReadFontFile(const std::string& path, std::vector<unsigned char>& bytes)
{
    try
    {
        if (ReadWholeFile(path, bytes)) return true;
        nE_LogFmt2("Error: font %s could not open \"%s\"!", m_name, path);
    }
    catch (const std::bad_alloc&)
    {
        nE_LogFmt2("Error: font %s could not open \"%s\": out of memory", m_name, path);
    }
    return false;
}

bool nE_Font::OpenScrambled(const std::string& path)
{
    std::vector<unsigned char> stored, plain;
    if (!ReadFontFile(path, stored)) return false;
    bool unscrambled = false;
    try
    {
        unscrambled = nE_UnscrambleFont(stored.data(), stored.size(), plain);
    }
    catch (const std::bad_alloc&)
    {
        nE_LogFmt2("Error: font %s could not open \"%s\": out of memory", m_name, path);
        return false;
    }
    if (!unscrambled)
    {
        nE_LogFmt2("Error: font %s could not open \"%s\"!", m_name, path);
        return false;
    }
    return OpenFace(path, plain);
}

bool nE_Font::Load(const std::string& name)
{
    if (m_face) FT_Done_Face(m_face);
    m_face = nullptr;
    m_fontBytes.clear();
    DropGlyphCache();
    m_name = name;
    const std::string scrambled = nE_MakePath(name, ".nefnt");
    if (!(nE_FileExists(scrambled) && OpenScrambled(scrambled)))
    {
        const std::string path = nE_MakePath(name, ".ttf");
        if (!nE_FileExists(path))
        {
            nE_LogFmt2("Error: font %s could not find \"%s\" file to load!", m_name, m_name);
            return false;
        }
        nE_LogFmt("Warning: using deprecated font format: %s.", path);
        std::vector<unsigned char> bytes;
        // Still a loaded (faceless) font when it fails: it is cached and draws nothing.
        if (ReadFontFile(path, bytes)) OpenFace(path, bytes);
        if (!m_face) return true;
    }
    FT_Set_Char_Size(m_face, 0, 768, 300, 300);
    return true;
}

bool nE_Font::SetPixelSize(int size)
{
    if (!m_face || size < 1 || size > kMaxBlockSide) return false;
    if (size == m_faceSize) return true;
    const bool set = FT_Set_Char_Size(m_face, 0, static_cast<FT_F26Dot6>(size) * 64, 72, 72) == 0;
    m_faceSize = set ? size : 0;
    return set;
}

bool nE_Font::LoadGlyph(char32_t c)
{
    return m_face && FT_Get_Char_Index(m_face, c) != 0 && FT_Load_Char(m_face, c, FT_LOAD_NO_HINTING) == 0;
}

void nE_Font::DropGlyphCache()
{
    m_glyphs.clear();
    m_glyphBytes = 0;
    m_asciiSize = 0;
    m_uncached = Glyph();
    m_faceSize = 0;
}

void nE_Font::LoadFromFace(char32_t c, bool render, Glyph& glyph)
{
    glyph = Glyph();
    glyph.found = LoadGlyph(c);
    if (!glyph.found) return;
    const FT_GlyphSlot slot = m_face->glyph;
    glyph.advance = slot->advance.x >> 6;
    if (!render) return;
    if (OutlineTooLarge(slot) || FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
    {
        glyph.drawn = -1;
        return;
    }
    glyph.drawn = 1;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    // Kept as plain 8-bit rows, whatever form FreeType answered in.
    glyph.width = static_cast<int>(slot->bitmap.width);
    glyph.height = static_cast<int>(slot->bitmap.rows);
    glyph.pitch = (glyph.width + 7) & ~7;
    glyph.coverage.assign(size_t(glyph.pitch) * size_t(glyph.height), 0);
    BlitBitmap(slot->bitmap, 0, 0, {glyph.coverage.data(), glyph.width, glyph.height, size_t(glyph.pitch)});
}

// A damaged font's outline may span thousands of pixels: rasterising one took
// a fifth of a second (to fail), again for every character that used it.
bool nE_Font::OutlineTooLarge(FT_GlyphSlotRec_* slot) const
{
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE || !slot->face->size) return false;
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    const long ppem = std::max<long>(1, std::max(slot->face->size->metrics.x_ppem, slot->face->size->metrics.y_ppem));
    const long limit = 64 * std::min<long>(kMaxGlyphEms * ppem, kMaxBlockSide);
    if (box.xMax - box.xMin <= limit && box.yMax - box.yMin <= limit) return false;
    nE_WarnOnce("glyph:" + m_name, "Warning: font " + m_name + ": a glyph spans more than " +
                                       std::to_string(kMaxGlyphEms) +
                                       " times the font size; such glyphs are not drawn (damaged font?)");
    return true;
}

const nE_Font::Glyph& nE_Font::FindGlyph(char32_t c, bool render)
{
    // Faces at an unknown size are not cached: the key could not tell them apart.
    if (m_faceSize <= 0)
    {
        LoadFromFace(c, render, m_uncached);
        return m_uncached;
    }
    if (m_asciiSize != m_faceSize)
    {
        std::fill(std::begin(m_ascii), std::end(m_ascii), nullptr);
        m_asciiSize = m_faceSize;
    }
    // Kept and enough for this use: rendered when it must be, or missing.
    const auto enough = [render](const Glyph& g) { return !render || g.drawn != 0 || !g.found; };
    const Glyph* quick = c < 128 ? m_ascii[c] : nullptr;
    if (quick && enough(*quick)) return *quick;
    const uint64_t key = uint64_t(m_faceSize) << 32 | c;
    auto found = m_glyphs.find(key);
    if (found != m_glyphs.end() && enough(found->second))
    {
        if (c < 128) m_ascii[c] = &found->second;
        return found->second;
    }

    Glyph glyph;
    LoadFromFace(c, render, glyph);
    const size_t bytes = sizeof(Glyph) + 32 + glyph.coverage.size();
    if (bytes > kGlyphCacheBytes / 4)
    {
        m_uncached = std::move(glyph);
        return m_uncached;
    }
    if (m_glyphBytes + bytes > kGlyphCacheBytes)
    {
        // Simple and bounded: the glyphs in use come back on their next draw.
        m_glyphs.clear();
        m_glyphBytes = 0;
        m_asciiSize = 0;
        found = m_glyphs.end();
    }
    if (found != m_glyphs.end()) m_glyphBytes -= sizeof(Glyph) + 32;
    m_glyphBytes += bytes;
    Glyph& kept = m_glyphs[key];
    kept = std::move(glyph);
    if (c < 128 && m_asciiSize == m_faceSize) m_ascii[c] = &kept;
    return kept;
}

std::u32string nE_Font::Utf8ToUtf32(const char* bytes, size_t length)
{
    std::u32string out;
    if (!bytes) return out;
    out.reserve(length);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < length)
    {
        const unsigned char b = p[i++];
        size_t more = 0;
        char32_t value = b;
        if ((b >> 3) == 30)
            more = 3;
        else if ((b >> 4) == 14)
            more = 2;
        else if ((b >> 5) == 6)
            more = 1;
        // The lead byte's marker bits are cleared by the XOR.
        static const unsigned char kMarker[4] = {0, 0xC0, 0xE0, 0xF0};
        value ^= kMarker[more];
        for (; more > 0 && i < length; --more)
            value = (value << 6) | (p[i++] ^ 0x80);
        out.push_back(value);
    }
    return out;
}

int nE_Font::MeasureWidth(const char32_t* cps, size_t count, bool stopAtNewline)
{
    long long width = 0;
    for (size_t i = 0; i < count; ++i)
    {
        const char32_t c = cps[i];
        if (c == 0) continue;
        if (c == 10)
        {
            if (stopAtNewline) break;
            continue;
        }
        const Glyph& glyph = FindGlyph(c, false);
        if (glyph.found) width += glyph.advance;
    }
    return ClampToInt(width);
}

int nE_Font::WrapText(const std::u32string& cps, int maxWidth, std::u32string& out, int& widest)
{
    const long long limit = maxWidth < 1 ? INT_MAX : maxWidth;
    long long remaining = limit, line = 0, wide = 0;
    int lines = 1;
    out.clear();
    out.reserve(cps.size() + cps.size() / 8 + 1);
    size_t start = 0;
    while (start < cps.size())
    {
        size_t end = start;
        while (end < cps.size() && !IsBreak(cps[end]))
            ++end;
        if (end < cps.size()) ++end; // the break belongs to its segment
        const long long width = MeasureWidth(cps.data() + start, end - start, false);
        if (width < remaining)
        {
            remaining -= width;
            line += width;
        }
        else
        {
            wide = std::max(wide, line);
            out.push_back(10);
            line = width;
            remaining = limit - width;
            ++lines;
        }
        out.append(cps, start, end - start);
        if (cps[end - 1] == 10)
        {
            ++lines;
            wide = std::max(wide, line);
            line = 0;
            remaining = limit;
        }
        start = end;
    }
    widest = ClampToInt(std::max(wide, line));
    return lines;
}

int nE_Font::LineStartX(const char32_t* rest, size_t count, int width, int size, int align)
{
    if (align != 1 && align != 2) return size / 4;
    const int lineWidth = MeasureWidth(rest, count, true);
    const int x = align == 1 ? (width - lineWidth) / 2 : width - size / 4 - lineWidth;
    return std::max(0, x);
}

bool nE_Font::LayOut(const std::string& text, int maxWidth, int size, std::u32string& wrapped, int& width,
                     int& height, std::string* why)
{
    width = height = 0;
    if (!m_face || size < 1) return false;
    std::string refusal;
    if (!SetPixelSize(size))
        refusal = "cannot draw at size " + std::to_string(size);
    else
    {
        const std::u32string decoded = Utf8ToUtf32(text.data(), text.size());
        int widest = 0;
        const int lines = WrapText(decoded, maxWidth, wrapped, widest);
        // In 64 bits: neither the sum nor the product can overflow.
        const long long w = RoundUpEven(static_cast<long long>(widest) + size / 2);
        const long long h = RoundUpEven(static_cast<long long>(lines) * size + size / 2);
        if (w > kMaxBlockSide || h > kMaxBlockSide || w * h > kMaxBlockPixels)
            refusal = "its block of " + std::to_string(w) + " x " + std::to_string(h) +
                      " pixels at size " + std::to_string(size) + " passes the limit (" +
                      std::to_string(kMaxBlockSide) + " pixels a side, " + std::to_string(kMaxBlockPixels) +
                      " pixels in all)";
        else
        {
            width = static_cast<int>(w);
            height = static_cast<int>(h);
            return true;
        }
    }
    wrapped.clear();
    if (why)
        *why = refusal;
    else
        nE_LogFmt2("Warning: font %s: text not drawn: %s.", m_name, refusal);
    return false;
}

bool nE_Font::MeasureBlock(const std::string& text, int maxWidth, int size, int& width, int& height)
{
    std::u32string wrapped;
    std::string why;
    return LayOut(text, maxWidth, size, wrapped, width, height, &why);
}

bool nE_Font::RenderBlock(const std::string& text, int maxWidth, int size, int align, nE_TextBlock& out,
                          std::string* why)
{
    out = nE_TextBlock();
    std::u32string wrapped;
    if (!LayOut(text, maxWidth, size, wrapped, out.width, out.height, why)) return false;
    out.pixels.assign(size_t(out.width) * size_t(out.height), 0);
    DrawWrapped(wrapped, size, align, RowsOf(out));
    return true;
}

void nE_Font::DrawWrapped(const std::u32string& wrapped, int size, int align, const nE_CoverageRows& out)
{
    int x = size / 4, y = size;
    bool lineStart = true;
    for (size_t i = 0; i < wrapped.size(); ++i)
    {
        const char32_t c = wrapped[i];
        if (c == 10)
        {
            y += size;
            x = size / 4;
            lineStart = true;
            continue;
        }
        if (c == 0) continue;
        if (lineStart)
        {
            x = LineStartX(wrapped.data() + i, wrapped.size() - i, out.width, size, align);
            lineStart = false;
        }
        const Glyph& glyph = FindGlyph(c, true);
        if (!glyph.found || glyph.drawn != 1) continue;
        BlitCoverage(glyph.coverage.data(), glyph.width, glyph.height, glyph.pitch, x + glyph.left, y - glyph.top,
                     out);
        x = ClampToInt((long long)x + glyph.advance);
    }
    // A glyph too big to keep is not held past the call.
    m_uncached = Glyph();
}

std::shared_ptr<nE_GeneratedTexture> nE_Font::DrawText(const std::string& text, int maxWidth, int size,
                                                       int align, std::string* why,
                                                       std::shared_ptr<nE_GeneratedTexture> into)
{
    std::u32string wrapped;
    int width = 0, height = 0;
    if (!LayOut(text, maxWidth, size, wrapped, width, height, why)) return std::shared_ptr<nE_GeneratedTexture>();
    // Named after the font and the text's first 16 bytes, spaces as "_".
    std::string name = m_name + "_" + text.substr(0, std::min<size_t>(16, std::strlen(text.c_str())));
    std::replace(name.begin(), name.end(), ' ', '_');
    std::shared_ptr<nE_GeneratedTexture> texture =
        into ? std::move(into) : nE_GeneratedTexturePtr(nE_CreateGeneratedTexture());
    texture->Load(name);
    // Drawn straight into the texture's own rows: no block of its own to fill from.
    unsigned stride = 0;
    uint8_t* rows = texture->BeginWrite(unsigned(width), unsigned(height), &stride, NE_PIXELS_COVERAGE);
    if (!rows) return texture;
    const nE_CoverageRows out{rows, width, height, stride};
    for (int y = 0; y < height; ++y)
        std::memset(rows + size_t(y) * stride, 0, size_t(width));
    DrawWrapped(wrapped, size, align, out);
    texture->EndWrite();
    return texture;
}
