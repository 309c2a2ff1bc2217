// libFuzzer entry: an emitter-file particle description read from arbitrary
// bytes, then started and stepped a few frames.

#include "engine/scene/nE_ParticleJan.h"

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
    nE_PartSysImpl_Jan system;
    system.LoadDocument(doc, "fuzz.xml");
    for (const nE_JanEmitter& e : system.GetEmitters())
        if (e.p.preproc > 50 || e.p.born_count > 1000) return 0; // valid, only slow
    system.Start();
    nE_TimeStep step;
    step.step = step.elapsed = 0.5f;
    for (int i = 0; i < 3; ++i)
        system.Update(&step);
    system.Stop(true);
    return 0;
}
