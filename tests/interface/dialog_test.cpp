#include "game/interface/nG_CharacterDialog.h"
#include "game/interface/nG_Dialog.h"
#include "game/interface/nG_HoCollector.h"
#include "game/interface/nG_HoDialog.h"
#include "widget_fixture.h"

#include <tuple>

namespace
{
struct DialogTest : WidgetFixture
{
    void SetUp() override
    {
        WidgetFixture::SetUp();
        Watch({NG_MSG_INTERFACE_FADE, NG_MSG_LEVEL_BLUR});
    }
    void Talk(bool show, const std::string& portrait = "", int x = 0, int y = 0)
    {
        Send(NG_MSG_CHARACTER_DIALOG,
             nG_MsgDialog{show, "probe(continue)", "probe(skip)", portrait, "line", x, y});
    }
};

// Clicks count only once the window (or a new line's text) has faded in; the
// portrait is borrowed and given back; a zero position keeps the window's.
TEST_F(DialogTest, CharacterDialogFadesTheHudAndTakesClicksOnlyWhenStill)
{
    nG_CharacterDialog* dialog = Add(new nG_CharacterDialog("ng_character_dlg"));
    nE_Object* window = dialog->FindChild("ng_character_dlg_bg_0", false);
    window->SetPos(500, 600);
    AddObject(nullptr, "portrait", 0, 0);
    Talk(true, "portrait", 0, 300);
    EXPECT_EQ(dialog, g_scene->FindObject("portrait")->GetParent());
    EXPECT_EQ(std::make_pair(500.0f, 600.0f), std::make_pair(window->GetX(), window->GetY()));
    Input(NE_INPUT_MOUSEDOWN, 200, 200); // while fading in
    Step(0.5f);
    Input(NE_INPUT_MOUSEDOWN, 200, 200);
    Input(NE_INPUT_MOUSEDOWN, 934, 36); // the skip button
    Talk(true);                         // a new line: the text fades out and in, clicks wait for it
    Input(NE_INPUT_MOUSEDOWN, 200, 200);
    Step(0.34f);
    EXPECT_EQ("ng_character_dlg:continue;ng_character_dlg:skip;", Probes());
    EXPECT_EQ(nG_CharacterDialog::TEXT_IN, dialog->GetState());
    Talk(false);
    Step(0.5f);
    EXPECT_FALSE(dialog->IsVisible() || dialog->IsInput());
    EXPECT_EQ(g_scene->GetStorage(), g_scene->FindObject("portrait")->GetParent());
    EXPECT_EQ((std::vector<std::string>{"19:0", "19:1"}), sent);
}

// A second line while the window still fades in (a tick later, or in the same
// tick) lets the fade run on: the window ends fully shown with the second line.
TEST_F(DialogTest, CharacterDialogShownAgainWhileFadingInEndsFullyShown)
{
    for (float gap : {0.15f, 0.0f})
    {
        std::unique_ptr<nG_CharacterDialog> dialog(Add(new nG_CharacterDialog("ng_character_dlg")));
        auto* text = static_cast<nE_Text*>(dialog->FindChild("ng_character_dlg_text", true));
        Talk(true);
        Step(gap);
        Send(NG_MSG_CHARACTER_DIALOG, nG_MsgDialog{true, "probe(continue)", "", "", "second", 0, 0});
        Step(0.1f, 6);
        EXPECT_EQ(std::make_tuple(1.0f, 0.0f, 1.0f, std::string("second")),
                  std::make_tuple(dialog->GetAlpha(), dialog->GetTimer(), text->GetAlpha(), text->GetText()))
            << gap;
        ClearProbes();
        Input(NE_INPUT_MOUSEDOWN, 200, 200);
        Step(0.01f);
        EXPECT_EQ("ng_character_dlg:continue;", Probes()) << gap;
        EXPECT_EQ((std::vector<std::string>{"19:0"}), sent) << gap; // the HUD stays faded out
        sent.clear();
    }
}

// The same text again closes it; another text before the first has shown replaces it.
TEST_F(DialogTest, TextDialogKeepsItsMinimumSizeAndLetsClicksThroughOnceClosed)
{
    nG_Dialog* dialog = Add(new nG_Dialog("ng_dialog"));
    dialog->SetZ(5);
    Below(512, 384, 600, 400);
    nG_MsgShowDialog show{"note", 512, 384};
    bus.Send(NG_MSG_SHOW_DIALOG, &show);
    EXPECT_EQ(std::make_pair(300.0f, 94.0f), std::make_pair(dialog->GetBoxWidth(), dialog->GetBoxHeight()));
    Step(0.2f);
    Input(NE_INPUT_MOUSEDOWN, 512, 384); // still fading in: nothing closes
    EXPECT_EQ(nG_Dialog::OPEN, dialog->GetState());
    Step(0.2f);
    Input(NE_INPUT_MOUSEDOWN, 512, 384);
    EXPECT_EQ(nG_Dialog::CLOSING, dialog->GetState());
    Step(0.4f);
    EXPECT_FALSE(dialog->IsInput() || dialog->IsVisible());
    Input(NE_INPUT_MOUSEDOWN, 512, 384);
    Step(0.01f);
    EXPECT_EQ("below:below;below:below;below:below;", Probes());
    bus.Send(NG_MSG_SHOW_DIALOG, &show);
    bus.Send(NG_MSG_SHOW_DIALOG, &show);
    EXPECT_EQ(nG_Dialog::CLOSING, dialog->GetState());
    Step(0.4f);
    bus.Send(NG_MSG_SHOW_DIALOG, &show);
    show.text = "other";
    bus.Send(NG_MSG_SHOW_DIALOG, &show);
    Step(0.01f);
    EXPECT_EQ(nG_Dialog::OPEN, dialog->GetState());
    EXPECT_EQ("other", TextOf(dialog->FindChild("ng_dialog_text", false)));
}

TEST_F(DialogTest, HoDialogRunsOkOnlyWhenShownAndPutsItsObjectBack)
{
    nG_HoDialog* dialog = Add(new nG_HoDialog("ng_ho_dialog"));
    nG_Attach(g_scene->GetStorage(), std::make_unique<nE_Object>("ho_a"));
    nG_Attach(g_scene->GetStorage(), std::make_unique<nE_Object>("ho_b"));
    nG_MsgHoDialog show{"ho_a", "probe(ok)"};
    bus.Send(NG_MSG_HO_DIALOG, &show);
    Step(0.25f);
    Input(NE_INPUT_MOUSEDOWN, 10, 10); // half faded in
    Step(0.25f);
    EXPECT_EQ("ho_a", Send<nG_MsgString>(NG_MSG_GET_HO_DIALOG_OBJECT).value);
    Input(NE_INPUT_MOUSEDOWN, 10, 10);
    Step(0.5f);
    EXPECT_EQ("ng_ho_dialog:ok;", Probes());
    EXPECT_FALSE(Send<nG_MsgBool>(NG_MSG_IS_HO_DIALOG_SHOWN).value);
    EXPECT_EQ(g_scene->GetStorage(), g_scene->FindObject("ho_a")->GetParent());
    show.object = "ho_b";
    bus.Send(NG_MSG_HO_DIALOG, &show);
    EXPECT_EQ(nullptr, dialog->FindChild("ho_a", false));
    EXPECT_EQ((std::vector<std::string>{"78:1", "78:0", "78:1"}), sent);
}

// The room's kept object, collected as its last find, is the dialog's reward:
// the collector's fade on it stops, and it stays shown for as long as the dialog.
TEST_F(DialogTest, HoDialogShowsTheCollectedRewardFully)
{
    nG_HoDialog* dialog = Add(new nG_HoDialog("ng_ho_dialog"));
    nG_HoCollector* collector = Add(new nG_HoCollector("ng_ho_collector"));
    Add(new nG_Tasks("ng_tasks"));
    Send3(NG_MSG_TASKS_COMPLETE_DATA, "room", "trophy", "probe(ok)");
    Send(NG_MSG_ADD_TASK, nG_MsgAddTask{"t_trophy", "room", false, 0});
    nE_ObjectHandle trophy = AddObject(nullptr, "trophy", 300, 300)->GetHandle();
    SendString(NG_MSG_COLLECT_HO_OBJECT, "trophy");
    SendString(NG_MSG_COMPLETE_TASK, "t_trophy");
    for (int i = 0; i < 4; ++i)
    {
        Step(0.5f);
        ASSERT_TRUE(trophy.IsAlive());
        EXPECT_EQ(std::make_tuple(static_cast<nE_Object*>(dialog), 1.0f, true, false),
                  std::make_tuple(trophy.Get()->GetParent(), trophy.Get()->GetAlpha(),
                                  trophy.Get()->IsVisible(), trophy.Get()->IsInput()))
            << i;
    }
    EXPECT_EQ(0u, collector->GetEntryCount());
    EXPECT_EQ("trophy", Send<nG_MsgString>(NG_MSG_GET_HO_DIALOG_OBJECT).value);
}
} // namespace
