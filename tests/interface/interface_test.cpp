#include "game/interface/nG_Interface.h"
#include "widget_fixture.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace
{
// The registry as the container reads it, in creation order.
std::vector<nG_InterfaceRow> Table()
{
    size_t count = 0;
    const nG_InterfaceRow* rows = nG_Interface::GetChildTable(&count);
    return std::vector<nG_InterfaceRow>(rows, rows + count);
}

const char* const kLayerNodeNames[3] = {"ng_interface_l2", "ng_interface_l1", "ng_interface_l0"};

// A widget stand-in that counts what happens to it.
struct Counted : nE_Object
{
    explicit Counted(const std::string& name) : nE_Object(name) { created.push_back(name); }
    void Update(const nE_TimeStep* step) override
    {
        nE_Object::Update(step);
        ++updates[GetName()];
    }
    void Restore(bool recursive) override
    {
        nE_Object::Restore(recursive);
        ++restores[GetName()];
    }
    static nE_Object* Create(const std::string& name) { return new Counted(name); }
    static std::vector<std::string> created;
    static std::map<std::string, int> updates;
    static std::map<std::string, int> restores;
};
std::vector<std::string> Counted::created;
std::map<std::string, int> Counted::updates;
std::map<std::string, int> Counted::restores;

struct InterfaceFixture : WidgetFixture
{
    std::unique_ptr<nG_Interface> hud;
    std::map<int, nG_InterfaceCreator> saved;

    void SetUp() override
    {
        WidgetFixture::SetUp();
        EnterSampleDir(); // the real widgets load the sample's interface pictures
        Counted::created.clear();
        Counted::updates.clear();
        Counted::restores.clear();
        // The cards screen reads its module from the asset tree; its own tests give it one.
        saved[19] = nG_Interface::SetChildCreator(19, Counted::Create);
        // The map needs its content module, which these tests do not provide.
        saved[12] =
            nG_Interface::SetChildCreator(12, [](const std::string& name) { return new nE_Object(name); });
    }
    void TearDown() override
    {
        hud.reset();
        for (auto& entry : saved)
            nG_Interface::SetChildCreator(entry.first, entry.second);
        WidgetFixture::TearDown();
    }
    void UseCountedWidgets()
    {
        for (const nG_InterfaceRow& row : Table())
            // A creator swapped in by SetUp stays the one restored at the end.
            saved.emplace(row.id, nG_Interface::SetChildCreator(row.id, Counted::Create));
    }
    void Build() { hud.reset(new nG_Interface()); }
    nE_Object* Child(const std::string& name) const { return hud->FindChild(name, true); }
    int ChildTotal() const
    {
        return hud->GetLayerNode(0)->GetChildCount() + hud->GetLayerNode(1)->GetChildCount() +
               hud->GetLayerNode(2)->GetChildCount();
    }
    void Show(int id, bool shown, bool fade) { Send(id, nG_MsgInterfaceShow{false, shown, fade}); }
    // The container alone, outside the scene.
    void Tick(float dt, int times = 1)
    {
        nE_TimeStep step;
        step.step = step.elapsed = dt;
        for (int i = 0; i < times; ++i)
            hud->UpdateTree(&step);
    }
};

// A second SetDefaults keeps one set of layers; every id is published to Lua.
// The creators are called in registration order and can be replaced; a
// display change reaches every widget once.
TEST_F(InterfaceFixture, BuildsAllTwentyFiveChildrenUnderTheirLayers)
{
    Build();
    hud->SetDefaults();
    EXPECT_EQ("ng_interface", hud->GetName());
    ASSERT_EQ(3, hud->GetChildCount());
    for (int layer = 0; layer < 3; ++layer)
    {
        nE_Object* node = hud->GetLayerNode(layer);
        ASSERT_NE(nullptr, node);
        EXPECT_EQ(kLayerNodeNames[layer], node->GetName());
        EXPECT_FLOAT_EQ(static_cast<float>(2 - layer), node->GetZ());
        EXPECT_EQ(hud.get(), node->GetParent());
    }
    EXPECT_EQ(nullptr, hud->GetLayerNode(3));
    // Ids 1 to 26 but 23, each once, each on a layer.
    std::vector<int> ids;
    for (const nG_InterfaceRow& row : Table())
    {
        ids.push_back(row.id);
        EXPECT_TRUE(row.layer >= 0 && row.layer <= 2 && row.creator) << row.name;
    }
    std::sort(ids.begin(), ids.end());
    std::vector<int> expected(22);
    std::iota(expected.begin(), expected.end(), 1);
    expected.insert(expected.end(), {24, 25, 26});
    EXPECT_EQ(expected, ids);
    lua_State* L = nE_GetLua();
    for (const nG_InterfaceRow& row : Table())
    {
        nE_Object* child = Child(row.name);
        ASSERT_NE(nullptr, child) << row.name;
        EXPECT_FLOAT_EQ(static_cast<float>(row.id), child->GetZ()) << row.name;
        EXPECT_EQ(hud->GetLayerNode(row.layer), child->GetParent()) << row.name;
        ASSERT_NE(nullptr, hud->GetChildRecord(row.id));
        EXPECT_EQ(row.name, hud->GetChildRecord(row.id)->name);
        lua_getfield(L, LUA_GLOBALSINDEX, row.global);
        EXPECT_TRUE(lua_isnumber(L, -1) && row.id == lua_tointeger(L, -1)) << row.global;
        lua_pop(L, 1);
    }
    EXPECT_EQ(nullptr, hud->GetChildRecord(23));
    EXPECT_EQ(25, ChildTotal());
    EXPECT_TRUE(logs.empty());

    hud.reset();
    UseCountedWidgets();
    Counted::created.clear();
    Build();
    std::vector<std::string> order;
    for (const nG_InterfaceRow& row : Table())
        order.push_back(row.name);
    EXPECT_EQ(order, Counted::created);
    EXPECT_EQ(nullptr, nG_Interface::SetChildCreator(23, Counted::Create));
    bus.Send(NG_MSG_DISPLAY_CHANGED, nullptr);
    EXPECT_EQ(25u, Counted::restores.size());
    EXPECT_EQ(1, Counted::restores["ng_btn_lock"]);
}

// Unknown ids are ignored; adding an existing child warns once; a removed
// child comes back fresh at its id under the same layer.
TEST_F(InterfaceFixture, ChildrenAreAddedAndRemovedByIdOnly)
{
    UseCountedWidgets();
    Build();
    for (int id : {0, 23, 27, -1, 1000})
    {
        SendInt(NG_MSG_ADD_INTERFACE_CHILD, id);
        SendInt(NG_MSG_REMOVE_INTERFACE_CHILD, id);
        Send(NG_MSG_INTERFACE_CHILD_INPUT, nG_MsgInterfaceChildInput{id, false});
    }
    bus.Send(NG_MSG_ADD_INTERFACE_CHILD, nullptr);
    EXPECT_TRUE(logs.empty());
    nE_Object* map = Child("ng_map");
    SendInt(NG_MSG_ADD_INTERFACE_CHILD, 12);
    EXPECT_EQ(std::vector<std::string>{"Warning: interface child \"ng_map\" is already exist."}, logs);
    EXPECT_EQ(map, Child("ng_map"));
    EXPECT_EQ(25, ChildTotal());

    Child("ng_popup")->SetZ(77.0f);
    Child("ng_popup")->SetVisible(false);
    SendInt(NG_MSG_REMOVE_INTERFACE_CHILD, 25);
    EXPECT_EQ(nullptr, Child("ng_popup"));
    SendInt(NG_MSG_REMOVE_INTERFACE_CHILD, 25); // gone already: nothing
    SendInt(NG_MSG_ADD_INTERFACE_CHILD, 25);
    nE_Object* again = Child("ng_popup");
    ASSERT_NE(nullptr, again);
    EXPECT_FLOAT_EQ(25.0f, again->GetZ());
    EXPECT_TRUE(again->IsVisible());
    EXPECT_EQ(hud->GetLayerNode(0), again->GetParent());
    EXPECT_EQ(26u, Counted::created.size());
    EXPECT_EQ(1u, logs.size());
}

// Child input switches by id; HUD input leaves the main layer drawn. The main
// layer fades at four per second or jumps; other layers keep their alpha.
TEST_F(InterfaceFixture, ChildInputAndTheMainLayersFade)
{
    Build();
    for (bool on : {false, true})
    {
        Send(NG_MSG_INTERFACE_CHILD_INPUT, nG_MsgInterfaceChildInput{2, on});
        EXPECT_EQ(on, Child("ng_inventory")->IsInput());
    }
    nE_Object* main = hud->GetLayerNode(2);
    Show(NG_MSG_INTERFACE_SHOW, true, false);
    EXPECT_FALSE(main->IsInput());
    EXPECT_TRUE(main->IsVisible() && hud->GetLayerNode(0)->IsInput());
    Show(NG_MSG_INTERFACE_FADE, false, true);
    EXPECT_TRUE(hud->IsFadingOut());
    Tick(0.0625f);
    EXPECT_FLOAT_EQ(0.75f, main->GetAlpha());
    Tick(0.0625f, 4); // a quarter of a second, then one more tick
    EXPECT_FLOAT_EQ(0.0f, main->GetAlpha());
    EXPECT_FLOAT_EQ(1.0f, hud->GetLayerNode(0)->GetAlpha());
    Show(NG_MSG_INTERFACE_FADE, true, true);
    Tick(0.1f);
    EXPECT_NEAR(0.4f, hud->GetHudAlpha(), 1e-6);
    Tick(1.0f);
    EXPECT_FLOAT_EQ(1.0f, main->GetAlpha());
    for (bool shown : {false, true})
    {
        Show(NG_MSG_INTERFACE_FADE, shown, false);
        EXPECT_FLOAT_EQ(shown ? 1.0f : 0.0f, main->GetAlpha());
    }
}

// Pause stops the first two layers only; a destroyed container no longer listens.
TEST_F(InterfaceFixture, PauseStopsTheFirstTwoLayersOnly)
{
    UseCountedWidgets();
    Build();
    SendBool(NG_MSG_PAUSE_LEVEL, true);
    Tick(0.1f, 2);
    SendBool(NG_MSG_PAUSE_LEVEL, false);
    Tick(0.1f);
    for (auto [name, updates] : {std::pair{"ng_modalwindow", 3},
                                 {"ng_popup", 3},
                                 {"ng_videoframe", 1},
                                 {"ng_map", 1},
                                 {"ng_collector", 1}})
        EXPECT_EQ(updates, Counted::updates[name]) << name;
    hud.reset();
    SendInt(NG_MSG_ADD_INTERFACE_CHILD, 12);
    SendBool(NG_MSG_PAUSE_LEVEL, false);
    for (int id : {18, 19, 20, 79, 86, 87, 88})
        EXPECT_TRUE(bus.GetListeners(id).empty()) << id;
}
} // namespace
