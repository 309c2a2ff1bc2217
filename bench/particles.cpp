// Particle systems with 1,000, 10,000 and 50,000 live particles of a 32x32
// alpha-blended soft disc spread over a 1024x768 window, each moving and
// turning every frame:
//  - BM_ParticlesFrame/<form>/<count>: one update of 1/60 s and one drawn frame
//    through the engine shell (clear, scene, present), with the draw calls per
//    frame and the processor time of all threads per frame; form 0 is an
//    emitter file, form 1 a scripted system; count 0 gives the cost of the
//    frame itself;
//  - BM_ParticlesUpdate/<form>/<count>: the update alone, no window.
// bench/compare_love.sh runs the same scenes in LOVE 11's ParticleSystem.
// Run under Xvfb: xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_particles

#include "bench/bench_shell.h"
#include "engine/core/nE_Scene.h"
#include "engine/scene/nE_ParticleComplex.h"
#include "engine/scene/nE_ParticleJan.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <fstream>
#include <memory>
#include <string>

namespace
{

const float kStep = 1.0f / 60.0f;

// One burst of `count` particles that live "forever": speeds of up to half a
// pixel and turns of up to 2 degrees per frame, no damping, full colour.
std::string JanFile(int count, const std::string& texture)
{
    std::string a = "<particles type=\"jan\"><emit res=\"" + texture + "\" born_count=\"" +
                    std::to_string(count) +
                    "\" born_count_delta=\"0\" autooff=\"1\" lifetime=\"10000000\" delay=\"10000000\"";
    const char* values[][2] = {
        {"pos_x_delta", "496"},   {"pos_y_delta", "368"},      {"speed_x_delta", "0.5"},
        {"speed_y_delta", "0.5"}, {"speed_xf", "1"},           {"speed_yf", "1"},
        {"gravf", "1"},           {"grotatef", "1"},           {"scale_x", "1"},
        {"scale_y", "1"},         {"scale_xf", "1"},           {"scale_yf", "1"},
        {"rotate_delta", "180"},  {"rotate_speed_delta", "2"}, {"rotatef", "1"},
        {"alpha", "1"},           {"color_r", "255"},          {"color_g", "255"},
        {"color_b", "255"}};
    for (const auto& v : values)
        a += std::string(" ") + v[0] + "=\"" + v[1] + "\"";
    // Everything else reads as 0: listed so that the file is complete.
    const char* zero[] = {"lifetime_delta",
                          "delay_delta",
                          "delay_init",
                          "gflag",
                          "course",
                          "pos_x",
                          "pos_y",
                          "speed_x",
                          "speed_y",
                          "grav",
                          "grotate",
                          "grotate_delta",
                          "grotate_speed",
                          "grotate_speed_delta",
                          "scale_mode",
                          "scale_x_delta",
                          "scale_y_delta",
                          "scale_x_speed",
                          "scale_y_speed",
                          "scale_x_speed_delta",
                          "scale_y_speed_delta",
                          "rotate",
                          "rotate_speed",
                          "alpha_delta",
                          "alpha_speed",
                          "alpha_speed_delta",
                          "alpha_peak",
                          "alpha_mode",
                          "color_r_delta",
                          "color_r_speed",
                          "color_r_speed_delta",
                          "color_g_delta",
                          "color_g_speed",
                          "color_g_speed_delta",
                          "color_b_delta",
                          "color_b_speed",
                          "color_b_speed_delta",
                          "blend"};
    for (const char* z : zero)
        a += std::string(" ") + z + "=\"0\"";
    return a + "/></particles>";
}

// The same scene scripted: bornpart places each particle and gives it two
// tracks (a drift and a turn) that run natively every step.
std::string ComplexFile(int count, const std::string& texture)
{
    return "<particles type=\"complex\"><process>if ps_state == 0 then CreateEmitter(\"emit\", 0, 0) "
           "ps_state = 1 "
           "end</process><emit res=\"" +
           texture + "\"><process>if not done then done = true CreateParticles(" + std::to_string(count) +
           ") end</process><bornpart>DieAfter(10000000) local x, y = Random(-496, 496), Random(-368, 368) "
           "SetProperty(ne_pos_y, y) Animate(ne_pos_x, {0, x, 100, x + 10000000}) "
           "Animate(ne_angle, {0, Random(-3, 3), 100, 400000})</bornpart></emit></particles>";
}

// A particle system of the given form at the window's centre, its file in `dir`.
nE_ParticleSystem* MakeSystem(int form, int count, const benchshell::SoftDisc& disc)
{
    const std::string res = disc.dir + (form == 0 ? "/jan" : "/complex");
    std::ofstream(res + ".xml") << (form == 0 ? JanFile(count, disc.name) : ComplexFile(count, disc.name));
    auto* ps = new nE_ParticleSystem("ps");
    ps->SetResourceName(res);
    ps->SetPos(benchshell::kWidth / 2.0f, benchshell::kHeight / 2.0f);
    return ps;
}

size_t LiveParticles(nE_ParticleSystem& ps)
{
    if (auto* jan = dynamic_cast<nE_PartSysImpl_Jan*>(ps.GetImpl()))
        return jan->GetEmitters().empty() ? 0 : jan->GetEmitters()[0].particles.size();
    if (auto* complex = dynamic_cast<nE_PartSysImpl_Complex*>(ps.GetImpl()))
        return complex->GetParticles().size();
    return 0;
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Step(nE_Object& object)
{
    nE_TimeStep step;
    step.step = step.elapsed = kStep;
    object.UpdateTree(&step);
}

void BM_ParticlesFrame(benchmark::State& state)
{
    const int form = int(state.range(0)), count = int(state.range(1));
    benchshell::SoftDisc disc;
    if (!benchshell::StartShell("bench_particles"))
    {
        state.SkipWithError("no window");
        benchshell::StopShell();
        return;
    }
    nE_ParticleSystem* ps = MakeSystem(form, count, disc);
    g_scene->AttachObject(g_scene->GetOrigin(), ps); // loads its texture
    ps->GetImpl()->Start();
    Step(*ps); // the burst
    g_engine->DrawFrame();
    const double cpu0 = CpuSeconds();
    for (auto _ : state)
    {
        Step(*ps);
        g_engine->DrawFrame();
    }
    // Processor time of every thread (the GL driver rasterises on threads of
    // its own): on a shared machine steadier than the wall clock.
    state.counters["cpu_ms_per_frame"] = (CpuSeconds() - cpu0) * 1000.0 / double(state.iterations());
    state.counters["draw_calls_per_frame"] = DE50::TRenderer::GetInstance()->GetLastFrameDrawCalls();
    state.counters["particles"] = double(LiveParticles(*ps));
    state.counters["lit_share"] = benchshell::LitShare();
    benchshell::StopShell();
    DE50::Test::Reset();
}
// The first run, with no particle, is the frame's own cost.
BENCHMARK(BM_ParticlesFrame)
    ->Args({0, 0})
    ->ArgsProduct({{0, 1}, {1000, 10000, 50000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

void BM_ParticlesUpdate(benchmark::State& state)
{
    const int form = int(state.range(0)), count = int(state.range(1));
    benchshell::SoftDisc disc;
    std::unique_ptr<nE_ParticleSystem> ps(MakeSystem(form, count, disc));
    ps->GetImpl()->Start();
    Step(*ps);
    for (auto _ : state)
        Step(*ps);
    state.counters["particles"] = double(LiveParticles(*ps));
}
BENCHMARK(BM_ParticlesUpdate)->ArgsProduct({{0, 1}, {1000, 10000, 50000}})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
