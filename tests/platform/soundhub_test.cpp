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
    // Audio time passes: the library renders and polls, the hub gets its tick.
    void Run(float seconds)
    {
        sound_fixture::RenderTurns(seconds, 0.05f,
                                   [this](float t)
                                   {
                                       TSoundManager::GetInstance()->Poll(t);
                                       Tick(t);
                                   });
    }
    void Tick(float seconds)
    {
        nE_TimeStep step;
        step.step = step.elapsed = seconds;
        hub->Update(&step);
    }
    static double LuaNumber(const char* global)
    {
        lua_State* L = nE_GetLua();
        lua_getglobal(L, global);
        double value = lua_tonumber(L, -1);
        lua_pop(L, 1);
        return value;
    }

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

TEST_F(SoundHub, ChannelAndMasterVolumes)
{
    Play("short", "sfx", true);
    float full = sound_fixture::Level();
    ASSERT_GT(full, 0.1f);
    hub->SetChannelVolume("sfx", 0.5f);
    hub->SetChannelVolume("env", 0.25f);
    EXPECT_EQ(0.5f, Find("short")->GetVolume());
    EXPECT_NEAR(0.8f, sound_fixture::Level() / full, 0.05f); // through the loudness curve

    Play("other", "env", true);
    hub->SetChannelVolume("sfx", 1.0f);
    EXPECT_EQ(1.0f, Find("short")->GetVolume());
    EXPECT_EQ(0.25f, Find("other")->GetVolume()); // each channel its own

    hub->SetMuted(true);
    EXPECT_EQ(0.0f, TSoundManager::GetInstance()->GetVolume());
    EXPECT_LT(sound_fixture::Level(), 0.01f);
    hub->SetMuted(false);
    EXPECT_EQ(1.0f, TSoundManager::GetInstance()->GetVolume());

    hub->SetChannelVolume("sfx", std::nanf(""));
    hub->SetChannelVolume("env", -2.0f);
    EXPECT_EQ(0.0f, hub->GetChannelVolume("sfx"));
    EXPECT_EQ(0.0f, Find("short")->GetVolume() + Find("other")->GetVolume());
    EXPECT_LT(sound_fixture::Level(), 0.01f);
}

TEST_F(SoundHub, FadeInRisesHalfAUnitPerSecondUpToTheChannelVolume)
{
    hub->SetChannelVolume("sfx", 0.8f);
    Play("short", "sfx", true, "", 2.0f);
    nE_Sound* sound = Find("short");
    ASSERT_NE(nullptr, sound);
    EXPECT_EQ(nE_Sound::kFadingIn, sound->GetState());
    EXPECT_LT(sound_fixture::Level(), 0.01f);
    for (float expected : {0.25f, 0.5f, 0.75f})
    {
        Tick(0.5f);
        EXPECT_NEAR(expected, sound->GetVolume(), 1e-6f);
        EXPECT_EQ(nE_Sound::kFadingIn, sound->GetState());
        EXPECT_FALSE(hub->IsSoundPlaying(Name("short")));
    }
    Tick(0.5f);
    EXPECT_EQ(0.8f, sound->GetVolume()); // held at the channel volume
    EXPECT_EQ(nE_Sound::kPlaying, sound->GetState());
    EXPECT_TRUE(hub->IsSoundPlaying(Name("short")));
}

TEST_F(SoundHub, FadeOutStopsWithoutEndTriggerAndBadFadeTimesAreImmediate)
{
    Play("short", "sfx", true, "snd_end()");
    float full = sound_fixture::Level();
    hub->StopSound(Name("short"), 2.0f);
    nE_Sound* sound = Find("short");
    EXPECT_EQ(nE_Sound::kFadingOut, sound->GetState());
    EXPECT_FALSE(hub->IsSoundPlaying(Name("short")));
    Tick(1.0f);
    EXPECT_NEAR(0.5f, sound->GetVolume(), 1e-6f);
    EXPECT_NEAR(0.8f, sound_fixture::Level() / full, 0.05f);
    Tick(1.0f); // reaches 0: stopped and deleted in the same update
    EXPECT_TRUE(hub->GetSounds().empty());
    Run(0.5f);
    EXPECT_EQ(0u, TSoundManager::GetInstance()->GetVoiceCount());
    EXPECT_EQ(0u, g_triggerManager->GetQueueSize());

    // Negative or NaN fade times must not leave sounds fading forever.
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
    EXPECT_LT(sound_fixture::Level(), 0.01f);
    Run(1.0f);                                             // longer than the short sound, which must not end
    EXPECT_NEAR(0.25f, Find("other")->GetVolume(), 1e-6f); // fade frozen
    EXPECT_EQ(0u, g_triggerManager->GetQueueSize());

    hub->PauseAll(false);
    EXPECT_FALSE(Find("other")->IsPaused());
    EXPECT_EQ(0.5f, Find("other")->GetVolume()); // also the one that was fading
    EXPECT_EQ(1.0f, Find("short")->GetVolume());
    EXPECT_GT(sound_fixture::Level(), 0.1f);
    Run(0.3f);
    EXPECT_EQ(nullptr, Find("short"));
    EXPECT_EQ(1u, g_triggerManager->GetQueueSize());
}

TEST_F(SoundHub, EndTriggerPostedOnceAndStoppedSoundsNeverPostTheirs)
{
    Play("short", "sfx", false, "snd_end()");
    nE_Sound* sound = Find("short");
    sound_fixture::RenderTurns(0.3f, 0.05f, [](float t) { TSoundManager::GetInstance()->Poll(t); });
    // The end arrived between ticks.
    EXPECT_EQ(nE_Sound::kStopped, sound->GetState());
    EXPECT_EQ(1u, hub->GetSounds().size()); // still held until the next update
    EXPECT_EQ(1u, g_triggerManager->GetQueueSize());
    Tick(0.05f);
    EXPECT_TRUE(hub->GetSounds().empty());
    Run(0.5f);
    g_triggerManager->Update();
    EXPECT_EQ(1.0, LuaNumber("snd_ends"));

    Play("short", "sfx", false, "snd_end()");
    Play("other", "sfx", false, "snd_end()");
    Run(0.1f);
    hub->StopSound(Name("short"), 0.0f);
    // The other one has played out but its end is not delivered yet.
    sound_fixture::RenderTurns(0.2f, 0.2f, [](float) {});
    hub->StopAll(0.0f);
    Run(0.5f);
    EXPECT_TRUE(hub->GetSounds().empty());
    EXPECT_EQ(0u, g_triggerManager->GetQueueSize());
}

TEST_F(SoundHub, MissingAndBrokenFilesAreLoggedAndLeaveNothing)
{
    testing::internal::CaptureStderr();
    std::ofstream(Name("garbage.ogg")) << "not an ogg file";
    // A header claiming 2^31 Hz once aborted the game when the sound started.
    ASSERT_TRUE(sound_fixture::WriteTone(Name("fast.ogg"), 0.2f, 1, 22050, 0x80000000u));
    hub->PlaySound(Name("missing"), "sfx", false, true, "snd_end()", 0.0f);
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

    hub->PlaySound("", "sfx", false, true, "", 0.0f);
    Run(0.2f);
    EXPECT_TRUE(hub->GetSounds().empty());
    EXPECT_EQ(0u, g_triggerManager->GetQueueSize());
}

TEST_F(SoundHub, NoFreeVoiceIsLoggedAndLeavesTheSoundStopped)
{
    testing::internal::CaptureStderr();
    auto voices = sound_fixture::TakeEveryVoice(DE50::TSound::Get(Name("other"), false));
    Play("short", "sfx", false, "snd_end()");
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Warning: no free voice"));
    EXPECT_GE(voices.size(), 64u);
    EXPECT_LT(voices.size(), 2000u);
    ASSERT_EQ(1u, hub->GetSounds().size());
    EXPECT_EQ(nE_Sound::kStopped, hub->GetSounds()[0]->GetState());
    Tick(0.05f);
    EXPECT_TRUE(hub->GetSounds().empty());
    EXPECT_EQ(0u, g_triggerManager->GetQueueSize());
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

TEST_F(SoundHub, ScriptFunctionsReachTheGlobalHub)
{
    nE_ScriptMediaHooks saved = g_scriptMediaHooks;
    nE_InstallSoundHubScriptHooks();
    ASSERT_EQ(nullptr, g_soundHub);
    lua_State* L = nE_GetLua();
    std::string play = "SndPlay('" + Name("short") + "', 'voice', '1', '0', 'snd_end()', 2)";
    ASSERT_EQ(0, luaL_dostring(L, play.c_str()));
    ASSERT_NE(nullptr, g_soundHub); // created on first use
    ASSERT_EQ(1u, g_soundHub->GetSounds().size());
    nE_Sound* sound = g_soundHub->GetSounds()[0].get();
    EXPECT_EQ("voice", sound->GetChannel());
    EXPECT_EQ("snd_end()", sound->GetEndTrigger());
    EXPECT_EQ(nE_Sound::kFadingIn, sound->GetState());

    ASSERT_EQ(0, luaL_dostring(L, "SndPauseAll(true)"));
    EXPECT_TRUE(sound->IsPaused());
    ASSERT_EQ(0, luaL_dostring(L, ("SndStop('" + Name("short") + "')").c_str()));
    nE_TimeStep step;
    g_soundHub->Update(&step);
    EXPECT_TRUE(g_soundHub->GetSounds().empty());
    EXPECT_EQ(0u, g_triggerManager->GetQueueSize());
    g_scriptMediaHooks = saved;
}
