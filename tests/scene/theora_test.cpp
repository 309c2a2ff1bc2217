// Theora decoding: colour conversion, chroma addressing, the alpha picture,
// seeking and counting on encoded files, and hostile files. Both alpha files
// on a real video are shown by the whole-game check.

#include "engine/scene/nE_TheoraDecoder.h"
#include "platform/de50_test_support.h"
#include "scene/theora_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>

namespace
{

using theorafixture::Level;

// Planes of w x h luma `y`; chroma at (cx, cy) is cx * 16 + cy (u) and its inverse (v).
struct SyntheticPlanes
{
    std::vector<uint8_t> data[3];
    th_ycbcr_buffer buf{};
    SyntheticPlanes(int w, int h, int hs, int vs, uint8_t y)
    {
        for (int p = 0; p < 3; ++p)
        {
            const int pw = p ? w >> hs : w, ph = p ? h >> vs : h;
            for (int i = 0; i < pw * ph; ++i)
                data[p].push_back(
                    p == 0 ? y : uint8_t(p == 1 ? i % pw * 16 + i / pw : 255 - (i % pw * 16 + i / pw)));
            buf[p] = th_img_plane{pw, ph, pw, data[p].data()};
        }
    }
};

std::vector<uint8_t> Convert(const th_ycbcr_buffer planes, int fmt, const uint8_t* alpha, unsigned w,
                             unsigned h)
{
    std::vector<uint8_t> out(size_t(w) * h * 4, 0);
    nE_ConvertZAlpha(planes, fmt, 0, alpha, out.data(), w, h);
    return out;
}

// Values clamp at both ends; a clear pixel is written as all zero.
TEST(TheoraConvert, ColourValuesClampAndSkipClearPixels)
{
    const uint8_t cases[][7] = {// y, u, v, alpha -> b, g, r
                                {16, 128, 128, 255, 0, 0, 0},  {235, 128, 128, 255, 255, 255, 255},
                                {81, 90, 240, 255, 0, 0, 255}, {255, 255, 255, 7, 255, 125, 255},
                                {0, 0, 0, 255, 0, 135, 0},     {200, 50, 60, 0, 0, 0, 0}};
    for (const auto& c : cases)
    {
        uint8_t y[2] = {c[0], c[0]}, u[1] = {c[1]}, v[1] = {c[2]}, a[4] = {c[3], c[3], c[3], c[3]};
        th_ycbcr_buffer p = {{2, 2, 0, y}, {1, 1, 0, u}, {1, 1, 0, v}};
        const std::vector<uint8_t> out = Convert(p, TH_PF_420, a, 2, 2);
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 4),
                  std::vector<uint8_t>({c[4], c[5], c[6], c[3]}))
            << int(c[0]);
    }
}

TEST(TheoraConvert, ChromaAddressedPerPixelFormat)
{
    const nE_YuvTables& t = nE_YuvTables::Get();
    for (auto [fmt, hs, vs] : {std::tuple{TH_PF_420, 1, 1}, {TH_PF_422, 1, 0}, {TH_PF_444, 0, 0}})
    {
        SyntheticPlanes planes(8, 4, hs, vs, 128);
        const std::vector<uint8_t> out = Convert(planes.buf, fmt, nullptr, 8, 4);
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(out[size_t(i) * 4], nE_ClampShift8(t.y[128] + t.ub[(i % 8 >> hs) * 16 + (i / 8 >> vs)]))
                << fmt << " pixel " << i;
    }
    SyntheticPlanes planes(4, 4, 0, 0, 128);
    EXPECT_EQ(Convert(planes.buf, 1, nullptr, 4, 4), std::vector<uint8_t>(64, 0)) << "reserved format";
}

TEST(TheoraConvert, OggAlphaScalesLumaAndClearsOutsideSmallerAlpha)
{
    SyntheticPlanes video(8, 4, 1, 1, 235);
    uint8_t ya[4] = {16, 235, 126, 126}, ua[1] = {128}, va[1] = {128};
    th_ycbcr_buffer alpha = {{2, 2, 2, ya}, {1, 1, 1, ua}, {1, 1, 1, va}};
    std::vector<uint8_t> out(8 * 4 * 4, 0);
    nE_ConvertOggAlpha(video.buf, TH_PF_420, alpha, TH_PF_420, 0, out.data(), 8, 4);
    EXPECT_EQ((std::vector<int>{0, 255, 128}), (std::vector<int>{out[3], out[7], out[8 * 4 + 3]}));
    for (size_t i : {2, 7, 16, 31})
        EXPECT_EQ(out[i * 4 + 3], 0) << "pixel " << i << " lies outside the alpha picture";
}

class TheoraFileTest : public testing::Test
{
protected:
    std::string Video(int frames, int format = TH_PF_420,
                      const std::vector<std::pair<size_t, uint8_t>>& patch = {})
    {
        theorafixture::Options o;
        o.pixelFormat = format;
        o.identPatch = patch;
        EXPECT_TRUE(theorafixture::WriteVideo(dir.path + "v.ogg", frames, nullptr, o));
        return dir.path + "v.ogg";
    }
    // Blue and alpha of pixel 0 after converting the current frame.
    static std::pair<int, int> Converted(nE_VideoPlayer& player)
    {
        std::vector<uint8_t> out(32 * 16 * 4, 0);
        player.ConvertFrame(out.data(), 0);
        return {out[0], out[3]};
    }
    de50test::ScratchDir dir;
};

TEST_F(TheoraFileTest, SeeksBackAndForthAndCounts)
{
    for (int fmt : {TH_PF_420, TH_PF_422, TH_PF_444})
    {
        nE_VideoPlayer player;
        ASSERT_TRUE(player.Open(Video(12, fmt), ""));
        EXPECT_FLOAT_EQ(player.GetFps(), 25.0f);
        for (int seek : {8, 5, 3, 5, 0, 11})
        {
            player.SeekToFrame(seek);
            ASSERT_TRUE(player.DecodeNextFrame());
            EXPECT_NEAR(Converted(player).first, nE_ClampShift8(nE_YuvTables::Get().y[Level(seek)]), 3)
                << fmt << " seek " << seek;
            EXPECT_EQ(player.GetPosition(), seek + 1);
        }
        EXPECT_EQ(player.CountFrames(), 12);
        EXPECT_FALSE(player.DecodeNextFrame());
        EXPECT_TRUE(player.IsEnded());
    }
}

// Every frame of a file as a player decodes it on its own after a seek, which
// never reads ahead.
static std::vector<std::vector<uint8_t>> FramesBySeeking(const std::string& video, const std::string& alpha,
                                                         int frames)
{
    std::vector<std::vector<uint8_t>> out;
    for (int i = 0; i < frames; ++i)
    {
        nE_VideoPlayer player;
        player.Open(video, alpha);
        player.SeekToFrame(i);
        EXPECT_TRUE(player.DecodeNextFrame());
        out.emplace_back(32 * 16 * 4, 0);
        player.ConvertFrame(out.back().data(), 0);
    }
    return out;
}

// Played frame after frame, the next frame is decoded ahead on the worker; the
// pictures, positions and ends are those of single steps, with skips, seeks
// back and a second alpha picture mixed in.
TEST_F(TheoraFileTest, ReadingAheadShowsTheFramesSingleStepsShow)
{
    const std::string video = Video(12);
    theorafixture::WriteVideo(dir.path + "a.oggalpha", 12, [](int i) { return theorafixture::Picture{Level(11 - i)}; });
    for (const std::string& alpha : {std::string(), dir.path + "a.oggalpha"})
    {
        const auto expected = FramesBySeeking(video, alpha, 12);
        nE_VideoPlayer player;
        ASSERT_TRUE(player.Open(video, alpha));
        std::vector<uint8_t> out(32 * 16 * 4);
        // Decode 0..4, skip 5, decode 6..7, back to 2, decode 2..11, then the end. Upper
        // case: the decode follows another, so the next frame is read ahead.
        const std::vector<std::pair<char, int>> steps = {{'d', 0}, {'D', 1}, {'D', 2}, {'D', 3}, {'D', 4},
                                                         {'s', 5}, {'d', 6}, {'D', 7}, {'b', 2}};
        auto check = [&](int frame)
        {
            ASSERT_TRUE(player.DecodeNextFrame()) << frame;
            EXPECT_EQ(player.GetPosition(), frame + 1);
            ASSERT_TRUE(player.ConvertFrame(out.data(), 0));
            EXPECT_EQ(out, expected[size_t(frame)]) << "frame " << frame << " alpha " << alpha;
        };
        for (auto [kind, frame] : steps)
        {
            if (kind == 'd' || kind == 'D') check(frame);
            if (kind == 's')
            {
                EXPECT_TRUE(player.SkipFrame());
            }
            if (kind == 'b') player.SeekToFrame(frame);
            EXPECT_EQ(player.IsReadingAhead(), kind == 'D') << frame;
        }
        // The skipped frame left the picture of frame 7 in place until the next decode.
        for (int frame = 2; frame < 12; ++frame)
            check(frame);
        EXPECT_FALSE(player.DecodeNextFrame());
        EXPECT_TRUE(player.IsEnded());
        EXPECT_FALSE(player.IsReadingAhead());
        EXPECT_EQ(player.CountFrames(), 12);
    }
}

// Damage found while reading a frame ahead is told only once that frame is
// stepped onto, as single steps tell it; a seek back drops it unseen.
TEST_F(TheoraFileTest, DamageReadAheadIsToldWhenItsFrameIsReached)
{
    // Noise, so that frames fill pages of their own and the last page is far from the first.
    theorafixture::Options noise;
    noise.width = noise.height = 64;
    noise.fill = [](int frame, th_ycbcr_buffer p)
    {
        for (int i = 0; i < 3; ++i)
            for (int y = 0; y < p[i].height; ++y)
                for (int x = 0; x < p[i].width; ++x)
                    p[i].data[y * p[i].stride + x] = uint8_t((x * 7919 + y * 104729 + frame * 31 + i) * 2654435761u >> 24);
    };
    ASSERT_TRUE(theorafixture::WriteVideo(dir.path + "noise.ogg", 12, nullptr, noise));
    std::string bytes = de50test::Slurp(dir.path + "noise.ogg");
    for (size_t i = bytes.rfind("OggS") + 40; i < bytes.rfind("OggS") + 44; ++i)
        bytes[i] = char(~bytes[i]);
    const std::string video = dir.path + "flipped.ogg";
    std::ofstream(video, std::ios::binary) << bytes;
    // The number of steps until the damage is told (the last may fail: the
    // damaged page can end the stream).
    auto stepsToDamage = [&](bool decode)
    {
        nE_VideoPlayer player;
        player.Open(video, "");
        int steps = 0;
        while (player.GetVideoDamage().empty() && steps < 20)
            ++steps, decode ? player.DecodeNextFrame() : player.SkipFrame();
        return steps;
    };
    const int steps = stepsToDamage(false);
    ASSERT_GT(steps, 3) << "the damage lies past the frames decoded before reading ahead starts";
    ASSERT_LT(steps, 20);
    EXPECT_EQ(stepsToDamage(true), steps);

    nE_VideoPlayer player;
    player.Open(video, "");
    for (int i = 0; i + 1 < steps; ++i)
        ASSERT_TRUE(player.DecodeNextFrame());
    EXPECT_TRUE(player.IsReadingAhead());
    EXPECT_EQ(player.GetVideoDamage(), "");
    player.SeekToFrame(0);
    EXPECT_EQ(player.GetVideoDamage(), "");
    for (int i = 0; i + 1 < steps; ++i)
        ASSERT_TRUE(player.SkipFrame());
    EXPECT_EQ(player.GetVideoDamage(), "");
    player.SkipFrame();
    EXPECT_EQ(player.GetVideoDamage(), "a page fails its check (damaged bytes) and is skipped");
}

// A player closed, opened again or deleted while a frame is being read ahead
// waits for it; the worker is gone with the close.
TEST_F(TheoraFileTest, ClosingWhileReadingAheadWaitsForTheWorker)
{
    const std::string video = Video(12);
    for (int round = 0; round < 20; ++round)
    {
        nE_VideoPlayer player;
        ASSERT_TRUE(player.Open(video, ""));
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(player.DecodeNextFrame());
        ASSERT_TRUE(player.IsReadingAhead());
        if (round % 2) continue; // deleted with the frame in flight
        ASSERT_TRUE(player.Open(video, ""));
        EXPECT_FALSE(player.IsReadingAhead());
        EXPECT_EQ(player.GetPosition(), 0);
        ASSERT_TRUE(player.DecodeNextFrame());
        EXPECT_EQ(Converted(player).first, nE_ClampShift8(nE_YuvTables::Get().y[Level(0)])) << round;
        player.Close();
        EXPECT_FALSE(player.HasDecoder() || player.DecodeNextFrame());
    }
}

TEST_F(TheoraFileTest, HostileFilesFailCleanly)
{
    std::string video = Video(4);
    std::ifstream in(video, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cut = dir.path + "cut.ogg";
    for (size_t n = 0; n < bytes.size(); n += 7)
    {
        std::ofstream(cut, std::ios::binary) << bytes.substr(0, n);
        nE_VideoPlayer player;
        player.Open(cut, dir.path + "none.zalpha");
        const int frames = player.CountFrames();
        EXPECT_LE(frames, 4);
        player.SeekToFrame(0);
        EXPECT_EQ(frames > 0, player.DecodeNextFrame()) << "cut at " << n;
        Converted(player);
    }
    // Not Theora, or without the page that starts the stream: no decoder,
    // nothing decodes, nothing is written.
    nE_VideoPlayer player;
    for (const std::string& junk : {std::string(5000, 'x'), bytes.substr(bytes.find("OggS", 4))})
    {
        std::ofstream(cut, std::ios::binary) << junk;
        ASSERT_TRUE(player.Open(cut, ""));
        EXPECT_FALSE(player.HasDecoder() || player.DecodeNextFrame());
        EXPECT_EQ(player.GetFps(), 0.0f);
    }
    // A zero frame-rate denominator (ident header bytes 26..29).
    ASSERT_TRUE(player.Open(Video(2, TH_PF_420, {{26, 0}, {27, 0}, {28, 0}, {29, 0}}), ""));
    EXPECT_EQ(player.GetFps(), 0.0f);
    // 65536 x 4096 pixels (macroblock counts at bytes 10..13) is refused.
    ASSERT_TRUE(player.Open(Video(2, TH_PF_420, {{10, 0x10}, {11, 0}, {12, 0x01}, {13, 0}}), ""));
    EXPECT_EQ(player.GetFrameWidth(), 65536u);
    EXPECT_FALSE(player.HasDecoder() || player.DecodeNextFrame());
    video = Video(3);
    // ".zalpha" records: a length beyond the file, a short length field, a block that fails to inflate.
    for (auto [record, decodes] :
         {std::pair<std::string, bool>{std::string("\xff\xff\xff\xff", 4) + "abc", false},
          {std::string("\x05\x00\x00", 3), false},
          {std::string("\x03\x00\x00\x00xyz", 7), true}})
    {
        std::ofstream(dir.path + "a.zalpha", std::ios::binary) << record;
        ASSERT_TRUE(player.Open(video, dir.path + "a.zalpha"));
        EXPECT_EQ(player.DecodeNextFrame(), decodes);
        EXPECT_EQ(Converted(player).second, 0) << "the alpha buffer starts zeroed";
    }
}

} // namespace
