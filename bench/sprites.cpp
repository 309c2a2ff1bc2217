// A scene of 10,000 alpha-blended 32x32 sprites, measured three ways:
//  - BM_UpdateWalk / BM_DrawWalk: the engine's own cost per frame with a
//    renderer that only counts (no GPU): the update walk and the draw walk;
//  - BM_SpritesFrame: whole frames through the engine shell in a 1024x768
//    window (clear, scene, present), with the draw calls per frame and the
//    processor time per frame of every thread (llvmpipe's included);
//  - BM_LoopCpu: the real loop on a static scene for 600 turns (10 s at
//    60 fps), reporting CPU seconds per wall second: an idle loop must sleep,
//    and the pacing: standard deviation of the frame interval and the worst one.
// Run under Xvfb: xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_sprites

#include "bench/fixtures/bench_env.h"
#include "bench/fixtures/bench_shell.h"
#include "de50/de50.h"
#include "de50/de50_test.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/platform/nE_Texture.h"
#include "engine/platform/notEngine.h"
#include "engine/scene/nE_Engine.h"
#include "engine/scene/nE_Sprite.h"

#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

const int kSprites = 10000;
using benchshell::kHeight;
using benchshell::kWidth;

// Sprites at fixed pseudo-random places over the window.
void AddSprites(nE_Object& parent, int count, const std::string& res)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> x(16.0f, kWidth - 16.0f), y(16.0f, kHeight - 16.0f);
    for (int i = 0; i < count; ++i)
    {
        auto sprite = std::make_unique<nE_Sprite>();
        sprite->SetResourceName(res);
        sprite->SetPos(x(rng), y(rng));
        sprite->SetZ(float(i));
        parent.AddChild(std::move(sprite));
    }
}

// ---- the engine's own cost ----

class CountingRender : public nE_Render
{
public:
    void BeginScene() override {}
    void EndScene() override {}
    void End2D() override {}
    void BeginRenderTarget(unsigned, unsigned) override {}
    std::shared_ptr<nE_Texture> EndRenderTarget() override { return nullptr; }
    std::shared_ptr<nE_Texture> BlurTexture(std::shared_ptr<nE_Texture> t, int, int, float) override
    {
        return t;
    }
    void DrawTexture(const std::shared_ptr<nE_Texture>&, const nE_RenderState&) override { ++draws; }
    void DrawVertexList(const std::shared_ptr<nE_Texture>&, nE_VertexList*, const nE_RenderState&) override {}
    void DrawLine(float, float, float, float, float, float, const float*, const nE_RenderState&) override {}
    long draws = 0;
};

class MemoryTexture : public nE_Texture
{
public:
    MemoryTexture() { m_width = m_height = m_texWidth = m_texHeight = 32.0f; }
    bool Load(const std::string&) override { return true; }
};

std::unique_ptr<nE_Object> WindowlessScene()
{
    auto root = std::make_unique<nE_Object>("root");
    AddSprites(*root, kSprites, "");
    auto texture = std::make_shared<MemoryTexture>();
    for (int i = 0; i < root->GetChildCount(); ++i)
        static_cast<nE_Sprite*>(root->GetChild(i))->SetTexture(texture);
    return root;
}

void BM_UpdateWalk(benchmark::State& state)
{
    std::unique_ptr<nE_Object> root = WindowlessScene();
    nE_TimeStep step;
    step.step = step.elapsed = 1.0f / 60.0f;
    for (auto _ : state)
        root->UpdateTree(&step);
    state.counters["objects"] = kSprites;
}
BENCHMARK(BM_UpdateWalk)->Unit(benchmark::kMicrosecond);

void BM_DrawWalk(benchmark::State& state)
{
    std::unique_ptr<nE_Object> root = WindowlessScene();
    CountingRender render;
    render.SetScreenSize(float(kWidth), float(kHeight));
    for (auto _ : state)
        root->DrawTree(&render, nE_RenderState());
    state.counters["draws_per_frame"] = double(render.draws) / double(state.iterations());
    g_currentRender = nullptr;
}
BENCHMARK(BM_DrawWalk)->Unit(benchmark::kMicrosecond);

// ---- whole frames on the GPU ----

using benchshell::LitShare;
using benchshell::StopShell;

// Attaching to the live scene loads the sprites' textures.
void ShowSprites(int count, const std::string& res)
{
    auto holder = std::make_unique<nE_Object>("sprites");
    AddSprites(*holder, count, res);
    g_scene->AttachObject(g_scene->GetOrigin(), std::move(holder));
}

// The whole process (llvmpipe draws on threads of its own), or the loop's thread.
double CpuSeconds(int who = RUSAGE_SELF)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool StartShell()
{
    return benchshell::StartShell("bench_sprites");
}

void BM_SpritesFrame(benchmark::State& state)
{
    benchshell::SoftDisc image;
    if (!StartShell())
    {
        state.SkipWithError("no window");
        StopShell();
        return;
    }
    ShowSprites(kSprites, image.name);
    benchshell::DrawFrame(); // textures reach the GPU
    double cpu0 = CpuSeconds();
    for (auto _ : state)
        benchshell::DrawFrame();
    // Processor time of every thread, llvmpipe's included: steadier than the wall clock on a busy machine.
    state.counters["cpu_ms_per_frame"] = (CpuSeconds() - cpu0) * 1000.0 / double(state.iterations());
    state.counters["draw_calls_per_frame"] = DE50::TRenderer::GetInstance()->GetLastFrameDrawCalls();
    state.counters["lit_share"] = LitShare();
    state.counters["sprites"] = kSprites;
    StopShell();
    DE50::Test::Reset();
}
BENCHMARK(BM_SpritesFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- the real loop, idle ----

const int kLoopSprites = 100;
const char* s_loopImage = nullptr;

bool LoopStart(const char*)
{
    if (!StartShell()) return false;
    ShowSprites(kLoopSprites, s_loopImage);
    return true;
}

std::vector<std::chrono::steady_clock::time_point> s_frameTimes;

void TimedFrame()
{
    nE_OnPlatformFrame();
    s_frameTimes.push_back(std::chrono::steady_clock::now());
}

// Standard deviation and largest of the intervals between frames, in ms.
void FramePacing(double& deviation, double& worst)
{
    deviation = worst = 0;
    if (s_frameTimes.size() < 3) return;
    std::vector<double> gaps;
    for (size_t i = 1; i < s_frameTimes.size(); ++i)
        gaps.push_back(std::chrono::duration<double, std::milli>(s_frameTimes[i] - s_frameTimes[i - 1]).count());
    double mean = 0, squares = 0;
    for (double g : gaps)
        mean += g / double(gaps.size());
    for (double g : gaps)
    {
        squares += (g - mean) * (g - mean) / double(gaps.size());
        worst = std::max(worst, g);
    }
    deviation = std::sqrt(squares);
}

void BM_LoopCpu(benchmark::State& state)
{
    s_frameTimes.clear();
    benchshell::SoftDisc image;
    s_loopImage = image.name.c_str();
    double cpu = 0, loopThread = 0, wall = 0;
    for (auto _ : state)
    {
        char arg0[] = "bench_sprites", arg1[] = "--windowed", arg2[] = "--frames", arg3[] = "600";
        if (benchenv::Tiny()) std::strcpy(arg3, "10");
        char* argv[] = {arg0, arg1, arg2, arg3, nullptr};
        double cpu0 = CpuSeconds(), thread0 = CpuSeconds(RUSAGE_THREAD);
        auto wall0 = std::chrono::steady_clock::now();
        DE50::RunMainLoop(4, argv, LoopStart, nE_OnPlatformEvent, TimedFrame, nE_OnPlatformUpdate,
                          StopShell, false);
        cpu += CpuSeconds() - cpu0;
        loopThread += CpuSeconds(RUSAGE_THREAD) - thread0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        DE50::Test::Reset();
    }
    state.counters["cpu_s"] = cpu;
    state.counters["wall_s"] = wall;
    state.counters["cpu_per_wall"] = wall > 0 ? cpu / wall : 0;
    state.counters["loop_thread_cpu_s"] = loopThread;
    double deviation = 0, worst = 0;
    FramePacing(deviation, worst);
    state.counters["frame_sd_ms"] = deviation;
    state.counters["worst_frame_ms"] = worst;
}
BENCHMARK(BM_LoopCpu)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
