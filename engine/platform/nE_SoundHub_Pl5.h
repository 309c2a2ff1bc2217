#pragma once
// The sound hub over the engine library's sounds: Ogg files under the asset
// tree, one library voice per playing sound.

#include "engine/platform/nE_SoundHub.h"

#include "de50/de50_sound.h"

class nE_Sound_Pl5;

// Told by the library, on the loop's thread, when the voice played to its end.
class nE_Sound_Pl5_Callback : public DE50::TSoundCallBack
{
public:
    explicit nE_Sound_Pl5_Callback(nE_Sound_Pl5* owner) : m_owner(owner) {}
    // Stops the owner, which deletes this callback.
    void OnSoundEnd(std::shared_ptr<DE50::TSoundInstance> instance) override;

private:
    nE_Sound_Pl5* m_owner;
};

class nE_Sound_Pl5 : public nE_Sound
{
public:
    // Loads the sound (name without extension); cached keeps it loaded after use.
    nE_Sound_Pl5(const std::string& name, const std::string& channel, bool cached);
    ~nE_Sound_Pl5() override;

    void Stop() override;
    // Without a loaded sound nothing happens; when no voice is free the sound
    // is left stopped, for the hub to delete.
    void Play(bool play, const std::string& endTrigger, float fadeIn) override;
    void SetPaused(bool paused) override;
    void Kill() override;
    void SetPlatformVolume(float volume) override;

    bool IsLoaded() const { return m_sound != nullptr; }

    // The loudness curve from a linear volume to the voice's gain: 1 stays 1,
    // each halving lowers it by 0.2, 1/32 and below are silent.
    static float VolumeCurve(float volume);

private:
    void Release();

    std::shared_ptr<DE50::TSound> m_sound;
    std::shared_ptr<DE50::TSoundInstance> m_instance;
    std::unique_ptr<nE_Sound_Pl5_Callback> m_callback;
};

class nE_SoundHub_Pl5 : public nE_SoundHub
{
public:
    nE_SoundHub_Pl5() = default;
    // With noDevice, a hub that never opens the device and plays nothing.
    explicit nE_SoundHub_Pl5(bool noDevice) : m_device(noDevice ? Device::kNone : Device::kUnknown) {}
    ~nE_SoundHub_Pl5() override;

    void PlaySound(const std::string& name, const std::string& channel, bool play, bool lookup,
                   const std::string& endTrigger, float fadeIn) override;
    // Master volume: silent while muted.
    void SetMuted(bool muted) override;

    // The first question opens the sound device: a game that plays no sound
    // starts and stops without one.
    bool HasNoDevice();

private:
    enum class Device
    {
        kUnknown,
        kOpen,
        kNone
    };
    Device m_device = Device::kUnknown;
    bool m_muted = false;
};

// A new hub with no sounds; it opens the sound device when the first sound plays.
// The caller stores it in g_soundHub (nE_GetSoundHub does so).
nE_SoundHub_Pl5* nE_CreateSoundHub();
