#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
typedef std::vector<std::string> Names;

float s_cursorX = -1000.0f;
float s_cursorY = -1000.0f;

void FakeCursor(float* x, float* y)
{
    *x = s_cursorX;
    *y = s_cursorY;
}

const char* const kShort[NE_EVENT_COUNT] = {"mdown",       "mup",         "menter",   "mleave",
                                            "menter_drag", "mleave_drag", "dragdrop", "drag"};

// Counts resource loads; optionally runs Lua at once from its update.
struct Counted : nE_Object
{
    explicit Counted(const std::string& name) : nE_Object(name) {}
    void LoadResources() override { ++loads; }
    void ReleaseResources() override { ++releases; }
    void Update(const nE_TimeStep* step) override
    {
        nE_Object::Update(step);
        updates.push_back(GetName());
        if (!code.empty()) g_triggerManager->Call(GetName(), code);
    }
    int loads = 0;
    int releases = 0;
    std::string code;
    static Names updates;
};
Names Counted::updates;

struct SceneFixture : testing::Test
{
    nE_EngineContext* context = nullptr;
    nE_Scene* scene = nullptr;
    lua_State* L = nullptr;

    void SetUp() override
    {
        context = nE_EngineContext::Instance();
        scene = g_scene;
        L = nE_GetLua();
        s_cursorX = s_cursorY = -1000.0f;
        nE_SetCursorPosFunc(FakeCursor);
        luaL_dostring(L,
                      "events = {} function rec(e) events[#events + 1] = e .. ':' .. ne_params.sender end");
        Counted::updates.clear();
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        nE_SetCursorPosFunc(nullptr);
    }

    // A 100 by 100 object at (x, y) whose event texts record themselves.
    nE_Object* Make(const std::string& name, float x, float y, nE_Object* parent = nullptr)
    {
        nE_Object* o = new Counted(name);
        o->SetPos(x, y);
        o->SetInputRect(nE_Rect(0, 0, 100, 100));
        for (int i = 0; i < NE_EVENT_COUNT; ++i)
            o->SetEventCode(i, std::string("*rec('") + kShort[i] + "')");
        scene->AttachObject(parent ? parent : scene->GetOrigin(), o);
        return o;
    }
    // A platform mouse event: the cursor moves first, then the scene sees it.
    void Mouse(uint32_t kind, float x, float y)
    {
        s_cursorX = x;
        s_cursorY = y;
        nE_InputEvent e;
        e.kind = kind;
        e.key = NE_MOUSE_KEYCODE;
        e.x = x;
        e.y = y;
        scene->DispatchInput(&e);
    }
    void Tick()
    {
        nE_TimeStep step;
        step.step = step.elapsed = 0.016f;
        context->Update(&step);
    }
    Names Events()
    {
        Names out;
        lua_getglobal(L, "events");
        for (int i = 1; i <= static_cast<int>(lua_objlen(L, -1)); ++i)
        {
            lua_rawgeti(L, -1, i);
            out.push_back(lua_tostring(L, -1));
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
        luaL_dostring(L, "events = {}");
        return out;
    }
    Names TickEvents()
    {
        Tick();
        return Events();
    }
};
} // namespace

// ---- hover ----

TEST_F(SceneFixture, HoverEntersAndLeavesAndFollowsObjectsUnderAStillPointer)
{
    Make("A", 0, 0);
    nE_Object* b = Make("B", 200, 0);
    Mouse(NE_INPUT_MOUSEMOVE, 50, 50);
    EXPECT_EQ((Names{"menter:A"}), TickEvents());
    Mouse(NE_INPUT_MOUSEMOVE, 250, 50);
    EXPECT_EQ((Names{"mleave:A", "menter:B"}), TickEvents());
    Mouse(NE_INPUT_MOUSEMOVE, 500, 500);
    EXPECT_EQ((Names{"mleave:B"}), TickEvents());
    EXPECT_EQ(nullptr, g_hoveredObject);

    // The object comes to the pointer: the tick's own move notices, and the
    // text runs in that same tick.
    b->SetPos(450, 450);
    EXPECT_EQ((Names{"menter:B"}), TickEvents());
}

TEST_F(SceneFixture, ClicksPostDownAndUpOnTheTopmostObjectOnly)
{
    nE_Object* under = Make("under", 0, 0);
    nE_Object* over = Make("over", 0, 0);
    over->SetZ(1);
    under->SetZ(2);
    Tick();
    Mouse(NE_INPUT_MOUSEDOWN, 10, 10);
    Mouse(NE_INPUT_MOUSEUP, 10, 10);
    Mouse(NE_INPUT_MOUSEDOWN, 900, 700);                          // nothing there
    EXPECT_EQ((Names{"mdown:under", "mup:under"}), TickEvents()); // buttons do not change the hover
}

TEST_F(SceneFixture, DeletingTheHoveredObjectPostsItsLeaveAndTheDraggedOneEndsSilently)
{
    nE_Object* a = Make("A", 0, 0);
    nE_Object* b = Make("B", 200, 0);
    b->SetDrag(true);
    Mouse(NE_INPUT_MOUSEMOVE, 50, 50);
    TickEvents();
    delete a;
    EXPECT_EQ(nullptr, g_hoveredObject);
    EXPECT_EQ((Names{"mleave:A"}), TickEvents());

    Mouse(NE_INPUT_MOUSEDOWN, 250, 50);
    EXPECT_EQ(b, g_draggedObject);
    delete b;
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_EQ((Names{"mdown:B"}), TickEvents()); // queued before it died; nothing more
}

// ---- drag and drop ----

TEST_F(SceneFixture, ClickToDropCarriesTheObjectOverOthersAndDropsOnTheSecondClick)
{
    nE_Object* a = Make("A", 0, 0);
    Make("B", 200, 0);
    a->SetDrag(true);
    Mouse(NE_INPUT_MOUSEMOVE, 50, 50);
    EXPECT_EQ((Names{"menter:A"}), TickEvents());

    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    EXPECT_EQ(a, g_draggedObject);
    EXPECT_FLOAT_EQ(50.0f, a->GetDragX());
    EXPECT_EQ((Names{"mdown:A", "mleave:A", "drag:A"}), TickEvents());

    Mouse(NE_INPUT_MOUSEMOVE, 250, 60);
    Mouse(NE_INPUT_MOUSEUP, 250, 60); // not a release-to-drop object
    EXPECT_EQ(a, g_draggedObject);
    EXPECT_EQ((Names{"drag:A", "menter_drag:B", "drag:A"}), TickEvents());
    EXPECT_FLOAT_EQ(250.0f, a->GetDragX());
    EXPECT_FLOAT_EQ(60.0f, a->GetDragY());
    // The dragged object is drawn at the pointer whatever its parents.
    nE_Vec3 at;
    nE_Matrix::TransformPoint(at, nE_Vec3(0, 0, 0), a->GetWorldMatrix());
    EXPECT_FLOAT_EQ(250.0f, at.x);

    Mouse(NE_INPUT_MOUSEDOWN, 250, 60);
    EXPECT_TRUE(scene->IsDropPending());
    Mouse(NE_INPUT_MOUSEMOVE, 260, 70); // a pending drop is not carried
    EXPECT_FLOAT_EQ(250.0f, a->GetDragX());
    EXPECT_EQ((Names{"dragdrop:A"}), TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_EQ((Names{"menter:B"}), TickEvents());
}

TEST_F(SceneFixture, ReleaseToDropDropsOnTheButtonUp)
{
    nE_Object* a = Make("A", 0, 0);
    a->SetDrag(true);
    a->SetRealDrag(true);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEUP, 50, 50);
    EXPECT_TRUE(scene->IsDropPending());
    EXPECT_EQ((Names{"mdown:A", "dragdrop:A"}), TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_EQ((Names{"menter:A"}), TickEvents()); // hit again once it is no longer dragged
}

TEST_F(SceneFixture, TwoButtonDownsBeforeATickDropOnceAndAThirdPostsNoSecondDrop)
{
    nE_Object* a = Make("A", 0, 0);
    a->SetDrag(true);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEUP, 50, 50);
    EXPECT_EQ((Names{"mdown:A", "dragdrop:A"}), TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_FALSE(scene->IsDropPending());
    scene->StopDrag(); // nothing dragged: nothing happens
    EXPECT_FALSE(scene->IsDropPending());
}

TEST_F(SceneFixture, DoNotDropInTheDropCodeKeepsTheDragGoing)
{
    nE_Object* a = Make("A", 0, 0);
    a->SetDrag(true);
    a->SetEventCode(NE_EVENT_DRAGDROP, "*rec('dragdrop') ObjDoNotDrop()");
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    EXPECT_EQ((Names{"mdown:A", "dragdrop:A"}), TickEvents());
    EXPECT_EQ(a, g_draggedObject);
    EXPECT_FALSE(scene->IsDoNotDrop());
    Mouse(NE_INPUT_MOUSEMOVE, 70, 80);
    EXPECT_FLOAT_EQ(70.0f, a->GetDragX());

    a->SetEventCode(NE_EVENT_DRAGDROP, "*rec('dragdrop')");
    Mouse(NE_INPUT_MOUSEDOWN, 70, 80);
    EXPECT_EQ((Names{"drag:A", "dragdrop:A"}), TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
}

TEST_F(SceneFixture, StopDragFromScriptCompletesBeforeItsDropCodeRuns)
{
    nE_Object* a = Make("A", 0, 0);
    a->SetDrag(true);
    a->SetEventCode(NE_EVENT_DRAGDROP, "*rec('dragdrop') ObjDoNotDrop()");
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    TickEvents();
    g_triggerManager->Post("test", "*ObjStopDrag()");
    EXPECT_EQ((Names{"drag:A"}), TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_EQ((Names{"dragdrop:A", "menter:A"}), TickEvents());
    EXPECT_TRUE(scene->IsDoNotDrop()); // waits for the next drop
}

TEST_F(SceneFixture, StartDragPlacesTheObjectAtTheCursor)
{
    nE_Object* parent = Make("P", 300, 300);
    nE_Object* a = Make("A", 10, 10, parent);
    s_cursorX = 33;
    s_cursorY = 44;
    scene->StartDrag(a);
    EXPECT_EQ(a, g_draggedObject);
    EXPECT_FLOAT_EQ(33.0f, a->GetDragX());
    EXPECT_FLOAT_EQ(44.0f, a->GetDragY());
    nE_Vec3 at;
    nE_Matrix::TransformPoint(at, nE_Vec3(0, 0, 0), a->GetWorldMatrix());
    EXPECT_FLOAT_EQ(33.0f, at.x);
    EXPECT_FLOAT_EQ(44.0f, at.y);
    scene->StartDrag(nullptr);
    EXPECT_EQ(a, g_draggedObject);
}

// ---- roots, lookup and attach ----

TEST_F(SceneFixture, FindObjectSeesRootsAndPrefersTheLiveScene)
{
    EXPECT_EQ(scene->GetOrigin(), scene->FindObject("ne_origin"));
    EXPECT_EQ(scene->GetStorage(), scene->FindObject("ne_storage"));
    nE_Object* stored = Make("twin", 0, 0, scene->GetStorage());
    EXPECT_EQ(stored, scene->FindObject("twin"));
    nE_Object* live = Make("twin", 0, 0);
    EXPECT_EQ(live, scene->FindObject("twin"));
    EXPECT_EQ(nullptr, scene->FindObject("nobody"));
}

TEST_F(SceneFixture, ResourcesFollowTheRootThatTheParentReallyHangsUnder)
{
    // A stored object that merely carries the live root's name.
    nE_Object* impostor = Make("ne_origin", 0, 0, scene->GetStorage());
    nE_Object* holder = Make("holder", 0, 0);
    Counted* x = new Counted("x");
    EXPECT_TRUE(scene->AttachObject(holder, x));
    EXPECT_EQ(1, x->loads);
    EXPECT_TRUE(scene->AttachObject(impostor, x));
    EXPECT_EQ(1, x->releases);
    EXPECT_FALSE(x->AreResourcesLoaded());

    nE_Object loose("loose");
    EXPECT_TRUE(scene->AttachObject(&loose, x)); // under no root: left as it is
    EXPECT_EQ(1, x->loads);
    EXPECT_EQ(1, x->releases);
    EXPECT_TRUE(scene->AttachObject(holder, x));
    EXPECT_EQ(2, x->loads);
}

TEST_F(SceneFixture, AttachRefusesRootsLoopsAndNulls)
{
    nE_Object* a = Make("A", 0, 0);
    nE_Object* b = Make("B", 0, 0, a);
    EXPECT_FALSE(scene->AttachObject(a, scene->GetOrigin()));
    EXPECT_FALSE(scene->AttachObject(scene->GetOrigin(), scene->GetStorage()));
    EXPECT_FALSE(scene->AttachObject(b, a));
    EXPECT_FALSE(scene->AttachObject(a, a));
    EXPECT_FALSE(scene->AttachObject(nullptr, a));
    EXPECT_FALSE(scene->AttachObject(a, nullptr));
    EXPECT_EQ(scene->GetOrigin(), a->GetParent());
    EXPECT_EQ(nullptr, scene->GetOrigin()->GetParent());
}

// ---- Lua changing the tree inside the walk ----

TEST_F(SceneFixture, ScriptsMovingObjectsDuringTheUpdateWalkSkipNoSibling)
{
    nE_Object* a = Make("A", 0, 0);
    Make("B", 0, 0);
    Make("C", 0, 0);
    static_cast<Counted*>(a)->code = "*ObjAttach('B', 'ne_storage') ObjAttach('A', 'ne_storage')";
    Tick();
    EXPECT_EQ((Names{"A", "C"}), Counted::updates);
    EXPECT_EQ(scene->GetStorage(), a->GetParent());
}

// ---- the tick ----

TEST_F(SceneFixture, TimerCallsPostedInATickRunInTheNextOne)
{
    g_timerManager->Start("t", "*fired = (fired or 0) + 1", 0.01f);
    Tick();
    lua_getglobal(L, "fired");
    EXPECT_TRUE(lua_isnil(L, -1));
    lua_pop(L, 1);
    Tick();
    lua_getglobal(L, "fired");
    EXPECT_EQ(1, lua_tointeger(L, -1));
    lua_pop(L, 1);
}

TEST_F(SceneFixture, DestroyClearsEveryGlobalAndInstanceBuildsAFreshContext)
{
    nE_Object* a = Make("A", 0, 0);
    a->SetDrag(true);
    Mouse(NE_INPUT_MOUSEMOVE, 50, 50);
    EXPECT_EQ(context, nE_EngineContext::Instance());
    nE_EngineContext::Destroy(); // the hovered object dies with a live trigger manager
    EXPECT_EQ(nullptr, g_engineContext);
    EXPECT_EQ(nullptr, g_scene);
    EXPECT_EQ(nullptr, g_triggerManager);
    EXPECT_EQ(nullptr, g_timerManager);
    EXPECT_EQ(nullptr, g_luaState);
    EXPECT_EQ(nullptr, g_hoveredObject);
    nE_EngineContext::Destroy();

    context = nE_EngineContext::Instance();
    ASSERT_NE(nullptr, g_scene);
    EXPECT_EQ(nullptr, g_scene->FindObject("A"));
    EXPECT_EQ(0, g_scene->GetOrigin()->GetChildCount());
    lua_getglobal(nE_GetLua(), "ObjSet");
    EXPECT_TRUE(lua_isfunction(nE_GetLua(), -1));
    lua_pop(nE_GetLua(), 1);
}

TEST_F(SceneFixture, TweenEndsPostTheirTriggerWithTheObjectAsSender)
{
    nE_Object* a = Make("A", 0, 0);
    const float to[] = {0, 0, 5};
    a->Animate(NE_TWEEN_X, false, false, "*rec('end')", to, 3);
    a->Animate(NE_TWEEN_Y, false, false, "  ", to, 3); // a blank end text posts nothing
    EXPECT_TRUE(TickEvents().empty());                 // ended in this tick's update walk
    EXPECT_FLOAT_EQ(5.0f, a->GetX());
    EXPECT_EQ((Names{"end:A"}), TickEvents());
    EXPECT_TRUE(TickEvents().empty());
}
