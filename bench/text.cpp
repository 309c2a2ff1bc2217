// Text layout cost: DrawText for a short label and for a 300-character
// paragraph wrapped to 400 px, with the sample's serif font at 20 px. Reports
// time and heap bytes and allocations per call (counted by the replaced global
// operator new). RenderBlock is the same layout without making the texture;
// DrawTextUploaded also sends the texture to the GPU, as its first draw does.
// Needs a display (run under xvfb-run): generated textures are platform ones.

#include "de50/de50.h"
#include "engine/platform/nE_Texture.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_Font.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

namespace
{
std::atomic<size_t> g_allocBytes{0};
std::atomic<size_t> g_allocCount{0};

void* Allocate(size_t size)
{
    g_allocBytes.fetch_add(size, std::memory_order_relaxed);
    g_allocCount.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}
void* operator new[](size_t size)
{
    return Allocate(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}

namespace
{
const char kLabel[] = "Inventory";
// 300 characters of prose.
const char kParagraph[] =
    "The keeper climbed the spiral stair at dusk, lamp in hand, counting the steps as his father had taught "
    "him. Salt had crusted the small windows again; through them the bay lay grey and still. Somewhere "
    "below, "
    "a door he was sure he had locked knocked twice against its frame; all the gulls fell silent.";
static_assert(sizeof(kParagraph) - 1 == 300, "the paragraph is 300 characters");

nE_Font* SampleFont()
{
    static nE_Font* font = nullptr;
    if (font) return font;
    if (!DE50::InitLibrary() || !DE50::TPlatform::GetInstance()->SetDisplay(64, 48, false, false, 0))
        return nullptr;
    const std::filesystem::path root = std::filesystem::path(__FILE__).parent_path().parent_path();
    font = new nE_Font();
    if (!font->Load((root / "sample/assets/fonts/times").string()) || !font->HasFace()) return nullptr;
    return font;
}

template <class Call> void Measure(benchmark::State& state, Call call)
{
    if (!SampleFont())
    {
        state.SkipWithError("no display or no sample font");
        return;
    }
    size_t bytes = 0, count = 0;
    for (auto _ : state)
    {
        const size_t b0 = g_allocBytes.load(), c0 = g_allocCount.load();
        call();
        bytes += g_allocBytes.load() - b0;
        count += g_allocCount.load() - c0;
    }
    const double n = double(state.iterations());
    state.counters["bytes_per_call"] = double(bytes) / n;
    state.counters["allocs_per_call"] = double(count) / n;
}

void BM_DrawText(benchmark::State& state, const char* text, int maxWidth)
{
    Measure(state, [&] { benchmark::DoNotOptimize(SampleFont()->DrawText(text, maxWidth, 20, 1)); });
}

void BM_DrawTextUploaded(benchmark::State& state, const char* text, int maxWidth)
{
    Measure(state,
            [&]
            {
                const auto texture = SampleFont()->DrawText(text, maxWidth, 20, 1);
                const auto* platform = dynamic_cast<const nE_TexImpl_Pl5*>(texture.get());
                if (platform && platform->GetPlatformTexture(0))
                    benchmark::DoNotOptimize(platform->GetPlatformTexture(0)->GlTexture());
            });
}

void BM_RenderBlock(benchmark::State& state, const char* text, int maxWidth)
{
    nE_TextBlock block;
    Measure(state,
            [&] { benchmark::DoNotOptimize(SampleFont()->RenderBlock(text, maxWidth, 20, 1, block)); });
}
} // namespace

BENCHMARK_CAPTURE(BM_DrawText, label, kLabel, -1);
BENCHMARK_CAPTURE(BM_DrawText, paragraph300, kParagraph, 400);
BENCHMARK_CAPTURE(BM_DrawTextUploaded, paragraph300, kParagraph, 400);
BENCHMARK_CAPTURE(BM_RenderBlock, label, kLabel, -1);
BENCHMARK_CAPTURE(BM_RenderBlock, paragraph300, kParagraph, 400);

BENCHMARK_MAIN();
