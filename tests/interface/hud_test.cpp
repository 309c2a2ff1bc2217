#include "engine/scene/nE_AnimSprite.h"
#include "game/interface/nG_BlackBarText.h"
#include "game/interface/nG_BtnCard.h"
#include "game/interface/nG_BtnInfo.h"
#include "game/interface/nG_BtnMap.h"
#include "game/interface/nG_BtnMenu.h"
#include "game/interface/nG_FrameSubroom.h"
#include "game/interface/nG_InterfaceBg.h"
#include "widget_fixture.h"

#include <cmath>
#include <tuple>

namespace
{
struct HudTest : WidgetFixture
{
    void SetUp() override
    {
        WidgetFixture::SetUp();
        EnterSampleDir(); // the widgets' animations load their real frames
    }
};

// The child that moves ("" the widget itself) and its x at 1024 and 1366 wide;
// the guide button's place is clicked by the whole-game run.
TEST_F(HudTest, EdgeElementsMoveOutOnAWideScreen)
{
    for (auto [create, part, at1024, at1366] : {std::tuple{&nG_BtnMenu::Create, "", 954, 1044},
                                                {nG_BtnMap::Create, "_b", 943, 1033},
                                                {nG_BtnMap::Create, "_arrow", 943, 1033},
                                                {nG_InterfaceBg0::Create, "_l0", 46, -54},
                                                {nG_InterfaceBg1::Create, "_l0", 984, 1074}})
    {
        std::unique_ptr<nE_Object> widget(Add(create("w")));
        nE_Object* moved = *part ? widget->FindChild(std::string("w") + part, false) : widget.get();
        ASSERT_NE(nullptr, moved) << part;
        for (float width : {1024.0f, 1366.0f})
        {
            appWidth = width;
            widget->Restore(true);
            EXPECT_NEAR(width == 1024 ? at1024 : at1366, moved->GetX(), 1e-3f) << part;
        }
    }
}

TEST_F(HudTest, InfoAndResetSlideInAndOut)
{
    Watch({NG_MSG_SHOW_DIALOG, NG_MSG_CLOSE_DIALOG});
    appWidth = 1366;
    nG_BtnReset* reset = Add(new nG_BtnReset("ng_int_btn_reset"));
    nG_BtnInfo* info = Add(new nG_BtnInfo("ng_int_btn_info"));
    for (nE_Object* widget : {static_cast<nE_Object*>(reset), static_cast<nE_Object*>(info)})
        EXPECT_FALSE(widget->IsVisible() || widget->IsActive() || widget->IsInput());
    SendString(NG_MSG_BTN_INFO_PRESS, "b"); // no text: nothing
    ShowMinigame(0, "", "", "info_key");    // no reset code: reset stays out
    Step(0.5f);
    EXPECT_FALSE(reset->IsVisible());
    EXPECT_NEAR(512 - 683 - 67 + 134 * std::sin(0.6f * 3.141592f / 2), info->GetX(), 1e-3f);
    EXPECT_FALSE(info->IsInput());
    Step(0.5f);
    EXPECT_NEAR(512 - 683 + 67, info->GetX(), 1e-3f);
    EXPECT_TRUE(info->IsInput());
    SendString(NG_MSG_BTN_INFO_PRESS, "b");
    ShowMinigame(0, "", "probe(reset)");
    Step(0.5f, 2);
    SendString(NG_MSG_BTN_RESET_PRESS, "b");
    Step(0.01f);
    EXPECT_EQ("ng_int_btn_reset:reset;", Probes());
    EXPECT_EQ(std::vector<std::string>{"sfx:ad_reset"}, sounds.played);
    bus.Send(NG_MSG_HIDE_MINIGAME, nullptr);
    EXPECT_FALSE(info->IsInput() || reset->IsInput()); // at once, before the slide ends
    Step(0.5f, 2);
    EXPECT_FALSE(info->IsVisible() || reset->IsVisible());
    EXPECT_NEAR(512 - 683 - 67, info->GetX(), 1e-3f);
    EXPECT_EQ((std::vector<std::string>{"39:info_key", "40"}), sent);
}

TEST_F(HudTest, MapButtonSoundsAndClipsTakeTurns)
{
    nG_BtnMap* map = Add(new nG_BtnMap("ng_btn_map"));
    auto* arrow = static_cast<nE_AnimSprite*>(map->FindChild("ng_btn_map_arrow", false));
    const std::string open = "assets/levels/common/audio/ad_map";
    SendString(NG_MSG_BTN_MAP_HOVER, "b");
    SendString(NG_MSG_BTN_MAP_HOVER, "b"); // hovering again: nothing new
    Step(0.01f);
    EXPECT_EQ("AnimOpen", arrow->GetFunctions()[static_cast<size_t>(arrow->GetCurrent())].name);
    SendString(NG_MSG_BTN_MAP_LEAVE, "b");
    sounds.playing = {open}; // the opening sound still plays: not started again
    SendString(NG_MSG_BTN_MAP_HOVER, "b");
    SendString(NG_MSG_BTN_MAP_LEAVE, "b");
    Step(0.01f);
    EXPECT_EQ("AnimClose", map->GetPending()); // waits for the opening to end
    Step(0.1f, 8);
    EXPECT_EQ("", map->GetPending());
    EXPECT_EQ("AnimClose", arrow->GetFunctions()[static_cast<size_t>(arrow->GetCurrent())].name);
    EXPECT_EQ((std::vector<std::string>{"sfx:ad_map", "sfx:ad_mapclose", "sfx:ad_mapclose"}), sounds.played);
}

TEST_F(HudTest, LockAndCardsRideTheInventory)
{
    Watch({NG_MSG_BTN_LOCK_CHANGED});
    nG_BtnLock* lock = Add(new nG_BtnLock("ng_btn_lock"));
    nG_BtnCard* cards = Add(new nG_BtnCard("ng_btn_card"));
    EXPECT_TRUE(Send<nG_MsgBool>(NG_MSG_GET_BTN_LOCK_VALUE).value);
    // A message (a press, or a set with its value) and the lock after it.
    for (auto [id, value, locked] : {std::tuple{NG_MSG_SET_BTN_LOCK_VALUE, false, false},
                                     {NG_MSG_SET_BTN_LOCK_VALUE, true, true},
                                     {NG_MSG_BTN_LOCK_PRESS, false, false},
                                     {NG_MSG_BTN_LOCK_PRESS, false, true}})
    {
        if (id == NG_MSG_BTN_LOCK_PRESS)
            SendString(id, "ng_btn_lock_lock0");
        else
            SendBool(id, value);
        EXPECT_EQ(locked, Send<nG_MsgBool>(NG_MSG_GET_BTN_LOCK_VALUE).value);
        EXPECT_EQ(locked, lock->FindChild("ng_btn_lock_lock0", false)->IsInput());
    }
    EXPECT_EQ((std::vector<std::string>{"26:0", "26:1"}), sent); // presses send nothing
    Send(NG_MSG_INV_CHANGED, nG_MsgInvChanged{700});
    EXPECT_EQ(694.0f, lock->GetY());
    EXPECT_EQ(639.0f, cards->GetY());
    SendBool(NG_MSG_TASKS_CHANGED, false);
    EXPECT_FALSE(lock->IsInput() || cards->IsInput());
    bus.Send(NG_MSG_ADD_CARD, nullptr);
    bus.Send(NG_MSG_ADD_CARD, nullptr);
    EXPECT_EQ(2, cards->GetCardCount());
    EXPECT_EQ(2, static_cast<nE_AnimSprite*>(cards->FindChild("ng_btn_card_anim", false))->GetFrame());
}

TEST_F(HudTest, CaptionsQueueFadeAndHide)
{
    nG_BlackBarText* bar = Add(new nG_BlackBarText("ng_black_bar"));
    SendString(NG_MSG_BLACK_BAR_TEXT, ""); // nothing shown: no empty bar
    EXPECT_FALSE(bar->IsVisible());
    SendString(NG_MSG_BLACK_BAR_TEXT, "a");
    EXPECT_TRUE(bar->IsVisible() && bar->IsInput());
    Step(0.2f);
    EXPECT_NEAR(0.6f, bar->GetAlpha(), 1e-4f);
    Input(NE_INPUT_MOUSEDOWN, 500, 300); // still fading in: ignored
    EXPECT_EQ(0, bar->GetState());
    SendString(NG_MSG_BLACK_BAR_TEXT, "b"); // "a" fades out first
    Step(0.1f);
    EXPECT_EQ("a", bar->GetCurrent());
    Step(0.1f);
    EXPECT_EQ("b", bar->GetCurrent());
    EXPECT_EQ(0, bar->GetState());
    Step(0.1f, 4);
    SendString(NG_MSG_BLACK_BAR_TEXT, "b"); // the same key stays
    Input(NE_INPUT_MOUSEDOWN, 500, 300);
    EXPECT_EQ(1, bar->GetState());
    SendString(NG_MSG_BLACK_BAR_TEXT, "b"); // and fades back in
    EXPECT_EQ(0, bar->GetState());
    SendString(NG_MSG_BLACK_BAR_TEXT, ""); // hides, nothing follows
    Step(0.1f, 4);
    EXPECT_FALSE(bar->IsVisible() || bar->IsInput() || bar->IsActive());
    EXPECT_EQ("b", bar->GetCurrent());
}

TEST_F(HudTest, SubroomFrameLaysOutAndFollows)
{
    nG_FrameSubroom* frame = Add(new nG_FrameSubroom("ng_frame_subroom"));
    Send(NG_MSG_SUBROOM_FRAME_LAYOUT, nE_Rect{-200, -150, 400, 300});
    const float places[9][3] = {{-172, -122, -98}, {-172, 122, -98}, {172, 122, -98},
                                {164, -131, -98},  {-204, 0, -99},   {204, 0, -99},
                                {0, -153, -99},    {0, 153, -99},    {183, -145, -90}};
    for (int i = 0; i < 9; ++i)
    {
        nE_Object* part = i < 8 ? frame->GetPiece(i) : frame->GetCloseButton();
        EXPECT_EQ(std::vector<float>(places[i], places[i] + 3),
                  (std::vector<float>{part->GetX(), part->GetY(), part->GetZ()}))
            << i;
    }
    EXPECT_EQ(std::make_pair(-1.0f, 69.0f),
              std::make_pair(frame->GetPiece(5)->GetScaleX(), frame->GetPiece(5)->GetScaleY()));
    nE_Object* subroom = AddObject(nullptr, "sub", 512, 384);
    // Alpha, then visible and taking clicks; visible at alpha 1 at once takes clicks too.
    for (auto [alpha, visible, input] : {std::tuple{0.5f, true, false},
                                         {1.0f, true, true},
                                         {0.5f, true, true},
                                         {0.0f, false, false},
                                         {1.0f, true, true}})
    {
        subroom->SetAlpha(alpha);
        subroom->SetScale(alpha, alpha);
        bus.Send(NG_MSG_SUBROOM_FRAME_FOLLOW, subroom);
        EXPECT_EQ(visible, frame->IsVisible()) << alpha;
        EXPECT_EQ(input, frame->IsInput()) << alpha;
        EXPECT_EQ(alpha, frame->GetScaleX());
        EXPECT_EQ(512.0f, frame->GetX());
    }
}
} // namespace
