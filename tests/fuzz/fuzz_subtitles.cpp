// Subtitle parsing and playback on hostile text.

#include "engine/scene/nE_Subtitles.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    nE_SubtitleList list;
    list.Parse(std::string(reinterpret_cast<const char*>(data), size));
    for (float t = 0.0f; t < 10.0f; t += 0.7f)
        list.Update(t);
    list.Hide();
    list.Update(1e30f);
    return 0;
}
