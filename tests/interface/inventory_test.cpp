#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_InventoryObject.h"
#include "widget_fixture.h"

namespace
{
struct InventoryTest : WidgetFixture
{
    nG_Inventory* bar = nullptr;
    nE_Object* scene = nullptr; // holds the game objects

    void SetUp() override
    {
        WidgetFixture::SetUp();
        bar = Add(new nG_Inventory("ng_inventory"));
        scene = AddObject(g_scene->GetOrigin(), "room", 0, 0, 0, 0);
        Watch({NG_MSG_INV_CHANGED});
    }
    nG_InventoryObj* Item(const std::string& name)
    {
        return static_cast<nG_InventoryObj*>(bar->FindChild("ng_invobj_" + name, false));
    }
    // Adds n objects "o<i>" as a restoring level does: no flights.
    void Fill(int n)
    {
        starting = true;
        for (int i = 0; i < n; ++i)
        {
            AddObject(scene, "o" + std::to_string(i), 100.0f + i, 100);
            Send3(NG_MSG_INV_ADD, "o" + std::to_string(i));
        }
        starting = false;
        Step(0.1f, 5); // slides end
    }
    bool Arrow(bool right) { return bar->Arrow(right)->GetState() != nG_InterfButton::STATE_DISABLED; }
    std::string Arrows() { return std::string(Arrow(false) ? "<" : "") + (Arrow(true) ? ">" : ""); }
};

TEST_F(InventoryTest, EightOfNineFitAndTheArrowsFollowTheWindow)
{
    EXPECT_EQ("", Arrows());
    Fill(9);
    ASSERT_EQ(9u, bar->Items().size());
    EXPECT_EQ(1, bar->GetFirstVisible()); // the newest is brought into view
    EXPECT_EQ(8, bar->GetVisibleCount());
    EXPECT_EQ("<", Arrows());
    EXPECT_FLOAT_EQ(-288 - 36, Item("o0")->slotX);
    EXPECT_FLOAT_EQ(-288 + 36, Item("o1")->slotX);

    SendString(NG_MSG_INV_SCROLL_LEFT, "ng_inventory_btn_left");
    SendString(NG_MSG_INV_SCROLL_LEFT, "ng_inventory_btn_left"); // refused while the items slide
    EXPECT_EQ(0, bar->GetFirstVisible());
    Step(0.1f, 5);
    EXPECT_EQ(">", Arrows());
    EXPECT_FLOAT_EQ(288 + 36, Item("o8")->slotX);
    SendString(NG_MSG_INV_SCROLL_LEFT, "ng_inventory_btn_left"); // at the end already
    EXPECT_EQ(0, bar->GetFirstVisible());

    Send3(NG_MSG_INV_ADD, "o3"); // held already: the count rises
    EXPECT_EQ(9u, bar->Items().size());
    EXPECT_EQ(2, Item("o3")->count);
    EXPECT_TRUE(Send(NG_MSG_HAS_INV_OBJECT, nG_MsgObjectQuery{"o3"}).answer);
}

TEST_F(InventoryTest, RemovingAtTheEndKeepsTheWindowFull)
{
    Fill(10);
    EXPECT_EQ(2, bar->GetFirstVisible());
    SendString(NG_MSG_INV_DELETE, "o9");
    EXPECT_EQ(nullptr, g_scene->FindObject("o9")); // the object goes with its item
    EXPECT_EQ(1, bar->GetFirstVisible());
    EXPECT_EQ(8, bar->GetVisibleCount());
    SendString(NG_MSG_INV_DELETE, "nothing");
    EXPECT_EQ(9u, bar->Items().size());
}

TEST_F(InventoryTest, AutoHideFollowsTheLockAndInputOffClearsThePointer)
{
    SendBool(NG_MSG_TASKS_CHANGED, true);
    Step(0.1f);
    EXPECT_EQ(1, bar->GetSlideState());
    SendString(NG_MSG_BTN_LOCK_PRESS, "lock"); // locked open
    Step(0.1f, 8);
    EXPECT_FLOAT_EQ(1.0f, bar->GetOpen());
    EXPECT_FLOAT_EQ(708.0f, bar->GetY());
    SendString(NG_MSG_INV_BUTTON_HOVER, "ng_btn_lock_b");
    SendBool(NG_MSG_BTN_LOCK_CHANGED, true);
    Step(0.1f);
    EXPECT_EQ(0, bar->GetSlideState());    // the pointer is on a neighbour
    SendBool(NG_MSG_TASKS_CHANGED, false); // the task panel takes over
    Step(0.1f, 8);
    EXPECT_EQ(1, bar->GetSlideState());
    EXPECT_FLOAT_EQ(0.0f, bar->GetOpen());
    EXPECT_FLOAT_EQ(786.0f, bar->GetY());
}

TEST_F(InventoryTest, RestoredItemShowsAtOnceAndRunsNoLanding)
{
    AddObject(scene, "gem", 500, 300);
    AddObject(scene, "gem_fly", 500, 300);
    nE_Object* unnamed = AddObject(scene, "", 10, 10);
    starting = true;
    Send3(NG_MSG_INV_ADD, "gem", "gem_fly", "probe(landed)");
    Send3(NG_MSG_INV_ADD, "gem", "", "probe(landed)"); // an empty name is no fly object
    starting = false;
    nG_InventoryObj* item = Item("gem");
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(nG_InventoryObj::RESTING, item->GetState());
    EXPECT_EQ(2, item->GetShownCount());
    EXPECT_EQ(nullptr, g_scene->FindObject("gem_fly"));
    EXPECT_EQ(unnamed, scene->FindChild("", false));
    Step(0.1f, 3);
    EXPECT_EQ("", Probes());
}

TEST_F(InventoryTest, QuickAddsNeverCountObjectsInFlight)
{
    AddObject(scene, "gem", 0, 0);
    for (int i = 0; i < 3; ++i)
    {
        AddObject(scene, "fly" + std::to_string(i), 100.0f * i, 100);
        Send3(NG_MSG_INV_ADD, "gem", "fly" + std::to_string(i), "probe(landed)");
        Step(0.05f);
    }
    nG_InventoryObj* item = Item("gem");
    for (int i = 0; i < 60 && item->GetFlightCount() > 0; ++i)
    {
        Step(0.05f);
        int landed = 3 - static_cast<int>(item->GetFlightCount());
        EXPECT_LE(item->GetShownCount(), landed) << i;
    }
    Step(0.05f); // the landing calls run
    EXPECT_EQ("ng_invobj_gem:landed;ng_invobj_gem:landed;ng_invobj_gem:landed;", Probes());
    EXPECT_EQ(3, item->GetShownCount());
    Send3(NG_MSG_INV_ADD, "gem", "gem", ""); // the held object never flies itself
    Step(0.05f, 30);
    EXPECT_EQ(4, item->GetShownCount());
    EXPECT_EQ(item, g_scene->FindObject("gem")->GetParent());
    EXPECT_EQ(nullptr, g_scene->FindObject("fly0"));
}

TEST_F(InventoryTest, DroppedItemFliesBackFromTheCursorOnAWideScreen)
{
    WideHud();
    nE_Object* gem = AddObject(scene, "gem", 0, 0);
    gem->SetDrag(true);
    starting = true;
    Send3(NG_MSG_INV_ADD, "gem");
    starting = false;
    nG_InventoryObj* item = Item("gem");
    Step(0.1f, 5);
    s_cursorX = 700;
    s_cursorY = 900;
    g_scene->StartDrag(gem);
    Step(0.1f);
    EXPECT_EQ(nG_InventoryObj::LIFTING, item->GetState());
    Step(0.1f, 4);
    EXPECT_EQ(nG_InventoryObj::DRAGGED, item->GetState());
    s_cursorX = 300;
    s_cursorY = 200;
    g_scene->StopDrag(); // nobody takes the drop
    Step(0.01f);
    ASSERT_EQ(nG_InventoryObj::RETURNING, item->GetState());
    EXPECT_NEAR(300.0f, WorldPos(gem).x, 0.5f); // starts under the cursor, no jump
    EXPECT_NEAR(200.0f, WorldPos(gem).y, 0.5f);
    Step(0.1f, 10);
    EXPECT_EQ(nG_InventoryObj::RESTING, item->GetState());
    EXPECT_EQ(item, gem->GetParent());
}

TEST_F(InventoryTest, DeletingAnItemMidFlightKeepsTheFlyingObject)
{
    AddObject(scene, "gem", 0, 0);
    AddObject(scene, "gem_fly", 300, 300);
    Send3(NG_MSG_INV_ADD, "gem", "gem_fly", "probe(landed)");
    delete g_scene->FindObject("gem_fly"); // a script takes the flying object away
    Step(0.1f, 20);
    EXPECT_EQ("ng_invobj_gem:landed;", Probes());
    AddObject(scene, "gem_fly", 300, 300);
    Send3(NG_MSG_INV_ADD, "gem", "gem_fly", "probe(again)");
    Step(0.1f);
    SendString(NG_MSG_INV_DELETE, "gem");
    Step(0.1f, 20);
    nE_Object* fly = g_scene->FindObject("gem_fly");
    ASSERT_NE(nullptr, fly);
    EXPECT_EQ(g_scene->GetStorage(), fly->GetParent());
    EXPECT_EQ("ng_invobj_gem:landed;", Probes()); // the second flight never lands
}
} // namespace
