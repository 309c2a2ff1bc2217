#include "core/recording_render.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> g_trace;

// An object that writes down what the walks do to it and can run an action
// (standing in for Lua) from inside a walk.
struct Probe : nE_Object
{
    explicit Probe(const std::string& name) : nE_Object(name) {}
    ~Probe() override { g_trace.push_back("dead " + GetName()); }

    void Update(const nE_TimeStep* step) override
    {
        nE_Object::Update(step);
        g_trace.push_back("update " + GetName());
        Run(onUpdate);
    }
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override
    {
        g_trace.push_back("input " + GetName());
        nE_ObjectHandle self = GetHandle();
        Run(onInput);
        if (!self.IsAlive()) return false;
        return nE_Object::HandleInput(event, found, state);
    }
    void Draw(nE_Render* render, const nE_RenderState& state) override
    {
        static_cast<RecordingRender*>(render)->SetLabel(GetName());
        render->DrawTexture(nullptr, state);
        Run(onDraw);
    }
    void LoadResources() override { ++loads; }
    void ReleaseResources() override { ++releases; }

    // The action may delete this object: run a copy.
    static void Run(const std::function<void()>& action)
    {
        if (!action) return;
        std::function<void()> copy = action;
        copy();
    }

    std::function<void()> onUpdate, onInput, onDraw;
    int loads = 0;
    int releases = 0;
};

Probe* Add(nE_Object* parent, const std::string& name, float z = 0.0f)
{
    Probe* p = new Probe(name);
    p->SetZ(z);
    parent->AddChild(p);
    return p;
}

std::vector<std::string> ChildNames(const nE_Object& o)
{
    std::vector<std::string> names;
    for (int i = 0; i < o.GetChildCount(); ++i)
        names.push_back(o.GetChild(i)->GetName());
    return names;
}

nE_Vec3 Origin(const nE_Matrix& m)
{
    nE_Vec3 out;
    nE_Matrix::TransformPoint(out, nE_Vec3(0, 0, 0), m);
    return out;
}

std::vector<std::string> Take()
{
    std::vector<std::string> t;
    t.swap(g_trace);
    return t;
}

struct ObjectFixture : testing::Test
{
    nE_Object root{"root"};
    nE_TimeStep step;
    void SetUp() override
    {
        g_trace.clear();
        step.step = step.elapsed = 0.1f;
    }
    void TearDown() override
    {
        root.DeleteChildren();
        g_trace.clear();
    }
};

typedef std::vector<std::string> Names;
} // namespace

// ---- tree shape and z order ----

TEST_F(ObjectFixture, EqualZKeepsInsertionOrderAndZChangesApplyAtTheNextUpdate)
{
    Add(&root, "a", 1);
    Add(&root, "b", 0);
    Add(&root, "c", 1);
    Add(&root, "d", 0);
    EXPECT_EQ((Names{"b", "d", "a", "c"}), ChildNames(root));
    for (int i = 0; i < 5; ++i)
        root.UpdateTree(&step);
    EXPECT_EQ((Names{"b", "d", "a", "c"}), ChildNames(root));

    root.FindChild("b", false)->SetZ(5);
    EXPECT_EQ((Names{"b", "d", "a", "c"}), ChildNames(root));
    root.UpdateTree(&step);
    EXPECT_EQ((Names{"d", "a", "c", "b"}), ChildNames(root));
}

TEST_F(ObjectFixture, ReparentingMovesTheChildAndRemoveDeletesNothing)
{
    Probe* a = Add(&root, "a");
    Probe* b = Add(&root, "b");
    Probe* x = Add(a, "x");
    b->AddChild(x);
    EXPECT_EQ(b, x->GetParent());
    EXPECT_EQ(0, a->GetChildCount());
    EXPECT_EQ(x, root.FindChild("x", true));
    EXPECT_EQ(nullptr, root.FindChild("x", false));

    EXPECT_EQ(nullptr, root.RemoveChild(x, false));
    EXPECT_EQ(x, root.RemoveChild(x, true));
    EXPECT_EQ(nullptr, x->GetParent());
    EXPECT_TRUE(Take().empty()); // nothing died
    delete x;
    EXPECT_EQ(nullptr, b->GetChild(0));
    EXPECT_EQ(nullptr, b->GetChild(-1));
}

TEST_F(ObjectFixture, FindChildPrefersDirectChildrenThenDepthFirst)
{
    Probe* a = Add(&root, "a");
    Probe* deep = Add(a, "n");
    Add(a, "m");
    Probe* b = Add(&root, "b");
    Probe* shallow = Add(b, "n");
    EXPECT_EQ(deep, root.FindChild("n", true));
    Probe* direct = Add(&root, "n");
    EXPECT_EQ(direct, root.FindChild("n", true));
    (void)shallow;
}

TEST_F(ObjectFixture, LoopsAndRootsAreRefusedByPointer)
{
    Probe* a = Add(&root, "a");
    Probe* b = Add(a, "b");
    Probe* c = Add(b, "c");

    EXPECT_FALSE(a->AddChild(a));
    EXPECT_FALSE(c->AddChild(a));
    EXPECT_FALSE(b->AddChild(a));
    EXPECT_FALSE(a->AddChild(nullptr));
    EXPECT_EQ(&root, a->GetParent());
    EXPECT_EQ(a, b->GetParent());

    // Same names are no loop.
    Probe* twin = new Probe("a");
    Add(twin, "a");
    EXPECT_TRUE(a->AddChild(twin));
    EXPECT_EQ(a, twin->GetParent());

    nE_Scene scene;
    EXPECT_FALSE(a->AddChild(scene.GetOrigin()));
    EXPECT_FALSE(scene.GetOrigin()->AddChild(scene.GetStorage()));
    EXPECT_EQ(nullptr, scene.GetStorage()->GetParent());
}

TEST_F(ObjectFixture, DeletingAnObjectDetachesItAndDeletesItsSubtree)
{
    Probe* a = Add(&root, "a");
    Add(a, "b");
    Add(&root, "c");
    nE_ObjectHandle ha = a->GetHandle();
    EXPECT_EQ(a, ha.Get());
    delete a;
    EXPECT_EQ(nullptr, ha.Get());
    EXPECT_EQ((Names{"c"}), ChildNames(root));
    EXPECT_EQ((Names{"dead a", "dead b"}), Take());
    EXPECT_EQ(nullptr, nE_ObjectHandle().Get());
    EXPECT_EQ(nullptr, nE_ObjectHandle(nullptr).Get());
}

TEST_F(ObjectFixture, ResourcesLoadOnceAndReleaseOnce)
{
    Probe* a = Add(&root, "a");
    Probe* b = Add(a, "b");
    a->LoadResourcesTree();
    a->LoadResourcesTree();
    EXPECT_EQ(1, a->loads);
    EXPECT_EQ(1, b->loads);
    a->SetResourceName("pic");
    EXPECT_EQ(2, a->loads);
    EXPECT_EQ(1, a->releases);
    a->SetResourceName("pic");
    EXPECT_EQ(2, a->loads);
    a->ReleaseResourcesTree();
    a->ReleaseResourcesTree();
    EXPECT_EQ(2, a->releases);
    EXPECT_EQ(1, b->releases);
    EXPECT_FALSE(b->AreResourcesLoaded());
}

// ---- transforms ----

namespace
{
const float kQuarter = 1.5707963f;

void ExpectAt(float x, float y, const nE_Matrix& m)
{
    nE_Vec3 p = Origin(m);
    EXPECT_NEAR(x, p.x, 1e-3f);
    EXPECT_NEAR(y, p.y, 1e-3f);
}
} // namespace

struct AttachFixture : ObjectFixture
{
    Probe* top = nullptr;    // moved
    Probe* parent = nullptr; // rotated, scaled, moved
    nE_Matrix parentWorld;
    void SetUp() override
    {
        ObjectFixture::SetUp();
        top = Add(&root, "top");
        top->SetPos(1000, 0);
        parent = Add(top, "parent");
        parent->SetPos(100, 50);
        parent->SetAngle(kQuarter);
        parent->SetScale(2, 2);
        nE_Matrix::BuildObjectTransform(parentWorld, 100, 50, kQuarter, 2, 2);
        nE_Matrix::Translate(parentWorld, 1000, 0);
    }
    // Where a point at local (x, y) of the parent lands.
    nE_Vec3 ThroughParent(float x, float y)
    {
        nE_Vec3 out;
        nE_Matrix::TransformPoint(out, nE_Vec3(x, y, 0), parentWorld);
        return out;
    }
    void Draw()
    {
        RecordingRender render;
        root.DrawTree(&render, nE_RenderState());
    }
};

TEST_F(AttachFixture, AttachTypesInheritTheSelectedPartsOfTheParent)
{
    Probe* full = Add(parent, "full");
    Probe* noRot = Add(parent, "norot");
    Probe* move = Add(parent, "move");
    Probe* none = Add(parent, "none");
    Probe* own = Add(parent, "own");
    for (Probe* p : {full, noRot, move, none, own})
        p->SetPos(10, 0);
    noRot->SetAttachType(1);
    move->SetAttachType(2);
    none->SetAttachType(3);
    own->SetAttachType(9);
    Draw();

    nE_Vec3 f = ThroughParent(10, 0);
    ExpectAt(f.x, f.y, full->GetLastWorldMatrix());
    ExpectAt(10 * 2 + 100 + 1000, 50, noRot->GetLastWorldMatrix()); // scaled and moved, not turned
    ExpectAt(10 + 100 + 1000, 50, move->GetLastWorldMatrix());
    ExpectAt(10 + 1000, 0, none->GetLastWorldMatrix());
    ExpectAt(10, 0, own->GetLastWorldMatrix());
    // The parent's own matrix survives its children's partial compositions.
    ExpectAt(1100, 50, parent->GetLastWorldMatrix());
}

TEST_F(AttachFixture, GrandchildrenKeepTheAncestorsTransform)
{
    Probe* sibling = Add(parent, "sibling");
    sibling->SetAttachType(2);
    Probe* child = Add(parent, "child");
    child->SetPos(10, 0);
    Probe* grandchild = Add(child, "grandchild");
    grandchild->SetAttachType(2);
    grandchild->SetPos(1, 0);
    Draw();
    // grandchild = own translation x child translation x parent's full world.
    nE_Vec3 g = ThroughParent(11, 0);
    ExpectAt(g.x, g.y, grandchild->GetLastWorldMatrix());
    nE_Vec3 c = ThroughParent(10, 0);
    ExpectAt(c.x, c.y, child->GetLastWorldMatrix());
}

TEST_F(AttachFixture, NestedAttachTypesCountTheAncestorsOnce)
{
    // top (1000, 0) > moving (10, 0), attach 2 > leaf (1, 0), attach 2 or 1.
    Probe* moving = Add(top, "moving");
    moving->SetPos(10, 0);
    moving->SetAttachType(2);
    Probe* leaf = Add(moving, "leaf");
    leaf->SetPos(1, 0);
    leaf->SetAttachType(2);
    Probe* unturned = Add(moving, "unturned");
    unturned->SetPos(1, 0);
    unturned->SetAttachType(1);
    // A parent that ignores its own parent gives its children nothing of it.
    Probe* loose = Add(top, "loose");
    loose->SetPos(10, 0);
    loose->SetAttachType(9);
    Probe* looseLeaf = Add(loose, "looseleaf");
    looseLeaf->SetPos(1, 0);
    looseLeaf->SetAttachType(2);
    Draw();
    ExpectAt(1010, 0, moving->GetLastWorldMatrix());
    ExpectAt(1011, 0, leaf->GetLastWorldMatrix());
    ExpectAt(1011, 0, unturned->GetLastWorldMatrix());
    ExpectAt(11, 0, looseLeaf->GetLastWorldMatrix());
    ExpectAt(1011, 0, leaf->GetWorldMatrix());
}

TEST_F(AttachFixture, WorldAndLocalMatricesMatchTheWalk)
{
    Probe* child = Add(parent, "child");
    child->SetPos(3, 4);
    nE_Vec3 c = ThroughParent(3, 4);
    ExpectAt(c.x, c.y, child->GetWorldMatrix());
    ExpectAt(3, 4, child->GetLocalMatrix());
    ExpectAt(c.x, c.y, child->GetLastWorldMatrix()); // GetLocalMatrix recorded nothing
}

TEST_F(ObjectFixture, ColourAndAlphaMultiplyDownTheTree)
{
    Probe* a = Add(&root, "a");
    a->SetAlpha(0.5f);
    a->GetRenderState().r = 0.5f;
    Probe* b = Add(a, "b");
    b->SetAlpha(0.5f);
    b->GetRenderState().blendMode = 3;
    RecordingRender render;
    root.DrawTree(&render, nE_RenderState());
    ASSERT_EQ(2u, render.draws.size());
    EXPECT_FLOAT_EQ(0.25f, render.draws[1].state.alpha);
    EXPECT_FLOAT_EQ(0.5f, render.draws[1].state.r);
    EXPECT_EQ(3u, render.draws[1].state.blendMode);
}

// ---- walks ----

TEST_F(ObjectFixture, UpdateWalkIsGatedByActiveAndChildrenUpdate)
{
    Probe* a = Add(&root, "a");
    Add(a, "a1");
    Probe* b = Add(&root, "b");
    Add(b, "b1");
    a->SetActive(false);
    b->SetChildrenUpdate(false);
    root.UpdateTree(&step);
    EXPECT_EQ((Names{"update b"}), Take());
}

TEST_F(ObjectFixture, DrawWalkIsGatedByVisibleAndChildrenDrawAndKeepsClipsBalanced)
{
    Probe* a = Add(&root, "a");
    Add(a, "a1");
    Probe* b = Add(&root, "b");
    Add(b, "b1");
    Probe* c = Add(&root, "c");
    Add(c, "c1");
    Probe* d = Add(&root, "d");
    a->SetVisible(false);
    b->SetChildrenDraw(false);
    c->SetCropRect(true, nE_Rect(0, 0, 50, 60));
    c->SetPos(5, 5);
    d->SetCropRect(true, nE_Rect(0, 0, 0, 10));
    RecordingRender render;
    root.DrawTree(&render, nE_RenderState());
    EXPECT_EQ((Names{"draw b", "push", "draw c", "draw c1", "pop", "push refused", "draw d"}), render.calls);
    EXPECT_FLOAT_EQ(5.0f, render.draws[2].clip.x);
    EXPECT_FLOAT_EQ(50.0f, render.draws[2].clip.w);
    EXPECT_EQ(0u, render.GetClipDepth());

    render.calls.clear();
    root.DrawTree(nullptr, nE_RenderState()); // no renderer: nothing happens
    EXPECT_TRUE(render.calls.empty());
}

namespace
{
nE_InputEvent Mouse(uint32_t kind, float x, float y)
{
    nE_InputEvent e;
    e.kind = kind;
    e.key = NE_MOUSE_KEYCODE;
    e.x = x;
    e.y = y;
    return e;
}
} // namespace

TEST_F(ObjectFixture, TopmostHitWinsAndEveryVisitedObjectIsAsked)
{
    Probe* low = Add(&root, "low", 0);
    Probe* high = Add(&root, "high", 1);
    Probe* kid = Add(low, "kid");
    for (Probe* p : {low, high, kid})
        p->SetInputRect(nE_Rect(0, 0, 100, 100));
    nE_InputEvent e = Mouse(NE_INPUT_MOUSEDOWN, 50, 50);
    EXPECT_EQ(high, root.HandleInputTree(&e, nullptr, nE_RenderState()));
    EXPECT_EQ((Names{"input high", "input kid", "input low"}), Take());

    high->SetZ(-1);
    root.UpdateTree(&step);
    Take();
    EXPECT_EQ(kid, root.HandleInputTree(&e, nullptr, nE_RenderState()));

    e = Mouse(NE_INPUT_MOUSEDOWN, 150, 50);
    EXPECT_EQ(nullptr, root.HandleInputTree(&e, nullptr, nE_RenderState()));
    e.kind = NE_INPUT_KEYDOWN;
    e.x = e.y = 50;
    EXPECT_EQ(nullptr, root.HandleInputTree(&e, nullptr, nE_RenderState()));
}

TEST_F(ObjectFixture, InputWalkIsGatedByInputFlagsButNotByVisibility)
{
    Probe* a = Add(&root, "a", 0);
    Probe* a1 = Add(a, "a1");
    Probe* b = Add(&root, "b", 1);
    Probe* b1 = Add(b, "b1");
    for (Probe* p : {a, a1, b, b1})
        p->SetInputRect(nE_Rect(0, 0, 10, 10));
    nE_InputEvent e = Mouse(NE_INPUT_MOUSEMOVE, 5, 5);

    b->SetInput(false);
    EXPECT_EQ(a1, root.HandleInputTree(&e, nullptr, nE_RenderState()));
    a->SetChildrenInput(false);
    EXPECT_EQ(a, root.HandleInputTree(&e, nullptr, nE_RenderState()));
    b->SetInput(true);
    b->SetVisible(false);
    EXPECT_EQ(b1, root.HandleInputTree(&e, nullptr, nE_RenderState()));
}

TEST_F(ObjectFixture, HitTestFollowsTheComposedTransformAndDrawOffset)
{
    Probe* a = Add(&root, "a");
    a->SetInputRect(nE_Rect(-10, -10, 20, 20));
    a->SetPos(100, 100);
    a->SetScale(2, 2);
    a->GetRenderState().offsetX = 30;
    // x spans (-10 + 30 .. 10 + 30) x 2 + 100 = 140 .. 180
    nE_InputEvent e = Mouse(NE_INPUT_MOUSEMOVE, 145, 100);
    EXPECT_EQ(a, root.HandleInputTree(&e, nullptr, nE_RenderState()));
    e.x = 185;
    EXPECT_EQ(nullptr, root.HandleInputTree(&e, nullptr, nE_RenderState()));
}

// ---- walks that Lua changes under their feet ----

TEST_F(ObjectFixture, UpdateWalkSurvivesDeletionOfSiblingsSelfAndParent)
{
    Probe* a = Add(&root, "a");
    Probe* b = Add(&root, "b");
    Probe* c = Add(&root, "c");
    Probe* d = Add(&root, "d");
    Add(c, "c1");
    a->onUpdate = [&] { delete b; }; // a later sibling
    c->onUpdate = [&] { delete a; }; // an earlier sibling
    d->onUpdate = [&] { root.FindChild("c1", true)->SetZ(0); };
    root.UpdateTree(&step);
    EXPECT_EQ((Names{"update a", "dead b", "update c", "dead a", "update c1", "update d"}), Take());

    // An object that deletes itself, and one that deletes its own parent.
    Probe* e = Add(&root, "e");
    Probe* e1 = Add(e, "e1");
    Probe* e2 = Add(e, "e2");
    e1->onUpdate = [&] { delete e; };
    c->onUpdate = [&] { delete c; };
    d->onUpdate = nullptr;
    root.UpdateTree(&step);
    EXPECT_EQ((Names{"update c", "dead c", "dead c1", "update d", "update e", "update e1", "dead e",
                     "dead e1", "dead e2"}),
              Take());
    (void)e2;
    EXPECT_EQ((Names{"d"}), ChildNames(root));
}

TEST_F(ObjectFixture, UpdateWalkVisitsEverySiblingWhenOneIsMovedAway)
{
    Probe* a = Add(&root, "a");
    Probe* b = Add(&root, "b");
    Add(&root, "c");
    nE_Object elsewhere("elsewhere");
    a->onUpdate = [&] { elsewhere.AddChild(a); }; // a leaves: b must not be skipped
    b->onUpdate = [&] { root.AddChild(new Probe("late")); };
    root.UpdateTree(&step);
    EXPECT_EQ((Names{"update a", "update b", "update c"}), Take());
    EXPECT_EQ((Names{"b", "c", "late"}), ChildNames(root));
    elsewhere.DeleteChildren();
    Take();
}

TEST_F(ObjectFixture, InputWalkDropsAWinnerThatDiedAndSurvivesItsOwnDeath)
{
    Probe* low = Add(&root, "low", 0);
    Probe* high = Add(&root, "high", 1);
    low->SetInputRect(nE_Rect(0, 0, 10, 10));
    high->SetInputRect(nE_Rect(0, 0, 10, 10));
    low->onInput = [&] { delete high; };
    nE_InputEvent e = Mouse(NE_INPUT_MOUSEUP, 5, 5);
    // The winner died under the walk: nobody is reported hit.
    EXPECT_EQ(nullptr, root.HandleInputTree(&e, nullptr, nE_RenderState()));

    Take();
    low->onInput = nullptr;
    Probe* parent = Add(&root, "parent", 2);
    Probe* kid = Add(parent, "kid");
    kid->SetInputRect(nE_Rect(0, 0, 10, 10));
    kid->onInput = [&] { delete parent; };
    EXPECT_EQ(low, root.HandleInputTree(&e, nullptr, nE_RenderState()));
    EXPECT_EQ((Names{"input kid", "dead parent", "dead kid", "input low"}), Take());
}

TEST_F(ObjectFixture, DrawWalkStopsCleanlyWhenADrawDeletesObjects)
{
    Probe* a = Add(&root, "a");
    a->SetCropRect(true, nE_Rect(0, 0, 10, 10));
    Probe* a1 = Add(a, "a1");
    Add(a, "a2");
    Add(&root, "b");
    a1->onDraw = [&] { delete a; };
    RecordingRender render;
    root.DrawTree(&render, nE_RenderState());
    EXPECT_EQ((Names{"push", "draw a", "draw a1", "pop", "draw b"}), render.calls);
}

// ---- tweens ----

TEST_F(ObjectFixture, TweensSetOrCombineAndClampOnlyAbsoluteColour)
{
    Probe* a = Add(&root, "a");
    const float alphaUp[] = {0, 0, 0.5f, 1, 0, 2.0f};
    a->Animate(NE_TWEEN_ALPHA, false, false, "", alphaUp, 6);
    const float grow[] = {0, 0, 1, 1, 0, 3};
    a->Animate(NE_TWEEN_SCALE_X, false, true, "", grow, 6);
    a->SetScale(2, 1);
    step.step = 2.0f; // past the end
    a->UpdateTree(&step);
    EXPECT_FLOAT_EQ(1.0f, a->GetAlpha());
    EXPECT_EQ(0, a->GetTweenCount());

    const float fade[] = {0, 0, 1.5f};
    a->Animate(NE_TWEEN_ALPHA, true, true, "", fade, 3); // one key, looping, relative
    a->Animate(NE_TWEEN_SCALE_X, true, true, "", grow, 6);
    step.step = 0.5f;
    a->UpdateTree(&step);
    RecordingRender render;
    a->DrawTree(&render, nE_RenderState());
    ASSERT_EQ(1u, render.draws.size());
    EXPECT_FLOAT_EQ(1.5f, render.draws[0].state.alpha); // relative factors are not clamped
    ExpectAt(0, 0, render.draws[0].state.matrix);
    nE_Vec3 p;
    nE_Matrix::TransformPoint(p, nE_Vec3(1, 0, 0), render.draws[0].state.matrix);
    EXPECT_NEAR(2.0f * 2.0f, p.x, 1e-4f); // scale 2 times the relative factor 2 halfway
}

TEST_F(ObjectFixture, ANewTweenReplacesTheRunningOneOfItsKind)
{
    Probe* a = Add(&root, "a");
    const float go[] = {0, 0, 0, 1, 0, 100};
    const float back[] = {0, 0, 50, 1, 0, 50};
    a->Animate(NE_TWEEN_X, false, false, "", go, 6);
    a->Animate(NE_TWEEN_Y, false, false, "", go, 6);
    a->Animate(NE_TWEEN_X, false, false, "", back, 6);
    EXPECT_EQ(2, a->GetTweenCount());
    step.step = 0.5f;
    a->UpdateTree(&step);
    EXPECT_FLOAT_EQ(50.0f, a->GetX());
    EXPECT_FLOAT_EQ(50.0f, a->GetY());
    a->StopAnimate(NE_TWEEN_Y);
    EXPECT_EQ(1, a->GetTweenCount());
    a->Animate(NE_TWEEN_XY, false, false, "", go, 2); // too few numbers: nothing to run
    a->SetPos(7, 7);
    a->UpdateTree(&step);
    EXPECT_FLOAT_EQ(50.0f, a->GetX()); // the x tween ended on its last key
    EXPECT_FLOAT_EQ(7.0f, a->GetY());
}

// ---- properties ----

TEST_F(ObjectFixture, XmlRoundTripKeepsEveryPropertyAndSkipsInfoValues)
{
    nE_Object a("a");
    a.SetPos(1.5f, -2);
    a.SetZ(3);
    a.SetAngle(0.25f);
    a.SetScale(2, 0.5f);
    a.GetRenderState().blendMode = 0x80000001u;
    a.SetAttachType(2);
    a.SetDrag(true);
    a.SetVisible(false);
    a.SetInputRect(nE_Rect(1, 2, 3, 4));
    a.SetEventCode(NE_EVENT_DRAG, "moved(1, 2)");
    TiXmlElement xml("obj");
    nE_SLHelper_XML out(&xml);
    a.Save(out);
    EXPECT_EQ(nullptr, xml.Attribute("draw_width"));
    EXPECT_EQ(nullptr, xml.Attribute("croprect_x"));

    nE_Object b;
    nE_SLHelper_XML in(&xml);
    b.Load(in);
    EXPECT_EQ("a", b.GetName());
    EXPECT_FLOAT_EQ(-2.0f, b.GetY());
    EXPECT_FLOAT_EQ(3.0f, b.GetZ());
    EXPECT_FLOAT_EQ(0.5f, b.GetScaleY());
    EXPECT_EQ(0x80000001u, b.GetRenderState().blendMode);
    EXPECT_EQ(2u, b.GetAttachType());
    EXPECT_TRUE(b.IsDrag());
    EXPECT_FALSE(b.IsVisible());
    EXPECT_FLOAT_EQ(4.0f, b.GetInputRect().h);
    EXPECT_EQ("moved(1, 2)", b.GetEventCode(NE_EVENT_DRAG));
    EXPECT_EQ("", b.GetEventCode(8));
    EXPECT_EQ("", b.GetEventCode(-1));
}

TEST_F(ObjectFixture, RectanglesLoadOnlyWhenTheirFlagIsOn)
{
    TiXmlElement xml("obj");
    xml.SetAttribute("inputrect_init", "0");
    xml.SetAttribute("inputrect_x", "9");
    xml.SetAttribute("croprect_init", "1");
    xml.SetAttribute("croprect_w", "12");
    nE_Object a;
    a.SetPos(4, 5);
    nE_SLHelper_XML in(&xml);
    a.Load(in);
    EXPECT_FALSE(a.HasInputRect());
    EXPECT_FLOAT_EQ(0.0f, a.GetInputRect().x);
    EXPECT_TRUE(a.HasCropRect());
    EXPECT_FLOAT_EQ(12.0f, a.GetCropRect().w);
    EXPECT_FLOAT_EQ(4.0f, a.GetX()); // absent keys leave fields alone
}

TEST_F(ObjectFixture, LuaInfoSaveCarriesTheDrawSize)
{
    lua_State* L = luaL_newstate();
    lua_newtable(L);
    nE_Object a("a");
    nE_SLHelper_Lua out(L, true);
    a.Save(out);
    lua_getfield(L, -1, "draw_width");
    EXPECT_TRUE(lua_isnumber(L, -1));
    lua_getfield(L, -2, "name");
    EXPECT_STREQ("a", lua_tostring(L, -1));
    lua_pop(L, 2);
    EXPECT_EQ(1, lua_gettop(L));
    lua_close(L);
}

TEST_F(ObjectFixture, FindTextReportsEveryPlaceInOrder)
{
    nE_Object* a = Add(&root, "key_a");
    a->SetEventCode(0, "open_key()");
    a->SetEventCode(3, "key_leave");
    Add(a, "other");
    a->SetResourceName("img/key");
    TiXmlElement report("report");
    root.FindText(&report, "key", true);
    std::vector<std::string> places;
    for (TiXmlElement* e = report.FirstChildElement(); e; e = e->NextSiblingElement())
        places.push_back(std::string(e->Value()) + ":" + e->Attribute("place"));
    EXPECT_EQ((Names{"key_a:name", "key_a:event", "key_a:event", "key_a:res"}), places);
}
