#include "engine/scene/nE_TheoraDecoder.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <zlib.h>

namespace
{

const size_t kReadBlock = 4096;

bool EndsWith(const std::string& text, const char* tail, size_t minLength)
{
    const size_t n = std::strlen(tail);
    return text.size() >= minLength && text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// One chroma row's 8.8 terms spread over the picture width, so the pixel loop
// reads every term at x and stays free of tables (the compiler vectorises it).
struct ChromaRow
{
    std::vector<int32_t> blue, green, red;

    void Fill(const uint8_t* u, const uint8_t* v, unsigned width, int hs)
    {
        const unsigned samples = ((width - 1) >> hs) + 1;
        blue.resize(samples << hs);
        green.resize(samples << hs);
        red.resize(samples << hs);
        // Same values as the tables: Ub, -(Vg + Ug), Vr.
        for (unsigned c = 0; c < samples; ++c)
        {
            const int32_t cu = int32_t(u[c]) - 128, cv = int32_t(v[c]) - 128;
            blue[c] = 516 * cu;
            green[c] = -208 * cv - 100 * cu;
            red[c] = 409 * cv;
        }
        if (hs) Spread(samples);
    }

    // Sample c serves pixels 2c and 2c + 1; done from the end so nothing is overwritten early.
    void Spread(unsigned samples)
    {
        for (unsigned c = samples; c-- > 0;)
        {
            blue[2 * c] = blue[2 * c + 1] = blue[c];
            green[2 * c] = green[2 * c + 1] = green[c];
            red[2 * c] = red[2 * c + 1] = red[c];
        }
    }
};

// Whether the planes cover width x height under the shifts.
bool PlanesCover(const th_ycbcr_buffer p, int hs, int vs, unsigned width, unsigned height)
{
    if (width == 0 || height == 0) return true;
    if (!p[0].data || !p[1].data || !p[2].data) return false;
    if (unsigned(p[0].width) < width || unsigned(p[0].height) < height) return false;
    for (int i = 1; i < 3; ++i)
        if (unsigned(p[i].width) < ((width - 1) >> hs) + 1 ||
            unsigned(p[i].height) < ((height - 1) >> vs) + 1)
            return false;
    return true;
}

const uint8_t* Row(const th_img_plane& plane, unsigned row)
{
    return plane.data + static_cast<ptrdiff_t>(row) * plane.stride;
}

inline uint32_t Clamp8(int32_t value)
{
    value >>= 8;
    return uint32_t(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// One row of pixels. A clear pixel is written as all zero, which is what a
// zeroed buffer holds there, so callers need not clear theirs.
template <bool kAlpha>
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
// AVX2 where the processor has it: eight pixels per step instead of four.
__attribute__((target_clones("avx2", "default")))
#endif
void ConvertRow(const uint8_t* y, const ChromaRow& c, const uint8_t* alpha, uint8_t* out, unsigned width)
{
    const int32_t* cb = c.blue.data();
    const int32_t* cg = c.green.data();
    const int32_t* cr = c.red.data();
    for (unsigned x = 0; x < width; ++x)
    {
        const int32_t luma = 298 * (int32_t(y[x]) - 16) + 128;
        const uint32_t a = kAlpha ? alpha[x] : 255u;
        const uint32_t pixel =
            Clamp8(luma + cb[x]) | Clamp8(luma + cg[x]) << 8 | Clamp8(luma + cr[x]) << 16 | a << 24;
        const uint32_t value = a ? pixel : 0u;
        std::memcpy(out + 4 * size_t(x), &value, 4);
    }
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixels are assembled as little-endian words");

// Converts every row; `alphaRow(r)` gives row r's alpha bytes, or null for opaque.
template <class AlphaFn>
bool ConvertPlanes(const th_ycbcr_buffer planes, int pixelFormat, unsigned stride, uint8_t* out,
                   unsigned width, unsigned height, AlphaFn alphaRow)
{
    int hs = 0, vs = 0;
    if (!nE_ChromaShift(pixelFormat, hs, vs) || !PlanesCover(planes, hs, vs, width, height)) return false;
    if (stride == 0) stride = width;
    ChromaRow chroma;
    unsigned chromaRow = ~0u;
    for (unsigned r = 0; r < height; ++r)
    {
        if ((r >> vs) != chromaRow)
        {
            chromaRow = r >> vs;
            chroma.Fill(Row(planes[1], chromaRow), Row(planes[2], chromaRow), width, hs);
        }
        uint8_t* o = out + static_cast<size_t>(r) * stride * 4;
        const uint8_t* a = alphaRow(r);
        if (a)
            ConvertRow<true>(Row(planes[0], r), chroma, a, o, width);
        else
            ConvertRow<false>(Row(planes[0], r), chroma, nullptr, o, width);
    }
    return true;
}

} // namespace

// ---- tables and conversion ----

const nE_YuvTables& nE_YuvTables::Get()
{
    static const nE_YuvTables tables = []
    {
        nE_YuvTables t;
        for (int i = 0; i < 256; ++i)
        {
            t.y[i] = 298 * (i - 16) + 128;
            t.vr[i] = 409 * (i - 128);
            t.vg[i] = 208 * (i - 128);
            t.ug[i] = 100 * (i - 128);
            t.ub[i] = 516 * (i - 128);
        }
        return t;
    }();
    return tables;
}

bool nE_ChromaShift(int pixelFormat, int& hs, int& vs)
{
    switch (pixelFormat)
    {
    case TH_PF_420:
        hs = 1, vs = 1;
        return true;
    case TH_PF_422:
        hs = 1, vs = 0;
        return true;
    case TH_PF_444:
        hs = 0, vs = 0;
        return true;
    default:
        return false;
    }
}

bool nE_ConvertZAlpha(const th_ycbcr_buffer planes, int pixelFormat, unsigned stride, const uint8_t* alpha,
                      uint8_t* out, unsigned width, unsigned height)
{
    return ConvertPlanes(planes, pixelFormat, stride, out, width, height,
                         [&](unsigned r)
                         { return alpha ? alpha + static_cast<size_t>(r) * width : nullptr; });
}

bool nE_ConvertOggAlpha(const th_ycbcr_buffer planes, int pixelFormat, const th_ycbcr_buffer alphaPlanes,
                        int alphaFormat, unsigned stride, uint8_t* out, unsigned width, unsigned height)
{
    int ahs = 0, avs = 0;
    if (!nE_ChromaShift(alphaFormat, ahs, avs)) return false;
    // The alpha picture may be smaller than the video: pixels outside it are clear.
    unsigned aw = std::min(width, unsigned(std::max(alphaPlanes[0].width, 0)));
    unsigned ah = std::min(height, unsigned(std::max(alphaPlanes[0].height, 0)));
    if (!PlanesCover(alphaPlanes, ahs, avs, aw, ah)) aw = ah = 0;
    const nE_YuvTables& t = nE_YuvTables::Get();
    std::vector<uint8_t> row(width, 0);
    return ConvertPlanes(planes, pixelFormat, stride, out, width, height,
                         [&](unsigned r)
                         {
                             const unsigned inside = r < ah ? aw : 0;
                             const uint8_t* ya = inside ? Row(alphaPlanes[0], r) : nullptr;
                             const uint8_t* va = inside ? Row(alphaPlanes[2], r >> avs) : nullptr;
                             for (unsigned x = 0; x < inside; ++x)
                                 row[x] = nE_ClampShift8(t.y[ya[x]] + t.vr[va[x >> ahs]]);
                             std::fill(row.begin() + inside, row.end(), 0);
                             return row.data();
                         });
}

// ---- Theora reader ----

std::unique_ptr<nE_TheoraReader> nE_TheoraReader::Open(FILE* file)
{
    if (!file) return nullptr;
    std::unique_ptr<nE_TheoraReader> reader(new nE_TheoraReader());
    reader->m_file = file;
    ogg_sync_init(&reader->m_sync);
    th_info_init(&reader->m_info);
    th_comment_init(&reader->m_comment);
    th_setup_info* setup = nullptr;
    reader->ReadHeaders(reader->m_info, reader->m_comment, &setup);
    const th_info& info = reader->m_info;
    const uint64_t pixels = uint64_t(info.frame_width) * info.frame_height;
    if (setup && pixels > 0 && pixels <= kMaxVideoPixels) reader->m_decoder = th_decode_alloc(&info, setup);
    th_setup_free(setup);
    return reader;
}

nE_TheoraReader::~nE_TheoraReader()
{
    ogg_sync_clear(&m_sync);
    if (m_streamInit) ogg_stream_clear(&m_stream);
    th_info_clear(&m_info);
    th_comment_clear(&m_comment);
    if (m_decoder) th_decode_free(m_decoder);
    if (m_file) std::fclose(m_file);
}

void nE_TheoraReader::ReadHeaders(th_info& info, th_comment& comment, th_setup_info** setup)
{
    for (int i = 0; i < 3; ++i)
    {
        ogg_packet packet;
        if (!NextPacket(packet)) return;
        th_decode_headerin(&info, &comment, setup, &packet);
    }
}

bool nE_TheoraReader::ReadPage()
{
    char* buffer = ogg_sync_buffer(&m_sync, kReadBlock);
    if (!buffer) return false;
    const size_t n = std::fread(buffer, 1, kReadBlock, m_file);
    ogg_sync_wrote(&m_sync, long(n));
    return n > 0;
}

bool nE_TheoraReader::NextPacket(ogg_packet& packet)
{
    for (;;)
    {
        if (m_streamInit && ogg_stream_packetout(&m_stream, &packet) == 1) return true;
        ogg_page page;
        const int paged = ogg_sync_pageout(&m_sync, &page);
        if (paged < 0)
        {
            // Bytes that are no page were skipped; pages may still follow them.
            if (m_streamInit) Damaged("a page fails its check (damaged bytes) and is skipped");
            continue;
        }
        if (paged == 1)
        {
            if (ogg_page_bos(&page))
            {
                if (m_streamInit) ogg_stream_clear(&m_stream);
                ogg_stream_init(&m_stream, ogg_page_serialno(&page));
                m_streamInit = true;
            }
            // Pages before any stream start (after a rewind into the middle
            // of nothing, or in a cut file) have no stream to go to.
            if (m_streamInit) ogg_stream_pagein(&m_stream, &page);
            continue;
        }
        if (!ReadPage())
        {
            if (m_streamInit && !m_stream.e_o_s)
                Damaged("it ends without its end-of-stream mark: the file is cut short");
            return false;
        }
    }
}

bool nE_TheoraReader::PacketIn(bool output)
{
    if (!m_decoder) return false;
    ogg_packet packet;
    if (!NextPacket(packet)) return false;
    // libtheora's output planes are unset until a packet really decodes; a
    // bad or empty first packet must not hand them out.
    const int decoded = th_decode_packetin(m_decoder, &packet, nullptr);
    if (decoded == 0) m_decodedOnce = true;
    if (decoded < 0) Damaged("a packet does not decode");
    if (output && m_decodedOnce && th_decode_ycbcr_out(m_decoder, m_planes) == 0) m_hasPicture = true;
    return true;
}

bool nE_TheoraReader::DecodeFrame()
{
    return PacketIn(true);
}

bool nE_TheoraReader::SkipFrame()
{
    return PacketIn(false);
}

void nE_TheoraReader::Rewind()
{
    if (m_streamInit) ogg_stream_clear(&m_stream);
    m_streamInit = false;
    ogg_sync_reset(&m_sync);
    std::fseek(m_file, 0, SEEK_SET);
    // The headers are read past; what they say is already known.
    th_info info;
    th_comment comment;
    th_setup_info* setup = nullptr;
    th_info_init(&info);
    th_comment_init(&comment);
    ReadHeaders(info, comment, &setup);
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
}

// ---- z-alpha reader ----

std::unique_ptr<nE_ZAlphaReader> nE_ZAlphaReader::Open(FILE* file, unsigned width, unsigned height)
{
    if (!file) return nullptr;
    std::unique_ptr<nE_ZAlphaReader> reader(new nE_ZAlphaReader());
    reader->m_file = file;
    if (uint64_t(width) * height <= kMaxVideoPixels)
    {
        reader->m_width = width;
        reader->m_height = height;
    }
    if (std::fseek(file, 0, SEEK_END) == 0) reader->m_size = std::max(0L, std::ftell(file));
    std::fseek(file, 0, SEEK_SET);
    return reader;
}

nE_ZAlphaReader::~nE_ZAlphaReader()
{
    if (m_file) std::fclose(m_file);
}

bool nE_ZAlphaReader::ReadLength(uint32_t& length)
{
    uint8_t bytes[4];
    const size_t got = std::fread(bytes, 1, 4, m_file);
    if (got != 4)
    {
        if (got > 0) Damaged("its last record is cut short");
        return false;
    }
    length =
        uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
    const long here = std::ftell(m_file);
    if (here >= 0 && uint64_t(length) <= uint64_t(m_size - here)) return true;
    Damaged("a record of " + std::to_string(length) + " bytes runs past the end of the file (" +
            std::to_string(m_size) + " bytes): the file is cut short or damaged");
    return false;
}

bool nE_ZAlphaReader::ReadFrame()
{
    if (m_buffer.empty()) m_buffer.assign(size_t(m_width) * m_height, 0);
    uint32_t length = 0;
    if (!ReadLength(length)) return false;
    m_block.resize(length);
    if (length > 0 && std::fread(m_block.data(), 1, length, m_file) != length) return false;
    // A block that fails to inflate leaves the previous plane.
    uLongf size = uLongf(m_buffer.size());
    if (size == 0) return true;
    if (uncompress(m_buffer.data(), &size, m_block.data(), uLong(length)) != Z_OK || size != m_buffer.size())
        Damaged("a record does not inflate to the video's " + std::to_string(m_width) + " x " +
                std::to_string(m_height) + " bytes of alpha");
    return true;
}

bool nE_ZAlphaReader::SkipFrame()
{
    uint32_t length = 0;
    return ReadLength(length) && std::fseek(m_file, long(length), SEEK_CUR) == 0;
}

void nE_ZAlphaReader::Rewind()
{
    std::fseek(m_file, 0, SEEK_SET);
}

// ---- picture copies and the worker ----

void nE_PictureCopy::Take(const th_ycbcr_buffer from)
{
    size_t size = 0;
    for (int p = 0; p < 3; ++p)
        size += size_t(std::max(from[p].width, 0)) * size_t(std::max(from[p].height, 0));
    bytes.resize(size);
    uint8_t* at = bytes.data();
    for (int p = 0; p < 3; ++p)
    {
        const unsigned width = unsigned(std::max(from[p].width, 0)), height = unsigned(std::max(from[p].height, 0));
        planes[p].width = int(width);
        planes[p].height = int(height);
        planes[p].stride = int(width);
        planes[p].data = at;
        for (unsigned r = 0; r < height; ++r, at += width)
            std::memcpy(at, Row(from[p], r), width);
    }
    valid = true;
}

nE_DecodeWorker::~nE_DecodeWorker()
{
    Stop();
}

bool nE_DecodeWorker::Start()
{
    if (!m_thread.joinable())
    {
        m_stop = false;
        try
        {
            m_thread = std::thread(&nE_DecodeWorker::Loop, this);
        }
        catch (const std::system_error&)
        {
            return false;
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_busy = true;
    }
    m_changed.notify_all();
    return true;
}

void nE_DecodeWorker::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
}

void nE_DecodeWorker::Stop()
{
    if (!m_thread.joinable()) return;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_busy; });
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void nE_DecodeWorker::Loop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (m_busy)
        {
            lock.unlock();
            m_job();
            lock.lock();
            m_busy = false;
            m_changed.notify_all();
        }
        else
            return;
    }
}

// ---- player ----

nE_VideoPlayer::nE_VideoPlayer() : m_worker([this] { StepStreams(true, m_ahead); })
{
    nE_YuvTables::Get();
}

nE_VideoPlayer::~nE_VideoPlayer()
{
    m_worker.Stop();
}

bool nE_VideoPlayer::Open(const std::string& videoPath, const std::string& alphaPath)
{
    Close();
    m_video = nE_TheoraReader::Open(std::fopen(videoPath.c_str(), "rb"));
    FILE* alpha = alphaPath.empty() ? nullptr : std::fopen(alphaPath.c_str(), "rb");
    if (alpha && EndsWith(alphaPath, ".zalpha", 9))
        m_zalpha = nE_ZAlphaReader::Open(alpha, GetFrameWidth(), GetFrameHeight());
    else if (alpha && EndsWith(alphaPath, ".oggalpha", 11))
    {
        m_oggalpha = nE_TheoraReader::Open(alpha);
        // An alpha file that is not Theora plays the video opaque.
        if (!m_oggalpha->HasDecoder())
        {
            m_oggalpha.reset();
            m_alphaDamage = "it holds no Theora stream that can be decoded; the video plays opaque";
        }
        else if (HasDecoder() && (m_oggalpha->Info().frame_width != GetFrameWidth() ||
                                  m_oggalpha->Info().frame_height != GetFrameHeight()))
            m_alphaDamage = "its pictures are " + std::to_string(m_oggalpha->Info().frame_width) + " x " +
                            std::to_string(m_oggalpha->Info().frame_height) + ", the video's " +
                            std::to_string(GetFrameWidth()) + " x " + std::to_string(GetFrameHeight()) +
                            "; what lies outside the alpha picture is clear";
    }
    else if (alpha)
        std::fclose(alpha);
    PublishDamage();
    return m_video != nullptr;
}

void nE_VideoPlayer::Close()
{
    DropAhead();
    m_worker.Stop();
    m_video.reset();
    m_zalpha.reset();
    m_oggalpha.reset();
    m_ended = false;
    m_position = 0;
    m_decodeRun = 0;
    m_alphaDamage.clear();
    m_videoDamage.clear();
    m_oggAlphaDamage.clear();
    m_picture.valid = m_alphaPicture.valid = false;
}

void nE_VideoPlayer::PublishDamage()
{
    m_videoDamage = m_video ? m_video->Damage() : std::string();
    m_oggAlphaDamage = m_oggalpha ? m_oggalpha->Damage() : std::string();
}

std::string nE_VideoPlayer::GetAlphaDamage() const
{
    if (!m_alphaDamage.empty()) return m_alphaDamage;
    if (m_zalpha) return m_zalpha->Damage();
    return m_oggAlphaDamage;
}

std::string nE_VideoPlayer::GetVideoDamage() const
{
    // A video that cannot decode at all is named as such by its owner.
    return HasDecoder() ? m_videoDamage : std::string();
}

bool nE_VideoPlayer::Stepped(bool video, bool alpha)
{
    if (video && !alpha && GetAlphaDamage().empty())
        m_alphaDamage = "it ends after " + std::to_string(m_position) +
                        " frames, before the video does; the video ends there too";
    m_ended = !(video && alpha);
    if (!m_ended) ++m_position;
    return !m_ended;
}

unsigned nE_VideoPlayer::GetFrameWidth() const
{
    return m_video ? m_video->Info().frame_width : 0;
}

unsigned nE_VideoPlayer::GetFrameHeight() const
{
    return m_video ? m_video->Info().frame_height : 0;
}

float nE_VideoPlayer::GetFps() const
{
    if (!m_video || m_video->Info().fps_denominator == 0) return 0.0f;
    return float(double(m_video->Info().fps_numerator) / double(m_video->Info().fps_denominator));
}

// On the worker while reading ahead, else on the caller's thread. A picture
// copy that fails for memory is handed to the caller that shows it.
void nE_VideoPlayer::StepStreams(bool decode, StreamStep& step)
{
    step.video = m_video && (decode ? m_video->DecodeFrame() : m_video->SkipFrame());
    step.oggAlpha = true;
    if (step.video && m_oggalpha) step.oggAlpha = decode ? m_oggalpha->DecodeFrame() : m_oggalpha->SkipFrame();
    step.failure = nullptr;
    step.picture.valid = step.alphaPicture.valid = false;
    try
    {
        if (decode && step.video && m_video->HasPicture()) step.picture.Take(m_video->Planes());
        if (decode && step.video && m_oggalpha && m_oggalpha->HasPicture())
            step.alphaPicture.Take(m_oggalpha->Planes());
    }
    catch (...)
    {
        step.failure = std::current_exception();
    }
    step.videoDamage = m_video ? m_video->Damage() : std::string();
    step.alphaDamage = m_oggalpha ? m_oggalpha->Damage() : std::string();
}

void nE_VideoPlayer::StartAhead()
{
    m_aheadStarted = m_worker.Start();
}

bool nE_VideoPlayer::TakeAhead(StreamStep& step)
{
    if (!m_aheadStarted) return false;
    m_worker.Wait();
    m_aheadStarted = false;
    std::swap(step, m_ahead);
    return true;
}

void nE_VideoPlayer::DropAhead()
{
    StreamStep dropped;
    if (!TakeAhead(dropped)) return;
    // The dropped frame is read again later: its damage is found then.
    if (m_video) m_video->RestoreDamage(m_videoDamage);
    if (m_oggalpha) m_oggalpha->RestoreDamage(m_oggAlphaDamage);
    m_ahead = std::move(dropped); // keeps its buffers for the next read-ahead
}

bool nE_VideoPlayer::Step(bool decode)
{
    StreamStep step;
    if (!TakeAhead(step))
    {
        step = std::move(m_ahead); // its buffers, kept from earlier frames
        StepStreams(decode, step);
    }
    if (decode && step.failure) std::rethrow_exception(step.failure);
    m_videoDamage = step.videoDamage;
    m_oggAlphaDamage = step.alphaDamage;
    // A frame read ahead and then skipped leaves the shown pictures alone, as a skip does.
    if (decode && step.picture.valid) std::swap(m_picture, step.picture);
    if (decode && step.alphaPicture.valid) std::swap(m_alphaPicture, step.alphaPicture);
    const bool video = step.video;
    bool alpha = true;
    if (video && m_zalpha) alpha = decode ? m_zalpha->ReadFrame() : m_zalpha->SkipFrame();
    if (video && alpha && m_oggalpha) alpha = step.oggAlpha;
    // The buffers of the pictures no longer shown serve the next read-ahead.
    m_ahead = std::move(step);
    m_decodeRun = decode ? m_decodeRun + 1 : 0;
    const bool stepped = Stepped(video, alpha);
    if (stepped && m_decodeRun >= 2) StartAhead();
    return stepped;
}

bool nE_VideoPlayer::DecodeNextFrame()
{
    return Step(true);
}

bool nE_VideoPlayer::SkipFrame()
{
    return Step(false);
}

void nE_VideoPlayer::Rewind()
{
    DropAhead();
    if (m_video) m_video->Rewind();
    if (m_zalpha) m_zalpha->Rewind();
    if (m_oggalpha) m_oggalpha->Rewind();
    PublishDamage();
    m_position = 0;
    m_decodeRun = 0;
    m_ended = false;
}

void nE_VideoPlayer::SeekToFrame(int frame)
{
    if (m_position > frame) Rewind();
    while (m_position < frame)
        if (!SkipFrame()) return;
}

int nE_VideoPlayer::CountFrames()
{
    SeekToFrame(0);
    int count = 0;
    while (SkipFrame())
        ++count;
    return count;
}

bool nE_VideoPlayer::ConvertFrame(uint8_t* out, unsigned stride) const
{
    if (!out || !m_video || !m_picture.valid) return false;
    const th_info& info = m_video->Info();
    const unsigned w = info.frame_width, h = info.frame_height;
    if (m_oggalpha && m_alphaPicture.valid)
    {
        return nE_ConvertOggAlpha(m_picture.planes, info.pixel_fmt, m_alphaPicture.planes,
                                  m_oggalpha->Info().pixel_fmt, stride, out, w, h);
    }
    const uint8_t* alpha = nullptr;
    if (m_zalpha && m_zalpha->Buffer().size() == size_t(w) * h) alpha = m_zalpha->Buffer().data();
    return nE_ConvertZAlpha(m_picture.planes, info.pixel_fmt, stride, alpha, out, w, h);
}
