#include "core/core_test_util.h"
#include "core/recording_render.h"
#include "engine/core/nE_SLHelper.h"

#include <functional>
#include <utility>

namespace
{
Lines g_trace;

Lines Take()
{
    return std::exchange(g_trace, Lines());
}

// The action may delete its owner: run a copy.
void RunCopy(std::function<void()> action)
{
    if (action) action();
}

// Writes down what the walks do to it and can run an action (standing in for
// Lua) from inside a walk.
struct Probe : nE_Object
{
    explicit Probe(const std::string& name) : nE_Object(name) {}
    ~Probe() override { g_trace.push_back("dead " + GetName()); }
    void Update(const nE_TimeStep* step) override
    {
        nE_Object::Update(step);
        g_trace.push_back("update " + GetName());
        RunCopy(onUpdate);
    }
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override
    {
        g_trace.push_back("input " + GetName());
        nE_ObjectHandle self = GetHandle();
        RunCopy(onInput);
        return self.IsAlive() && nE_Object::HandleInput(event, found, state);
    }
    void Draw(nE_Render* render, const nE_RenderState& state) override
    {
        static_cast<RecordingRender*>(render)->SetLabel(GetName());
        render->DrawTexture(nullptr, state);
        RunCopy(onDraw);
    }
    std::function<void()> onUpdate, onInput, onDraw;
};

Lines ChildNames(const nE_Object& o)
{
    Lines names;
    for (int i = 0; i < o.GetChildCount(); ++i)
        names.push_back(o.GetChild(i)->GetName());
    return names;
}

struct ObjectFixture : testing::Test
{
    nE_Object root{"root"};
    nE_TimeStep step = Step(0.1f);
    std::vector<RecordingRender::DrawCall> draws;

    void TearDown() override
    {
        root.DeleteChildren();
        g_trace.clear();
    }
    Probe* Add(nE_Object* parent, const std::string& name, float z = 0.0f, float size = 0.0f)
    {
        auto owned = std::make_unique<Probe>(name);
        Probe* p = owned.get();
        p->SetZ(z);
        if (size > 0) p->SetInputRect(nE_Rect(0, 0, size, size));
        parent->AddChild(std::move(owned));
        return p;
    }
    nE_Object* Hit(uint32_t kind, float x, float y)
    {
        nE_InputEvent e = MouseEvent(kind, x, y);
        return root.HandleInputTree(&e, nullptr, nE_RenderState());
    }
    Lines Draw(nE_Object& from)
    {
        RecordingRender render;
        from.DrawTree(&render, nE_RenderState());
        draws = render.draws;
        EXPECT_EQ(0u, render.GetClipDepth());
        return render.calls;
    }
};
} // namespace

TEST_F(ObjectFixture, EqualZKeepsInsertionOrderAndZChangesApplyAtTheNextUpdate)
{
    Add(&root, "a", 1);
    Add(&root, "b", 0);
    Add(&root, "c", 1);
    Add(&root, "d", 0);
    root.UpdateTree(&step);
    EXPECT_EQ((Lines{"b", "d", "a", "c"}), ChildNames(root));
    root.FindChild("b", false)->SetZ(5);
    EXPECT_EQ((Lines{"b", "d", "a", "c"}), ChildNames(root));
    root.UpdateTree(&step);
    EXPECT_EQ((Lines{"d", "a", "c", "b"}), ChildNames(root));

    // z read from properties and z driven by a tween reorder as well.
    TiXmlElement xml("obj");
    xml.SetAttribute("pos_z", "-1");
    nE_SLHelper_XML in(&xml);
    root.FindChild("c", false)->Load(in);
    root.UpdateTree(&step);
    EXPECT_EQ((Lines{"c", "d", "a", "b"}), ChildNames(root));
    const float keys[] = {0.0f, 0.0f, 9.0f, 1.0f, 0.0f, 9.0f}; // time, curve, z
    root.FindChild("d", false)->Animate(NE_TWEEN_Z, false, false, " ", keys, 6);
    root.UpdateTree(&step);
    root.UpdateTree(&step);
    EXPECT_EQ((Lines{"c", "a", "b", "d"}), ChildNames(root));
}

// Composing a child's partial matrix must not overwrite its parent's world
// matrix: grandchildren would lose the ancestors' transform.
TEST_F(ObjectFixture, AttachTypesOverThreeLevelsKeepTheAncestorsTransform)
{
    Probe* top = Add(&root, "top");
    top->SetPos(1000, 0);
    Probe* parent = Add(top, "parent");
    parent->SetPos(100, 50);
    parent->SetAngle(1.5707963f);
    parent->SetScale(2, 2);
    auto at = [&](nE_Object* under, float x, unsigned attach)
    {
        Probe* p = Add(under, "p");
        p->SetPos(x, 0);
        p->SetAttachType(attach);
        return p;
    };
    // Children of the turned parent: all of it, all but the turn, the move, nothing, not even top.
    Probe* kids[] = {at(parent, 10, 0), at(parent, 10, 1), at(parent, 10, 2), at(parent, 10, 3),
                     at(parent, 10, 9)};
    Probe* grandchild = at(kids[0], 1, 2);
    Probe* moving = at(top, 10, 2);
    Probe* leaf = at(moving, 1, 2);
    Probe* unturned = at(moving, 1, 1);
    Probe* looseLeaf = at(at(top, 10, 9), 1, 2); // a parent that ignores its own gives none of it
    Draw(root);
    // The parent doubles, turns +x up the screen, then moves by (1100, 50).
    const std::pair<Probe*, nE_Vec3> plain[] = {
        {kids[0], {1100, 30, 0}}, {grandchild, {1100, 28, 0}}, {kids[1], {1120, 50, 0}},
        {kids[2], {1110, 50, 0}}, {kids[3], {1010, 0, 0}},     {kids[4], {10, 0, 0}},
        {parent, {1100, 50, 0}},  {moving, {1010, 0, 0}},      {leaf, {1011, 0, 0}},
        {unturned, {1011, 0, 0}}, {looseLeaf, {11, 0, 0}}};
    for (const auto& p : plain)
        ExpectAt(p.second.x, p.second.y, p.first->GetLastWorldMatrix());
    ExpectAt(1011, 0, leaf->GetWorldMatrix()); // the walk-free answers agree
    ExpectAt(1100, 28, grandchild->GetWorldMatrix());
}

TEST_F(ObjectFixture, UpdateAndDrawWalksAreGatedByTheirFlags)
{
    Probe* a = Add(&root, "a");
    Probe* b = Add(&root, "b");
    Probe* c = Add(&root, "c");
    Probe* d = Add(&root, "d");
    Add(a, "a1");
    Add(b, "b1");
    Add(c, "c1")->SetAlpha(0.5f);
    a->SetActive(false);
    b->SetChildrenUpdate(false);
    root.UpdateTree(&step);
    EXPECT_EQ((Lines{"update b", "update c", "update c1", "update d"}), Take());

    a->SetActive(true);
    a->SetVisible(false);
    b->SetChildrenDraw(false);
    c->SetAlpha(0.5f);
    c->SetCropRect(true, nE_Rect(0, 0, 50, 60));
    c->SetPos(5, 5);
    d->SetCropRect(true, nE_Rect(0, 0, 0, 10));
    EXPECT_EQ((Lines{"draw b", "push", "draw c", "draw c1", "pop", "push refused", "draw d"}), Draw(root));
    EXPECT_TRUE(draws[2].clip.x == 5.0f && draws[2].clip.w == 50.0f);
    EXPECT_FLOAT_EQ(0.25f, draws[2].state.alpha); // alpha multiplies down the tree
}

TEST_F(ObjectFixture, TopmostHitWinsAndInvisibleObjectsStillTakeInput)
{
    Probe* low = Add(&root, "low", 0, 100);
    Probe* high = Add(&root, "high", 1, 100);
    Probe* kid = Add(low, "kid", 0, 100);
    EXPECT_EQ(high, Hit(NE_INPUT_MOUSEDOWN, 50, 50));
    EXPECT_EQ((Lines{"input high", "input kid", "input low"}), Take()); // everyone visited is asked
    EXPECT_FALSE(Hit(NE_INPUT_MOUSEDOWN, 150, 50) || Hit(NE_INPUT_KEYDOWN, 50, 50));
    high->SetInput(false);
    EXPECT_EQ(kid, Hit(NE_INPUT_MOUSEMOVE, 5, 5));
    low->SetChildrenInput(false);
    EXPECT_EQ(low, Hit(NE_INPUT_MOUSEMOVE, 5, 5));
    high->SetInput(true);
    high->SetVisible(false);
    EXPECT_EQ(high, Hit(NE_INPUT_MOUSEMOVE, 5, 5));
}

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
    EXPECT_EQ((Lines{"update a", "dead b", "update c", "dead a", "update c1", "update d"}), Take());

    // One deletes itself, one deletes its own parent.
    Probe* e = Add(&root, "e");
    Add(e, "e1")->onUpdate = [&] { delete e; };
    Add(e, "e2");
    c->onUpdate = [&] { delete c; };
    d->onUpdate = nullptr;
    root.UpdateTree(&step);
    EXPECT_EQ((Lines{"update c", "dead c", "dead c1", "update d", "update e", "update e1", "dead e",
                     "dead e1", "dead e2"}),
              Take());
    EXPECT_EQ((Lines{"d"}), ChildNames(root));
}

TEST_F(ObjectFixture, UpdateWalkVisitsEverySiblingWhenOneIsMovedAway)
{
    Probe* a = Add(&root, "a");
    Probe* b = Add(&root, "b");
    Add(&root, "c");
    nE_Object elsewhere("elsewhere");
    a->onUpdate = [&] { elsewhere.MoveChild(a); }; // a leaves: b must not be skipped
    b->onUpdate = [&] { root.AddChild(std::make_unique<Probe>("late")); };
    root.UpdateTree(&step);
    EXPECT_EQ((Lines{"update a", "update b", "update c"}), Take());
    EXPECT_EQ((Lines{"b", "c", "late"}), ChildNames(root));
    elsewhere.DeleteChildren();
}

TEST_F(ObjectFixture, InputAndDrawWalksSurviveDeathsTheyCause)
{
    Probe* low = Add(&root, "low", 0, 10);
    Probe* high = Add(&root, "high", 1, 10);
    low->onInput = [&] { delete high; };
    EXPECT_EQ(nullptr, Hit(NE_INPUT_MOUSEUP, 5, 5)); // the winner died under the walk
    low->onInput = nullptr;
    Probe* parent = Add(&root, "parent", 2);
    Add(parent, "kid", 0, 10)->onInput = [&] { delete parent; };
    Take();
    EXPECT_EQ(low, Hit(NE_INPUT_MOUSEUP, 5, 5));
    EXPECT_EQ((Lines{"input kid", "dead parent", "dead kid", "input low"}), Take());

    nE_Object other("other");
    Probe* a = Add(&other, "a");
    a->SetCropRect(true, nE_Rect(0, 0, 10, 10));
    Add(a, "a1")->onDraw = [&] { delete a; };
    Add(a, "a2");
    Add(&other, "b");
    EXPECT_EQ((Lines{"push", "draw a", "draw a1", "pop", "draw b"}), Draw(other));
    other.DeleteChildren();
}

namespace
{
// Runs an action (standing in for a kind's destructor) as it dies.
struct Mortal : nE_Object
{
    explicit Mortal(const std::string& name) : nE_Object(name) {}
    ~Mortal() override
    {
        g_trace.push_back("dead " + GetName());
        RunCopy(onDeath);
    }
    std::function<void()> onDeath;
};
} // namespace

// Children die first to last; while one dies the later ones are still under
// the parent, in order, where its death may delete or move them or add more.
TEST_F(ObjectFixture, ChildrenDieFirstToLastWithTheRestInPlace)
{
    nE_Object holder("holder"), elsewhere("elsewhere");
    std::vector<Mortal*> kids;
    for (int i = 0; i < 40; ++i)
    {
        auto kid = std::make_unique<Mortal>("k" + std::to_string(i));
        kids.push_back(kid.get());
        holder.AddChild(std::move(kid));
    }
    Lines seen;
    kids[0]->onDeath = [&] { seen = ChildNames(holder); };
    kids[1]->onDeath = [&] { delete holder.FindChild("k3", false); };
    kids[2]->onDeath = [&] { elsewhere.MoveChild(holder.GetChild(1)); }; // k5, after k4
    kids[20]->onDeath = [&] { holder.AddChild(std::make_unique<Mortal>("late")); };
    kids[30]->onDeath = [&] { seen.push_back(holder.GetChild(0)->GetName()); };
    holder.DeleteChildren();

    Lines expected;
    for (int i = 1; i < 40; ++i)
        expected.push_back("k" + std::to_string(i));
    EXPECT_EQ(expected, std::vector<std::string>(seen.begin(), seen.begin() + 39));
    EXPECT_EQ("k31", seen.back());
    expected = {"dead k0", "dead k1", "dead k3", "dead k2"};
    for (int i = 4; i < 40; ++i)
        if (i != 5) expected.push_back("dead k" + std::to_string(i));
    expected.push_back("dead late");
    EXPECT_EQ(expected, Take());
    EXPECT_EQ(0, holder.GetChildCount());
    EXPECT_EQ((Lines{"k5"}), ChildNames(elsewhere));
    elsewhere.DeleteChildren();
}
