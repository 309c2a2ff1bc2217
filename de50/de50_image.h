#pragma once
// Image files as the content may hold them: PNG and JPEG, of a bounded size.

#include <cstdint>
#include <string>
#include <vector>

struct SDL_RWops;
struct SDL_Surface;

namespace DE50
{
namespace Internal
{

const uint32_t kMaxImageSide = 16384;
// 8192 x 4096: an ARGB copy stays within 128 MB.
const uint64_t kMaxImagePixels = uint64_t(8192) * 4096;

// Decodes the image that the bytes hold, whatever its file name says. Null, with
// the reason in `why`, for any other format or a size past the limits; the size
// is read from the header before anything is decoded. Does not close `rw`.
SDL_Surface* DecodeImage(SDL_RWops* rw, std::string& why);
// The usual image, an 8-bit RGBA PNG, decoded by libpng straight into rows of
// 0xAARRGGBB words (top row first), after the same checks as DecodeImage.
// kOther, having decoded nothing, for any other kind or layout of image: the
// caller then reads it through DecodeImage. Does not close `rw`.
enum class TRgbaPng
{
    kDecoded,
    kFailed,
    kOther
};
TRgbaPng DecodeRgbaPng(SDL_RWops* rw, std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height,
                       std::string& why);

// The size of the image in the file, after the same checks DecodeImage makes
// before decoding (format, size limits, PNG chunks); false with the reason.
bool ReadImageFileSize(const std::string& path, uint32_t& width, uint32_t& height, std::string& why);

} // namespace Internal
} // namespace DE50
