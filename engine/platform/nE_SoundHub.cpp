#include "engine/platform/nE_SoundHub.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_TriggerManager.h"

float nE_SanitizeVolume(float volume)
{
    return volume > 0.0f ? volume : 0.0f; // NaN compares false
}

namespace
{
// A fade time that is not a positive number means no fade: a negative or NaN
// one would leave the sound fading forever.
bool IsFade(float seconds)
{
    return seconds > 0.0f;
}
} // namespace

// ---- nE_Sound ----

nE_Sound::nE_Sound(const std::string& name, const std::string& channel) : m_channel(channel), m_name(name) {}

void nE_Sound::Stop()
{
    m_state = kStopped;
    if (!m_endTrigger.empty() && g_triggerManager) g_triggerManager->Post("nE_Sound", m_endTrigger);
}

void nE_Sound::SetVolume(float volume)
{
    volume = nE_SanitizeVolume(volume);
    m_targetVolume = volume;
    m_currentVolume = volume;
    SetPlatformVolume(volume);
}

void nE_Sound::BeginPlaying(bool play, const std::string& endTrigger, float fadeIn)
{
    m_play = play;
    m_endTrigger = endTrigger;
    if (IsFade(fadeIn))
    {
        m_state = kFadingIn;
        m_fadeSpeed = 1.0f / fadeIn;
        m_currentVolume = 0.0f;
    }
    else
    {
        m_state = kPlaying;
        m_fadeSpeed = 0.0f;
        m_currentVolume = m_targetVolume;
    }
    SetPlatformVolume(m_currentVolume);
}

void nE_Sound::FadeOut(float seconds)
{
    if (m_state == kStopped) return; // a finished sound stays finished
    if (IsFade(seconds))
    {
        m_state = kFadingOut;
        m_fadeSpeed = 1.0f / seconds;
        return;
    }
    m_fadeSpeed = 0.0f;
    m_state = kStopped;
    Kill();
}

void nE_Sound::SetPaused(bool paused)
{
    m_paused = paused;
}

void nE_Sound::Update(const nE_TimeStep* step)
{
    if (m_paused || !step) return;
    if (m_state == kFadingIn)
    {
        float v = m_currentVolume + m_fadeSpeed * step->step;
        if (!(v < m_targetVolume)) v = m_targetVolume;
        m_currentVolume = v;
        SetPlatformVolume(v);
        if (m_currentVolume == m_targetVolume) m_state = kPlaying;
    }
    else if (m_state == kFadingOut)
    {
        float v = m_currentVolume - m_fadeSpeed * step->step;
        if (!(v > 0.0f)) v = 0.0f;
        m_currentVolume = v;
        SetPlatformVolume(v);
        if (m_currentVolume == 0.0f)
        {
            m_state = kStopped;
            Kill();
        }
    }
}

// ---- nE_SoundHub ----

nE_SoundHub::~nE_SoundHub() = default;

nE_SoundHub::Channel* nE_SoundHub::FindChannel(const std::string& name)
{
    for (Channel& channel : m_channels)
        if (channel.name == name) return &channel;
    return nullptr;
}

void nE_SoundHub::StopSound(const std::string& name, float fadeSeconds)
{
    for (auto& sound : m_sounds)
        if (sound->GetName() == name) sound->FadeOut(fadeSeconds);
}

void nE_SoundHub::SetChannelVolume(const std::string& channel, float volume)
{
    volume = nE_SanitizeVolume(volume);
    if (Channel* found = FindChannel(channel))
        found->volume = volume;
    else
        m_channels.push_back({channel, volume});
    for (auto& sound : m_sounds)
        if (sound->GetChannel() == channel) sound->SetVolume(volume);
}

float nE_SoundHub::GetChannelVolume(const std::string& channel)
{
    if (Channel* found = FindChannel(channel)) return found->volume;
    m_channels.push_back({channel, 1.0f});
    return 1.0f;
}

void nE_SoundHub::StopChannel(const std::string& channel)
{
    for (auto& sound : m_sounds)
        if (sound->GetChannel() == channel) sound->FadeOut(0.0f);
}

void nE_SoundHub::StopAll(float fadeSeconds)
{
    for (auto& sound : m_sounds)
        sound->FadeOut(fadeSeconds);
}

void nE_SoundHub::PauseSound(const std::string& name, bool paused)
{
    for (auto& sound : m_sounds)
        if (sound->GetName() == name) sound->SetPaused(paused);
}

void nE_SoundHub::PauseAll(bool paused)
{
    for (auto& sound : m_sounds)
        sound->SetPaused(paused);
    if (paused) return;
    for (const Channel& channel : m_channels)
        for (auto& sound : m_sounds)
            if (sound->GetChannel() == channel.name) sound->SetVolume(channel.volume);
}

void nE_SoundHub::Update(const nE_TimeStep* step)
{
    for (size_t i = 0; i < m_sounds.size();)
    {
        m_sounds[i]->Update(step);
        if (m_sounds[i]->GetState() == nE_Sound::kStopped)
            m_sounds.erase(m_sounds.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
}

bool nE_SoundHub::IsSoundPlaying(const std::string& name)
{
    for (auto& sound : m_sounds)
        if (sound->GetName() == name && sound->GetState() == nE_Sound::kPlaying) return true;
    return false;
}

void nE_SoundHub::Clear()
{
    StopAll(0.0f);
    m_sounds.clear();
}

// ---- the global hub ----

nE_SoundHub* g_soundHub = nullptr;

void nE_DestroySoundHub()
{
    if (!g_soundHub) return;
    g_soundHub->Clear();
    delete g_soundHub;
    g_soundHub = nullptr;
}

// ---- script functions ----

namespace
{
// A text flag: its leading decimal digits, not 0.
bool ArgFlag(lua_State* L, int index)
{
    return nE_ParseInt(nE_ArgString(L, index).c_str()) != 0;
}

int SndPlay(lua_State* L)
{
    float fadeIn = nE_HasArg(L, 6) ? nE_ArgFloat(L, 6) : 0.0f;
    std::string trigger = nE_ArgString(L, 5);
    std::string channel = nE_ArgString(L, 2);
    std::string name = nE_ArgString(L, 1);
    bool lookup = ArgFlag(L, 4);
    bool play = ArgFlag(L, 3);
    lua_settop(L, 0);
    nE_GetSoundHub()->PlaySound(name, channel, play, lookup, trigger, fadeIn);
    return 0;
}

int SndStop(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    float fadeOut = nE_HasArg(L, 2) ? nE_ArgFloat(L, 2) : 0.0f;
    lua_settop(L, 0);
    nE_GetSoundHub()->StopSound(name, fadeOut);
    return 0;
}

int SndPauseAll(lua_State* L)
{
    bool pause = nE_ArgBool(L, 1);
    lua_settop(L, 0);
    nE_GetSoundHub()->PauseAll(pause);
    return 0;
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"SndPlay", SndPlay},
    {"SndStop", SndStop},
    {"SndPauseAll", SndPauseAll},
};
} // namespace

void nE_RegisterSoundScriptFunctions()
{
    nE_AddScriptFunctions(kScriptFunctions);
}
