#pragma once
// Ogg Theora decoding with an optional alpha source, one frame at a time, into
// 32-bit blue, green, red, alpha pixels. Two alpha forms exist: ".zalpha" (one
// zlib-compressed 8-bit plane per frame, each behind a 4-byte little-endian
// length) and ".oggalpha" (a second Theora stream whose picture is the alpha).

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <ogg/ogg.h>
#include <theora/theoradec.h>

// 8.8 fixed-point YCbCr to RGB terms, filled once.
struct nE_YuvTables
{
    int32_t y[256];
    int32_t vr[256];
    int32_t vg[256];
    int32_t ug[256];
    int32_t ub[256];

    static const nE_YuvTables& Get();
};

// Clamps an 8.8 sum (before the shift) to a byte.
inline uint8_t nE_ClampShift8(int32_t value)
{
    value >>= 8;
    return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// Frames bigger than this many pixels are refused (no decoder is made).
constexpr uint64_t kMaxVideoPixels = 1u << 24;

// One Theora stream in one stdio file.
class nE_TheoraReader
{
public:
    ~nE_TheoraReader();
    // Takes the file (closed with the reader). Reads the three headers; the
    // reader has no decoder when they are not Theora or the frame is too big.
    static std::unique_ptr<nE_TheoraReader> Open(FILE* file);

    bool NextPacket(ogg_packet& packet);
    // Both answer false without a decoder or at the end of the stream.
    bool DecodeFrame();
    bool SkipFrame();
    // Back to the first frame: sync and stream reset, headers read again.
    void Rewind();

    bool HasDecoder() const { return m_decoder != nullptr; }
    // What was first found wrong with the file while reading it (a damaged
    // page, a packet that does not decode, an end without the end-of-stream
    // mark); empty while nothing was.
    const std::string& Damage() const { return m_damage; }
    // Puts back what Damage() said before a step whose frame is dropped unseen.
    void RestoreDamage(const std::string& damage) { m_damage = damage; }
    // Whether a picture was decoded since opening (the planes are valid).
    bool HasPicture() const { return m_hasPicture; }
    const th_info& Info() const { return m_info; }
    const th_ycbcr_buffer& Planes() const { return m_planes; }

private:
    nE_TheoraReader() = default;
    // Reads the three header packets into the given records.
    void ReadHeaders(th_info& info, th_comment& comment, th_setup_info** setup);
    bool ReadPage();
    bool PacketIn(bool output);
    void Damaged(const char* what)
    {
        if (m_damage.empty()) m_damage = what;
    }

    FILE* m_file = nullptr;
    ogg_sync_state m_sync{};
    ogg_stream_state m_stream{};
    bool m_streamInit = false;
    th_info m_info{};
    th_comment m_comment{};
    th_dec_ctx* m_decoder = nullptr;
    th_ycbcr_buffer m_planes{};
    bool m_decodedOnce = false;
    bool m_hasPicture = false;
    std::string m_damage;
};

// A ".zalpha" file: one compressed alpha plane per frame.
class nE_ZAlphaReader
{
public:
    ~nE_ZAlphaReader();
    // Takes the file.
    static std::unique_ptr<nE_ZAlphaReader> Open(FILE* file, unsigned width, unsigned height);

    // False at the end of the file or for a record longer than what is left.
    bool ReadFrame();
    bool SkipFrame();
    void Rewind();
    // width * height bytes, zeroed until the first frame inflates.
    const std::vector<uint8_t>& Buffer() const { return m_buffer; }
    // As the Theora reader's: a record cut short or running past the end, one
    // that does not inflate, or one that inflates to another size.
    const std::string& Damage() const { return m_damage; }

private:
    nE_ZAlphaReader() = default;
    // Reads the length field; false when it is missing or runs past the end.
    bool ReadLength(uint32_t& length);
    void Damaged(const std::string& what)
    {
        if (m_damage.empty()) m_damage = what;
    }

    FILE* m_file = nullptr;
    long m_size = 0;
    unsigned m_width = 0;
    unsigned m_height = 0;
    std::vector<uint8_t> m_buffer;
    std::vector<uint8_t> m_block;
    std::string m_damage;
};

// Plane layout by Theora pixel format: 0 (4:2:0), 2 (4:2:2), 3 (4:4:4); false
// for any other.
bool nE_ChromaShift(int pixelFormat, int& hs, int& vs);

// Converts planes to width x height pixels (rows `stride` pixels apart) with
// alpha from `alpha` (width bytes per row) or opaque without it. Pixels of
// alpha 0 are written all zero. An unsupported format (or planes that do not
// cover the size) writes nothing and answers false.
bool nE_ConvertZAlpha(const th_ycbcr_buffer planes, int pixelFormat, unsigned stride, const uint8_t* alpha,
                      uint8_t* out, unsigned width, unsigned height);
// The same with alpha from a second picture; pixels outside it get alpha 0.
bool nE_ConvertOggAlpha(const th_ycbcr_buffer planes, int pixelFormat, const th_ycbcr_buffer alphaPlanes,
                        int alphaFormat, unsigned stride, uint8_t* out, unsigned width, unsigned height);

// A decoded picture copied out of the decoder, which reuses its own buffers for
// the frames after it: rows packed, top first.
struct nE_PictureCopy
{
    std::vector<uint8_t> bytes;
    th_ycbcr_buffer planes{};
    bool valid = false;

    void Take(const th_ycbcr_buffer from);
};

// Runs one job at a time on a thread of its own, made with the first job and
// joined with the object. Only the decoder's read-ahead uses it.
class nE_DecodeWorker
{
public:
    explicit nE_DecodeWorker(std::function<void()> job) : m_job(std::move(job)) {}
    ~nE_DecodeWorker();
    nE_DecodeWorker(const nE_DecodeWorker&) = delete;
    nE_DecodeWorker& operator=(const nE_DecodeWorker&) = delete;

    // False when no thread could be made: the caller does the work itself.
    bool Start();
    // Until the job started last has finished; at once when none was started.
    void Wait();
    // Waits, then ends the thread; a later Start makes another.
    void Stop();

private:
    void Loop();

    std::function<void()> m_job;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_busy = false; // guarded by m_mutex, as m_stop
    bool m_stop = false;
};

// While a video plays (two frames decoded one after the other), the Theora
// streams' next frame is decoded on a worker as the caller converts and shows
// the current one. Everything the caller sees stays as if each call did its
// own step: positions, ends, pictures and damage.
class nE_VideoPlayer
{
public:
    nE_VideoPlayer();
    ~nE_VideoPlayer();

    // An empty alpha path opens no alpha source. False when the video could
    // not be opened.
    bool Open(const std::string& videoPath, const std::string& alphaPath);
    void Close();
    void SeekToFrame(int frame);
    bool DecodeNextFrame();
    bool SkipFrame();
    // Writes the last decoded frame; nothing (false) before the first decode
    // or for a pixel format it cannot show.
    bool ConvertFrame(uint8_t* out, unsigned stride) const;
    // Frames per second; 0 without a video or with a zero denominator.
    float GetFps() const;
    int CountFrames();

    unsigned GetFrameWidth() const;
    unsigned GetFrameHeight() const;
    bool IsEnded() const { return m_ended; }
    int GetPosition() const { return m_position; }
    bool HasDecoder() const { return m_video && m_video->HasDecoder(); }
    // Whether the next frame is being decoded, or waits, on the worker.
    bool IsReadingAhead() const { return m_aheadStarted; }
    // What is wrong with the alpha file ("" when nothing, or none is open),
    // and with a video that decodes; each found while opening or reading.
    std::string GetAlphaDamage() const;
    std::string GetVideoDamage() const;

private:
    // One step of the Theora streams, the video's and an ".oggalpha" one; the
    // z-alpha file is stepped by the caller, always on the caller's thread.
    struct StreamStep
    {
        bool video = false;
        bool oggAlpha = true;
        nE_PictureCopy picture, alphaPicture;
        std::string videoDamage, alphaDamage;
        std::exception_ptr failure;
    };

    void Rewind();
    bool Step(bool decode);
    void StepStreams(bool decode, StreamStep& step);
    // The step read ahead, waited for; false when none was started.
    bool TakeAhead(StreamStep& step);
    void StartAhead();
    // Waits for a step read ahead and forgets it: the streams are one frame
    // further than the caller knows, so they must be rewound before use.
    void DropAhead();
    void PublishDamage();
    // Called with what each present reader managed; names an alpha stream that
    // ends while the video goes on.
    bool Stepped(bool video, bool alpha);

    std::unique_ptr<nE_TheoraReader> m_video;
    std::unique_ptr<nE_ZAlphaReader> m_zalpha;
    std::unique_ptr<nE_TheoraReader> m_oggalpha;
    bool m_ended = false;
    int m_position = 0;
    std::string m_alphaDamage; // found by the player itself
    // The readers' damage as of the frames the caller has had.
    std::string m_videoDamage, m_oggAlphaDamage;
    // The pictures ConvertFrame shows.
    nE_PictureCopy m_picture, m_alphaPicture;
    int m_decodeRun = 0; // frames decoded one after the other
    StreamStep m_ahead;  // the worker's while m_aheadStarted
    bool m_aheadStarted = false;
    // Last: joined before the readers it steps are closed.
    nE_DecodeWorker m_worker;
};
