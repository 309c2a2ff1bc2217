// CPU time to play 32 sounds at once through the sound hub for 10 s of audio,
// mixed on OpenAL Soft's loopback device in 20 ms turns (render, poll, hub
// update), as the game's loop would. Arg 0: short sounds decoded once and
// shared; arg 1: long sounds, each voice streaming its own part.

#include "bench/fixtures/bench_env.h"
#include "bench/fixtures/sound_tones.h"
#include "engine/platform/nE_SoundHub_Pl5.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{
const int kVoices = 32;
const float kSeconds = 10.0f;
const float kTurn = 0.02f;
const char* const kChannels[] = {"sfx", "env", "soundtrack", "voice"};

struct ToneFiles
{
    std::string dir;
    ToneFiles()
    {
        char tmpl[] = "/tmp/ne_sound_mix_XXXXXX";
        if (mkdtemp(tmpl)) dir = tmpl;
        sound_fixture::WriteTone(dir + "/short_mono.ogg", 1.5f, 1);
        sound_fixture::WriteTone(dir + "/short_stereo.ogg", 2.0f, 2, 44100);
        sound_fixture::WriteTone(dir + "/long_mono.ogg", 12.0f, 1);
        sound_fixture::WriteTone(dir + "/long_stereo.ogg", 12.0f, 2, 44100);
    }
    ~ToneFiles()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

void PlayVoices(nE_SoundHub& hub, const ToneFiles& files, bool streamed)
{
    const char* names[2] = {streamed ? "/long_mono" : "/short_mono",
                            streamed ? "/long_stereo" : "/short_stereo"};
    for (int i = 0; i < kVoices; ++i)
        hub.PlaySound(files.dir + names[i % 2], kChannels[i % 4], true, true, "", i % 3 == 0 ? 1.0f : 0.0f);
}

void BM_SoundMix32(benchmark::State& state)
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    static ToneFiles files;
    bool streamed = state.range(0) != 0;
    if (!DE50::TSoundManager::OpenLoopback(sound_fixture::kLoopbackRate))
    {
        state.SkipWithError("no loopback device");
        return;
    }
    nE_SoundHub_Pl5 hub(false);
    hub.SetChannelVolume("env", 0.5f);
    PlayVoices(hub, files, streamed); // loads and caches the files outside the timing
    hub.Clear();
    nE_TimeStep step;
    step.step = step.elapsed = kTurn;
    for (auto _ : state)
    {
        PlayVoices(hub, files, streamed);
        if (hub.GetSounds().size() != static_cast<size_t>(kVoices))
        {
            state.SkipWithError("not every voice started");
            break;
        }
        float peak = sound_fixture::RenderTurns(benchenv::Tiny() ? kTurn * 5 : kSeconds, kTurn,
                                                [&hub, &step](float turn)
                                                {
                                                    DE50::TSoundManager::GetInstance()->Poll(turn);
                                                    hub.Update(&step);
                                                })
                         .peak;
        benchmark::DoNotOptimize(peak);
        hub.Clear();
    }
    state.SetLabel(streamed ? "streamed" : "decoded");
    hub.Clear();
    DE50::TSoundManager::Shutdown();
}
BENCHMARK(BM_SoundMix32)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
