#include "de50/de50_sound.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using DE50::TSound;
using DE50::TSoundInstance;
using DE50::TSoundManager;
using InstancePtr = std::shared_ptr<TSoundInstance>;

namespace
{
const int kRate = 44100; // loopback mixing rate

// Writes a sine tone as Ogg Vorbis; every channel carries the same tone.
bool WriteTone(const std::string& path, float seconds, int channels = 1, int rate = 22050)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.2f) != 0)
    {
        std::fclose(out);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    ogg_packet header, comments, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page))
    {
        std::fwrite(page.header, 1, page.header_len, out);
        std::fwrite(page.body, 1, page.body_len, out);
    }
    long total = static_cast<long>(seconds * rate);
    long done = 0;
    bool last = false;
    while (!last)
    {
        long n = std::min(4096L, total - done);
        if (n > 0)
        {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (long i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = 0.5f * std::sin(2.0f * 3.14159265f * 440.0f * (done + i) / rate);
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        else
        {
            vorbis_analysis_wrote(&vd, 0);
            last = true;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet))
            {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page))
                {
                    std::fwrite(page.header, 1, page.header_len, out);
                    std::fwrite(page.body, 1, page.body_len, out);
                }
            }
        }
    }
    while (ogg_stream_flush(&os, &page))
    {
        std::fwrite(page.header, 1, page.header_len, out);
        std::fwrite(page.body, 1, page.body_len, out);
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(out) == 0;
}

void Truncate(const std::string& from, const std::string& to, double fraction)
{
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(to, std::ios::binary) << bytes.substr(0, static_cast<size_t>(bytes.size() * fraction));
}

struct Recorder : DE50::TSoundCallBack
{
    int ends = 0;
    std::function<void()> action;
    void OnSoundEnd(InstancePtr instance) override
    {
        ++ends;
        EXPECT_TRUE(instance);
        if (action) action();
    }
};

struct Mix
{
    float peak = 0.0f;
    int crossings = 0;    // sign changes in the left channel
    int longestQuiet = 0; // the longest run of near-silent frames
};

class Loopback : public testing::Test
{
protected:
    static std::string s_dir;

    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/de50_sound_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        s_dir = tmpl;
        ASSERT_TRUE(WriteTone(s_dir + "/short.ogg", 0.2f));
        ASSERT_TRUE(WriteTone(s_dir + "/half.ogg", 0.5f, 2));
        ASSERT_TRUE(WriteTone(s_dir + "/long.ogg", 14.0f));
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        std::filesystem::remove_all(s_dir, ec);
    }
    void SetUp() override { ASSERT_TRUE(TSoundManager::OpenLoopback(kRate)); }
    void TearDown() override { TSoundManager::Shutdown(); }

    static std::string Name(const char* sound) { return s_dir + "/" + sound; }
    static TSoundManager* Manager() { return TSoundManager::GetInstance(); }

    // Renders the given time in turns of `turn` seconds, polling after each.
    static Mix Run(float seconds, float turn = 0.05f)
    {
        Mix mix;
        int frames = static_cast<int>(turn * kRate);
        std::vector<float> samples(static_cast<size_t>(frames) * 2);
        int quiet = 0;
        float previous = 0.0f;
        for (float t = 0.0f; t < seconds - 1e-4f; t += turn)
        {
            Manager()->RenderLoopback(samples.data(), frames);
            for (int i = 0; i < frames; ++i)
            {
                float left = samples[2 * i];
                mix.peak = std::max(mix.peak, std::fabs(left));
                mix.crossings += (left > 0.0f) != (previous > 0.0f) ? 1 : 0;
                quiet = std::fabs(left) < 0.01f ? quiet + 1 : 0;
                mix.longestQuiet = std::max(mix.longestQuiet, quiet);
                previous = left;
            }
            Manager()->Poll(turn);
        }
        return mix;
    }
    // The level after gain changes have settled.
    static float Level()
    {
        Run(0.03f, 0.03f);
        return Run(0.05f).peak;
    }
};
std::string Loopback::s_dir;
} // namespace

TEST_F(Loopback, RendersTheToneItPlays)
{
    auto sound = TSound::Get(Name("short"), false);
    ASSERT_TRUE(sound);
    EXPECT_FALSE(sound->IsStreamed());
    EXPECT_NEAR(0.2f, sound->GetSeconds(), 0.01f);
    EXPECT_EQ(0.0f, Run(0.05f).peak);

    auto instance = sound->Play(false, 0.0f);
    ASSERT_TRUE(instance);
    Mix mix = Run(0.1f, 0.1f);
    EXPECT_GT(mix.peak, 0.2f);
    EXPECT_LT(mix.peak, 0.6f);
    EXPECT_NEAR(2 * 440 * 0.1, mix.crossings, 10); // really the 440 Hz tone
}

TEST_F(Loopback, EndIsDeliveredOnceAfterThePlaybackEnds)
{
    Recorder recorder;
    auto instance = TSound::Get(Name("short"), true)->Play(false, 0.0f);
    instance->SetCallBack(&recorder);
    Run(0.15f);
    EXPECT_EQ(0, recorder.ends);
    EXPECT_TRUE(instance->IsPlaying());
    Run(0.1f);
    EXPECT_EQ(1, recorder.ends);
    EXPECT_FALSE(instance->IsPlaying());
    Run(0.5f);
    EXPECT_EQ(1, recorder.ends);
    EXPECT_EQ(0u, Manager()->GetVoiceCount());
}

// The way the sound hub uses it: the callback deletes itself and drops the last
// owner of the instance from inside the call.
struct HubLikeOwner
{
    InstancePtr instance;
    bool stopped = false;
};
struct SelfDeleting : DE50::TSoundCallBack
{
    HubLikeOwner* owner;
    explicit SelfDeleting(HubLikeOwner* o) : owner(o) {}
    void OnSoundEnd(InstancePtr instance) override
    {
        owner->stopped = true;
        owner->instance.reset();
        instance.reset();
        delete this;
    }
};

TEST_F(Loopback, CallbackMayDeleteItselfAndTheInstance)
{
    HubLikeOwner owner;
    auto sound = TSound::Get(Name("short"), false);
    owner.instance = sound->Play(false, 0.0f);
    sound.reset(); // the instance keeps its sound alive
    owner.instance->SetCallBack(new SelfDeleting(&owner));
    Run(0.3f);
    EXPECT_TRUE(owner.stopped);
    EXPECT_FALSE(owner.instance);
}

TEST_F(Loopback, KilledOrUnhookedInstancesGetNoEnd)
{
    Recorder killed, unhooked;
    auto sound = TSound::Get(Name("short"), false);
    auto a = sound->Play(false, 0.0f);
    auto b = sound->Play(false, 0.0f);
    a->SetCallBack(&killed);
    b->SetCallBack(&unhooked);
    // Render past the end without polling: both ends are pending.
    std::vector<float> samples(kRate * 2);
    Manager()->RenderLoopback(samples.data(), kRate / 2);
    a->Kill(0.0f);
    b->SetCallBack(nullptr);
    Run(0.2f);
    EXPECT_EQ(0, killed.ends);
    EXPECT_EQ(0, unhooked.ends);
    EXPECT_EQ(0u, Manager()->GetVoiceCount());
}

TEST_F(Loopback, AnEndCallbackMayKillAnotherPendingEnd)
{
    Recorder first, second;
    auto sound = TSound::Get(Name("short"), false);
    auto a = sound->Play(false, 0.0f);
    auto b = sound->Play(false, 0.0f);
    a->SetCallBack(&first);
    b->SetCallBack(&second);
    first.action = [&] { b->Kill(0.0f); };
    Run(0.3f, 0.3f); // both finish within one turn
    EXPECT_EQ(1, first.ends);
    EXPECT_EQ(0, second.ends);
}

TEST_F(Loopback, LoopingInstancesNeverEnd)
{
    Recorder recorder;
    auto instance = TSound::Get(Name("short"), false)->Play(true, 0.0f);
    instance->SetCallBack(&recorder);
    Run(1.0f);
    EXPECT_GT(Level(), 0.2f);
    EXPECT_EQ(0, recorder.ends);
    EXPECT_TRUE(instance->IsPlaying());
    instance->Kill(0.0f);
    EXPECT_LT(Level(), 0.01f);
    EXPECT_EQ(0, recorder.ends);
    EXPECT_EQ(0u, Manager()->GetVoiceCount());
}

TEST_F(Loopback, FadeInAndFadingKill)
{
    auto sound = TSound::Get(Name("short"), false);
    auto reference = sound->Play(true, 0.0f);
    float full = Level();
    reference->Kill(0.0f);
    ASSERT_GT(full, 0.2f);

    Recorder recorder;
    auto instance = sound->Play(true, 1.0f);
    instance->SetCallBack(&recorder);
    EXPECT_LT(Run(0.02f, 0.02f).peak, 0.05f * full);
    Manager()->Poll(0.48f);
    EXPECT_NEAR(0.5f, Level() / full, 0.1f);
    Manager()->Poll(1.0f);
    EXPECT_NEAR(1.0f, Level() / full, 0.05f);

    instance->Kill(1.0f);
    Manager()->Poll(0.42f);
    EXPECT_NEAR(0.5f, Level() / full, 0.1f);
    EXPECT_TRUE(instance->IsPlaying());
    Manager()->Poll(0.6f);
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_LT(Level(), 0.01f);
    EXPECT_EQ(0, recorder.ends);
}

TEST_F(Loopback, PauseHoldsTheVoiceAndItsEnd)
{
    Recorder recorder;
    auto instance = TSound::Get(Name("half"), false)->Play(false, 0.0f);
    instance->SetCallBack(&recorder);
    Run(0.2f);
    instance->Pause(true, 0.0f);
    EXPECT_TRUE(instance->IsPaused());
    EXPECT_LT(Level(), 0.01f);
    Run(1.0f);
    EXPECT_EQ(0, recorder.ends);
    instance->Pause(false, 0.0f);
    EXPECT_FALSE(instance->IsPaused());
    EXPECT_GT(Level(), 0.2f);
    Run(0.4f);
    EXPECT_EQ(1, recorder.ends);
}

TEST_F(Loopback, PauseAndResumeWithFades)
{
    auto instance = TSound::Get(Name("short"), false)->Play(true, 0.0f);
    float full = Level();
    instance->Pause(true, 1.0f);
    Manager()->Poll(0.42f);
    EXPECT_NEAR(0.5f, Level() / full, 0.1f);
    Manager()->Poll(0.6f);
    EXPECT_LT(Level(), 0.01f);
    instance->Pause(false, 1.0f);
    Manager()->Poll(0.42f);
    EXPECT_NEAR(0.5f, Level() / full, 0.1f);
    Manager()->Poll(0.6f);
    EXPECT_NEAR(1.0f, Level() / full, 0.05f);
}

TEST_F(Loopback, InstanceAndMasterVolumes)
{
    auto instance = TSound::Get(Name("short"), false)->Play(true, 0.0f);
    float full = Level();
    instance->SetVolume(0.5f);
    EXPECT_NEAR(0.5f, Level() / full, 0.05f);
    Manager()->SetVolume(0.5f);
    EXPECT_NEAR(0.25f, Level() / full, 0.05f);
    EXPECT_EQ(0.5f, Manager()->GetVolume());
    instance->SetVolume(std::nanf(""));
    EXPECT_LT(Level(), 0.01f);
    instance->SetVolume(4.0f); // held to full
    EXPECT_NEAR(0.5f, Level() / full, 0.05f);
    Manager()->SetVolume(-1.0f);
    EXPECT_LT(Level(), 0.01f);
    Manager()->SetVolume(1.0f);
    EXPECT_NEAR(1.0f, Level() / full, 0.05f);
}

TEST_F(Loopback, LongSoundsStreamWithoutGapsThroughSlowTurns)
{
    auto sound = TSound::Get(Name("long"), false);
    ASSERT_TRUE(sound);
    EXPECT_TRUE(sound->IsStreamed());
    EXPECT_NEAR(14.0f, sound->GetSeconds(), 0.05f);
    Recorder recorder;
    auto instance = sound->Play(false, 0.0f);
    instance->SetCallBack(&recorder);
    float played = 0.0f;
    int longestQuiet = 0;
    for (int turn = 0; played < 13.5f; ++turn)
    {
        float length = turn % 8 == 7 ? 1.2f : 0.25f; // now and then a slow turn
        Mix mix = Run(length, length);
        longestQuiet = std::max(longestQuiet, mix.longestQuiet);
        played += length;
    }
    EXPECT_LT(longestQuiet, 40); // a 440 Hz tone is near 0 only around its crossings
    EXPECT_EQ(0, recorder.ends);
    Run(1.0f, 0.25f);
    EXPECT_EQ(1, recorder.ends);
}

TEST_F(Loopback, LongLoopsWrapAround)
{
    Recorder recorder;
    auto instance = TSound::Get(Name("long"), false)->Play(true, 0.0f);
    instance->SetCallBack(&recorder);
    Mix mix = Run(16.0f, 0.5f);
    EXPECT_LT(mix.longestQuiet, 40);
    EXPECT_GT(Level(), 0.2f);
    EXPECT_EQ(0, recorder.ends);
}

TEST_F(Loopback, ManyVoicesShareOneDecodedSound)
{
    auto sound = TSound::Get(Name("short"), true);
    EXPECT_EQ(sound, TSound::Get(Name("short"), false));
    std::weak_ptr<TSound> weak = sound;
    sound.reset();
    EXPECT_FALSE(weak.expired()); // cached: kept for the next use

    Recorder recorder;
    std::vector<InstancePtr> voices;
    for (int i = 0; i < 64; ++i)
    {
        voices.push_back(TSound::Get(Name("short"), true)->Play(false, 0.0f));
        ASSERT_TRUE(voices.back());
        voices.back()->SetVolume(1.0f / 64);
        voices.back()->SetCallBack(&recorder);
    }
    EXPECT_EQ(64u, Manager()->GetVoiceCount());
    EXPECT_GT(Level(), 0.2f); // 64 quiet copies of one tone add up
    Run(0.3f);
    EXPECT_EQ(64, recorder.ends);
}

TEST_F(Loopback, RunningOutOfVoicesFailsCleanly)
{
    auto sound = TSound::Get(Name("short"), false);
    std::vector<InstancePtr> voices;
    testing::internal::CaptureStderr();
    for (int i = 0; i < 2000; ++i)
    {
        InstancePtr voice = sound->Play(true, 0.0f);
        if (!voice) break;
        voices.push_back(voice);
    }
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_GE(voices.size(), 64u);
    EXPECT_LT(voices.size(), 2000u);
    EXPECT_NE(std::string::npos, log.find("Warning: no free voice"));
    voices.front()->Kill(0.0f);
    EXPECT_TRUE(sound->Play(false, 0.0f)); // a freed voice plays again
}

TEST_F(Loopback, BadFilesAreLoggedAndRefused)
{
    std::ofstream(Name("garbage.ogg")) << "this is not an ogg file at all";
    Truncate(Name("short.ogg"), Name("headers.ogg"), 0.02);
    WriteTone(Name("six.ogg"), 0.1f, 6);
    const char* bad[] = {"missing", "garbage", "headers", "six"};
    for (const char* name : bad)
    {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(TSound::Get(Name(name), true));
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error: sound"));
    }
    EXPECT_FALSE(TSound::Get("", true));
}

// A file cut short opens or is refused; one that opens plays what it holds and ends once.
TEST_F(Loopback, TruncatedSoundsPlayWhatTheyHoldAndEnd)
{
    Truncate(Name("half.ogg"), Name("cut.ogg"), 0.6);
    Truncate(Name("long.ogg"), Name("cutdecoded.ogg"), 0.5);
    Truncate(Name("long.ogg"), Name("cutstreamed.ogg"), 0.85);
    for (const char* name : {"cut", "cutdecoded", "cutstreamed"})
    {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        auto sound = TSound::Get(Name(name), false);
        if (sound)
        {
            EXPECT_EQ(std::string(name) == "cutstreamed", sound->IsStreamed());
            Recorder recorder;
            auto instance = sound->Play(false, 0.0f);
            ASSERT_TRUE(instance);
            instance->SetCallBack(&recorder);
            Run(15.0f, 0.5f);
            EXPECT_EQ(1, recorder.ends);
        }
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(sound || log.find("Error: sound") != std::string::npos);
        EXPECT_TRUE(sound || std::string(name) == "cut");
    }
}

TEST_F(Loopback, NamesAreNormalised)
{
    std::string name = Name("short");
    std::string windows = name;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    auto sound = TSound::Get(name, false);
    EXPECT_EQ(sound, TSound::Get(windows, false));
    EXPECT_EQ(sound, TSound::Get(name + ".ogg", false));
}

TEST_F(Loopback, HeldObjectsOutliveTheDevice)
{
    Recorder recorder;
    auto sound = TSound::Get(Name("short"), true);
    auto instance = sound->Play(true, 0.0f);
    instance->SetCallBack(&recorder);
    TSoundManager::Shutdown();
    instance->SetVolume(0.5f);
    instance->Pause(true, 0.0f);
    instance->Kill(1.0f);
    EXPECT_FALSE(instance->IsPlaying());
    ASSERT_TRUE(TSoundManager::OpenLoopback(kRate));
    Run(0.3f);
    EXPECT_EQ(0, recorder.ends);
    instance.reset();
    sound.reset();
}

// Without any audio device the game runs silent after one warning. The
// driver choice is read at the first OpenAL call, so this runs in a fresh
// process.
TEST(De50SoundDevice, NoDeviceMeansSilenceAndOneWarning)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
            testing::internal::CaptureStderr();
            unsigned devices = DE50::GetNumSoundDevices();
            auto sound = TSound::Get("anything", true);
            TSoundManager::GetInstance()->SetVolume(0.5f);
            TSoundManager::GetInstance()->Poll(0.1f);
            TSoundManager::Shutdown();
            devices += DE50::GetNumSoundDevices();
            std::string log = testing::internal::GetCapturedStderr();
            size_t first = log.find("Warning: ");
            bool once = first != std::string::npos && log.find("Warning: ", first + 1) == std::string::npos;
            std::exit(devices == 0 && !sound && once ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
