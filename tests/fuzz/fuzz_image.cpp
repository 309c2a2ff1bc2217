// Image files of any content under a ".png" name, loaded as a texture, then
// decoded with its hit mask (which a texture leaves until first asked for).
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Scratch();
    fuzz::Write("image.png", std::string(reinterpret_cast<const char*>(data), size));
    nE_Texture_Pl5 texture;
    texture.Load("image");
    texture.GetHitMask();
    return 0;
}
