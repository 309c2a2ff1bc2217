#include "game/interface/nG_BtnCard.h"
#include "game/interface/nG_BtnHint.h"
#include "game/interface/nG_BtnInfo.h"
#include "game/interface/nG_BtnMap.h"
#include "game/interface/nG_BtnMenu.h"
#include "game/interface/nG_CharacterDialog.h"
#include "game/interface/nG_FrameSubroom.h"
#include "game/interface/nG_HoDialog.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_Inventory.h"
#include "game/interface/nG_Map.h"
#include "game/interface/nG_StrategyGuide.h"
#include "game/interface/nG_VideoFrame.h"
#include "widget_fixture.h"

#include <tuple>
#include <type_traits>

namespace
{
const int kPress = 501, kHover = 502, kLeave = 503;

template <int Id, class = void> struct NamesAButton : std::false_type
{
};
template <int Id> struct NamesAButton<Id, std::void_t<decltype(nG_ButtonMsg<Id>())>> : std::true_type
{
};
template <int Id, class = void> struct SendsAString : std::false_type
{
};
template <int Id>
struct SendsAString<Id, std::void_t<decltype(nE_Send<Id>(std::declval<nG_MsgString&>()))>> : std::true_type
{
};
// A button's name goes out only under a button message; the other string
// messages (an object, a task, a query's answer) take no button, and the ids
// of other records take no string at all.
static_assert(NamesAButton<NG_MSG_CLOSE_MAP>::value && NamesAButton<NG_MSG_BTN_GUIDE_PRESS>::value);
static_assert(!NamesAButton<NG_MSG_INV_DELETE>::value && !NamesAButton<NG_MSG_GET_HINT_TASK>::value);
static_assert(!NamesAButton<NG_MSG_POPUP>::value && !NamesAButton<NG_MSG_CLOSE_DIALOG>::value);
static_assert(SendsAString<NG_MSG_INV_DELETE>::value && !SendsAString<NG_MSG_INV_ADD>::value &&
              !SendsAString<NG_MSG_SUBTITLE>::value);

struct ButtonTest : WidgetFixture
{
    void SetUp() override
    {
        WidgetFixture::SetUp();
        Watch({kPress, kHover, kLeave});
    }
    nG_InterfButton* Make(const std::string& name, float x, int press = kPress)
    {
        nG_InterfButton* button = new nG_InterfButton(name);
        nG_BuildButton(button, "", "assets/none_over", "assets/none_off", 1, "key", "assets/fonts/none", 18,
                       nullptr, nullptr, nullptr, nullptr, false);
        button->pressId = press;
        button->hoverId = kHover;
        button->leaveId = kLeave;
        button->SetPos(x, 100);
        button->SetInputRect(nE_Rect(-20, -20, 40, 40));
        return Add(button);
    }
};

TEST_F(ButtonTest, MovingStraightOntoANeighbourLeavesTheFirstBeforeHoveringTheSecond)
{
    nG_InterfButton* a = Make("a", 100);
    nG_InterfButton* b = Make("b", 140);
    Input(NE_INPUT_MOUSEMOVE, 100, 100);
    Step(0.1f); // the tick's own move repeats the hover
    EXPECT_EQ((std::vector<std::string>{"502:a", "502:a"}), sent);
    sent.clear();
    Input(NE_INPUT_MOUSEMOVE, 140, 100);
    EXPECT_EQ((std::vector<std::string>{"503:a", "502:b"}), sent);
    EXPECT_EQ(nG_InterfButton::STATE_LEAVING, a->GetState());
    EXPECT_EQ(b, nG_InterfButton::Hovered());
    Step(0.1f, 4); // the glow fades out in a third of a second
    EXPECT_EQ(nG_InterfButton::STATE_NORMAL, a->GetState());
    EXPECT_FLOAT_EQ(1.0f, b->GetGlow());
    Input(NE_INPUT_MOUSEMOVE, 500, 500);
    EXPECT_EQ("503:b", sent.back());
    EXPECT_EQ(nullptr, nG_InterfButton::Hovered());
    delete b;
    delete a;
}

TEST_F(ButtonTest, PressIsTakenOrFallsThroughByItsId)
{
    // Press id, disabled, dragging; then pressed, and whether the object below got the click.
    for (auto [press, disabled, dragging, pressed, fellThrough] :
         {std::tuple{kPress, false, false, true, false},
          {-1, false, false, false, true},
          {kPress, true, false, false, true},
          {kPress, false, true, false, false}})
    {
        std::unique_ptr<nE_Object> below(Below(100, 100)), dragged(AddObject(layer, "dragged", 900, 900));
        std::unique_ptr<nG_InterfButton> button(Make("btn", 100, press));
        button->SetEnabled(!disabled);
        if (dragging) g_scene->StartDrag(dragged.get());
        sent.clear();
        ClearProbes();
        Input(NE_INPUT_MOUSEMOVE, 100, 100);
        Input(NE_INPUT_MOUSEDOWN, 100, 100);
        Step(0.01f);
        EXPECT_EQ(pressed, std::find(sent.begin(), sent.end(), "501:btn") != sent.end()) << press << disabled;
        EXPECT_EQ(fellThrough, Probes() == "below:below;") << press << disabled << dragging;
        EXPECT_TRUE(!(disabled || dragging) || !nG_InterfButton::Hovered()) << disabled << dragging;
        g_draggedObject = nullptr;
    }
}

TEST_F(ButtonTest, DisabledShowsItsOwnLayerAndNeverLeaves)
{
    nG_InterfButton* button = Make("btn", 100);
    nE_Object* off = button->FindChild("btn_layer_2", false);
    ASSERT_NE(nullptr, off);
    EXPECT_FALSE(off->IsVisible());
    EXPECT_EQ(nullptr, button->FindChild("btn_text_1", false)); // no colour: no hover caption
    button->SetEnabled(false);
    EXPECT_TRUE(off->IsVisible());
    button->SetState(nG_InterfButton::STATE_LEAVING);
    EXPECT_EQ(nG_InterfButton::STATE_DISABLED, button->GetState());
    button->SetEnabled(true);
    EXPECT_FALSE(off->IsVisible());
    // Without the normal caption there is none at all, whatever the colours.
    const float red[3] = {1, 0, 0};
    nG_BuildButton(button, "a", "", "", 4, "", "font", 18, nullptr, red, red, red, false);
    EXPECT_EQ(1, button->GetChildCount());
    EXPECT_EQ(0, button->GetState());
}

// The cursor each button of the interface shows while hovered: the hand on
// every HUD and dialog button, the back-out arrow on the map's bottom strip,
// the plain arrow on the inventory's scroll arrows.
TEST_F(ButtonTest, EveryInterfaceButtonShowsItsHoverCursor)
{
    EnterSampleDir();
    using Make = nE_Object* (*)(const std::string&);
    const Make guide = [](const std::string& name) -> nE_Object* { return new nG_StrategyGuide(name); };
    const std::tuple<Make, const char*, int> rows[] = {
        {nG_FrameSubroom::Create, "w_close_btn", 4},
        {nG_BtnCard::Create, "w_b", 4},
        {nG_BtnLock::Create, "w_lock0", 4},
        {nG_BtnLock::Create, "w_lock1", 4},
        {nG_BtnMap::Create, "w_b", 4},
        {nG_Map::Create, "w_close_btn", 4},
        {nG_Map::Create, "w_close_btn_bottom", 6},
        {nG_BtnGuide::Create, "w_b", 4},
        {nG_BtnMenu::Create, "w_b", 4},
        {nG_BtnInfo::Create, "w_b", 4},
        {nG_BtnReset::Create, "w_b", 4},
        {nG_BtnSkip::Create, "w_b", 4},
        {nG_BtnHint::Create, "w_b", 4},
        {nG_CharacterDialog::Create, "w_skip_btn", 4},
        {nG_VideoFrame::Create, "w_skip_btn", 4},
        {nG_HoDialog::Create, "w_ok_btn", 4},
        {nG_Inventory::Create, "ng_inventory_btn_left", 1},
        {nG_Inventory::Create, "ng_inventory_btn_right", 1},
        {guide, "ng_strategy_guide_imagebtn_0", 4},
    };
    for (auto [make, button, cursor] : rows)
    {
        std::unique_ptr<nE_Object> widget(Add(make("w")));
        auto* found = dynamic_cast<nG_InterfButton*>(widget->FindChild(button, true));
        ASSERT_NE(nullptr, found) << button;
        EXPECT_EQ(cursor, found->hoverCursor) << button;
    }
}
} // namespace
