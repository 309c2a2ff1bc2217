#include "engine/platform/nE_SoundHub_Pl5.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_TriggerManager.h"
#include "sound_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using DE50::TSoundManager;
using sound_fixture::Level;

namespace
{
class SoundHub : public sound_fixture::LoopbackTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(LoopbackTest::SetUp());
        nE_EngineContext::Instance();
        ASSERT_NE(nullptr, g_triggerManager);
        g_triggerManager->AddTrigger(
            std::make_unique<nE_Trigger>("snd_end", "snd_ends = (snd_ends or 0) + 1"));
        hub.reset(nE_CreateSoundHub());
        ASSERT_FALSE(hub->HasNoDevice());
    }
    void TearDown() override
    {
        hub.reset();
        nE_DestroySoundHub();
        nE_EngineContext::Destroy();
        LoopbackTest::TearDown();
    }

    void Play(const char* sound, const char* channel, bool loop, const std::string& trigger = "",
              float fade = 0.0f)
    {
        hub->PlaySound(Name(sound), channel, loop, false, trigger, fade);
    }
    nE_Sound* Find(const char* sound) const
    {
        for (auto& s : hub->GetSounds())
            if (s->GetName() == Name(sound)) return s.get();
        return nullptr;
    }
    // Audio time passes: the library renders and polls; with `tick`, the hub gets its update.
    void Run(float seconds, bool tick = true, float turn = 0.05f)
    {
        sound_fixture::RenderTurns(seconds, turn,
                                   [this, tick](float t)
                                   {
                                       TSoundManager::GetInstance()->Poll(t);
                                       if (tick) Tick(t);
                                   });
    }
    void Tick(float seconds)
    {
        nE_TimeStep step;
        step.step = step.elapsed = seconds;
        hub->Update(&step);
    }
    static size_t Queued() { return g_triggerManager->GetQueueSize(); }

    std::unique_ptr<nE_SoundHub_Pl5> hub;
};
} // namespace

TEST(SoundVolumeCurve, HalvingLowersByAFifthAndQuietOrBadIsSilent)
{
    const float in[] = {1.0f, 0.5f, 0.25f, 1.0f / 32, 0.03f, 0.0f, -0.5f, std::nanf(""), 3.0f};
    const float out[] = {1.0f, 0.8f, 0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    for (size_t i = 0; i < sizeof in / sizeof in[0]; ++i)
        EXPECT_NEAR(out[i], nE_Sound_Pl5::VolumeCurve(in[i]), 1e-5f) << i;
}

// Each channel its own volume, through the loudness curve; mute silences the
// device; bad volumes are silence.
TEST_F(SoundHub, ChannelAndMasterVolumes)
{
    Play("short", "sfx", true);
    const float full = Level();
    ASSERT_GT(full, 0.1f);
    hub->SetChannelVolume("sfx", 0.5f);
    hub->SetChannelVolume("env", 0.25f);
    EXPECT_NEAR(0.8f, Level() / full, 0.05f);
    Play("other", "env", true);
    hub->SetChannelVolume("sfx", 1.0f);
    EXPECT_EQ(1.0f, Find("short")->GetVolume());
    EXPECT_EQ(0.25f, Find("other")->GetVolume());

    hub->SetMuted(true);
    EXPECT_LT(Level(), 0.01f);
    hub->SetMuted(false);
    EXPECT_EQ(1.0f, TSoundManager::GetInstance()->GetVolume());

    hub->SetChannelVolume("sfx", std::nanf(""));
    hub->SetChannelVolume("env", -2.0f);
    EXPECT_EQ(0.0f, hub->GetChannelVolume("sfx"));
    EXPECT_LT(Level(), 0.01f);
}

// Fades move half a unit a second: in up to the channel volume, out to a stop
// that posts no end trigger. Negative or NaN fade times must not leave sounds
// fading forever.
TEST_F(SoundHub, FadesInAndOutAndBadFadeTimesAreImmediate)
{
    hub->SetChannelVolume("sfx", 0.8f);
    Play("short", "sfx", true, "snd_end()", 2.0f);
    nE_Sound* sound = Find("short");
    ASSERT_NE(nullptr, sound);
    EXPECT_LT(Level(), 0.01f);
    for (float expected : {0.25f, 0.5f, 0.75f, 0.8f})
    {
        EXPECT_EQ(nE_Sound::kFadingIn, sound->GetState());
        EXPECT_FALSE(hub->IsSoundPlaying(Name("short")));
        Tick(0.5f);
        EXPECT_NEAR(expected, sound->GetVolume(), 1e-6f);
    }
    EXPECT_TRUE(hub->IsSoundPlaying(Name("short")));
    const float full = Level();
    hub->StopSound(Name("short"), 2.0f);
    EXPECT_EQ(nE_Sound::kFadingOut, sound->GetState());
    EXPECT_FALSE(hub->IsSoundPlaying(Name("short")));
    Tick(1.0f);
    EXPECT_NEAR(0.3f, sound->GetVolume(), 1e-6f);
    EXPECT_NEAR(nE_Sound_Pl5::VolumeCurve(0.3f) / nE_Sound_Pl5::VolumeCurve(0.8f), Level() / full, 0.05f);
    Tick(1.0f); // reaches 0: stopped and deleted in the same update
    EXPECT_TRUE(hub->GetSounds().empty());
    Run(0.5f);
    EXPECT_EQ(0u, TSoundManager::GetInstance()->GetVoiceCount());
    EXPECT_EQ(0u, Queued());

    Play("short", "sfx", true, "", -1.0f);
    Play("other", "sfx", true, "", std::nanf(""));
    for (const char* name : {"short", "other"})
        EXPECT_EQ(nE_Sound::kPlaying, Find(name)->GetState()) << name;
    hub->StopSound(Name("short"), -3.0f);
    hub->StopSound(Name("other"), std::nanf(""));
    Tick(0.01f);
    EXPECT_TRUE(hub->GetSounds().empty());
}

TEST_F(SoundHub, PauseAllFreezesFadesAndEndsAndResumeRestoresChannelVolumes)
{
    hub->SetChannelVolume("env", 0.5f);
    Play("short", "sfx", false, "snd_end()");
    Play("other", "env", true, "", 4.0f);
    Tick(1.0f);
    EXPECT_NEAR(0.25f, Find("other")->GetVolume(), 1e-6f);

    hub->PauseAll(true);
    EXPECT_TRUE(Find("short")->IsPaused());
    EXPECT_LT(Level(), 0.01f);
    Run(1.0f);                                             // longer than the short sound, which must not end
    EXPECT_NEAR(0.25f, Find("other")->GetVolume(), 1e-6f); // fade frozen
    EXPECT_EQ(0u, Queued());

    hub->PauseAll(false);
    EXPECT_FALSE(Find("other")->IsPaused());
    EXPECT_EQ(0.5f, Find("other")->GetVolume()); // also the one that was fading
    EXPECT_EQ(1.0f, Find("short")->GetVolume());
    EXPECT_GT(Level(), 0.1f);
    Run(0.3f);
    EXPECT_EQ(nullptr, Find("short"));
    EXPECT_EQ(1u, Queued());
}

TEST_F(SoundHub, EndTriggerPostedOnceAndStoppedSoundsNeverPostTheirs)
{
    Play("short", "sfx", false, "snd_end()");
    nE_Sound* sound = Find("short");
    Run(0.3f, false); // the end arrives between ticks
    EXPECT_EQ(nE_Sound::kStopped, sound->GetState());
    EXPECT_EQ(1u, hub->GetSounds().size()); // still held until the next update
    EXPECT_EQ(1u, Queued());
    Tick(0.05f);
    EXPECT_TRUE(hub->GetSounds().empty());
    Run(0.5f);
    g_triggerManager->Update();
    lua_State* L = nE_GetLua();
    lua_getglobal(L, "snd_ends");
    EXPECT_EQ(1.0, lua_tonumber(L, -1));
    lua_pop(L, 1);

    Play("short", "sfx", false, "snd_end()");
    Play("other", "sfx", false, "snd_end()");
    Run(0.1f);
    hub->StopSound(Name("short"), 0.0f);
    sound_fixture::RenderTurns(0.2f, 0.2f, [](float) {}); // the other one plays out, its end not delivered
    hub->StopAll(0.0f);
    Run(0.5f);
    EXPECT_TRUE(hub->GetSounds().empty());
    EXPECT_EQ(0u, Queued());
}

TEST_F(SoundHub, MissingAndBrokenFilesAreLoggedAndLeaveNothing)
{
    testing::internal::CaptureStderr();
    std::ofstream(Name("garbage.ogg")) << "not an ogg file";
    // A header claiming 2^31 Hz once aborted the game when the sound started.
    ASSERT_TRUE(sound_fixture::WriteTone(Name("fast.ogg"), 0.2f, 1, 22050, 0x80000000u));
    hub->PlaySound(Name("missing"), "sfx", false, true, "snd_end()", 0.0f);
    hub->PlaySound("", "sfx", false, true, "", 0.0f);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, log.find("Error:: sound could not find \"" + Name("missing") + "\" file!"));
    for (const char* name : {"garbage", "fast"})
    {
        testing::internal::CaptureStderr();
        for (int i = 0; i < 3; ++i)
            Play(name, "sfx", false, "snd_end()");
        log = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, log.find("Error: sound \"" + Name(name) + "\" could not be loaded"))
            << name;
        EXPECT_TRUE(hub->GetSounds().empty()) << name; // not piled up
    }
    Run(0.2f);
    EXPECT_TRUE(hub->GetSounds().empty());
    EXPECT_EQ(0u, Queued());
}

TEST_F(SoundHub, NoFreeVoiceIsLoggedAndLeavesTheSoundStopped)
{
    auto other = DE50::TSound::Get(Name("other"), false);
    std::vector<std::shared_ptr<DE50::TSoundInstance>> voices;
    for (auto v = other->Play(true, 0.0f); v && voices.size() < 2000; v = other->Play(true, 0.0f))
        voices.push_back(v);
    EXPECT_GE(voices.size(), 64u);
    EXPECT_LT(voices.size(), 2000u);
    testing::internal::CaptureStderr();
    Play("short", "sfx", false, "snd_end()");
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Warning: no free voice"));
    ASSERT_EQ(1u, hub->GetSounds().size());
    EXPECT_EQ(nE_Sound::kStopped, hub->GetSounds()[0]->GetState());
    Tick(0.05f);
    EXPECT_TRUE(hub->GetSounds().empty());
    EXPECT_EQ(0u, Queued());
    voices.front()->Kill(0.0f);
    Play("short", "sfx", false); // a freed voice plays again
    EXPECT_EQ(nE_Sound::kPlaying, Find("short")->GetState());
    for (auto& voice : voices)
        voice->Kill(0.0f);
}

TEST_F(SoundHub, WithoutDeviceNothingPlaysAndMuteIsLeftAlone)
{
    nE_SoundHub_Pl5 silent(true);
    silent.PlaySound(Name("short"), "sfx", true, false, "", 0.0f);
    EXPECT_TRUE(silent.GetSounds().empty());
    TSoundManager::GetInstance()->SetVolume(0.7f);
    silent.SetMuted(true);
    EXPECT_EQ(0.7f, TSoundManager::GetInstance()->GetVolume());
}

// The device opens with the first sound: a mute asked for before then is held
// back from the device and applied when that sound plays.
TEST_F(SoundHub, MuteBeforeTheFirstSoundHoldsWhenItPlays)
{
    nE_SoundHub_Pl5 later;
    later.SetMuted(true);
    EXPECT_EQ(1.0f, TSoundManager::GetInstance()->GetVolume());
    later.PlaySound(Name("short"), "sfx", true, false, "", 0.0f);
    ASSERT_EQ(1u, later.GetSounds().size());
    EXPECT_FALSE(later.HasNoDevice());
    EXPECT_LT(Level(), 0.01f);
    later.SetMuted(false);
    EXPECT_GT(Level(), 0.1f);
}

// The script functions reach the global hub, made on first use.
TEST_F(SoundHub, ScriptFunctionsReachTheGlobalHub)
{
    nE_RegisterSoundScriptFunctions();
    ASSERT_EQ(nullptr, g_soundHub);
    lua_State* L = nE_GetLua();
    const std::string play = "SndPlay('" + Name("short") + "', 'voice', '1', '0', 'snd_end()', 2)";
    ASSERT_EQ(0, luaL_dostring(L, (play + "; SndPauseAll(true)").c_str()));
    ASSERT_NE(nullptr, g_soundHub);
    ASSERT_EQ(1u, g_soundHub->GetSounds().size());
    nE_Sound* sound = g_soundHub->GetSounds()[0].get();
    EXPECT_EQ("voice snd_end()", sound->GetChannel() + " " + sound->GetEndTrigger());
    EXPECT_EQ(nE_Sound::kFadingIn, sound->GetState());
    EXPECT_TRUE(sound->IsPaused());
    // Lua truth: 0 pauses too, and the log says why.
    ASSERT_EQ(0, luaL_dostring(L, "SndPauseAll(false); SndPauseAll(0)"));
    EXPECT_TRUE(sound->IsPaused());
    ASSERT_EQ(0, luaL_dostring(L, "SndPauseAll(nil)"));
    EXPECT_FALSE(sound->IsPaused());
    ASSERT_EQ(0, luaL_dostring(L, ("SndStop('" + Name("short") + "')").c_str()));
    nE_TimeStep step;
    g_soundHub->Update(&step);
    EXPECT_TRUE(g_soundHub->GetSounds().empty());
}
