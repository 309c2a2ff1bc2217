#include "game/interface/nG_ModalWindow.h"
#include "widget_fixture.h"

#include <fstream>

namespace
{
struct ModalTest : WidgetFixture
{
    nG_ModalWindow* holder = nullptr;
    std::string module;

    void SetUp() override
    {
        WidgetFixture::SetUp();
        module = MakeScratch() + "/modal_windows";
        std::ofstream(module + ".xml") << "<module><objs><obj name='modal_holder'>"
                                          "<obj name='settings'/><obj name='help'/></obj></objs></module>";
        holder = Add(new nG_ModalWindow("ng_modalwindow"));
        holder->SetZ(10);
        g_triggerManager->AddTrigger(std::unique_ptr<nE_Trigger>(
            new nE_Trigger("ng_modalwindow_click", "probe_calls = (probe_calls or '') .. 'click;'")));
    }
    void ShowWindow(const std::string& object, const std::string& code, bool blocking = true)
    {
        Send(NG_MSG_SHOW_MODAL_WINDOW, nG_MsgThreeStrings{module, object, code, blocking});
    }
    float Z(const std::string& name) { return holder->FindChild(name, false)->GetZ(); }
};

TEST_F(ModalTest, WindowsStackByZAndTheLastClosedHidesTheHolder)
{
    // Not there even after loading, or no such module: nothing shown, one line per name.
    const std::string nomodule = module + "_missing";
    for (int twice = 0; twice < 2; ++twice)
    {
        ShowWindow("nowhere", "probe(x)");
        Send(NG_MSG_SHOW_MODAL_WINDOW, nG_MsgThreeStrings{nomodule, "lost", "probe(y)", true});
    }
    EXPECT_FALSE(holder->IsVisible() || holder->IsInput());
    EXPECT_EQ((std::vector<std::string>{
                  "Warning: ShowModalWindow: no window object named \"nowhere\" (nor in module \"" + module +
                      "\"); nothing is shown",
                  "Warning: ShowModalWindow: no module file \"" + nomodule + ".xml\"; nothing is loaded",
                  "Warning: ShowModalWindow: no window object named \"lost\" (nor in module \"" + nomodule +
                      "\"); nothing is shown"}),
              logs);
    ShowWindow("settings", "probe(settings)");
    ShowWindow("help", "probe(help)");
    EXPECT_EQ(std::make_pair(0.0f, 1.0f), std::make_pair(Z("settings"), Z("help")));
    ShowWindow("settings", "probe(again)"); // already shown: to the top, its code again
    EXPECT_EQ(2.0f, Z("settings"));
    Step(0.01f);
    EXPECT_EQ("ng_modalwindow:settings;ng_modalwindow:help;ng_modalwindow:again;", Probes());

    SendString(NG_MSG_CLOSE_MODAL_WINDOW, "no_such_window");
    SendString(NG_MSG_CLOSE_MODAL_WINDOW, "help");
    EXPECT_TRUE(holder->IsVisible());
    EXPECT_EQ(g_scene->GetStorage(), g_scene->FindObject("help")->GetParent());
    SendString(NG_MSG_CLOSE_MODAL_WINDOW, "settings");
    EXPECT_FALSE(holder->IsVisible() || holder->IsInput() || holder->IsActive());
}

TEST_F(ModalTest, BlockingTakesEveryClickAndEachClickIsReported)
{
    Below(100, 100);
    for (bool blocking : {true, false})
    {
        ClearProbes();
        ShowWindow("settings", "", blocking);
        Input(NE_INPUT_MOUSEDOWN, 100, 100);
        Step(0.01f);
        EXPECT_EQ(blocking ? "click;" : "click;below:below;", Probes()) << blocking;
    }
}
} // namespace
