// The strategy guide reader: any text reads as a guide (missing parts empty)
// or is refused; contents entries only ever point at pages that exist.
#include "game/interface/nG_StrategyGuide.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    nG_Guide guide;
    nG_ParseGuide(std::string(reinterpret_cast<const char*>(data), size), guide);
    for (const nG_GuideTocEntry& entry : guide.contents)
        if (entry.page != -2 && (entry.page < 0 || size_t(entry.page) > guide.pages.size())) std::abort();
    return 0;
}
