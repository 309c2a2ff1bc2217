// Keyframe animation files on hostile input: load, play and step.

#include "engine/core/nE_TimeStep.h"
#include "engine/scene/nE_FlashAnim.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string base = "/tmp/fuzz_flashanim_" + std::to_string(getpid());
    FILE* f = std::fopen((base + ".xml").c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    nE_FlashAnim anim("fuzz");
    anim.SetResourceName(base);
    anim.Play("");
    nE_TimeStep step;
    step.step = step.elapsed = 0.5f;
    for (int i = 0; i < 8; ++i)
        anim.Update(&step);
    std::remove((base + ".xml").c_str());
    return 0;
}
