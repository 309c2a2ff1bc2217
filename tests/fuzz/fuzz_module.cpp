// A module file: its object trees (every kind the scene knows), triggers and
// code block, run into a scene and a trigger manager without Lua.
#include "engine/core/nE_Module.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_SceneTypes.h"
#include "engine/scene/nE_Text.h"
#include "fuzz_support.h"
#include "game/app/nG_Room.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool once = [] {
        fuzz::Scratch();
        nE_RegisterSceneObjectTypes();
        nE_RegisterAnimType();
        nE_RegisterTextType();
        nG_RegisterRoomTypes();
        return true;
    }();
    (void)once;
    fuzz::Write("mod.xml", std::string(reinterpret_cast<const char*>(data), size));
    nE_Scene scene;
    nE_TriggerManager triggers;
    nE_Module module("mod");
    module.Run(&scene, &triggers, nullptr);
    return 0;
}
