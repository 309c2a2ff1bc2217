// Video playback per 1024x768 frame, side by side with libtheora's own decode
// of the same packets (read from memory, no Ogg, no conversion):
//  - BM_TheoraDecodeAlone: th_decode_packetin + th_decode_ycbcr_out;
//  - BM_Skip: the player skipping a frame (decoded, never converted);
//  - BM_Decode: the player decoding a frame (Ogg demux + decode);
//  - BM_DecodeConvert/<alpha>: decode + conversion to 32-bit pixels;
//  - BM_DecodeConvertUpload/<alpha>/<draw>/<keep>: the same + the texture
//    filled (keep 1: one texture kept, each frame converted into it, as the
//    video object does; keep 0: a new one filled each frame), with draw 1 also shown in a frame, which
//    sends it to the GPU (BM_DrawFrame is that frame alone), draw 2 sent to
//    the GPU alone and waited for;
// alpha 0 none, 1 ".zalpha", 2 ".oggalpha". And the at-effect:
//  - BM_AtEffect/<density x10>/<gpu>: update + draw of one 1024x768 rain
//    field; gpu 0 stops at the vertex list, gpu 1 draws and presents a frame.
// Run under Xvfb: xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_video

#include "bench/fixtures/bench_env.h"
#include "bench/fixtures/theora_files.h"
#include "de50/de50.h"
#include "de50/de50_test.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_AtEffect.h"
#include "engine/scene/nE_TheoraDecoder.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

const unsigned kW = 1024, kH = 768;
const int kFrames = 48;

// A moving pattern with detail, so that decoding does real work.
void Pattern(int frame, th_ycbcr_buffer planes)
{
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < planes[p].height; ++y)
        {
            uint8_t* row = planes[p].data + y * planes[p].stride;
            for (int x = 0; x < planes[p].width; ++x)
            {
                const float v = std::sin((x + frame * 6) * 0.031f) * std::cos((y - frame * 3) * 0.027f);
                row[x] = uint8_t(p == 0 ? 128 + 90 * v + ((x * 7 + y * 13) & 15)
                                        : 128 + 40 * v * (p == 1 ? 1 : -1));
            }
        }
}

// A disc of opaque pixels in the middle; the rest clear.
bool InDisc(int x, int y)
{
    return std::hypot(x - int(kW) / 2, y - int(kH) / 2) < 300;
}

struct Files
{
    std::string dir;
    Files()
    {
        dir = std::filesystem::temp_directory_path() / ("ne_bench_video_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        theorafixture::Options o;
        o.width = kW;
        o.height = kH;
        o.quality = 48;
        o.fill = Pattern;
        const int frames = benchenv::Tiny() ? 4 : kFrames;
        theorafixture::WriteVideo(dir + "/v.ogg", frames, nullptr, o);
        std::vector<std::vector<uint8_t>> planes(frames, std::vector<uint8_t>(size_t(kW) * kH));
        for (auto& plane : planes)
            for (unsigned y = 0; y < kH; ++y)
                for (unsigned x = 0; x < kW; ++x)
                    plane[y * kW + x] = InDisc(int(x), int(y)) ? 255 : 0;
        theorafixture::WriteZAlpha(dir + "/a.zalpha", planes);
        o.fill = [](int frame, th_ycbcr_buffer p)
        {
            for (int y = 0; y < p[0].height; ++y)
                for (int x = 0; x < p[0].width; ++x)
                    p[0].data[y * p[0].stride + x] = InDisc(x, y) ? 235 : uint8_t(16 + (frame & 1));
            for (int i = 1; i < 3; ++i)
                std::fill(p[i].data, p[i].data + p[i].height * p[i].stride, 128);
        };
        theorafixture::WriteVideo(dir + "/a.oggalpha", frames, nullptr, o);
    }
    ~Files()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string Alpha(int kind) const
    {
        return kind == 1 ? dir + "/a.zalpha" : kind == 2 ? dir + "/a.oggalpha" : std::string();
    }
};

const Files& Media()
{
    static Files files;
    return files;
}

struct Window
{
    std::unique_ptr<nE_Render_Pl5> render;
    Window()
    {
        if (!DE50::InitLibrary() || !DE50::TPlatform::GetInstance()->SetDisplay(kW, kH, false, false, 0))
            return;
        nE_RegisterTextureCreators();
        render.reset(nE_CreateRender());
        render->SetScreenSize(float(kW), float(kH));
    }
    ~Window()
    {
        render.reset();
        DE50::Test::Reset();
    }
};

// ---- libtheora alone ----

// Every packet of a single-stream Ogg file, headers first.
std::vector<std::vector<unsigned char>> ReadPackets(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ogg_sync_state sync;
    ogg_stream_state stream;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, long(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, long(bytes.size()));
    std::vector<std::vector<unsigned char>> packets;
    ogg_page page;
    bool init = false;
    while (ogg_sync_pageout(&sync, &page) == 1)
    {
        if (!init) ogg_stream_init(&stream, ogg_page_serialno(&page));
        init = true;
        ogg_stream_pagein(&stream, &page);
        ogg_packet packet;
        while (ogg_stream_packetout(&stream, &packet) == 1)
            packets.emplace_back(packet.packet, packet.packet + packet.bytes);
    }
    if (init) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return packets;
}

ogg_packet Packet(std::vector<unsigned char>& bytes, bool first)
{
    ogg_packet p{};
    p.packet = bytes.data();
    p.bytes = long(bytes.size());
    p.b_o_s = first;
    p.granulepos = -1;
    return p;
}

void BM_TheoraDecodeAlone(benchmark::State& state)
{
    auto packets = ReadPackets(Media().dir + "/v.ogg");
    th_setup_info* setup = nullptr;
    th_info info;
    th_comment comment;
    th_info_init(&info);
    th_comment_init(&comment);
    for (size_t i = 0; i < 3 && i < packets.size(); ++i)
    {
        ogg_packet p = Packet(packets[i], i == 0);
        th_decode_headerin(&info, &comment, &setup, &p);
    }
    th_dec_ctx* dec = th_decode_alloc(&info, setup);
    if (!dec || packets.size() <= 3)
    {
        state.SkipWithError("no decoder");
        return;
    }
    th_ycbcr_buffer planes;
    size_t next = 3;
    for (auto _ : state)
    {
        ogg_packet p = Packet(packets[next], false);
        th_decode_packetin(dec, &p, nullptr);
        th_decode_ycbcr_out(dec, planes);
        benchmark::DoNotOptimize(planes[0].data);
        next = next + 1 < packets.size() ? next + 1 : 3;
    }
    th_decode_free(dec);
    th_setup_free(setup);
    th_info_clear(&info);
    th_comment_clear(&comment);
}
BENCHMARK(BM_TheoraDecodeAlone)->Unit(benchmark::kMillisecond);

// ---- the player ----

// One step of the player, going back to the start at the end of the stream.
template <class Step> void RunPlayer(benchmark::State& state, int alpha, Step step)
{
    nE_VideoPlayer player;
    player.Open(Media().dir + "/v.ogg", Media().Alpha(alpha));
    std::vector<uint8_t> pixels(size_t(kW) * kH * 4);
    for (auto _ : state)
    {
        if (!step(player, pixels))
        {
            state.PauseTiming();
            player.SeekToFrame(0);
            state.ResumeTiming();
        }
    }
}

void BM_Skip(benchmark::State& state)
{
    RunPlayer(state, 0, [](nE_VideoPlayer& p, std::vector<uint8_t>&) { return p.SkipFrame(); });
}
BENCHMARK(BM_Skip)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state)
{
    RunPlayer(state, 0, [](nE_VideoPlayer& p, std::vector<uint8_t>&) { return p.DecodeNextFrame(); });
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

void BM_DecodeConvert(benchmark::State& state)
{
    RunPlayer(state, int(state.range(0)),
              [](nE_VideoPlayer& p, std::vector<uint8_t>& pixels)
              {
                  if (!p.DecodeNextFrame()) return false;
                  p.ConvertFrame(pixels.data(), 0);
                  return true;
              });
}
BENCHMARK(BM_DecodeConvert)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One frame on screen showing the texture at the window's middle.
void DrawFrame(nE_Render* render, const std::shared_ptr<nE_Texture>& texture)
{
    nE_RenderState at;
    at.matrix.At(3, 0) = kW / 2.0f;
    at.matrix.At(3, 1) = kH / 2.0f;
    render->BeginScene();
    render->Begin2D();
    render->DrawTexture(texture, at);
    render->End2D();
    render->EndScene();
}

// The texture's pixels sent to the GPU as a draw would, finished before return.
void Upload(const std::shared_ptr<nE_GeneratedTexture>& texture)
{
    auto* platform = dynamic_cast<nE_TexImpl_Pl5*>(texture.get());
    if (platform && platform->GetPlatformTexture(0)) platform->GetPlatformTexture(0)->GlTexture();
    glFinish();
}

// Second argument 1: the texture is also drawn in a frame, which is when its
// pixels reach the GPU (compare with BM_DrawFrame, the same frame drawn from a
// texture already there); 2: its pixels are sent to the GPU and waited for,
// without a frame. Third argument 1: one texture kept and refilled in
// place, as the video object does; 0: a new texture for every frame.
void BM_DecodeConvertUpload(benchmark::State& state)
{
    Window window;
    const bool draw = state.range(1) == 1, upload = state.range(1) == 2, keep = state.range(2) != 0;
    std::shared_ptr<nE_GeneratedTexture> kept(nE_CreateGeneratedTexture());
    kept->Load("bench_tex");
    RunPlayer(state, int(state.range(0)),
              [&](nE_VideoPlayer& p, std::vector<uint8_t>& pixels)
              {
                  if (!p.DecodeNextFrame()) return false;
                  std::shared_ptr<nE_GeneratedTexture> texture = kept;
                  unsigned stride = 0;
                  if (keep)
                  {
                      p.ConvertFrame(texture->BeginWrite(kW, kH, &stride, NE_PIXELS_BGRA), stride);
                      texture->EndWrite();
                  }
                  else
                  {
                      p.ConvertFrame(pixels.data(), 0);
                      texture.reset(nE_CreateGeneratedTexture());
                      texture->Load("bench_tex");
                      texture->Fill(pixels.data(), kW, kH, NE_PIXELS_BGRA);
                  }
                  if (draw) DrawFrame(window.render.get(), texture);
                  if (upload) Upload(texture);
                  benchmark::DoNotOptimize(texture.get());
                  return true;
              });
}
BENCHMARK(BM_DecodeConvertUpload)
    ->Args({0, 0, 0})
    ->Args({0, 0, 1})
    ->Args({1, 0, 1})
    ->Args({2, 0, 1})
    ->Args({0, 2, 0})
    ->Args({0, 2, 1})
    ->Args({1, 2, 1})
    ->Args({0, 1, 0})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->Unit(benchmark::kMillisecond);

void BM_DrawFrame(benchmark::State& state)
{
    Window window;
    std::vector<uint8_t> pixels(size_t(kW) * kH * 4, 0x80);
    std::shared_ptr<nE_GeneratedTexture> texture(nE_CreateGeneratedTexture());
    texture->Fill(pixels.data(), kW, kH, NE_PIXELS_BGRA);
    for (auto _ : state)
        DrawFrame(window.render.get(), texture);
}
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond);

// ---- the at-effect ----

void BM_AtEffect(benchmark::State& state)
{
    Window window;
    std::srand(1);
    nE_AtEffect effect("rain");
    TiXmlElement xml("ateffect");
    xml.SetAttribute("scr_clip_size", "1024;768");
    xml.SetAttribute("particle_scale", "5");
    xml.SetDoubleAttribute("dencity", double(state.range(0)) / 10.0);
    nE_SLHelper_XML sl(&xml);
    effect.Load(sl);
    const float white[4] = {1, 1, 1, 1};
    std::shared_ptr<nE_GeneratedTexture> drop(nE_CreateGeneratedTexture());
    drop->Create(4, 16, true, white);
    effect.GetField().texture = drop;
    effect.GetField().spriteW = 4.0f;
    effect.GetField().spriteH = 16.0f;
    effect.SetPos(kW / 2.0f, kH / 2.0f);
    nE_TimeStep step;
    step.step = step.elapsed = 1.0f / 60.0f;
    // Settle: particles live until they fall through the floor.
    for (int i = 0; i < 300; ++i)
        effect.Update(&step);
    nE_RenderState at;
    at.matrix.At(3, 0) = kW / 2.0f;
    at.matrix.At(3, 1) = kH / 2.0f;
    const bool gpu = state.range(1) != 0;
    for (auto _ : state)
    {
        effect.Update(&step);
        if (!gpu)
        {
            // Projection and the vertex list only: the engine's own share.
            effect.Draw(nullptr, at);
            continue;
        }
        window.render->BeginScene();
        window.render->Begin2D();
        effect.Draw(window.render.get(), at);
        window.render->End2D();
        window.render->EndScene();
    }
    state.counters["particles"] = double(effect.GetField().particles.size());
}
BENCHMARK(BM_AtEffect)
    ->Args({10, 0})
    ->Args({100, 0})
    ->Args({10, 1})
    ->Args({100, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
