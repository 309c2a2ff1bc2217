// The video object in a real window: timing at 25 fps, end triggers, Stop,
// SetFrame and Restore, subtitles, and files without a usable stream.

#include "de50/de50_loop.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_Subtitles.h"
#include "engine/scene/nE_TheoraDecoder.h"
#include "engine/scene/nE_Video.h"
#include "platform/de50_test_support.h"
#include "platform/sound_fixture.h"
#include "scene/engine_scope.h"
#include "scene/theora_fixture.h"
#include "support/failing_new.h"
#include "support/hostile.h"

#include <fstream>
#include <iterator>
#include <tuple>

namespace
{

using theorafixture::Level;

class VideoTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
        engine.Start();
    }
    void TearDown() override
    {
        engine.Stop();
        WindowTest::TearDown();
    }
    std::unique_ptr<nE_Video> Load(int frames, const theorafixture::Options& o = {})
    {
        theorafixture::WriteVideo(dir.path + "v.ogg", frames, nullptr, o);
        auto video = std::make_unique<nE_Video>("vid");
        video->SetResourceName(dir.path + "v");
        video->LoadResourcesTree();
        return video;
    }
    static void Tick(nE_Video& v, float elapsed)
    {
        nE_TimeStep step;
        step.step = 0.05f; // the capped step is not what video follows
        step.elapsed = elapsed;
        v.Update(&step);
    }
    // The luma level index the shown picture carries.
    static int ShownLevel(nE_Video& v)
    {
        auto* t = dynamic_cast<nE_TexImpl_Pl5*>(v.GetTexture().get());
        if (!t || !t->GetPlatformTexture(0)) return -1;
        const int blue = int(TexturePixel(t->GetPlatformTexture(0), 1, 1) & 0xFF);
        for (int i = 0; i < 20; ++i)
            if (std::abs(blue - nE_ClampShift8(nE_YuvTables::Get().y[Level(i)])) <= 3) return i;
        return -1;
    }
    de50test::ScratchDir dir;
    EngineScope engine;
    de50test::LogCapture& log = engine.log;
};

TEST_F(VideoTest, FollowsElapsedTimeSkippingWithoutConverting)
{
    auto v = Load(30);
    ASSERT_EQ(ShownLevel(*v), 0);
    v->Play("on_end");
    // Elapsed time; frame, decoder position, level shown, and whether a frame was converted.
    const std::tuple<float, int, int, int, bool> steps[] = {
        {0.02f, 0, 0, 0, false},  {0.02f, 1, 1, 0, true},    {0.01f, 1, 1, 0, false},
        {0.5f, 13, 13, 12, true}, {0.0f, 13, 13, 12, false}, {0.04f, 14, 14, 13, true}};
    for (auto [elapsed, frame, position, level, converted] : steps)
    {
        // A marker pixel survives a tick that converts nothing; frames go
        // into the one texture the video keeps.
        auto before = v->GetTexture();
        auto platform = dynamic_cast<nE_TexImpl_Pl5*>(before.get())->GetPlatformTexture(0);
        platform->Lock(nullptr)[0] = 0x12345678u;
        platform->Unlock();
        Tick(*v, elapsed);
        EXPECT_EQ(std::tuple(frame, position, level, converted),
                  std::tuple(v->GetFrame(), v->GetPlayer()->GetPosition(), ShownLevel(*v),
                             TexturePixel(platform, 0, 0) != 0x12345678u))
            << v->GetTime();
        EXPECT_EQ(v->GetTexture(), before);
    }
}

TEST_F(VideoTest, EndTriggerAndSubtitlesAtEveryRun)
{
    std::ofstream(dir.path + "v.srt") << "1\n00:00:00,000 --> 00:00:00,050\nA\n";
    for (bool looped : {false, true})
    {
        auto v = Load(3);
        v->SetLoop(looped);
        v->Play("on_end");
        v->Play("other"); // ignored while playing
        size_t posts = 0, subtitleTicks = 0;
        for (int tick = 0; tick < 12; ++tick)
        {
            Tick(*v, 0.041f);
            posts = g_triggerManager->GetQueueSize();
            subtitleTicks += v->GetSubtitles()->IsShown();
        }
        EXPECT_EQ(subtitleTicks, looped ? 4u : 1u) << "every run shows its subtitles";
        g_triggerManager->Update();
        EXPECT_EQ(v->GetEndTrigger(), "on_end");
        EXPECT_EQ(posts, looped ? 3u : 1u) << looped;
        EXPECT_EQ(v->IsPlaying(), looped);
    }
}

TEST_F(VideoTest, StopSetFrameAndRestore)
{
    std::ofstream(dir.path + "v.srt") << "1\n00:00:00,000 --> 00:00:09,000\nline\n";
    auto v = Load(12);
    v->Play("");
    Tick(*v, 0.2f);
    ASSERT_TRUE(v->GetSubtitles() && v->GetSubtitles()->IsShown());
    v->Stop();
    EXPECT_FALSE(v->GetSubtitles()->IsShown());
    EXPECT_EQ(ShownLevel(*v), 0);
    EXPECT_EQ(v->GetTime(), 0.0f);

    v->SetFrame(6);
    EXPECT_EQ(ShownLevel(*v), 6);
    EXPECT_FLOAT_EQ(v->GetTime(), 6 * 0.04f);
    auto shown = v->GetTexture();
    v->SetFrame(6);
    EXPECT_EQ(v->GetTexture(), shown) << "same frame: nothing";
    v->Pause(false);
    Tick(*v, 0.05f);
    EXPECT_EQ(v->GetFrame(), 7) << "resumes at once";

    v->Restore(false);
    EXPECT_EQ(ShownLevel(*v), 6);
    EXPECT_FLOAT_EQ(v->GetTime(), 7 * 0.04f);

    v->SetCountFrames(true);
    v->ReleaseResourcesTree();
    v->LoadResourcesTree();
    EXPECT_EQ(v->GetFrameCount(), 12);
    v->SetFrame(12);
    EXPECT_EQ(v->GetFrame(), 7) << "beyond the counted frames";
}

// A tick late enough to skip past the last frame ends the run as the decode
// of a missing frame does.
TEST_F(VideoTest, EndsWhenSkippingRunsOutOfFrames)
{
    // Frame rate, frames, looped, tick, ticks; end triggers posted and still playing.
    for (auto [fps, frames, looped, tick, ticks, posts, playing] :
         {std::tuple{100u, 20, false, DE50::kFixedStepMs / 1000.0f, 59, size_t(1), false},
          {100u, 20, true, DE50::kFixedStepMs / 1000.0f, 59, size_t(4), true},
          {25u, 12, false, 0.3f, 3, size_t(1), false}})
    {
        theorafixture::Options o;
        o.fps = fps;
        auto v = Load(frames, o);
        v->SetLoop(looped);
        v->Play("on_end");
        for (int i = 0; i < ticks; ++i)
            Tick(*v, tick);
        EXPECT_EQ(std::pair(g_triggerManager->GetQueueSize(), v->IsPlaying()), std::pair(posts, playing))
            << fps << " fps, looped " << looped << ", frame " << v->GetFrame();
        g_triggerManager->Update();
    }
}

// A file without a Theora stream says so once and ends at the first update,
// once even when looped; without a file nothing plays at all.
TEST_F(VideoTest, MissingOrUnusableStreams)
{
    theorafixture::Options zero;
    zero.identPatch = {{26, 0}, {27, 0}, {28, 0}, {29, 0}}; // frame-rate denominator 0
    theorafixture::WriteVideo(dir.path + "zerofps.ogg", 3, nullptr, zero);
    theorafixture::WriteVideo(dir.path + "whole.ogg", 3);
    std::ifstream in(dir.path + "whole.ogg", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Cut inside the page holding the comment and setup headers.
    std::ofstream(dir.path + "cut.ogg", std::ios::binary) << bytes.substr(0, bytes.find("OggS", 4) + 40);
    std::ofstream(dir.path + "junk.ogg") << std::string(3000, 'j');
    ASSERT_TRUE(sound_fixture::WriteTone(dir.path + "vorbis.ogg", 0.2f));
    for (const char* file : {"nothing", "junk", "vorbis", "cut", "zerofps"})
    {
        log.lines.clear();
        const bool exists = std::string(file) != "nothing";
        nE_Video v(file);
        v.SetResourceName(dir.path + file);
        v.SetLoop(true);
        v.LoadResourcesTree();
        v.Play("on_end");
        Tick(v, 0.017f);
        EXPECT_FALSE(v.IsPlaying()) << file << ": ended at the first update";
        Tick(v, 1.0f);
        Tick(v, 1.0f);
        EXPECT_EQ(std::pair(g_triggerManager->GetQueueSize(), v.IsPlaying()), std::pair(size_t(1), false))
            << file;
        g_triggerManager->Update();
        ASSERT_EQ(log.lines.size(), 1u) << file;
        const std::string expected = exists ? "Error: video " + std::string(file) + ": \"" + dir.path + file +
                                                  ".ogg\" holds no Theora stream that can be decoded"
                                            : "Error: video nothing could not find \"";
        EXPECT_EQ(log.lines[0].find(expected), 0u) << log.lines[0];
        EXPECT_FLOAT_EQ(v.GetFrameDuration(), exists ? 0.04f : 0.0f) << "kept finite";
        v.SetFrame(3);
        EXPECT_EQ(v.GetFrame(), 3);
        v.Stop();
        EXPECT_FALSE(v.GetTexture());
    }
}

// A frame memory cannot hold refuses the video: no picture, no player, and
// nothing more is decoded.
TEST_F(VideoTest, AFrameMemoryCannotHoldRefusesTheVideo)
{
    if (!FailingAllocations::Works()) GTEST_SKIP() << "the sanitizers' allocator is in force";
    theorafixture::Options o;
    o.width = o.height = 512;
    ASSERT_TRUE(theorafixture::WriteVideo(dir.path + "big.ogg", 3, nullptr, o));
    nE_Video video("big");
    video.SetResourceName(dir.path + "big");
    {
        FailingAllocations failing(512 << 10);
        video.LoadResourcesTree();
    }
    EXPECT_TRUE(log.Has("Error: video big could not decode \"" + dir.path + "big.ogg\": out of memory"));
    EXPECT_FALSE(video.GetTexture() || video.GetPlayer());
    video.Play("on_end");
    Tick(video, 1.0f);
    EXPECT_FALSE(video.GetTexture());
}

// A damaged video or alpha file is named in one line, once, however often it
// is read; the video still plays what it can and ends (its end call posted).
TEST_F(VideoTest, DamagedVideoAndAlphaFilesAreNamedOnce)
{
    const std::string v = dir.path + "v";
    const auto slurp = [](const std::string& path) { return de50test::Slurp(path); };
    const auto write = [](const std::string& path, const std::string& bytes)
    { std::ofstream(path, std::ios::binary) << bytes; };
    // Both inside the last page, past the headers: cut short, or four bytes inverted.
    const auto cut = [&](const std::string& path)
    {
        const std::string bytes = slurp(path);
        write(path, bytes.substr(0, bytes.rfind("OggS") + 40));
    };
    const auto flip = [&](const std::string& path)
    {
        std::string bytes = slurp(path);
        for (size_t i = bytes.rfind("OggS") + 40; i < bytes.rfind("OggS") + 44; ++i)
            bytes[i] = char(~bytes[i]);
        write(path, bytes);
    };
    const std::vector<uint8_t> plane(32 * 16, 200);
    theorafixture::Options big;
    big.width = 64;
    big.height = 32;
    const std::string alpha = "Warning: video vid: alpha file \"" + v, video = "Warning: video vid: \"" + v;
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { hostile::CopyTo("video", "garbage.zalpha", v + ".zalpha"); },
         alpha + ".zalpha\" is damaged: a record of "},
        {[&] { hostile::CopyTo("video", "longrecord.zalpha", v + ".zalpha"); },
         alpha +
             ".zalpha\" is damaged: a record of 1073741824 bytes runs past the end of the file (30 bytes)"},
        {[&] { hostile::CopyTo("video", "notzlib.zalpha", v + ".zalpha"); },
         alpha + ".zalpha\" is damaged: a record does not inflate to the video's 32 x 16 bytes of alpha"},
        {[&] { hostile::CopyTo("video", "bigplane.zalpha", v + ".zalpha"); },
         alpha + ".zalpha\" is damaged: a record does not inflate to the video's 32 x 16 bytes of alpha"},
        {[&] {
             theorafixture::WriteZAlpha(v + ".zalpha", {5, plane});
         },
         alpha + ".zalpha\" is damaged: it ends after 5 frames, before the video does"},
        {[&]
         {
             theorafixture::WriteZAlpha(v + ".zalpha", {10, plane});
             write(v + ".zalpha", slurp(v + ".zalpha").substr(0, 150));
         },
         alpha + ".zalpha\" is damaged: a record of "},
        {[&] { hostile::CopyTo("video", "garbage.oggalpha", v + ".oggalpha"); },
         alpha +
             ".oggalpha\" is damaged: it holds no Theora stream that can be decoded; the video plays opaque"},
        {[&] { theorafixture::WriteVideo(v + ".oggalpha", 10, nullptr, big); },
         alpha + ".oggalpha\" is damaged: its pictures are 64 x 32, the video's 32 x 16"},
        {[&] { theorafixture::WriteVideo(v + ".oggalpha", 10), cut(v + ".oggalpha"); },
         alpha + ".oggalpha\" is damaged: it ends without its end-of-stream mark: the file is cut short"},
        {[&] { cut(v + ".ogg"); }, video + ".ogg\" is damaged: it ends without its end-of-stream mark"},
        {[&] { flip(v + ".ogg"); }, video + ".ogg\" is damaged: a page fails its check (damaged bytes)"},
    };
    for (const auto& [make, line] : cases)
    {
        std::remove((v + ".zalpha").c_str());
        std::remove((v + ".oggalpha").c_str());
        ASSERT_TRUE(theorafixture::WriteVideo(v + ".ogg", 10));
        make();
        log.lines.clear();
        nE_ForgetWarnings();
        nE_Video video("vid");
        video.SetResourceName(v);
        video.SetLoop(true);
        video.LoadResourcesTree();
        video.Play("on_end");
        for (int i = 0; i < 30; ++i)
            Tick(video, 0.04f);
        EXPECT_GE(g_triggerManager->GetQueueSize(), 1u) << line;
        g_triggerManager->Update();
        ASSERT_EQ(1u, log.lines.size()) << line;
        EXPECT_EQ(0u, log.lines[0].find(line)) << log.lines[0];
    }
}

} // namespace
