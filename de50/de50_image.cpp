#include "de50/de50_image.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>

namespace DE50
{
namespace Internal
{

namespace
{

enum class Kind
{
    kOther,
    kPng,
    kJpeg
};

struct THeader
{
    Kind kind = Kind::kOther;
    uint32_t width = 0, height = 0;
};

uint32_t BigEndian(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

bool ReadExactly(SDL_RWops* rw, uint8_t* out, size_t size)
{
    return SDL_RWread(rw, out, 1, size) == size;
}

// The signature, then the IHDR chunk, which must come first.
bool ReadPngSize(SDL_RWops* rw, THeader& h)
{
    uint8_t ihdr[16];
    if (!ReadExactly(rw, ihdr, sizeof ihdr) || std::memcmp(ihdr + 4, "IHDR", 4) != 0) return false;
    h.width = BigEndian(ihdr + 8, 4);
    h.height = BigEndian(ihdr + 12, 4);
    return true;
}

// Every chunk up to IEND must lie inside the data: the decoder's reader does not
// notice the end of the data and would go on reading past it, for ever.
bool PngChunksFit(SDL_RWops* rw, Sint64 start)
{
    const Sint64 size = SDL_RWsize(rw);
    for (Sint64 at = start + 8;;)
    {
        uint8_t head[8];
        if (SDL_RWseek(rw, at, RW_SEEK_SET) != at || !ReadExactly(rw, head, sizeof head)) return false;
        const uint32_t length = BigEndian(head, 4);
        if (length > 0x7FFFFFFFu || at + 12 + Sint64(length) > size) return false;
        if (std::memcmp(head + 4, "IEND", 4) == 0) return true;
        at += 12 + Sint64(length);
    }
}

bool IsFrameMarker(uint8_t m)
{
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Walks the segments up to the first frame header, which holds the size.
bool ReadJpegSize(SDL_RWops* rw, THeader& h)
{
    for (;;)
    {
        uint8_t m = 0xFF;
        while (m == 0xFF)
            if (!ReadExactly(rw, &m, 1)) return false;
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue; // no length follows
        if (m == 0xD9 || m == 0xDA) return false;              // end or scan before any frame
        uint8_t len[2];
        if (!ReadExactly(rw, len, 2) || BigEndian(len, 2) < 2) return false;
        const uint32_t body = BigEndian(len, 2) - 2;
        if (IsFrameMarker(m))
        {
            uint8_t frame[5];
            if (body < sizeof frame || !ReadExactly(rw, frame, sizeof frame)) return false;
            h.height = BigEndian(frame + 1, 2);
            h.width = BigEndian(frame + 3, 2);
            return true;
        }
        if (SDL_RWseek(rw, body, RW_SEEK_CUR) < 0) return false;
        uint8_t next = 0;
        if (!ReadExactly(rw, &next, 1) || next != 0xFF) return false;
    }
}

bool ReadHeader(SDL_RWops* rw, THeader& h)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    uint8_t sig[8] = {};
    const size_t got = SDL_RWread(rw, sig, 1, sizeof sig);
    if (got == sizeof sig && std::memcmp(sig, kPng, sizeof kPng) == 0)
    {
        h.kind = Kind::kPng;
        return ReadPngSize(rw, h);
    }
    if (got >= 3 && sig[0] == 0xFF && sig[1] == 0xD8 && sig[2] == 0xFF)
    {
        h.kind = Kind::kJpeg;
        // Back to the first marker after the start-of-image one.
        return SDL_RWseek(rw, 2 - Sint64(got), RW_SEEK_CUR) >= 0 && ReadJpegSize(rw, h);
    }
    return false;
}

// Everything that can be told without decoding; rw is left anywhere.
bool CheckImage(SDL_RWops* rw, Sint64 start, THeader& h, std::string& why)
{
    if (!ReadHeader(rw, h))
    {
        why = h.kind == Kind::kOther ? "not a PNG or JPEG image" : "its header is damaged";
        return false;
    }
    if (h.width == 0 || h.height == 0 || h.width > kMaxImageSide || h.height > kMaxImageSide ||
        uint64_t(h.width) * h.height > kMaxImagePixels)
    {
        why = "its size " + std::to_string(h.width) + "x" + std::to_string(h.height) + " is past the limit";
        return false;
    }
    if (h.kind == Kind::kPng && !PngChunksFit(rw, start))
    {
        why = "its data is cut short";
        return false;
    }
    return true;
}

} // namespace

SDL_Surface* DecodeImage(SDL_RWops* rw, std::string& why)
{
    THeader h;
    const Sint64 start = SDL_RWtell(rw);
    if (!CheckImage(rw, start, h, why)) return nullptr;
    SDL_RWseek(rw, start, RW_SEEK_SET);
    SDL_Surface* s = h.kind == Kind::kPng ? IMG_LoadPNG_RW(rw) : IMG_LoadJPG_RW(rw);
    if (!s) why = IMG_GetError();
    return s;
}

bool ReadImageFileSize(const std::string& path, uint32_t& width, uint32_t& height, std::string& why)
{
    SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb");
    if (!rw)
    {
        why = SDL_GetError();
        return false;
    }
    THeader h;
    const bool ok = CheckImage(rw, 0, h, why);
    SDL_RWclose(rw);
    width = ok ? h.width : 0;
    height = ok ? h.height : 0;
    return ok;
}

SDL_Surface* LoadImageFile(const std::string& path, std::string& why)
{
    SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb");
    if (!rw)
    {
        why = SDL_GetError();
        return nullptr;
    }
    SDL_Surface* s = DecodeImage(rw, why);
    SDL_RWclose(rw);
    return s;
}

} // namespace Internal
} // namespace DE50
