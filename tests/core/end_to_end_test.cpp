// The engine core without a window: a module from disk, a click, its trigger,
// a timer, a tween and a drag-and-drop, observed only through the log.

#include "core/core_test_util.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_ScriptApi.h"

namespace
{
const char kModule[] = R"xml(<?xml version="1.0"?>
<module name="e2e_room">
  <objs>
    <obj name="holder">
      <obj name="button" pos_x="100" pos_y="100" inputrect_init="1" inputrect_w="100" inputrect_h="50"
           event_mdown="on_click(7)"/>
      <obj name="crate" pos_x="300" pos_y="300" drag="1" realdrag="1" inputrect_init="1"
           inputrect_w="40" inputrect_h="40" event_dragdrop="on_drop()"/>
    </obj>
  </objs>
  <trigs>
    <trig name="on_click"><code>
      DbgTrace("click " .. ne_params.sender .. " " .. ne_params.param_0)
      TimerStart("t1", "on_timer(3)", 0.05)
    </code></trig>
    <trig name="on_timer"><code>
      DbgTrace("timer " .. ne_params.param_0 .. " from " .. ne_params.sender)
      ObjAnimate("button", 0, 0, 0, "on_tween", {0, 0, 100, 0.1, 0, 150})
    </code></trig>
    <trig name="on_tween"><code>
      DbgTrace("tween " .. ne_params.sender .. " x " .. ObjGet("button").pos_x)
    </code></trig>
    <trig name="on_drop"><code>DbgTrace("drop " .. ne_params.sender)</code></trig>
  </trigs>
  <code>
    ObjAttach("button", "ne_origin")
    ObjAttach("crate", "ne_origin")
    DbgTrace("module ready")
  </code>
</module>
)xml";

struct EndToEndFixture : testing::Test
{
    LogCapture log;
    TempDir dir;

    void SetUp() override
    {
        nE_RegisterObjectType("obj", MakePlain);
        nE_SetCursorPosFunc(ReadTestPointer);
        dir.Write("room.xml", kModule);
        nE_EngineContext::Instance();
        nE_RegisterScriptApi();
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        nE_SetCursorPosFunc(nullptr);
    }
    void Mouse(uint32_t kind, float x, float y) { SendMouse(g_scene, kind, x, y); }
    void Tick()
    {
        nE_TimeStep step = Step(0.1f);
        g_engineContext->Update(&step);
    }
};

TEST_F(EndToEndFixture, ClickTriggerTimerTweenAndDrop)
{
    lua_State* L = nE_GetLua();
    std::string load = "ModLoad('" + dir.path + "/room')";
    ASSERT_EQ(0, luaL_dostring(L, load.c_str()));
    ASSERT_NE(nullptr, g_scene->FindObject("button"));
    EXPECT_EQ(g_scene->GetOrigin(), g_scene->FindObject("button")->GetParent());

    // The click queues the button's text; its trigger starts a timer that
    // runs out in the same tick and queues the next call.
    Mouse(NE_INPUT_MOUSEDOWN, 120, 120);
    Mouse(NE_INPUT_MOUSEUP, 120, 120);
    Tick();
    Tick(); // the timer's call starts a tween, which ends in this tick's update
    Tick(); // the tween's end call
    EXPECT_FLOAT_EQ(150.0f, g_scene->FindObject("button")->GetX());

    Mouse(NE_INPUT_MOUSEMOVE, 310, 310);
    Mouse(NE_INPUT_MOUSEDOWN, 310, 310);
    EXPECT_EQ(g_scene->FindObject("crate"), g_draggedObject);
    Mouse(NE_INPUT_MOUSEMOVE, 500, 400);
    Mouse(NE_INPUT_MOUSEUP, 500, 400);
    Tick();
    EXPECT_EQ(nullptr, g_draggedObject);

    std::vector<std::string> expected = {"module ready", "click button 7", "timer 3 from t1",
                                         "tween button x 150", "drop crate"};
    EXPECT_EQ(expected, log.lines);
    EXPECT_EQ(0, lua_gettop(L));
}
} // namespace
