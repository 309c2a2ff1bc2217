#include "game/interface/nG_BtnHint.h"
#include "game/interface/nG_InterfButton.h"
#include "widget_fixture.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

namespace
{
struct HintTest : WidgetFixture
{
    nG_BtnSkip* skip = nullptr;
    nG_BtnHint* hint = nullptr;
    bool tasksShown = true;      // answer of 102
    std::string task = "t_vase"; // answer of 114

    void SetUp() override
    {
        WidgetFixture::SetUp();
        Watch({NG_MSG_GET_TASKS_STATE, NG_MSG_GET_HINT_TASK});
        AddProbe("ng_show_hint");
        skip = Add(new nG_BtnSkip("ng_int_btn_skip")); // built first, as in the interface
        hint = Add(new nG_BtnHint("ng_int_btn_hint"));
    }
    void OnMessage(int id, void* record) override
    {
        if (id == NG_MSG_GET_TASKS_STATE)
            static_cast<nG_MsgBool*>(record)->value = tasksShown;
        else if (id == NG_MSG_GET_HINT_TASK)
            static_cast<nG_MsgString*>(record)->value = task;
        else
            WidgetFixture::OnMessage(id, record);
    }
    void Mode(int mode) { SendInt(NG_MSG_GAME_MODE, mode); }
    void Press() { SendString(NG_MSG_BTN_HINT_PRESS, "ng_int_btn_hint_b"); }
    float Query(int id) { return Send<nG_MsgFloat>(id).value; }
};

TEST_F(HintTest, RechargeKeepsItsFractionWhenTheModeChanges)
{
    // Mode while the first half of the charge runs down and for the second; seconds for each half.
    for (auto [before, after, halfway, rest] : {std::tuple{0, 0, 20, 20}, {0, 1, 20, 30}, {1, 0, 30, 20}})
    {
        Mode(before);
        Press();
        EXPECT_EQ(1, hint->GetState());
        EXPECT_EQ(nG_InterfButton::STATE_DISABLED, hint->GetButton()->GetState());
        Step(0.5f, halfway * 2);
        EXPECT_NEAR(0.5f, Query(NG_MSG_GET_HINT_TIMER), 1e-3f);
        Mode(after);
        EXPECT_NEAR(0.5f, hint->GetCharge(), 1e-3f);
        Step(0.5f, rest * 2 - 1);
        EXPECT_EQ(1, hint->GetState());
        Step(0.6f);
        EXPECT_EQ(0, hint->GetState());
        EXPECT_EQ(0.0f, hint->GetCharge());
        EXPECT_NE(nG_InterfButton::STATE_DISABLED, hint->GetButton()->GetState());
        // A charge animation without frames is left as it is.
        EXPECT_EQ(1.0f, hint->FindChild("ng_int_btn_hint_anim_1", true)->GetAlpha());
    }
}

TEST_F(HintTest, GlowsSitOnTheTargetsAndFade)
{
    WideHud();
    room = AddObject(g_scene->GetOrigin(), "room", 40, 30);
    room->SetScale(2, 2);
    // The task, whether the list is shown, the mode, and the glows in order; none: "ng_show_hint" is posted.
    const struct Case
    {
        std::string task;
        bool shown;
        int mode;
        std::vector<std::string> glows;
    } cases[] = {{"t_vase", true, 0, {"vase", "vase_blue"}},
                 {"t_coin", true, 0, {"coin", "coin_mul0"}},
                 {"t_vase", false, 0, {}},
                 {"t_vase", true, 2, {}},
                 {"t_lamp", true, 0, {}},
                 {"", true, 0, {}}};
    for (const char* name : {"vase", "coin", "coin_mul0", "vase_blue", "coin_mul1", "vase_off"})
        AddObject(room, name, std::strlen(name) * 10.0f, 5.0f * std::strlen(name));
    room->FindChild("vase_off", false)->SetInput(false);
    for (const Case& c : cases)
    {
        task = c.task;
        tasksShown = c.shown;
        Mode(c.mode);
        ClearProbes();
        Press();
        Step(0.01f);
        EXPECT_EQ(c.mode < 2 ? 1 : 0, hint->GetState());
        EXPECT_EQ(c.glows.size(), hint->GetEffectCount()) << c.task;
        EXPECT_EQ(c.glows.empty() ? "ng_int_btn_hint:nil;" : "", Probes());
        for (const std::string& target : c.glows)
        {
            nE_Object* glow = hint->FindChild("ng_int_btn_hint_eff" + target + "_eff_2", true);
            ASSERT_NE(nullptr, glow) << target;
            nE_Vec3 a = WorldPos(glow), b = WorldPos(room->FindChild(target, false));
            EXPECT_TRUE(std::abs(a.x - b.x) < 0.01f && std::abs(a.y - b.y) < 0.01f) << target;
        }
        EXPECT_EQ(std::vector<std::string>{"sfx:ad_hint"}, sounds.played);
        sounds.played.clear();
        bus.Send(NG_MSG_CHEAT_HINT, nullptr);
        Step(0.5f, 7);
    }
    // Glows end by themselves after three seconds, or fade within a third of a
    // second on a room switch (not on a subroom): subroom, seconds, glows left.
    const std::tuple<bool, float, size_t> lives[] = {
        {true, 0.4f, 2}, {false, 0.4f, 0}, {true, 2.9f, 2}, {true, 3.1f, 0}};
    task = "t_vase";
    for (auto [subroom, seconds, left] : lives)
    {
        Press();
        nG_MsgSwitchRoom record;
        record.subroom = subroom;
        bus.Send(NG_MSG_SWITCH_ROOM, &record);
        Step(0.05f, static_cast<int>(seconds / 0.05f + 0.5f));
        EXPECT_EQ(left, hint->GetEffectCount()) << seconds;
        Step(0.5f, 8);
        bus.Send(NG_MSG_CHEAT_HINT, nullptr);
    }
}

TEST_F(HintTest, SkipStartsHiddenFadesInAndCharges)
{
    EXPECT_FALSE(skip->IsVisible() || skip->IsActive() || skip->IsInput());
    Step(0.5f);             // the hint's own fade in
    ShowMinigame(0.5f, ""); // no code: stays hidden
    EXPECT_FALSE(skip->IsVisible());
    ShowMinigame(0.5f, "probe(skipped)");
    EXPECT_TRUE(skip->IsVisible() && skip->IsActive());
    Step(0.5f);
    EXPECT_NEAR(0.6f, skip->GetLevel(), 1e-4f);
    EXPECT_NEAR(0.4f, hint->GetHolder()->GetAlpha(), 1e-4f); // the hint fades out as the skip fades in
    EXPECT_FALSE(skip->IsInput());
    EXPECT_EQ(0.5f, Query(NG_MSG_GET_SKIP_TIMER)); // falls only once fully shown
    Step(0.5f);
    EXPECT_TRUE(skip->IsInput());
    EXPECT_EQ(nG_InterfButton::STATE_DISABLED, skip->GetButton()->GetState());
    Step(0.5f, 39);
    EXPECT_GT(skip->GetCharge(), 0.0f);
    Step(0.5f);
    EXPECT_EQ(0.0f, skip->GetCharge());
    EXPECT_NE(nG_InterfButton::STATE_DISABLED, skip->GetButton()->GetState());
    SendString(NG_MSG_BTN_SKIP_PRESS, "ng_int_btn_skip_b"); // its code runs: the whole-game run shows it
    EXPECT_EQ(std::vector<std::string>{"sfx:ad_skip"}, sounds.played);
    bus.Send(NG_MSG_HIDE_MINIGAME, nullptr);
    EXPECT_EQ("", skip->GetCode());
    Step(0.5f, 2);
    EXPECT_FALSE(skip->IsVisible() || skip->IsActive() || skip->IsInput());
    EXPECT_EQ(1.0f, hint->GetHolder()->GetAlpha());
}

TEST_F(HintTest, ChargesFromScriptsAreKeptBetweenZeroAndOne)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Given, kept, and the hint's state after.
    const std::tuple<float, float, int> cases[] = {
        {0.25f, 0.25f, 1}, {7, 1, 1}, {-3, 0, 0}, {nan, 0, 0}, {0, 0, 0}};
    for (auto [given, charge, hintState] : cases)
    {
        Send(NG_MSG_SET_HINT_TIMER, nG_MsgFloat{given});
        EXPECT_EQ(charge, Query(NG_MSG_GET_HINT_TIMER)) << given;
        EXPECT_EQ(hintState, hint->GetState()) << given;
        ShowMinigame(given, "probe()");
        EXPECT_EQ(charge, Query(NG_MSG_GET_SKIP_TIMER)) << given;
    }
}
} // namespace
