// The one XML entry point: any text either parses, is refused, or fails to
// parse; never a read past its end nor a stack exhausted by nesting.
#include "engine/core/nE_Xml.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    nE_XmlDepth(text, nE_kXmlMaxDepth);
    TiXmlDocument doc;
    nE_XmlParse(doc, text, "fuzz");
    return 0;
}
