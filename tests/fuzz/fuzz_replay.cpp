// Replayed input files: every event read keeps its pointer within range.
#include "de50/de50_loop.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Scratch();
    fuzz::Write("input.txt", std::string(reinterpret_cast<const char*>(data), size));
    for (const DE50::TReplayEvent& e : DE50::LoadReplay(fuzz::Scratch() + "input.txt"))
        if (e.event.x > (1 << 20) || e.event.x < -(1 << 20) || e.event.y > (1 << 20) || e.event.y < -(1 << 20))
            std::abort();
    return 0;
}
