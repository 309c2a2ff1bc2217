// A font file in its stored form (inputs whose first byte is odd are stored
// as given, the rest are scrambled first, so FreeType sees them), then a short
// text laid out with it.
#include "engine/scene/nE_Font.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Scratch();
    if (size == 0) return 0;
    std::vector<unsigned char> bytes(data + 1, data + size);
    if (data[0] % 2 == 0) bytes = nE_ScrambleFont(bytes.data(), bytes.size());
    fuzz::Write("font.nefnt", std::string(bytes.begin(), bytes.end()));
    nE_Font font;
    if (font.Load("font") && font.HasFace())
    {
        nE_TextBlock block;
        font.RenderBlock("Hidden objects, \xC3\xA9t\xC3\xA9\n\xE6\x97\xA5\xE6\x9C\xAC", 200, 1 + data[0] % 48,
                         data[0] % 3, block);
    }
    return 0;
}
