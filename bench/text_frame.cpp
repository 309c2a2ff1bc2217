// Text in whole frames, the same work as bench/love's text scene: 20 text
// objects of a 300-character paragraph wrapped at 400 px (the sample's serif,
// DejaVu Serif, at 20 px) drawn in a 1024x768 window that is cleared and
// presented every frame:
//  - BM_TextFrame/1: every text changed every frame (two paragraphs of equal
//    length in turn), so each is laid out, rasterised, uploaded and drawn;
//  - BM_TextFrame/0: the texts unchanged, each drawn from the texture it keeps.
// Run under Xvfb: xvfb-run -a -s "-screen 0 1920x1080x24" build/bin/bench_text_frame

#include "bench/fixtures/bench_env.h"
#include "bench/fixtures/bench_shell.h"
#include "engine/scene/nE_Text.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

const int kTexts = 20;
const char kParagraph[] =
    "The keeper climbed the spiral stair at dusk, lamp in hand, counting the steps as his father had taught "
    "him. Salt had crusted the small windows again; through them the bay lay grey and still. Somewhere "
    "below, "
    "a door he was sure he had locked knocked twice against its frame; all the gulls fell silent.";
// The same length, one word changed: a change costs a whole layout, never less.
const char kOther[] =
    "The keeper climbed the spiral stair at dawn, lamp in hand, counting the steps as his father had taught "
    "him. Salt had crusted the small windows again; through them the bay lay grey and still. Somewhere "
    "below, "
    "a door he was sure he had locked knocked twice against its frame; all the gulls fell silent.";
static_assert(sizeof(kParagraph) - 1 == 300 && sizeof(kOther) == sizeof(kParagraph), "two paragraphs of 300");

std::string SampleFont()
{
    const std::filesystem::path root = std::filesystem::path(__FILE__).parent_path().parent_path();
    return (root / "sample/assets/fonts/times").string();
}

// Two columns of ten, left-aligned, each block starting where LOVE's does.
std::vector<nE_Text*> ShowTexts(int count)
{
    std::vector<nE_Text*> texts;
    for (int i = 0; i < count; ++i)
    {
        auto text = std::make_unique<nE_Text>("text" + std::to_string(i));
        text->SetResourceName(SampleFont());
        text->SetDispRawText(true);
        text->SetAlign(0);
        text->SetFontSize(20);
        text->SetMaxWidth(400);
        text->SetText(kParagraph);
        text->SetPos(float(10 + (i % 2) * 500), float(60 + (i / 2) * 70));
        texts.push_back(nE_Attach(g_scene->GetOrigin(), std::move(text))); // lays it out
    }
    return texts;
}

void BM_TextFrame(benchmark::State& state)
{
    const bool changed = state.range(0) != 0;
    if (!benchshell::StartShell("bench_text_frame"))
    {
        state.SkipWithError("no window");
        benchshell::StopShell();
        return;
    }
    std::vector<nE_Text*> texts = ShowTexts(benchenv::Tiny() ? 2 : kTexts);
    benchshell::DrawFrame(); // the first upload
    const int layouts0 = texts[0]->GetLayoutCount();
    long frame = 0;
    for (auto _ : state)
    {
        if (changed)
            for (nE_Text* text : texts)
                text->SetText(frame % 2 ? kParagraph : kOther);
        benchshell::DrawFrame();
        ++frame;
    }
    if (texts[0]->GetLayoutCount() - layouts0 != (changed ? frame : 0))
        state.SkipWithError("the texts were not laid out once per change");
    state.counters["texts"] = double(texts.size());
    state.counters["draw_calls_per_frame"] = DE50::TRenderer::GetInstance()->GetLastFrameDrawCalls();
    state.counters["lit_share"] = benchshell::LitShare();
    benchshell::StopShell();
    DE50::Test::Reset();
}
BENCHMARK(BM_TextFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
