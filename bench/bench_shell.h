#pragma once
// Shared by the benchmarks that draw whole frames: the soft-disc picture they
// all draw, and the engine shell started on a 1024x768 window.

#include "de50/de50.h"
#include "de50/de50_test.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Scene.h"
#include "engine/platform/notEngine_Pl5.h"
#include "engine/scene/nE_SceneTypes.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace benchshell
{

const unsigned kWidth = 1024, kHeight = 768;

// A 32x32 soft disc: opaque in the middle, fading to transparent at the rim.
// `name` is its resource name (the PNG without extension) in a scratch folder.
struct SoftDisc
{
    std::string dir, name;
    SoftDisc()
    {
        char tmpl[] = "/tmp/ne_bench_disc_XXXXXX";
        if (!mkdtemp(tmpl)) return;
        dir = tmpl;
        name = dir + "/ball";
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_ARGB8888);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
            {
                float d = std::hypot(x - 15.5f, y - 15.5f) / 16.0f;
                uint32_t a = d >= 1.0f ? 0 : uint32_t(255 * (1.0f - d * d));
                uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
                row[x] = a << 24 | uint32_t(x * 8) << 16 | 0x8000 | uint32_t(y * 8);
            }
        IMG_SavePNG(s, (name + ".png").c_str());
        SDL_FreeSurface(s);
    }
    ~SoftDisc()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

inline void DrawScene(nE_Render* render)
{
    if (!g_scene) return;
    render->Begin2D();
    g_scene->GetOrigin()->DrawTree(render, nE_RenderState());
    render->End2D();
}

inline bool StartShell(const char* title)
{
    if (!DE50::InitLibrary()) return false;
    nE_RegisterSceneObjectTypes();
    g_engine = new notEngine_Pl5();
    g_engine->SetDrawCallback(DrawScene);
    g_engine->SetUpdateCallback(
        [](nE_TimeStep* step)
        {
            if (g_engineContext) g_engineContext->Update(step);
        });
    return g_engine->Init(0, 0, kWidth, kHeight, false, title);
}

// One frame drawn by the shell, as its loop draws it.
inline void DrawFrame()
{
    if (auto* shell = dynamic_cast<notEngine_Pl5*>(g_engine)) shell->DrawFrame();
}

inline void StopShell()
{
    if (!g_engine) return;
    g_engine->Shutdown();
    delete g_engine;
    g_engine = nullptr;
}

// The share of the screen's pixels that are not black: a frame that draws
// nothing must not pass for a fast one.
inline double LitShare()
{
    std::vector<uint32_t> pixels;
    uint32_t w = 0, h = 0;
    if (!DE50::Test::ReadScreen(pixels, w, h) || pixels.empty()) return 0;
    size_t lit = 0;
    for (uint32_t p : pixels)
        lit += (p & 0xFFFFFF) != 0;
    return double(lit) / double(pixels.size());
}

} // namespace benchshell
