#include "engine/scene/nE_SceneTypes.h"
#include "game/interface/nG_CardsScreen.h"
#include "widget_fixture.h"

#include <fstream>

namespace
{
struct CardsTest : WidgetFixture
{
    void SetUp() override
    {
        WidgetFixture::SetUp();
        nE_RegisterSceneObjectTypes();
        EnterScratch("assets/interface/cards");
        WriteModule("cards");
        Watch({NG_MSG_SCREEN_CLOSED});
    }
    void WriteModule(const std::string& object)
    {
        std::ofstream("assets/interface/cards/module.xml")
            << "<module><objs><obj name='holder'><obj name='" << object
            << "'><obj name='page'/></obj></obj></objs>"
            << "<trigs><trig name='cards_init'><code>calls = (calls or '') .. ne_params.sender .. "
               "':init;'</code>"
            << "</trig><trig name='cards_enter'><code>calls = calls .. "
               "'enter;'</code></trig></trigs></module>";
    }
    void Toggle() { bus.Send(NG_MSG_CARDS_SCREEN, nullptr); }
    // Shown or not (visible, active), taking clicks or not, and where the cards hang.
    void ExpectShown(nG_CardsScreen* screen, bool shown, bool input)
    {
        EXPECT_EQ(shown, screen->IsVisible() && screen->IsActive());
        EXPECT_EQ(input, screen->IsInput());
        EXPECT_EQ(shown ? static_cast<nE_Object*>(screen) : screen->GetHub(),
                  screen->GetCards()->GetParent());
    }
};

TEST_F(CardsTest, OpensAndClosesWithFadesAndTurnsBackMidFade)
{
    nG_CardsScreen* screen = Add(new nG_CardsScreen("ng_cards_screen"));
    ASSERT_NE(nullptr, screen->GetCards());
    EXPECT_EQ(g_scene->GetStorage(), screen->GetHub()->GetParent());
    ExpectShown(screen, false, false);
    Toggle(); // opens
    ExpectShown(screen, true, true);
    Step(0.1f, 2);
    Toggle(); // closes from where the fade stands, refusing clicks at once
    EXPECT_EQ((std::vector<std::string>{"81:0"}), sent);
    ExpectShown(screen, true, false);
    Step(0.1f);
    EXPECT_FLOAT_EQ(0.2f, screen->GetAlpha());
    Toggle(); // opens again
    ExpectShown(screen, true, true);
    Step(0.1f, 6);
    Toggle();
    Step(0.1f, 6);
    EXPECT_EQ(0.0f, screen->GetAlpha());
    ExpectShown(screen, false, false);
    EXPECT_EQ((std::vector<std::string>{"81:0", "81:1", "81:0"}), sent); // 1 once per completed opening
    EXPECT_EQ("ng_cards_screen:init;enter;enter;", LuaString("calls"));
    EXPECT_TRUE(logs.empty());
    delete screen; // its hub, away in storage, goes with it, and the cards in the hub
    EXPECT_EQ(nullptr, g_scene->FindObject("ng_cards_screen_hub"));
    EXPECT_EQ(nullptr, g_scene->FindObject("cards"));
}

TEST_F(CardsTest, AModuleWithoutCardsLeavesTheScreenEmpty)
{
    WriteModule("album");
    nG_CardsScreen* screen = Add(new nG_CardsScreen("ng_cards_screen"));
    ASSERT_EQ(1u, logs.size());
    EXPECT_EQ(0u, logs[0].find("Error: the cards module"));
    EXPECT_EQ(nullptr, screen->GetCards());
    Toggle();
    Step(0.1f, 6);
    Toggle();
    Step(0.1f, 6);
    EXPECT_EQ((std::vector<std::string>{"81:1", "81:0"}), sent);
    EXPECT_EQ("", LuaString("calls")); // the module's code is not called for nothing
}

} // namespace
