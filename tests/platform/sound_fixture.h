#pragma once
// Test sounds made at run time: sine tones written as Ogg Vorbis, and the
// loopback device's output measured in fixed turns.

#include "de50/de50_sound.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace sound_fixture
{
const int kLoopbackRate = 44100;

inline void WritePages(ogg_stream_state* os, std::FILE* out, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(os, &page) : ogg_stream_pageout(os, &page))
    {
        std::fwrite(page.header, 1, page.header_len, out);
        std::fwrite(page.body, 1, page.body_len, out);
    }
}

// A 440 Hz sine tone at half scale; every channel carries the same tone. A
// claimed rate other than 0 replaces the rate written in the header.
inline bool WriteTone(const std::string& path, float seconds, int channels = 1, int rate = 22050,
                      uint32_t claimedRate = 0)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.2f) != 0)
        return vorbis_info_clear(&vi), std::fclose(out), false;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    ogg_packet header, comments, code, packet;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    for (int i = 0; claimedRate && i < 4; ++i)
        header.packet[12 + i] = static_cast<unsigned char>(claimedRate >> (8 * i));
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    WritePages(&os, out, true);
    // The whole tone in one buffer, then the end of the stream.
    const int total = static_cast<int>(seconds * rate);
    float** buffer = vorbis_analysis_buffer(&vd, total);
    for (int i = 0; i < total; ++i)
        for (int c = 0; c < channels; ++c)
            buffer[c][i] = 0.5f * std::sin(2.0f * 3.14159265f * 440.0f * i / rate);
    vorbis_analysis_wrote(&vd, total);
    vorbis_analysis_wrote(&vd, 0);
    while (vorbis_analysis_blockout(&vd, &vb) == 1)
    {
        vorbis_analysis(&vb, nullptr);
        vorbis_bitrate_addblock(&vb);
        while (vorbis_bitrate_flushpacket(&vd, &packet))
        {
            ogg_stream_packetin(&os, &packet);
            WritePages(&os, out, false);
        }
    }
    WritePages(&os, out, true);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(out) == 0;
}

// What came out of the loopback device, measured on the left channel.
struct Mix
{
    float peak = 0.0f;
    int crossings = 0;    // sign changes
    int longestQuiet = 0; // the longest run of near-silent frames
};

// Renders `seconds` of loopback output in turns of `turn` seconds, calling
// after(turn) after each (which should poll the sound manager).
template <class After> Mix RenderTurns(float seconds, float turn, After after)
{
    int frames = static_cast<int>(turn * kLoopbackRate);
    std::vector<float> samples(static_cast<size_t>(frames) * 2);
    Mix mix;
    int quiet = 0;
    float previous = 0.0f;
    for (float t = 0.0f; t < seconds - 1e-4f; t += turn)
    {
        DE50::TSoundManager::GetInstance()->RenderLoopback(samples.data(), frames);
        for (int i = 0; i < frames; ++i)
        {
            float left = samples[2 * static_cast<size_t>(i)];
            mix.peak = std::max(mix.peak, std::fabs(left));
            mix.crossings += (left > 0.0f) != (previous > 0.0f) ? 1 : 0;
            quiet = std::fabs(left) < 0.01f ? quiet + 1 : 0;
            mix.longestQuiet = std::max(mix.longestQuiet, quiet);
            previous = left;
        }
        after(turn);
    }
    return mix;
}

// The output level once gain changes have settled; after(turn) as above.
template <class After> float Level(After after)
{
    RenderTurns(0.03f, 0.03f, after);
    return RenderTurns(0.05f, 0.05f, after).peak;
}
inline float Level()
{
    return Level([](float) {});
}

// A loopback device for each test; a folder for the suite holding the tones
// "short" and "other" (0.2 s each) and what tests add.
class LoopbackTest : public testing::Test
{
protected:
    inline static std::string s_dir;

    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/ne_sound_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        s_dir = tmpl;
        ASSERT_TRUE(WriteTone(Name("short.ogg"), 0.2f) && WriteTone(Name("other.ogg"), 0.2f));
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        std::filesystem::remove_all(s_dir, ec);
    }
    void SetUp() override { ASSERT_TRUE(DE50::TSoundManager::OpenLoopback(kLoopbackRate)); }
    void TearDown() override { DE50::TSoundManager::Shutdown(); }

    static std::string Name(const char* sound) { return s_dir + "/" + sound; }
};
} // namespace sound_fixture
