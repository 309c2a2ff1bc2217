#include "engine/platform/nE_SoundHub_Pl5.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Path.h"

#include <cmath>

// ---- nE_Sound_Pl5_Callback ----

void nE_Sound_Pl5_Callback::OnSoundEnd(std::shared_ptr<DE50::TSoundInstance> /*instance*/)
{
    // The owner deletes this object; nothing of it is touched afterwards.
    m_owner->Stop();
}

// ---- nE_Sound_Pl5 ----

nE_Sound_Pl5::nE_Sound_Pl5(const std::string& name, const std::string& channel, bool cached)
    : nE_Sound(name, channel), m_sound(DE50::TSound::Get(name, cached))
{
}

nE_Sound_Pl5::~nE_Sound_Pl5()
{
    // Deleted while its voice may still sound (the hub's Clear): silence it
    // and unhook the callback that points here.
    nE_Sound_Pl5::Kill();
}

void nE_Sound_Pl5::Release()
{
    if (m_instance) m_instance->SetCallBack(nullptr);
    m_instance.reset();
    m_callback.reset();
    m_sound.reset();
}

void nE_Sound_Pl5::Stop()
{
    nE_Sound::Stop();
    Release();
}

void nE_Sound_Pl5::Play(bool play, const std::string& endTrigger, float fadeIn)
{
    if (!m_sound) return;
    if (m_instance) // played again: the old voice must not call back into us
    {
        m_instance->SetCallBack(nullptr);
        m_instance->Kill(0.0f);
    }
    m_instance = m_sound->Play(play, 0.0f);
    if (!m_instance)
    {
        // No voice to play on: stopped without an end, deleted by the next hub update.
        m_state = kStopped;
        Release();
        return;
    }
    m_callback = std::make_unique<nE_Sound_Pl5_Callback>(this);
    m_instance->SetCallBack(m_callback.get());
    BeginPlaying(play, endTrigger, fadeIn);
}

void nE_Sound_Pl5::SetPaused(bool paused)
{
    m_paused = paused;
    if (m_instance) m_instance->Pause(paused, 0.0f);
}

void nE_Sound_Pl5::Kill()
{
    if (m_instance) m_instance->Kill(0.0f);
    Release();
}

void nE_Sound_Pl5::SetPlatformVolume(float volume)
{
    if (m_instance) m_instance->SetVolume(VolumeCurve(volume));
}

float nE_Sound_Pl5::VolumeCurve(float volume)
{
    if (!(volume > 0.0f)) return 0.0f; // also below 0 and NaN
    float r = 1.0f + 10.0f * std::log10(volume) * 0.06643856316804886f;
    if (r < 0.0f) return 0.0f;
    return r > 1.0f ? 1.0f : r;
}

// ---- nE_SoundHub_Pl5 ----

nE_SoundHub_Pl5::~nE_SoundHub_Pl5()
{
    Clear();
}

void nE_SoundHub_Pl5::PlaySound(const std::string& name, const std::string& channel, bool play, bool lookup,
                                const std::string& endTrigger, float fadeIn)
{
    if (name.empty() || HasNoDevice()) return;
    if (!nE_FileExists(nE_MakePath(name, ".ogg")))
    {
        nE_LogFmt("Error:: sound could not find \"%s\" file!", name);
        return;
    }
    auto sound = std::make_unique<nE_Sound_Pl5>(name, channel, lookup);
    if (!sound->IsLoaded())
    {
        // An unplayable file would otherwise leave a sound object behind on every call.
        nE_LogFmt("Error: sound \"%s\" could not be loaded", name);
        return;
    }
    sound->SetVolume(GetChannelVolume(channel));
    sound->Play(play, endTrigger, fadeIn);
    AddSound(std::move(sound));
}

void nE_SoundHub_Pl5::SetMuted(bool muted)
{
    m_muted = muted;
    if (m_device == Device::kOpen) DE50::TSoundManager::GetInstance()->SetVolume(muted ? 0.0f : 1.0f);
}

bool nE_SoundHub_Pl5::HasNoDevice()
{
    if (m_device != Device::kUnknown) return m_device == Device::kNone;
    m_device = DE50::GetNumSoundDevices() > 0 ? Device::kOpen : Device::kNone;
    // A mute asked for before the device was open holds from its first sound on.
    if (m_device == Device::kOpen && m_muted) DE50::TSoundManager::GetInstance()->SetVolume(0.0f);
    return m_device == Device::kNone;
}

// ---- the global hub ----

nE_SoundHub_Pl5* nE_CreateSoundHub()
{
    return new nE_SoundHub_Pl5();
}

nE_SoundHub* nE_GetSoundHub()
{
    if (!g_soundHub) g_soundHub = nE_CreateSoundHub();
    return g_soundHub;
}
