#pragma once
// Shared by the targets that run the game's own pieces on the sample: a copy
// of the sample's assets in the scratch folder as the working folder (so that
// nothing a fuzzed script writes or removes reaches the source tree), every
// object kind the game registers, a resource cache holding the sample's
// pictures and fonts for the whole run (decoding them for each input would
// cost most of the time), and a recording renderer.
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_Engine.h"
#include "engine/scene/nE_Font.h"
#include "engine/scene/nE_Text.h"
#include "fuzz_support.h"
#include "game/app/nG_ParticleSystemGm.h"
#include "game/app/nG_Room.h"
#include "game/interface/nG_StrategyGuide.h"
#include "game/interface/nG_TextEdit.h"
#include "tests/core/recording_render.h"

#include <filesystem>

namespace fuzz
{
inline RecordingRender* g_recorder = nullptr;

inline void EnterSampleCopy()
{
    std::error_code ec;
    std::filesystem::copy(NE_SOURCE_DIR "/sample/assets", Scratch() + "assets",
                          std::filesystem::copy_options::recursive, ec);
    if (ec) std::abort();
    setenv("XDG_DOCUMENTS_DIR", (Scratch() + "docs").c_str(), 1);
}

inline void RegisterGameTypes()
{
    nE_RegisterEngineKinds();
    nE_RegisterAnimType();
    nE_RegisterTextType();
    nE_RegisterFontCreator();
    nG_RegisterRoomTypes();
    nG_RegisterParticleTypes();
    nE_RegisterObjectType("textedit", nG_TextEdit::Create);
    nE_RegisterObjectType("str_guide", nG_StrategyGuide::Create);
}

inline void MakeResourcesAndRenderer()
{
    static std::vector<nE_ResourcePtr> kept;
    nE_RegisterTextureCreators();
    g_resourceCache = new nE_ResourceCache();
    for (const auto& entry : std::filesystem::recursive_directory_iterator("assets"))
    {
        const std::filesystem::path& path = entry.path();
        const std::string name = (path.parent_path() / path.stem()).string();
        if (path.extension() == ".png" || path.extension() == ".jpg")
            kept.push_back(g_resourceCache->GetTexture(name));
        else if (path.extension() == ".nefnt")
            kept.push_back(g_resourceCache->GetFont(name));
    }
    g_recorder = new RecordingRender();
    g_render = g_recorder; // render targets: the subroom's blurred backdrop
}

// The engine context's Lua without what reaches the system, and with a
// watchdog short enough for several endless loops to fit one input's time.
inline void StartContext()
{
    nE_EngineContext::Instance();
    lua_State* L = nE_GetLua();
    nE_SetLuaLimits(L, {size_t(64) << 20, 200});
    luaL_dostring(L, "io = nil os.execute = nil os.remove = nil os.rename = nil os.exit = nil os.tmpname = nil "
                     "dofile = nil loadfile = nil require = nil package = nil");
}

inline void Tick(float dt)
{
    nE_TimeStep step;
    step.step = step.elapsed = dt;
    g_engineContext->Update(&step);
    g_scene->GetOrigin()->DrawTree(g_recorder, nE_RenderState());
    // Nothing reads the records: kept, they grew by hundreds of megabytes in a
    // ten-minute run, and every input looked like a leak.
    g_recorder->calls.clear();
    g_recorder->draws.clear();
}
} // namespace fuzz
