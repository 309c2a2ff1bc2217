#include "de50/de50_sound.h"
#include "platform/de50_test_support.h"
#include "sound_fixture.h"
#include "support/failing_new.h"

#include <functional>
#include <sstream>
#include <tuple>

using DE50::TSound;
using DE50::TSoundManager;
using InstancePtr = std::shared_ptr<DE50::TSoundInstance>;
using sound_fixture::Mix;

namespace
{
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

class Loopback : public sound_fixture::LoopbackTest
{
protected:
    static TSoundManager* Manager() { return TSoundManager::GetInstance(); }
    static void Poll(float turn) { Manager()->Poll(turn); }
    // Renders the given time in turns, polling after each.
    static Mix Run(float seconds, float turn = 0.05f)
    {
        return sound_fixture::RenderTurns(seconds, turn, Poll);
    }
    static float Level() { return sound_fixture::Level(Poll); }
    // An instance of `sound` reporting to `recorder`.
    static InstancePtr Hooked(const char* sound, Recorder& recorder, bool loop = false)
    {
        InstancePtr instance = TSound::Get(Name(sound), false)->Play(loop, 0.0f);
        EXPECT_TRUE(instance);
        if (instance) instance->SetCallBack(&recorder);
        return instance;
    }
};
} // namespace

// 64 quiet voices of one cached sound add up to the tone; each end arrives once.
TEST_F(Loopback, ManyVoicesOfOneCachedSoundPlayTheToneAndEndOnce)
{
    auto sound = TSound::Get(Name("short"), true);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound, TSound::Get(Name("short.ogg"), false));
    EXPECT_FALSE(sound->IsStreamed());
    EXPECT_NEAR(0.2f, sound->GetSeconds(), 0.01f);
    std::weak_ptr<TSound> weak = sound;
    sound.reset();
    EXPECT_FALSE(weak.expired()); // cached: kept for the next use

    Recorder recorder;
    std::vector<InstancePtr> voices;
    for (int i = 0; i < 64; ++i)
    {
        voices.push_back(Hooked("short", recorder));
        voices.back()->SetVolume(1.0f / 64);
    }
    Mix mix = Run(0.1f, 0.1f);
    EXPECT_GT(mix.peak, 0.2f);
    EXPECT_LT(mix.peak, 0.6f);
    EXPECT_NEAR(2 * 440 * 0.1, mix.crossings, 10); // really the 440 Hz tone
    Run(0.05f);
    EXPECT_EQ(0, recorder.ends);
    EXPECT_TRUE(voices[0]->IsPlaying());
    Run(0.1f);
    EXPECT_EQ(64, recorder.ends);
    EXPECT_FALSE(voices[0]->IsPlaying());
    Run(0.5f);
    EXPECT_EQ(64, recorder.ends);
    EXPECT_EQ(0u, Manager()->GetVoiceCount());
}

// Pending ends of killed or unhooked instances are dropped. A callback may kill
// another instance, or (as the sound hub's does) delete itself and drop the last
// owner of its instance.
TEST_F(Loopback, EndCallbacksOfKilledUnhookedAndDeletedInstances)
{
    Recorder killed, unhooked, first, second;
    auto a = Hooked("short", killed), b = Hooked("short", unhooked);
    // Render past the end without polling: both ends are pending.
    sound_fixture::RenderTurns(0.5f, 0.5f, [](float) {});
    a->Kill(0.0f);
    b->SetCallBack(nullptr);
    Run(0.2f);
    EXPECT_EQ(0, killed.ends + unhooked.ends);
    EXPECT_EQ(0u, Manager()->GetVoiceCount());

    // An end callback kills another instance whose end is pending in the same turn.
    auto c = Hooked("short", first), d = Hooked("short", second);
    first.action = [&] { d->Kill(0.0f); };
    Run(0.3f, 0.3f);
    EXPECT_EQ(1, first.ends);
    EXPECT_EQ(0, second.ends);

    struct SelfDeleting : DE50::TSoundCallBack
    {
        InstancePtr* owner;
        explicit SelfDeleting(InstancePtr* o) : owner(o) {}
        void OnSoundEnd(InstancePtr instance) override
        {
            owner->reset();
            instance.reset();
            delete this;
        }
    };
    InstancePtr owner = TSound::Get(Name("short"), false)->Play(false, 0.0f); // keeps its sound alive
    owner->SetCallBack(new SelfDeleting(&owner));
    Run(0.3f);
    EXPECT_FALSE(owner);
}

// Looping instances never end on their own; volumes multiply and clamp; a kill
// with a fade time ramps down before the voice goes, and posts no end.
TEST_F(Loopback, LoopingVolumesAndKillWithFade)
{
    Recorder recorder;
    auto instance = Hooked("short", recorder, true);
    Run(1.0f);
    const float full = Level();
    EXPECT_GT(full, 0.2f);
    instance->SetVolume(0.5f);
    Manager()->SetVolume(0.5f);
    EXPECT_NEAR(0.25f, Level() / full, 0.05f);
    instance->SetVolume(std::nanf(""));
    EXPECT_LT(Level(), 0.01f);
    instance->SetVolume(1.0f);
    Manager()->SetVolume(1.0f);

    instance->Kill(1.0f);
    Manager()->Poll(0.42f);
    EXPECT_NEAR(0.5f, Level() / full, 0.1f);
    EXPECT_TRUE(instance->IsPlaying());
    Manager()->Poll(0.6f);
    EXPECT_FALSE(instance->IsPlaying());
    EXPECT_LT(Level(), 0.01f);
    EXPECT_EQ(0, recorder.ends);
    EXPECT_EQ(0u, Manager()->GetVoiceCount());
}

// Streamed sounds must not starve through slow turns, played once or looped.
TEST_F(Loopback, LongSoundsStreamWithoutGapsAndLoopsWrap)
{
    ASSERT_TRUE(sound_fixture::WriteTone(Name("long.ogg"), 14.0f));
    Recorder once, looped;
    auto instance = Hooked("long", once), loop = Hooked("long", looped, true);
    EXPECT_TRUE(TSound::Get(Name("long"), false)->IsStreamed());
    EXPECT_NEAR(14.0f, TSound::Get(Name("long"), false)->GetSeconds(), 0.05f);
    loop->SetVolume(0.5f);
    int longestQuiet = 0;
    float played = 0.0f;
    for (int turn = 0; played < 13.5f; ++turn)
    {
        float length = turn % 8 == 7 ? 1.2f : 0.25f; // now and then a slow turn
        longestQuiet = std::max(longestQuiet, Run(length, length).longestQuiet);
        played += length;
    }
    EXPECT_EQ(0, once.ends);
    longestQuiet = std::max(longestQuiet, Run(1.0f, 0.25f).longestQuiet); // the loop wraps here
    EXPECT_EQ(1, once.ends);
    longestQuiet = std::max(longestQuiet, Run(2.0f, 0.5f).longestQuiet);
    EXPECT_LT(longestQuiet, 40); // a 440 Hz tone is near 0 only around its crossings
    EXPECT_EQ(0, looped.ends);
}

// Bad files, and one memory cannot hold, are refused with a log line.
TEST_F(Loopback, BadFiles)
{
    std::ofstream(Name("garbage.ogg")) << "this is not an ogg file at all";
    const std::string tone = de50test::Slurp(Name("short.ogg"));
    std::ofstream(Name("headers.ogg"), std::ios::binary) << tone.substr(0, tone.size() / 50);
    sound_fixture::WriteTone(Name("six.ogg"), 0.1f, 6);
    sound_fixture::WriteTone(Name("rate31.ogg"), 0.1f, 1, 22050, 0x80000000u);
    sound_fixture::WriteTone(Name("rate32.ogg"), 0.1f, 2, 22050, 0xFFFFFFFFu);
    sound_fixture::WriteTone(Name("rate1.ogg"), 0.1f, 1, 22050, 1);
    sound_fixture::WriteTone(Name("second.ogg"), 1.0f);
    const std::pair<const char*, size_t> cases[] = {{"missing", 0}, {"garbage", 0}, {"headers", 0},
                                                    {"six", 0},     {"rate31", 0},  {"rate32", 0},
                                                    {"rate1", 0},   {"second", 32 << 10}};
    for (auto [name, failAt] : cases)
    {
        if (failAt && !FailingAllocations::Works()) continue;
        testing::internal::CaptureStderr();
        {
            FailingAllocations failing(failAt);
            EXPECT_FALSE(TSound::Get(Name(name), true)) << name;
        }
        const std::string line = failAt ? "Error: sound \"" + Name("second.ogg") + "\" could not be decoded: out of memory"
                                        : "Error: sound";
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(line)) << name;
    }
    EXPECT_FALSE(TSound::Get("", true));
}

// A sound cut short or with a damaged page still plays what is there, decoded
// at once or streamed, and names itself in one line however long it plays.
TEST_F(Loopback, DamagedFilesPlayWhatIsThereWithOneWarning)
{
    const std::string cutShort = "\" is cut short (its last Ogg page is missing or incomplete)",
                      damaged = "\" is damaged: a part that fails its check is skipped";
    for (auto [seconds, streamed] : {std::pair{8.0f, false}, {20.0f, true}})
    {
        ASSERT_TRUE(sound_fixture::WriteTone(Name("whole.ogg"), seconds));
        const std::string whole = de50test::Slurp(Name("whole.ogg"));
        std::string flipped = whole;
        for (size_t i = whole.size() * 3 / 5; i < whole.size() * 3 / 5 + 4; ++i)
            flipped[i] = char(~flipped[i]);
        for (auto [name, bytes, line] :
             {std::tuple{std::string("cut"), whole.substr(0, whole.size() * 3 / 5), cutShort},
              {"flipped", flipped, damaged}})
        {
            const std::string file = name + (streamed ? "_streamed" : "_decoded");
            const std::string path = Name(file.c_str());
            std::ofstream(path + ".ogg", std::ios::binary) << bytes;
            testing::internal::CaptureStderr();
            auto sound = TSound::Get(path, false);
            ASSERT_TRUE(sound) << file;
            EXPECT_EQ(streamed, sound->IsStreamed()) << file;
            Recorder recorder;
            InstancePtr first = Hooked(file.c_str(), recorder), second = Hooked(file.c_str(), recorder);
            Run(seconds + 0.5f, 0.25f);
            EXPECT_EQ(2, recorder.ends) << file;
            std::istringstream lines(testing::internal::GetCapturedStderr());
            std::vector<std::string> named;
            for (std::string text; std::getline(lines, text);)
                if (text.find(file) != std::string::npos) named.push_back(text);
            ASSERT_EQ(1u, named.size()) << file;
            EXPECT_EQ(0u, named[0].find("Warning: sound \"" + path + ".ogg" + line)) << named[0];
        }
    }
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
