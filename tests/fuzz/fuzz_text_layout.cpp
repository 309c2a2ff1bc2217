// Any bytes laid out as UTF-8 text with the test font: the first two bytes
// choose the pixel size, the width to wrap at and the alignment.
#include "engine/scene/nE_Font.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static nE_Font* font = [] {
        auto* f = new nE_Font();
        f->Load(NE_SOURCE_DIR "/tests/data/fonts/testfont");
        return f;
    }();
    if (size < 2 || !font->HasFace()) return 0;
    const int pixelSize = 1 + data[0] % 64;
    const int maxWidth = data[1] * 4 - 8;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    nE_TextBlock block;
    font->RenderBlock(text, maxWidth, pixelSize, data[1] % 3, block);
    if (block.pixels.size() != size_t(block.width) * size_t(block.height)) std::abort();
    return 0;
}
