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

// Decodes the image that the bytes hold, whatever its file name says. The usual
// images, an 8-bit RGBA PNG and a grey or colour JPEG, go by libpng and libjpeg
// straight into `pixels` as rows of 0xAARRGGBB words (top row first) with
// their size, and the answer is null; any other comes back as a surface. Null
// and no pixels, with the reason in `why`, for any other format or a size past
// the limits; the size is read from the header before anything is decoded. A
// JPEG whose data is cut short or damaged still gives its pixels (libjpeg
// fills in what is missing), with what is wrong in `why`. Does not close `rw`.
SDL_Surface* DecodeImage(SDL_RWops* rw, std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height,
                         std::string& why);

// The size of the image in the file, after the same checks DecodeImage makes
// before decoding (format, size limits, PNG chunks); false with the reason.
bool ReadImageFileSize(const std::string& path, uint32_t& width, uint32_t& height, std::string& why);

} // namespace Internal
} // namespace DE50
