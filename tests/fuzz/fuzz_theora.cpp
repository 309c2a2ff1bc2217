// Video player on hostile input. The first byte picks the alpha form (even:
// ".zalpha", odd: ".oggalpha"), the next two give the video's share of the
// rest; the remainder is the alpha file.

#include "engine/scene/nE_TheoraDecoder.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

std::string WriteTemp(const char* suffix, const uint8_t* data, size_t size)
{
    std::string path = "/tmp/fuzz_theora_" + std::to_string(getpid()) + suffix;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return path;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) return 0;
    const bool ogg = data[0] & 1;
    size_t videoSize = (size_t(data[1]) << 8 | data[2]) * (size - 3) / 65535;
    const uint8_t* rest = data + 3;
    std::string video = WriteTemp(".ogg", rest, videoSize);
    std::string alpha = WriteTemp(ogg ? ".oggalpha" : ".zalpha", rest + videoSize, size - 3 - videoSize);
    nE_VideoPlayer player;
    player.Open(video, alpha);
    // Only a decoder (bounded frame size) makes the picture buffer worth having.
    std::vector<uint8_t> out;
    if (player.HasDecoder()) out.resize(size_t(player.GetFrameWidth()) * player.GetFrameHeight() * 4);
    for (int i = 0; i < 4 && player.DecodeNextFrame(); ++i)
        player.ConvertFrame(out.data(), 0);
    player.SeekToFrame(1);
    player.CountFrames();
    player.Close();
    std::remove(video.c_str());
    std::remove(alpha.c_str());
    return 0;
}
