#pragma once
// Sound playback on OpenAL Soft with Ogg Vorbis files. Everything runs on the
// loop's thread: the loop calls TSoundManager::Poll once per turn, which keeps
// streams fed, runs fades and delivers end-of-playback callbacks.

#include "de50/de50_base.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace DE50
{

class TSound;
class TSoundInstance;
struct TSoundStream;

// Told once, on the loop's thread, when a non-looping instance has played to
// its end. The library forgets the callback before calling it: the callee may
// delete itself, and it is never touched again.
class TSoundCallBack
{
public:
    virtual ~TSoundCallBack() = default;
    virtual void OnSoundEnd(std::shared_ptr<TSoundInstance> instance) = 0;
};

// One playing voice. Looping instances never end by themselves; a killed
// instance ends silently, without its callback.
class TSoundInstance
{
public:
    ~TSoundInstance();
    TSoundInstance(const TSoundInstance&) = delete;
    TSoundInstance& operator=(const TSoundInstance&) = delete;

    // 0 to 1; anything below 0, or not a number, is silence.
    void SetVolume(float volume);
    // Pausing with a fade lowers the volume first; resuming with one raises it again.
    void Pause(bool pause, float fadeSeconds);
    // Stops the voice, after a fade when fadeSeconds > 0; drops the callback at once.
    void Kill(float fadeSeconds);
    // Not owned; null unhooks it.
    void SetCallBack(TSoundCallBack* callBack) { m_callBack = callBack; }

    bool IsPlaying() const { return m_source != 0; }
    bool IsPaused() const { return m_paused; }

private:
    friend class TSound;
    friend class TSoundManager;
    TSoundInstance(std::shared_ptr<TSound> sound, bool loop);
    bool Start(float fadeInSeconds);
    void ApplyGain();
    bool StepFade(float seconds);
    void FeedStream();
    bool HasFinished();
    void Release();

    std::shared_ptr<TSound> m_sound;
    std::unique_ptr<TSoundStream> m_stream;
    TSoundCallBack* m_callBack = nullptr;
    unsigned m_source = 0;
    bool m_loop = false;
    bool m_paused = false;
    bool m_killed = false;
    float m_volume = 1.0f;
    // The fade multiplies the volume; when it reaches 0 the pending pause or kill happens.
    float m_fade = 1.0f;
    float m_fadeTarget = 1.0f;
    float m_fadeRate = 0.0f;
    enum
    {
        kFadeOnly,
        kFadeThenPause,
        kFadeThenKill
    } m_fadeEnd = kFadeOnly;
};

// A sound file. Sounds up to kMaxDecodedSeconds long are decoded once into one
// buffer that all their instances share; longer ones are streamed, each
// instance decoding its own part.
class TSound : public std::enable_shared_from_this<TSound>
{
public:
    static constexpr float kMaxDecodedSeconds = 10.0f;

    // name: a path without extension (".ogg" is appended; backslashes become
    // slashes). A sound in use is shared; cached keeps it loaded after its last
    // user lets go. Empty, with a log line, when the file cannot be played or
    // there is no sound device.
    static std::shared_ptr<TSound> Get(const str& name, bool cached);
    ~TSound();
    TSound(const TSound&) = delete;
    TSound& operator=(const TSound&) = delete;

    // Starts a new voice, rising from silence over fadeInSeconds. Empty, with a
    // log line, when no voice is free or the file fails.
    std::shared_ptr<TSoundInstance> Play(bool loop, float fadeInSeconds);

    bool IsStreamed() const { return m_buffer == 0; }
    float GetSeconds() const { return m_seconds; }

private:
    friend class TSoundInstance;
    friend class TSoundManager;
    friend struct TSoundStream;
    TSound() = default;
    static std::shared_ptr<TSound> Load(const std::string& path);
    bool Decode(void* vorbisFile, long frames);
    void ReleaseBuffer();

    std::string m_path;
    // A damaged part has been named; each file says so once.
    mutable bool m_damageNamed = false;
    unsigned m_buffer = 0;
    int m_format = 0;
    int m_rate = 0;
    int m_channels = 0;
    float m_seconds = 0.0f;
};

class TSoundManager
{
public:
    // Opens the default audio device on first use. Without one the game runs
    // silent, after one "Warning: " line.
    static TSoundManager* GetInstance();
    // Stops every voice and closes the device; the next GetInstance opens it again.
    static void Shutdown();
    // Replaces the device with OpenAL Soft's loopback device, which renders only
    // when asked (RenderLoopback): for tests and measurements without hardware.
    static bool OpenLoopback(int frequency);

    bool HasDevice() const { return m_device != nullptr; }
    // Master volume, 0 to 1; below 0 or not a number is silence.
    void SetVolume(float volume);
    float GetVolume() const { return m_volume; }

    // Once per loop turn, with the time since the last turn: feeds streams,
    // advances fades, and calls the end callbacks of instances that finished.
    void Poll(float elapsedSeconds);
    // The loop's turn: polls only when a program has used sound.
    static void PollIfOpen(float elapsedSeconds);

    // Interleaved stereo float samples from the loopback device; silence on any other.
    void RenderLoopback(float* stereo, int frames);
    size_t GetVoiceCount() const { return m_voices.size(); }

private:
    friend class TSound;
    friend class TSoundInstance;
    TSoundManager() = default;
    ~TSoundManager();
    bool OpenDevice();
    bool OpenLoopbackDevice(int frequency);
    bool CreateContext(const int* attributes);
    void Remove(TSoundInstance* instance);

    struct Entry
    {
        std::weak_ptr<TSound> sound;
        std::shared_ptr<TSound> pinned;
    };

    void* m_device = nullptr;
    void* m_context = nullptr;
    bool m_loopback = false;
    float m_volume = 1.0f;
    std::vector<std::shared_ptr<TSoundInstance>> m_voices;
    std::map<std::string, Entry> m_sounds; // by path
};

// Stands in for the system's count of wave-out devices: 1 when sound plays, 0 when the game runs silent.
unsigned GetNumSoundDevices();

} // namespace DE50
