// libFuzzer entry: a scripted particle description read from arbitrary
// bytes, then stepped a few frames (its chunks run in their private state).

#include "engine/scene/nE_ParticleComplex.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <tinyxml.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    if (doc.Error()) return 0;
    nE_PartSysImpl_Complex system;
    system.LoadDocument(doc, "fuzz.xml");
    // Chunks are Lua: a loop without end is the content's own, not the loader's.
    if (text.find("while") != std::string::npos || text.find("repeat") != std::string::npos ||
        text.find("for") != std::string::npos || text.find("goto") != std::string::npos)
        return 0;
    nE_TimeStep step;
    step.step = step.elapsed = 0.25f;
    for (int i = 0; i < 3; ++i)
        system.Update(&step);
    system.Stop(true);
    return 0;
}
