#include "de50/de50_image.h"

#include <SDL.h>
#include <SDL_image.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

// After <cstdio>: it needs FILE and size_t declared first.
#include <jpeglib.h>

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

enum class TRgbaPng
{
    kDecoded,
    kFailed,
    kOther
};

struct TPngSource
{
    SDL_RWops* rw;
    char error[256];
};

void PngRead(png_structp png, png_bytep out, png_size_t size)
{
    auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (SDL_RWread(source->rw, out, 1, size) != size) png_error(png, "the data ends early");
}

[[noreturn]] void PngError(png_structp png, png_const_charp message)
{
    auto* source = static_cast<TPngSource*>(png_get_error_ptr(png));
    SDL_strlcpy(source->error, message, sizeof source->error);
    png_longjmp(png, 1);
}

// libpng reports errors by longjmp back into these two: their frames hold nothing
// that needs destroying, and nothing they change after setjmp is read after a jump.
TRgbaPng ReadRgbaInfo(png_structp png, png_infop info, uint32_t width, uint32_t height)
{
    if (setjmp(png_jmpbuf(png))) return TRgbaPng::kFailed;
    png_read_info(png, info);
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGBA || png_get_bit_depth(png, info) != 8 ||
        png_get_image_width(png, info) != width || png_get_image_height(png, info) != height)
        return TRgbaPng::kOther;
    png_set_bgr(png); // bytes blue, green, red, alpha: the words' order in memory
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return TRgbaPng::kDecoded;
}

TRgbaPng ReadRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return TRgbaPng::kFailed;
    png_read_image(png, rows);
    return TRgbaPng::kDecoded;
}

// Room for the picture and its row pointers; false when memory runs out (a
// large picture on a small machine is a refused file, not the end of the game).
bool SizeRows(std::vector<uint32_t>& pixels, std::vector<png_bytep>& rows, const THeader& h)
{
    try
    {
        pixels.resize(size_t(h.width) * h.height);
        rows.resize(h.height);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    for (uint32_t y = 0; y < h.height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(&pixels[size_t(y) * h.width]);
    return true;
}

// An 8-bit RGBA PNG, already checked, decoded by libpng straight into `pixels`;
// kOther, having decoded nothing, for any other layout.
TRgbaPng DecodeRgbaPng(SDL_RWops* rw, const THeader& h, std::vector<uint32_t>& pixels, std::string& why)
{
    // The rows are read as bytes blue, green, red, alpha: such words only on a
    // little-endian machine.
    if (SDL_BYTEORDER != SDL_LIL_ENDIAN || h.kind != Kind::kPng) return TRgbaPng::kOther;
    TPngSource source{rw, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, PngError, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return TRgbaPng::kOther;
    }
    png_set_read_fn(png, &source, PngRead);
    TRgbaPng read = ReadRgbaInfo(png, info, h.width, h.height);
    if (read == TRgbaPng::kDecoded)
    {
        std::vector<png_bytep> rows;
        if (SizeRows(pixels, rows, h))
            read = ReadRows(png, rows.data());
        else
        {
            read = TRgbaPng::kFailed;
            SDL_strlcpy(source.error, "out of memory", sizeof source.error);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (read != TRgbaPng::kDecoded)
    {
        pixels.clear();
        why = source.error;
    }
    return read;
}
// libjpeg reports a fatal error by longjmp, like libpng; a warning (data cut
// short or damaged, which it fills in) is kept and decoding goes on.
struct TJpegErrors
{
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char error[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    info->err->format_message(info, errors->error);
    longjmp(errors->jump, 1);
}

void JpegMessage(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    if (level >= 0) return; // trace messages
    if (info->err->num_warnings++ == 0) info->err->format_message(info, errors->warning);
}

TRgbaPng StartJpeg(j_decompress_ptr info, TJpegErrors& errors, const THeader& h)
{
    if (setjmp(errors.jump)) return TRgbaPng::kFailed;
    jpeg_read_header(info, TRUE);
    // CMYK and YCCK pictures go the general way.
    if (info->jpeg_color_space != JCS_GRAYSCALE && info->jpeg_color_space != JCS_YCbCr &&
        info->jpeg_color_space != JCS_RGB)
        return TRgbaPng::kOther;
    info->out_color_space = JCS_EXT_BGRA; // the words' order in memory, alpha 255
    jpeg_start_decompress(info);
    if (info->output_width != h.width || info->output_height != h.height || info->output_components != 4)
        return TRgbaPng::kFailed;
    return TRgbaPng::kDecoded;
}

TRgbaPng ReadJpegRows(j_decompress_ptr info, TJpegErrors& errors, uint32_t* pixels)
{
    if (setjmp(errors.jump)) return TRgbaPng::kFailed;
    while (info->output_scanline < info->output_height)
    {
        JSAMPROW row =
            reinterpret_cast<JSAMPROW>(pixels + size_t(info->output_scanline) * info->output_width);
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return TRgbaPng::kDecoded;
}

// Room for the file's bytes and the picture; false when memory runs out.
bool SizeBuffers(std::vector<unsigned char>& bytes, size_t byteCount, std::vector<uint32_t>& pixels,
                 size_t pixelCount)
{
    try
    {
        bytes.resize(byteCount);
        pixels.resize(pixelCount);
    }
    catch (const std::bad_alloc&)
    {
        bytes.clear();
        pixels.clear();
        return false;
    }
    return true;
}

// A JPEG, already checked, decoded by libjpeg straight into `pixels`; a
// picture that decodes with a warning keeps its pixels and puts the warning in
// `why`. kOther, having decoded nothing, for CMYK pictures.
TRgbaPng DecodeJpeg(SDL_RWops* rw, const THeader& h, std::vector<uint32_t>& pixels, std::string& why)
{
    if (SDL_BYTEORDER != SDL_LIL_ENDIAN || h.kind != Kind::kJpeg) return TRgbaPng::kOther;
    const Sint64 start = SDL_RWtell(rw), size = SDL_RWsize(rw);
    if (start < 0 || size < start) return TRgbaPng::kOther;
    std::vector<unsigned char> bytes;
    if (!SizeBuffers(bytes, size_t(size - start), pixels, size_t(h.width) * h.height))
    {
        why = "out of memory";
        return TRgbaPng::kFailed;
    }
    if (!bytes.empty() && !ReadExactly(rw, bytes.data(), bytes.size())) return TRgbaPng::kOther;
    jpeg_decompress_struct info;
    TJpegErrors errors{};
    info.err = jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = JpegError;
    errors.mgr.emit_message = JpegMessage;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    TRgbaPng read = StartJpeg(&info, errors, h);
    if (read == TRgbaPng::kDecoded) read = ReadJpegRows(&info, errors, pixels.data());
    jpeg_destroy_decompress(&info);
    if (read != TRgbaPng::kDecoded) pixels.clear();
    if (read == TRgbaPng::kFailed)
    {
        why = errors.error[0] ? errors.error : "the JPEG data is damaged";
    }
    else if (read == TRgbaPng::kDecoded && errors.mgr.num_warnings > 0)
        why = errors.warning;
    return read;
}
} // namespace

SDL_Surface* DecodeImage(SDL_RWops* rw, std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height,
                         std::string& why)
{
    THeader h;
    const Sint64 start = SDL_RWtell(rw);
    if (!CheckImage(rw, start, h, why) || SDL_RWseek(rw, start, RW_SEEK_SET) != start) return nullptr;
    const TRgbaPng direct =
        h.kind == Kind::kJpeg ? DecodeJpeg(rw, h, pixels, why) : DecodeRgbaPng(rw, h, pixels, why);
    if (direct == TRgbaPng::kDecoded)
    {
        width = h.width;
        height = h.height;
    }
    if (direct != TRgbaPng::kOther) return nullptr;
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

} // namespace Internal
} // namespace DE50
