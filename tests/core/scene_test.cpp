#include "core/core_test_util.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"

namespace
{
const char* const kShort[NE_EVENT_COUNT] = {"mdown",       "mup",         "menter",   "mleave",
                                            "menter_drag", "mleave_drag", "dragdrop", "drag"};

// Counts resource loads.
struct Counted : nE_Object
{
    explicit Counted(const std::string& name) : nE_Object(name) {}
    void LoadResources() override { ++loads; }
    void ReleaseResources() override { ++releases; }
    int loads = 0, releases = 0;
};

struct SceneFixture : testing::Test
{
    nE_EngineContext* context = nE_EngineContext::Instance();
    nE_Scene* scene = g_scene;
    lua_State* L = nE_GetLua();

    void SetUp() override
    {
        g_pointerX = g_pointerY = -1000.0f;
        nE_SetCursorPosFunc(ReadTestPointer);
        LuaRun(L, "events = {} function rec(e) events[#events + 1] = e .. ':' .. ne_params.sender end");
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        nE_SetCursorPosFunc(nullptr);
    }
    // A 100 by 100 draggable-or-not object at (x, y) whose event texts record themselves.
    nE_Object* Make(const std::string& name, float x, float y, nE_Object* parent = nullptr, bool drag = false)
    {
        auto owned = std::make_unique<Counted>(name);
        nE_Object* o = owned.get();
        o->SetPos(x, y);
        o->SetInputRect(nE_Rect(0, 0, 100, 100));
        o->SetDrag(drag);
        for (int i = 0; i < NE_EVENT_COUNT; ++i)
            o->SetEventCode(i, std::string("*rec('") + kShort[i] + "')");
        scene->AttachObject(parent ? parent : scene->GetOrigin(), std::move(owned));
        return o;
    }
    void Mouse(uint32_t kind, float x, float y) { SendMouse(scene, kind, x, y); }
    // Ticks once and answers the event texts that ran.
    std::string TickEvents()
    {
        nE_TimeStep step = Step(0.016f);
        context->Update(&step);
        std::string ran = LuaEval(L, "table.concat(events, ' ')");
        LuaRun(L, "events = {}");
        return ran;
    }
};
} // namespace

TEST_F(SceneFixture, HoverEntersAndLeavesAndFollowsObjectsUnderAStillPointer)
{
    Make("A", 0, 0);
    nE_Object* b = Make("B", 200, 0);
    b->SetZ(1);
    Mouse(NE_INPUT_MOUSEMOVE, 50, 50);
    EXPECT_EQ("menter:A", TickEvents());
    Mouse(NE_INPUT_MOUSEMOVE, 250, 50);
    EXPECT_EQ("mleave:A menter:B", TickEvents());
    Mouse(NE_INPUT_MOUSEMOVE, 500, 500);
    EXPECT_EQ("mleave:B", TickEvents());
    // The object comes to the pointer: the tick's own move notices, and the
    // text runs in that same tick.
    b->SetPos(450, 450);
    EXPECT_EQ("menter:B", TickEvents());
    // Clicks go to the topmost object only and do not change the hover.
    b->SetPos(0, 0);
    EXPECT_EQ("mleave:B", TickEvents());
    Mouse(NE_INPUT_MOUSEDOWN, 10, 10);
    Mouse(NE_INPUT_MOUSEUP, 10, 10);
    Mouse(NE_INPUT_MOUSEDOWN, 900, 700); // nothing there
    EXPECT_EQ("mdown:B mup:B", TickEvents());
}

TEST_F(SceneFixture, ClickToDropCarriesTheObjectOverOthersAndDropsOnTheSecondClick)
{
    nE_Object* a = Make("A", 0, 0, nullptr, true);
    Make("B", 200, 0);
    Mouse(NE_INPUT_MOUSEMOVE, 50, 50);
    EXPECT_EQ("menter:A", TickEvents());
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    EXPECT_EQ(a, g_draggedObject);
    EXPECT_EQ("mdown:A mleave:A drag:A", TickEvents());

    Mouse(NE_INPUT_MOUSEMOVE, 250, 60);
    Mouse(NE_INPUT_MOUSEUP, 250, 60); // not a release-to-drop object
    EXPECT_EQ(a, g_draggedObject);
    EXPECT_EQ("drag:A menter_drag:B drag:A", TickEvents());
    ExpectAt(250, 60, a->GetWorldMatrix()); // drawn at the pointer whatever its parents

    Mouse(NE_INPUT_MOUSEDOWN, 250, 60);
    EXPECT_TRUE(scene->IsDropPending());
    Mouse(NE_INPUT_MOUSEMOVE, 260, 70); // a pending drop is not carried
    EXPECT_FLOAT_EQ(250.0f, a->GetDragX());
    EXPECT_EQ("dragdrop:A", TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_EQ("menter:B", TickEvents());
}

// A release-to-drop object drops on the button up; several button downs
// before one tick drop a click-to-drop object once.
TEST_F(SceneFixture, ReleaseToDropAndSeveralButtonDownsBeforeATickDropOnce)
{
    nE_Object* a = Make("A", 0, 0, nullptr, true);
    a->SetRealDrag(true);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEUP, 50, 50);
    EXPECT_TRUE(scene->IsDropPending());
    EXPECT_EQ("mdown:A dragdrop:A", TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_EQ("menter:A", TickEvents()); // hit again once it is no longer dragged

    a->SetRealDrag(false);
    for (int i = 0; i < 3; ++i)
        Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEUP, 50, 50);
    EXPECT_EQ("mdown:A mleave:A dragdrop:A", TickEvents());
    EXPECT_FALSE(g_draggedObject || scene->IsDropPending());
}

// ObjDoNotDrop in the drop code keeps the drag going, and the next drop goes
// through. StopDrag from a script completes the drag before its drop code
// runs, a second one posts no second "event_dragdrop", and a refusal there
// waits for the next drop.
TEST_F(SceneFixture, DoNotDropKeepsTheDragAndStopDragFromScriptEndsIt)
{
    nE_Object* a = Make("A", 0, 0, nullptr, true);
    const std::string refuse = "*rec('dragdrop') ObjDoNotDrop()";
    a->SetEventCode(NE_EVENT_DRAGDROP, refuse);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    EXPECT_EQ("mdown:A dragdrop:A", TickEvents());
    EXPECT_EQ(a, g_draggedObject);
    EXPECT_FALSE(scene->IsDoNotDrop());
    Mouse(NE_INPUT_MOUSEMOVE, 70, 80);
    EXPECT_FLOAT_EQ(70.0f, a->GetDragX());
    a->SetEventCode(NE_EVENT_DRAGDROP, "*rec('dragdrop')");
    Mouse(NE_INPUT_MOUSEDOWN, 70, 80);
    EXPECT_EQ("drag:A dragdrop:A", TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);

    a->SetEventCode(NE_EVENT_DRAGDROP, refuse);
    Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    TickEvents();
    g_triggerManager->Post("test", "*ObjStopDrag() ObjStopDrag()");
    EXPECT_EQ("drag:A", TickEvents());
    EXPECT_EQ(nullptr, g_draggedObject);
    EXPECT_EQ("dragdrop:A menter:A", TickEvents());
    EXPECT_TRUE(scene->IsDoNotDrop());
}

// StartDrag makes the object the dragged one before setting its drag position.
TEST_F(SceneFixture, StartDragPlacesTheObjectAtTheCursor)
{
    nE_Object* a = Make("A", 10, 10, Make("P", 300, 300));
    g_pointerX = 33;
    g_pointerY = 44;
    scene->StartDrag(a);
    EXPECT_EQ(a, g_draggedObject);
    ExpectAt(33, 44, a->GetWorldMatrix());
    scene->StartDrag(nullptr);
    EXPECT_EQ(a, g_draggedObject);
}

TEST_F(SceneFixture, AttachRefusesRootsLoopsAndNullsAndLoadsByTheRealRoot)
{
    nE_Object* a = Make("A", 0, 0);
    nE_Object* b = Make("B", 0, 0, a);
    EXPECT_FALSE(scene->MoveObject(a, scene->GetOrigin()) ||
                 scene->MoveObject(scene->GetOrigin(), scene->GetStorage()) || scene->MoveObject(b, a) ||
                 scene->MoveObject(a, a) || scene->MoveObject(nullptr, a) || scene->MoveObject(a, nullptr) ||
                 scene->AttachObject(a, nullptr));
    EXPECT_TRUE(scene->GetOrigin() == a->GetParent() && !scene->GetOrigin()->GetParent());
    EXPECT_TRUE(scene->MoveObject(b, Make("A", 0, 0))); // the same name is no loop

    // Resources follow parent pointers to the root, not names: a stored
    // object that merely carries the live root's name.
    nE_Object* impostor = Make("ne_origin", 0, 0, scene->GetStorage());
    auto owned = std::make_unique<Counted>("x");
    Counted* x = owned.get();
    scene->AttachObject(b, std::move(owned));
    scene->MoveObject(impostor, x);
    EXPECT_TRUE(x->loads == 1 && x->releases == 1);
    nE_Object loose("loose");
    scene->MoveObject(&loose, x); // under no root: left as it is
    EXPECT_TRUE(scene->MoveObject(b, x));
    EXPECT_TRUE(x->loads == 2 && x->releases == 1);

    // A refused new object dies with its subtree; an object in no tree is not
    // the tree's to take and stays as it is.
    LogCapture log;
    auto ring = std::make_unique<nE_Object>("ring");
    ring->AddChild(std::make_unique<nE_Object>("inner"));
    nE_Object* inner = ring->GetChild(0);
    auto orphan = std::make_unique<nE_Object>("orphan");
    std::vector<nE_ObjectHandle> refused = {ring->GetHandle(), inner->GetHandle(), orphan->GetHandle()};
    EXPECT_FALSE(scene->AttachObject(inner, std::move(ring)) ||
                 scene->AttachObject(nullptr, std::move(orphan)));
    for (const nE_ObjectHandle& handle : refused)
        EXPECT_FALSE(handle.IsAlive());
    nE_Object stray("stray");
    EXPECT_FALSE(scene->MoveObject(b, &stray));
    EXPECT_EQ(nullptr, stray.GetParent());
    EXPECT_EQ(
        (Lines{"Warning: object ring can not be attached to inner - it would make a loop or move a root",
               "Warning: object stray can not be moved under B - it hangs in no tree"}),
        log.lines);
}

// Timer and tween end calls posted in a tick run in the next one; a tween's
// names its object as the sender.
TEST_F(SceneFixture, TimerAndTweenCallsPostedInATickRunInTheNextOne)
{
    g_timerManager->Start("t", "*rec('timer')", 0.01f);
    nE_Object* a = Make("A", 500, 500);
    const float to[] = {0, 0, 5};
    a->Animate(NE_TWEEN_X, false, false, "*rec('end')", to, 3);
    a->Animate(NE_TWEEN_Y, false, false, "  ", to, 3); // a blank end text posts nothing
    EXPECT_TRUE(TickEvents().empty());
    EXPECT_FLOAT_EQ(5.0f, a->GetX());
    EXPECT_EQ("timer:t end:A", TickEvents());
    EXPECT_TRUE(TickEvents().empty());
}
