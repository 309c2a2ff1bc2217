#pragma once
// A running engine context with the game's object types and script
// functions, a temporary user folder, a recording renderer and a level module
// with two rooms holding a clickable object each, and two subrooms.

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/scene/nE_Engine.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_Room.h"
#include "game/app/nG_ScriptApi.h"
#include "game/messages/nG_Messages.h"
#include "tests/app/room_render.h"
#include "tests/app/user_folder.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace level_test
{
// Every room records its four texts; each room holds a 100 by 100 button.
inline std::string TestModule()
{
    const std::string texts = " trg_open=\"*rec('open')\" trg_close=\"*rec('close')\"",
                      pre = " trg_preopen=\"*rec('preopen')\" trg_preclose=\"*rec('preclose')\"",
                      rect = " inputrect_init=\"1\" inputrect_w=\"";
    auto room = [&](const std::string& name, const std::string& button)
    {
        return "<room name=\"" + name + "\"" + texts + pre + "><obj name=\"" + button +
               "\" pos_x=\"10\" pos_y=\"10\" event_mdown=\"*rec('click')\"" + rect + "100\" inputrect_h=\"100\"/></room>";
    };
    return "<module name=\"level_one\"><objs><obj name=\"holder\">" + room("room_a", "a_button") +
           room("room_b", "b_button") + "<subroom name=\"sub_c\" start_x=\"100\" start_y=\"200\" end_x=\"512\" "
           "end_y=\"384\"" + rect + "200\" inputrect_h=\"100\"" + texts + pre + "/>"
           "<subroom name=\"sub_d\" start_x=\"0\" start_y=\"0\" end_x=\"300\" end_y=\"300\"" + rect +
           "50\" inputrect_h=\"50\"" + texts + "/><obj name=\"not_a_room\"/></obj></objs><trigs>"
           "<trig name=\"start\"><code>rec('start') SwitchRoom('room_a', 0)</code></trig>"
           "<trig name=\"ng_cheatkeypressed\"><code>rec('key' .. ne_params.param_0)</code></trig></trigs><code>"
           "log = {} function rec(e) log[#log + 1] = e .. ':' .. ne_params.sender end "
           "for _, name in ipairs({'room_a', 'room_b', 'sub_c', 'sub_d', 'not_a_room'}) do "
           "ObjAttach(name, 'ng_rooms_hub') end</code></module>";
}

struct LevelFixtureBase : UserFolderTest
{
    nG_Config config;
    std::unique_ptr<nG_ProfileList> profiles;
    std::unique_ptr<RoomRender> render;
    IdRecorder recorder;
    lua_State* L = nullptr;
    std::string modulePath;

    void SetUp() override
    {
        UserFolderTest::SetUp();
        g_config = &config;
        nE_EngineContext::Instance();
        L = nE_GetLua();
        nE_RegisterEngineKinds();
        nG_RegisterRoomTypes();
        nG_RegisterScriptApi();
        render.reset(new RoomRender());
        modulePath = root + "/level_one";
        std::ofstream(modulePath + ".xml") << TestModule();
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        render.reset();
        g_profileList = nullptr;
        profiles.reset();
        g_config = nullptr;
        UserFolderTest::TearDown();
    }
    void MakeProfiles()
    {
        profiles.reset(new nG_ProfileList());
        g_profileList = profiles.get();
    }
    // Ticks as the shell runs them: the engine's share, then a draw.
    void Ticks(int n, float dt = 0.125f)
    {
        for (nE_TimeStep step; n-- > 0;)
        {
            step.step = step.elapsed = dt;
            g_engineContext->Update(&step);
            g_scene->GetOrigin()->DrawTree(render.get(), nE_RenderState());
        }
    }
    void Tick(float dt = 0.125f) { Ticks(1, dt); }
    // The triggers' record since the last call.
    std::string Log() { return LuaEval(L, "(function(l) log = {} return table.concat(l or {}, ',') end)(log)"); }
    void Lua(const std::string& code) { LuaRun(L, code); }
    void Input(nE_InputKind kind, uint32_t key, float x = 0.0f, float y = 0.0f)
    {
        nE_InputEvent event{static_cast<uint32_t>(kind), key, 0, x, y};
        g_scene->DispatchInput(&event);
    }
    void Click(float x, float y) { Input(NE_INPUT_MOUSEDOWN, NE_MOUSE_KEYCODE, x, y); }
};
} // namespace level_test
