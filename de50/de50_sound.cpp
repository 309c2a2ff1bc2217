#include "de50/de50_sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <new>

namespace DE50
{

namespace
{
TSoundManager* s_manager = nullptr;
bool s_warnedNoDevice = false;

const int kBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__ ? 1 : 0;
// Damaged pages in a row that a decoder skips before it gives up on a file.
const int kMaxHoles = 64;
// Sample rates a sound may claim.
const long kMinRate = 1000;
const long kMaxRate = 192000;

float Unit(float v)
{
    if (!(v > 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

// Reads 16-bit samples until the buffer is full or the file ends. A looping
// read starts over at the end, once per call at most, so an empty file cannot spin.
// A damaged part is named once per file: `named` keeps that it was.
size_t ReadPcm(OggVorbis_File* file, char* out, size_t size, bool loop, bool* ended, const std::string& path,
               bool& named)
{
    size_t got = 0;
    int holes = 0;
    bool rewound = false;
    *ended = false;
    while (got < size)
    {
        int section = 0;
        long n = ov_read(file, out + got, static_cast<int>(std::min<size_t>(size - got, 65536)), kBigEndian,
                         2, 1, &section);
        if (n > 0)
        {
            got += static_cast<size_t>(n);
            rewound = false;
            continue;
        }
        if (n == OV_HOLE && !named)
        {
            WriteDbg("Warning: sound \"%s\" is damaged: a part that fails its check is skipped",
                     path.c_str());
            named = true;
        }
        if (n == OV_HOLE && ++holes < kMaxHoles) continue;
        if (n == 0 && loop && !rewound && ov_pcm_seek(file, 0) == 0)
        {
            rewound = true;
            continue;
        }
        if (n < 0) WriteDbg("Error: sound \"%s\" is damaged and stops early", path.c_str());
        *ended = true;
        break;
    }
    return got;
}
// Whether the file's last Ogg page is whole and carries the end-of-stream
// mark: a file cut short loses both, and would otherwise stop at the cut
// without a word.
bool EndsWithLastPage(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return true;
    const long kLongestPage = 27 + 255 + 255 * 255;
    long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    const long window = std::min(std::max(size, 0L), kLongestPage);
    std::vector<unsigned char> tail(static_cast<size_t>(window));
    const bool read = size >= 0 && std::fseek(f, size - window, SEEK_SET) == 0 &&
                      std::fread(tail.data(), 1, tail.size(), f) == tail.size();
    std::fclose(f);
    if (!read) return true;
    // The last page is the one that ends exactly where the file does.
    for (long i = window - 27; i >= 0; --i)
    {
        const unsigned char* page = tail.data() + i;
        if (std::memcmp(page, "OggS", 4) != 0 || i + 27 + page[26] > window) continue;
        long end = i + 27 + page[26];
        for (int k = 0; k < page[26]; ++k)
            end += page[27 + k];
        if (end == window) return (page[5] & 4) != 0;
    }
    return false;
}

// What the header claims sizes every buffer, so it is checked first: a rate past
// the int range once made a negative buffer size.
bool HeaderPlays(const vorbis_info* info, const std::string& path)
{
    if (!info)
    {
        WriteDbg("Error: sound \"%s\" could not be opened as Ogg Vorbis", path.c_str());
        return false;
    }
    if (info->channels != 1 && info->channels != 2)
    {
        WriteDbg("Error: sound \"%s\" has %d channels; only mono and stereo play", path.c_str(), info->channels);
        return false;
    }
    if (info->rate < kMinRate || info->rate > kMaxRate)
    {
        WriteDbg("Error: sound \"%s\" could not be opened as Ogg Vorbis: a rate of %ld Hz", path.c_str(),
                 info->rate);
        return false;
    }
    return true;
}
} // namespace

// The decoder and queued buffers of one streamed voice.
struct TSoundStream
{
    static const int kBuffers = 6;
    static constexpr float kBufferSeconds = 0.25f; // so 1.5 s stays queued

    OggVorbis_File file;
    bool open = false;
    bool ended = false;
    ALuint buffers[kBuffers] = {};
    std::vector<char> pcm;

    ~TSoundStream()
    {
        if (open) ov_clear(&file);
        if (buffers[0]) alDeleteBuffers(kBuffers, buffers);
    }

    bool Open(const TSound& sound)
    {
        if (ov_fopen(sound.m_path.c_str(), &file) != 0)
        {
            WriteDbg("Error: sound \"%s\" could not be opened", sound.m_path.c_str());
            return false;
        }
        open = true;
        alGetError();
        alGenBuffers(kBuffers, buffers);
        if (alGetError() != AL_NO_ERROR)
        {
            buffers[0] = 0;
            return false;
        }
        size_t frames = static_cast<size_t>(sound.m_rate * kBufferSeconds);
        pcm.resize(frames * static_cast<size_t>(sound.m_channels) * 2);
        return true;
    }

    bool Fill(ALuint buffer, const TSound& sound, bool loop)
    {
        if (ended) return false;
        size_t got = ReadPcm(&file, pcm.data(), pcm.size(), loop, &ended, sound.m_path, sound.m_damageNamed);
        if (got == 0) return false;
        alBufferData(buffer, sound.m_format, pcm.data(), static_cast<ALsizei>(got), sound.m_rate);
        return true;
    }
};

// ---------------------------------------------------------------- TSound

std::shared_ptr<TSound> TSound::Get(const str& name, bool cached)
{
    TSoundManager* manager = TSoundManager::GetInstance();
    if (!manager->HasDevice() || name.empty()) return nullptr;
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".ogg") != 0) path += ".ogg";

    auto& sounds = manager->m_sounds;
    auto found = sounds.find(path);
    std::shared_ptr<TSound> sound = found == sounds.end() ? nullptr : found->second.sound.lock();
    if (!sound)
    {
        for (auto it = sounds.begin(); it != sounds.end();)
            it = it->second.sound.expired() ? sounds.erase(it) : std::next(it);
        sound = Load(path);
        if (!sound) return nullptr;
        sounds[path].sound = sound;
    }
    if (cached) sounds[path].pinned = sound;
    return sound;
}

std::shared_ptr<TSound> TSound::Load(const std::string& path)
{
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
    {
        WriteDbg("Error: sound \"%s\" could not be opened as Ogg Vorbis", path.c_str());
        return nullptr;
    }
    std::shared_ptr<TSound> sound(new TSound);
    sound->m_path = path;
    vorbis_info* info = ov_info(&file, -1);
    bool ok = HeaderPlays(info, path);
    if (ok)
    {
        sound->m_channels = info->channels;
        sound->m_rate = static_cast<int>(info->rate);
        sound->m_format = info->channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
        ogg_int64_t frames = ov_pcm_total(&file, -1);
        sound->m_seconds = frames > 0 ? static_cast<float>(frames) / sound->m_rate : 0.0f;
        if (frames >= 0 && frames <= sound->m_rate * static_cast<ogg_int64_t>(kMaxDecodedSeconds))
            ok = sound->Decode(&file, static_cast<long>(frames));
    }
    ov_clear(&file);
    if (ok && !EndsWithLastPage(path))
        WriteDbg("Warning: sound \"%s\" is cut short (its last Ogg page is missing or incomplete); it plays "
                 "what is there",
                 path.c_str());
    return ok ? sound : nullptr;
}

bool TSound::Decode(void* vorbisFile, long frames)
{
    std::vector<char> pcm;
    try
    {
        pcm.resize(static_cast<size_t>(frames) * static_cast<size_t>(m_channels) * 2);
    }
    catch (const std::bad_alloc&)
    {
        WriteDbg("Error: sound \"%s\" could not be decoded: out of memory", m_path.c_str());
        return false;
    }
    bool ended = false;
    size_t got = ReadPcm(static_cast<OggVorbis_File*>(vorbisFile), pcm.data(), pcm.size(), false, &ended,
                         m_path, m_damageNamed);
    if (got == 0)
    {
        WriteDbg("Error: sound \"%s\" holds no samples", m_path.c_str());
        return false;
    }
    m_seconds = static_cast<float>(got) / static_cast<float>(m_channels * 2) / static_cast<float>(m_rate);
    alGetError();
    alGenBuffers(1, &m_buffer);
    if (alGetError() == AL_NO_ERROR)
        alBufferData(m_buffer, m_format, pcm.data(), static_cast<ALsizei>(got), m_rate);
    if (alGetError() != AL_NO_ERROR)
    {
        WriteDbg("Error: sound \"%s\" could not be loaded into the mixer", m_path.c_str());
        ReleaseBuffer();
        return false;
    }
    return true;
}

void TSound::ReleaseBuffer()
{
    if (m_buffer && s_manager && s_manager->m_context) alDeleteBuffers(1, &m_buffer);
    m_buffer = 0;
}

TSound::~TSound()
{
    ReleaseBuffer();
}

std::shared_ptr<TSoundInstance> TSound::Play(bool loop, float fadeInSeconds)
{
    if (!s_manager || !s_manager->HasDevice()) return nullptr;
    std::shared_ptr<TSoundInstance> instance(new TSoundInstance(shared_from_this(), loop));
    if (!instance->Start(fadeInSeconds)) return nullptr;
    s_manager->m_voices.push_back(instance);
    return instance;
}

// ---------------------------------------------------------------- TSoundInstance

TSoundInstance::TSoundInstance(std::shared_ptr<TSound> sound, bool loop)
    : m_sound(std::move(sound)), m_loop(loop)
{
}

TSoundInstance::~TSoundInstance()
{
    Release();
}

bool TSoundInstance::Start(float fadeInSeconds)
{
    alGetError();
    alGenSources(1, &m_source);
    if (alGetError() != AL_NO_ERROR)
    {
        m_source = 0;
        WriteDbg("Warning: no free voice for sound \"%s\"", m_sound->m_path.c_str());
        return false;
    }
    alSourcei(m_source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(m_source, AL_ROLLOFF_FACTOR, 0.0f);
    if (m_sound->m_buffer)
    {
        alSourcei(m_source, AL_BUFFER, static_cast<ALint>(m_sound->m_buffer));
        alSourcei(m_source, AL_LOOPING, m_loop ? AL_TRUE : AL_FALSE);
    }
    else
    {
        m_stream.reset(new TSoundStream);
        if (!m_stream->Open(*m_sound))
        {
            Release();
            return false;
        }
        int queued = 0;
        for (ALuint buffer : m_stream->buffers)
            if (m_stream->Fill(buffer, *m_sound, m_loop))
            {
                alSourceQueueBuffers(m_source, 1, &buffer);
                ++queued;
            }
        if (queued == 0)
        {
            WriteDbg("Error: sound \"%s\" holds no samples", m_sound->m_path.c_str());
            Release();
            return false;
        }
    }
    if (fadeInSeconds > 0.0f && std::isfinite(fadeInSeconds))
    {
        m_fade = 0.0f;
        m_fadeRate = 1.0f / fadeInSeconds;
    }
    ApplyGain();
    alSourcePlay(m_source);
    return true;
}

void TSoundInstance::Release()
{
    if (m_source)
    {
        alSourceStop(m_source);
        alSourcei(m_source, AL_BUFFER, 0);
        alDeleteSources(1, &m_source);
        m_source = 0;
    }
    m_stream.reset();
}

void TSoundInstance::ApplyGain()
{
    if (m_source) alSourcef(m_source, AL_GAIN, m_volume * m_fade);
}

void TSoundInstance::SetVolume(float volume)
{
    m_volume = Unit(volume);
    ApplyGain();
}

void TSoundInstance::Pause(bool pause, float fadeSeconds)
{
    bool fade = fadeSeconds > 0.0f && std::isfinite(fadeSeconds);
    if (!m_source || m_killed || pause == m_paused) return;
    m_paused = pause;
    if (pause)
    {
        m_fadeTarget = 0.0f;
        m_fadeEnd = kFadeThenPause;
        m_fadeRate = fade ? 1.0f / fadeSeconds : 0.0f;
        if (!fade) alSourcePause(m_source);
        return;
    }
    ALint state = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state == AL_PAUSED) // a voice that ran out meanwhile is left to end
        alSourcePlay(m_source);
    m_fadeTarget = 1.0f;
    m_fadeEnd = kFadeOnly;
    m_fadeRate = fade ? 1.0f / fadeSeconds : 0.0f;
    if (!fade) m_fade = 1.0f;
    ApplyGain();
}

void TSoundInstance::Kill(float fadeSeconds)
{
    m_callBack = nullptr;
    if (!m_source || m_killed) return;
    m_killed = true;
    if (fadeSeconds > 0.0f && std::isfinite(fadeSeconds) && !m_paused)
    {
        m_fadeTarget = 0.0f;
        m_fadeRate = 1.0f / fadeSeconds;
        m_fadeEnd = kFadeThenKill;
        return;
    }
    Release();
    if (s_manager) s_manager->Remove(this); // may drop the last owner: nothing may follow
}

// Returns true when a fading kill has reached silence.
bool TSoundInstance::StepFade(float seconds)
{
    if (m_fadeRate == 0.0f || (m_paused && m_fadeEnd != kFadeThenPause)) return false;
    float step = m_fadeRate * seconds;
    m_fade =
        m_fade < m_fadeTarget ? std::min(m_fadeTarget, m_fade + step) : std::max(m_fadeTarget, m_fade - step);
    ApplyGain();
    if (m_fade != m_fadeTarget) return false;
    m_fadeRate = 0.0f;
    if (m_fadeEnd == kFadeThenKill) return true;
    if (m_fadeEnd == kFadeThenPause) alSourcePause(m_source);
    m_fadeEnd = kFadeOnly;
    return false;
}

void TSoundInstance::FeedStream()
{
    ALint processed = 0;
    alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed)
    {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(m_source, 1, &buffer);
        if (m_stream->Fill(buffer, *m_sound, m_loop)) alSourceQueueBuffers(m_source, 1, &buffer);
    }
}

bool TSoundInstance::HasFinished()
{
    ALint state = 0;
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state != AL_STOPPED || m_paused) return false;
    ALint queued = 0;
    if (m_stream) alGetSourcei(m_source, AL_BUFFERS_QUEUED, &queued);
    if (queued > 0) // a stream that ran dry during a long turn goes on
    {
        alSourcePlay(m_source);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- TSoundManager

void TSoundManager::PollIfOpen(float elapsedSeconds)
{
    if (s_manager) s_manager->Poll(elapsedSeconds);
}

TSoundManager* TSoundManager::GetInstance()
{
    if (!s_manager)
    {
        s_manager = new TSoundManager;
        if (!s_manager->OpenDevice() && !s_warnedNoDevice)
        {
            s_warnedNoDevice = true;
            WriteDbg("Warning: no sound device could be opened, the game runs without sound");
        }
    }
    return s_manager;
}

void TSoundManager::Shutdown()
{
    delete s_manager;
    s_manager = nullptr;
}

bool TSoundManager::OpenLoopback(int frequency)
{
    Shutdown();
    s_manager = new TSoundManager;
    if (s_manager->OpenLoopbackDevice(frequency)) return true;
    WriteDbg("Warning: the loopback sound device is not available");
    return false;
}

namespace
{
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// The sound libraries print their own errors to the terminal when no device
// opens; the one warning line above says all a player needs. OpenAL Soft reads
// its log level once, at its first call; ALSA, which it loads itself, takes an
// error handler, set here through the same shared copy of the library.
void QuietSoundLibraries()
{
    static bool done = false;
    if (done) return;
    done = true;
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    if (!alsa) return;
    auto setHandler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler) setHandler(IgnoreAlsaError);
}
} // namespace

bool TSoundManager::OpenDevice()
{
    QuietSoundLibraries();
    ALCdevice* device = alcOpenDevice(nullptr);
    m_device = device;
    return device && CreateContext(nullptr);
}

bool TSoundManager::OpenLoopbackDevice(int frequency)
{
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return false;
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (!open) return false;
    m_device = open(nullptr);
    m_loopback = true;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY,
                                 frequency,
                                 0};
    return m_device && CreateContext(attributes);
}

bool TSoundManager::CreateContext(const int* attributes)
{
    ALCcontext* context = alcCreateContext(static_cast<ALCdevice*>(m_device), attributes);
    if (!context || !alcMakeContextCurrent(context))
    {
        if (context) alcDestroyContext(context);
        alcCloseDevice(static_cast<ALCdevice*>(m_device));
        m_device = nullptr;
        return false;
    }
    m_context = context;
    alListenerf(AL_GAIN, m_volume);
    return true;
}

TSoundManager::~TSoundManager()
{
    for (auto& voice : m_voices)
    {
        voice->m_callBack = nullptr;
        voice->Release();
    }
    m_voices.clear();
    for (auto& entry : m_sounds)
        if (auto sound = entry.second.sound.lock()) sound->ReleaseBuffer();
    m_sounds.clear();
    if (m_context)
    {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(static_cast<ALCcontext*>(m_context));
        m_context = nullptr;
    }
    if (m_device) alcCloseDevice(static_cast<ALCdevice*>(m_device));
}

void TSoundManager::SetVolume(float volume)
{
    m_volume = Unit(volume);
    if (m_context) alListenerf(AL_GAIN, m_volume);
}

void TSoundManager::Remove(TSoundInstance* instance)
{
    auto it = std::find_if(m_voices.begin(), m_voices.end(),
                           [instance](const auto& v) { return v.get() == instance; });
    if (it == m_voices.end()) return;
    std::shared_ptr<TSoundInstance> last = std::move(*it);
    m_voices.erase(it);
}

void TSoundManager::Poll(float elapsedSeconds)
{
    if (!(elapsedSeconds >= 0.0f) || !std::isfinite(elapsedSeconds)) elapsedSeconds = 0.0f;
    std::vector<std::shared_ptr<TSoundInstance>> finished;
    for (size_t i = 0; i < m_voices.size();)
    {
        TSoundInstance& voice = *m_voices[i];
        bool killed = voice.StepFade(elapsedSeconds);
        if (!killed && voice.m_stream) voice.FeedStream();
        if (!killed && !voice.HasFinished())
        {
            ++i;
            continue;
        }
        voice.Release();
        if (!killed) finished.push_back(m_voices[i]);
        m_voices.erase(m_voices.begin() + static_cast<long>(i));
    }
    // A callback may kill or unhook an instance whose end is still pending here.
    for (auto& instance : finished)
    {
        TSoundCallBack* callBack = instance->m_callBack;
        if (!callBack || instance->m_killed) continue;
        instance->m_callBack = nullptr;
        callBack->OnSoundEnd(instance);
    }
}

void TSoundManager::RenderLoopback(float* stereo, int frames)
{
    if (!stereo || frames <= 0) return;
    if (!m_loopback || !m_context)
    {
        std::memset(stereo, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
        return;
    }
    static auto render =
        reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    render(static_cast<ALCdevice*>(m_device), stereo, frames);
}

unsigned GetNumSoundDevices()
{
    return TSoundManager::GetInstance()->HasDevice() ? 1u : 0u;
}

} // namespace DE50
