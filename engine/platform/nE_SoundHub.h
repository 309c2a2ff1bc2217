#pragma once
// Every playing sound, grouped by named channel with one volume per channel.
// Sounds fade in and out per tick; a sound that plays to its end posts its end
// trigger for the next tick, and the hub deletes stopped sounds in its next
// Update.

#include "engine/core/nE_TimeStep.h"

#include <memory>
#include <string>
#include <vector>

// A volume as the sounds use it: below 0, or not a number, is silence.
float nE_SanitizeVolume(float volume);

class nE_Sound
{
public:
    enum State
    {
        kNew = 0,
        kFadingIn = 1,
        kPlaying = 2,
        kFadingOut = 3,
        kStopped = 4
    };

    nE_Sound(const std::string& name, const std::string& channel);
    virtual ~nE_Sound() = default;
    nE_Sound(const nE_Sound&) = delete;
    nE_Sound& operator=(const nE_Sound&) = delete;

    // Playback ended by itself: stopped, and the end trigger is posted.
    virtual void Stop();
    // Target and current volume at once; a running fade ends there.
    virtual void SetVolume(float volume);
    virtual void Play(bool play, const std::string& endTrigger, float fadeIn) = 0;
    // 0 stops at once; either way no end trigger is posted.
    virtual void FadeOut(float seconds);
    virtual void SetPaused(bool paused);
    // Runs the fades; nothing while paused.
    virtual void Update(const nE_TimeStep* step);
    // Silences the platform voice for good.
    virtual void Kill() {}
    virtual void SetPlatformVolume(float volume) = 0;

    const std::string& GetName() const { return m_name; }
    const std::string& GetChannel() const { return m_channel; }
    const std::string& GetEndTrigger() const { return m_endTrigger; }
    int GetState() const { return m_state; }
    bool IsPaused() const { return m_paused; }
    float GetVolume() const { return m_currentVolume; }
    float GetTargetVolume() const { return m_targetVolume; }

protected:
    // Starts the fade-in (or full volume at once) after the platform voice started.
    void BeginPlaying(bool play, const std::string& endTrigger, float fadeIn);

    bool m_play = false;
    std::string m_channel;
    std::string m_name;
    std::string m_endTrigger;
    float m_targetVolume = 1.0f;
    float m_currentVolume = 1.0f;
    float m_fadeSpeed = 0.0f; // volume units per second
    int m_state = kNew;
    bool m_paused = false;
};

class nE_SoundHub
{
public:
    struct Channel
    {
        std::string name;
        float volume;
    };

    nE_SoundHub() = default;
    virtual ~nE_SoundHub();
    nE_SoundHub(const nE_SoundHub&) = delete;
    nE_SoundHub& operator=(const nE_SoundHub&) = delete;

    virtual void PlaySound(const std::string& name, const std::string& channel, bool play, bool lookup,
                           const std::string& endTrigger, float fadeIn) = 0;
    // Fades out every sound of that name (0: at once).
    virtual void StopSound(const std::string& name, float fadeSeconds);
    // Applies to the channel's sounds at once, replacing their fades.
    virtual void SetChannelVolume(const std::string& channel, float volume);
    // A channel never used before is added at 1.0.
    virtual float GetChannelVolume(const std::string& channel);
    // Stops the channel's sounds at once. Nothing in the program calls it: API
    // kept for content and tools.
    virtual void StopChannel(const std::string& channel);
    virtual void StopAll(float fadeSeconds);
    virtual void PauseSound(const std::string& name, bool paused);
    // Resuming puts every sound back to its channel's volume.
    virtual void PauseAll(bool paused);
    // Runs every sound's fades, then deletes the stopped ones.
    virtual void Update(const nE_TimeStep* step);
    // True only for a sound of that name that is playing, not fading.
    virtual bool IsSoundPlaying(const std::string& name);
    virtual void SetMuted(bool muted) = 0;
    // Stops and deletes every sound.
    virtual void Clear();

    const std::vector<Channel>& GetChannels() const { return m_channels; }
    const std::vector<std::unique_ptr<nE_Sound>>& GetSounds() const { return m_sounds; }

protected:
    void AddSound(std::unique_ptr<nE_Sound> sound) { m_sounds.push_back(std::move(sound)); }
    Channel* FindChannel(const std::string& name);

    std::vector<Channel> m_channels;
    std::vector<std::unique_ptr<nE_Sound>> m_sounds;
};

// The one hub; null until first use and after the engine shell deletes it.
extern nE_SoundHub* g_soundHub;
// g_soundHub, created first when it is empty (the platform's hub, which knows
// whether the machine has a sound device).
nE_SoundHub* nE_GetSoundHub();
// Clears and deletes the hub (at shutdown).
void nE_DestroySoundHub();

// The sound functions of scripts: SndPlay, SndStop, SndPauseAll (each on
// nE_GetSoundHub()).
void nE_RegisterSoundScriptFunctions();
