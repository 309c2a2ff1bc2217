#pragma once
// Small Theora videos and ".zalpha" files made at test time with libtheora's
// own encoder: flat pictures whose levels say which frame they are.

#include <ogg/ogg.h>
#include <theora/theoraenc.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace theorafixture
{

struct Picture
{
    uint8_t y = 16, u = 128, v = 128;
};

struct Options
{
    unsigned width = 32, height = 16; // multiples of 16
    int pixelFormat = TH_PF_420;
    unsigned fps = 25;
    // Ident header bytes to overwrite (offset, value) before writing.
    std::vector<std::pair<size_t, uint8_t>> identPatch;
    int quality = 63;
    // Draws frame i into the planes instead of the flat picture.
    std::function<void(int, th_ycbcr_buffer)> fill;
};

// The luma level that marks frame i (far apart so coding loss cannot blur them).
inline uint8_t Level(int i)
{
    return uint8_t(20 + 10 * (i % 20));
}

inline void WritePages(ogg_stream_state& os, FILE* f, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&os, &page) : ogg_stream_pageout(&os, &page))
    {
        std::fwrite(page.header, 1, size_t(page.header_len), f);
        std::fwrite(page.body, 1, size_t(page.body_len), f);
    }
}

// `frames` flat pictures from picture(i), or of luma Level(i) without one; false when the encoder refused.
inline bool WriteVideo(const std::string& path, int frames,
                       const std::function<Picture(int)>& picture = nullptr, const Options& o = Options())
{
    th_info info;
    th_info_init(&info);
    info.frame_width = info.pic_width = o.width;
    info.frame_height = info.pic_height = o.height;
    info.fps_numerator = o.fps;
    info.fps_denominator = info.aspect_numerator = info.aspect_denominator = 1;
    info.pixel_fmt = th_pixel_fmt(o.pixelFormat);
    info.quality = o.quality;
    info.keyframe_granule_shift = 3;
    th_enc_ctx* enc = th_encode_alloc(&info);
    th_info_clear(&info);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!enc || !f)
    {
        if (enc) th_encode_free(enc);
        if (f) std::fclose(f);
        return false;
    }
    ogg_stream_state os;
    ogg_stream_init(&os, 1234);
    th_comment comment;
    th_comment_init(&comment);
    ogg_packet packet;
    for (int i = 0; th_encode_flushheader(enc, &comment, &packet) > 0; ++i)
    {
        std::vector<uint8_t> bytes(packet.packet, packet.packet + packet.bytes);
        if (i == 0)
            for (auto& patch : o.identPatch)
                if (patch.first < bytes.size()) bytes[patch.first] = patch.second;
        packet.packet = bytes.data();
        ogg_stream_packetin(&os, &packet);
        if (i == 0) WritePages(os, f, true);
    }
    WritePages(os, f, true);
    th_comment_clear(&comment);
    int hs = o.pixelFormat == TH_PF_444 ? 0 : 1, vs = o.pixelFormat == TH_PF_420 ? 1 : 0;
    std::vector<uint8_t> planes[3];
    th_ycbcr_buffer buf;
    for (int p = 0; p < 3; ++p)
    {
        buf[p].width = int(p ? o.width >> hs : o.width);
        buf[p].height = int(p ? o.height >> vs : o.height);
        buf[p].stride = buf[p].width;
        planes[p].resize(size_t(buf[p].width * buf[p].height));
        buf[p].data = planes[p].data();
    }
    for (int i = 0; i < frames; ++i)
    {
        if (o.fill)
            o.fill(i, buf);
        else
        {
            const Picture pic = picture ? picture(i) : Picture{Level(i)};
            planes[0].assign(planes[0].size(), pic.y);
            planes[1].assign(planes[1].size(), pic.u);
            planes[2].assign(planes[2].size(), pic.v);
        }
        th_encode_ycbcr_in(enc, buf);
        while (th_encode_packetout(enc, i + 1 == frames, &packet) > 0)
            ogg_stream_packetin(&os, &packet);
        WritePages(os, f, false);
    }
    WritePages(os, f, true);
    ogg_stream_clear(&os);
    th_encode_free(enc);
    return std::fclose(f) == 0;
}

// One record per plane; each plane is compressed as given.
inline void WriteZAlpha(const std::string& path, const std::vector<std::vector<uint8_t>>& planes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    for (const auto& plane : planes)
    {
        uLongf size = compressBound(uLong(plane.size()));
        std::vector<uint8_t> block(size);
        compress(block.data(), &size, plane.data(), uLong(plane.size()));
        uint8_t len[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
        std::fwrite(len, 1, 4, f);
        std::fwrite(block.data(), 1, size, f);
    }
    std::fclose(f);
}

} // namespace theorafixture
