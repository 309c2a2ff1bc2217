// Particle systems with 1,000, 10,000 and (emitter files) 50,000 live particles of
// a 32x32 alpha-blended soft disc spread over a 1024x768 window, each moving
// and turning every frame:
//  - BM_ParticlesFrame/<form>/<count>: one update of 1/60 s and one drawn frame
//    through the engine shell (clear, scene, present), with the draw calls per
//    frame and the processor time of all threads per frame; form 0 is an
//    emitter file, form 1 a scripted system; count 0 gives the cost of the
//    frame itself;
//  - BM_ParticlesUpdate/<form>/<count>: the update alone, no window;
//  - BM_ParticlesBudget/<case>: the worst a file can ask for within the
//    budgets, update and frame, with this thread's processor time and the
//    heap the system holds (HostileFile below lists the cases);
//  - BM_ParticlesPreRun: the start of an emitter file whose pre-run meets its
//    budget of particle-steps.
// bench/compare_love.sh runs the same scenes in LOVE 11's ParticleSystem.
// Run under Xvfb: xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_particles

#include "bench/fixtures/bench_shell.h"
#include "engine/core/nE_Scene.h"
#include "engine/scene/nE_ParticleComplex.h"
#include "engine/scene/nE_ParticleJan.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>

#include <fstream>
#include <memory>
#include <string>

namespace
{

const float kStep = 1.0f / 60.0f;

const int kBurst = int(nE_PsBudget::kBirthsPerStep);

// The attributes of an emitter of soft discs: speeds of up to half a pixel
// and turns of up to 2 degrees per frame, no damping, full colour.
std::string JanEmitter(const std::string& texture, const std::string& counts)
{
    std::string a = "<emit res=\"" + texture + "\" born_count_delta=\"0\" " + counts;
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
    return a + "/>";
}

// `count` particles that live "forever", born in bursts as large as a step allows.
std::string JanFile(int count, const std::string& texture)
{
    const int bursts = std::max(1, (count + kBurst - 1) / kBurst); // 0 gives the one a burst makes
    return "<particles type=\"jan\">" +
           JanEmitter(texture, "born_count=\"" + std::to_string(std::min(count, kBurst)) + "\" autooff=\"" +
                                   std::to_string(bursts) + "\" lifetime=\"10000000\" delay=\"0\"") +
           "</particles>";
}

// The same scene scripted: bornpart places each particle and gives it two
// tracks (a drift and a turn) that run natively every step.
std::string ComplexFile(int count, const std::string& texture)
{
    return "<particles type=\"complex\"><process>if ps_state == 0 then CreateEmitter(\"emit\", 0, 0) "
           "ps_state = 1 "
           "end</process><emit res=\"" +
           texture + "\"><process>made = made or 0 local n = math.min(" + std::to_string(count) +
           " - made, " + std::to_string(kBurst) +
           ") made = made + n CreateParticles(n)</process><bornpart>DieAfter(10000000) local x, y = "
           "Random(-496, 496), Random(-368, 368) "
           "SetProperty(ne_pos_y, y) Animate(ne_pos_x, {0, x, 100, x + 10000000}) "
           "Animate(ne_angle, {0, Random(-3, 3), 100, 400000})</bornpart></emit></particles>";
}

// A particle system of the given description at the window's centre, its file in `dir`.
std::unique_ptr<nE_ParticleSystem> MakeSystem(const std::string& description,
                                              const benchshell::SoftDisc& disc)
{
    const std::string res = disc.dir + "/ps";
    std::ofstream(res + ".xml") << description;
    auto ps = std::make_unique<nE_ParticleSystem>("ps");
    ps->SetResourceName(res);
    ps->SetPos(benchshell::kWidth / 2.0f, benchshell::kHeight / 2.0f);
    return ps;
}

std::unique_ptr<nE_ParticleSystem> MakeSystem(int form, int count, const benchshell::SoftDisc& disc)
{
    return MakeSystem(form == 0 ? JanFile(count, disc.name) : ComplexFile(count, disc.name), disc);
}

size_t LiveParticles(nE_ParticleSystem& ps)
{
    if (auto* jan = dynamic_cast<nE_PartSysImpl_Jan*>(ps.GetImpl())) return jan->GetParticleCount();
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

// Steps until the system holds `count` particles (or has stepped as many times
// as the births budget could need).
void Fill(nE_ParticleSystem& ps, int count)
{
    for (int i = 0; i <= count / kBurst + 1 && int(LiveParticles(ps)) < count; ++i)
        Step(ps);
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
    nE_ParticleSystem* ps =
        nE_Attach(g_scene->GetOrigin(), MakeSystem(form, count, disc)); // loads its texture
    ps->GetImpl()->Start();
    Fill(*ps, count);
    benchshell::DrawFrame();
    const double cpu0 = CpuSeconds();
    for (auto _ : state)
    {
        Step(*ps);
        benchshell::DrawFrame();
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
    ->ArgsProduct({{0, 1}, {1000, 10000}})
    ->Args({0, 50000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ParticlesUpdate(benchmark::State& state)
{
    const int form = int(state.range(0)), count = int(state.range(1));
    benchshell::SoftDisc disc;
    std::unique_ptr<nE_ParticleSystem> ps(MakeSystem(form, count, disc));
    ps->GetImpl()->Start();
    Fill(*ps, count);
    for (auto _ : state)
        Step(*ps);
    state.counters["particles"] = double(LiveParticles(*ps));
}
BENCHMARK(BM_ParticlesUpdate)->ArgsProduct({{0, 1}, {1000, 10000}})->Args({0, 50000})->Unit(benchmark::kMicrosecond);

// Four steps of life (0.068 s): at a birth budget a step, the particle budget
// is full and renewed by a fifth every step.
const char* kShortLife = "lifetime=\"4\" delay=\"0\"";
const char* kOnceBorn =
    "DieAfter(0.068) local x, y = Random(-496, 496), Random(-368, 368) "
    "Animate(ne_pos_x, {0, x, 100, x + Random(-40, 40)}) "
    "Animate(ne_pos_y, {0, y, 100, y - Random(10, 50)}) "
    "Animate(ne_alpha, {0, 0, 20, 1, 80, 1, 100, 0}) "
    "Animate(ne_angle, {0, 0, 100, Random(-3, 3)}) SetProperty(\"size\", Random(1.2, 2.0))";
const char* kEveryStep =
    "local s = GetProperty(\"size\") * (0.8 + Random(0, 0.4)) SetProperty(ne_scale_x, s) "
    "SetProperty(ne_scale_y, s)";

// The worst cases within the budgets:
//  0: an emitter file bursting without end, its particles renewed at the birth budget;
//  1: the same spread over the most emitters, one draw call each;
//  2: a scripted file doing the same, every birth and every particle running
//     a chunk as heavy as the sample's;
//  3: a scripted file whose emitters each make another every step, all emitting;
//  4: a scripted file whose particles hold the most tracks, keys and named numbers.
std::string HostileFile(int which, const std::string& texture)
{
    const std::string root =
        "<particles type=\"complex\"><process>if ps_state == 0 then CreateEmitter(\"emit\", "
        "0, 0) ps_state = 1 end</process><emit res=\"" +
        texture + "\">";
    std::string many = "<particles type=\"jan\">";
    switch (which)
    {
    case 0:
        return "<particles type=\"jan\">" +
               JanEmitter(texture, "born_count=\"1e9\" " + std::string(kShortLife)) + "</particles>";
    case 1:
        for (size_t i = 0; i < nE_PsBudget::kEmitters; ++i)
            many += JanEmitter(texture, "born_count=\"8\" " + std::string(kShortLife));
        return many + "</particles>";
    case 2:
        return root + "<process>CreateParticles(1e9)</process><bornpart>" + kOnceBorn +
               "</bornpart><processpart>" + kEveryStep + "</processpart></emit></particles>";
    case 3:
        return root + "<process>CreateEmitter(\"emit\", 0, 0) CreateParticles(8)</process><bornpart>" +
               kOnceBorn + "</bornpart><processpart>" + kEveryStep + "</processpart></emit></particles>";
    default:
        return root + "<process>CreateParticles(1e9)</process><bornpart>DieAfter(1e6) "
                      "if not keys then keys = {} for i = 1, 1000 do keys[i] = i end end "
                      "for p = 0, 9 do Animate(p, keys) end "
                      "for i = 1, 20 do SetProperty(string.rep(\"n\", 60) .. i, i) "
                      "end</bornpart></emit></particles>";
    }
}

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double HeapMb()
{
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

void BM_ParticlesBudget(benchmark::State& state)
{
    benchshell::SoftDisc disc;
    if (!benchshell::StartShell("bench_particles"))
    {
        state.SkipWithError("no window");
        benchshell::StopShell();
        return;
    }
    const double heap0 = HeapMb();
    nE_ParticleSystem* ps =
        nE_Attach(g_scene->GetOrigin(), MakeSystem(HostileFile(int(state.range(0)), disc.name), disc));
    ps->GetImpl()->Start();
    for (int i = 0; i < 30; ++i) // past the budgets' filling
        Step(*ps);
    benchshell::DrawFrame();
    const double heap = HeapMb() - heap0;
    const double cpu0 = CpuSeconds(), thread0 = ThreadCpuMs();
    for (auto _ : state)
    {
        Step(*ps);
        benchshell::DrawFrame();
    }
    const double frames = double(state.iterations());
    state.counters["cpu_ms_per_frame"] = (CpuSeconds() - cpu0) * 1000.0 / frames;
    state.counters["thread_cpu_ms_per_frame"] = (ThreadCpuMs() - thread0) / frames;
    state.counters["draw_calls_per_frame"] = DE50::TRenderer::GetInstance()->GetLastFrameDrawCalls();
    state.counters["particles"] = double(LiveParticles(*ps));
    state.counters["heap_mb"] = heap;
    benchshell::StopShell();
    DE50::Test::Reset();
}
BENCHMARK(BM_ParticlesBudget)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pre-run's bound: a file asking for a million steps of dense bursts.
void BM_ParticlesPreRun(benchmark::State& state)
{
    benchshell::SoftDisc disc;
    std::unique_ptr<nE_ParticleSystem> ps(MakeSystem(
        "<particles type=\"jan\">" +
            JanEmitter(disc.name,
                       "born_count=\"100000\" lifetime=\"1000000\" delay=\"0\" preproc=\"1000000\"") +
            "</particles>",
        disc));
    for (auto _ : state)
    {
        ps->GetImpl()->Stop(true);
        ps->GetImpl()->Start();
    }
    state.counters["particles"] = double(LiveParticles(*ps));
}
BENCHMARK(BM_ParticlesPreRun)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
