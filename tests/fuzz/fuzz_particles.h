#pragma once
// Shared by the particle targets: the input is a description file ("<ps
// type=...>"), read by a particle object as content names it (the one XML
// reader, the root's type choosing the form), started, stepped and drawn as
// the game does. Nothing is skipped for being slow: the particle budgets and
// the Lua watchdog (shortened) bound every input.
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_ParticleComplex.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "fuzz_support.h"
#include "tests/core/recording_render.h"

#include <SDL.h>
#include <SDL_image.h>

namespace fuzz
{
inline int RunParticleFile(const uint8_t* data, size_t size)
{
    static nE_ResourceCache* cache = []
    {
        // "dot", as the seeds name it: a 2 x 2 image, one pixel clear.
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 2, 2, 32, SDL_PIXELFORMAT_ARGB8888);
        for (int i = 0; i < 4; ++i)
            static_cast<uint32_t*>(s->pixels)[i] = i ? 0xFFFFFFFFu : 0u;
        IMG_SavePNG(s, (Scratch() + "dot.png").c_str());
        SDL_FreeSurface(s);
        nE_RegisterTextureCreators();
        return new nE_ResourceCache();
    }();
    g_resourceCache = cache;
    // Held for the whole run, so that every input finds it loaded instead of
    // reading and decoding it again; what an input loads besides is released
    // with its system.
    static const nE_ResourcePtr dot = cache->GetTexture("dot");
    Write("ps.xml", std::string(reinterpret_cast<const char*>(data), size));
    {
        nE_ParticleSystem system("fuzz");
        system.SetResourceName("ps");
        system.LoadResourcesTree();
        if (system.GetImpl()) system.GetImpl()->Start(); // as PsStart
        // A watchdog of a fiftieth of the game's: each endless chunk still
        // meets it, at 20 ms instead of 1 s (two of them were two seconds an
        // input, and such inputs took a third of the run).
        if (auto* complex = dynamic_cast<nE_PartSysImpl_Complex*>(system.GetImpl()))
            nE_SetLuaLimits(complex->GetLuaState(), {kParticleLuaLimits.memoryBytes, kParticleLuaLimits.timeMs / 50});
        RecordingRender render;
        nE_TimeStep step;
        step.step = step.elapsed = 0.25f;
        for (int i = 0; i < 4; ++i)
        {
            system.UpdateTree(&step);
            system.DrawTree(&render, nE_RenderState());
        }
        if (system.GetImpl()) system.GetImpl()->Stop(true);
        system.ReleaseResourcesTree();
    }
    g_resourceCache = nullptr;
    return 0;
}
} // namespace fuzz
