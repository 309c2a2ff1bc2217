#include "engine/scene/nE_Engine.h"
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
        nE_RegisterEngineKinds();
        EnterScratch("assets/interface/cards");
        Watch({NG_MSG_SCREEN_CLOSED});
    }
    nG_CardsScreen* Open(const std::string& object)
    {
        std::ofstream("assets/interface/cards/module.xml")
            << "<module><objs><obj name='holder'><obj name='" << object
            << "'><obj name='page'/></obj></obj></objs>"
            << "<trigs><trig name='cards_init'><code>calls = (calls or '') .. ne_params.sender .. "
               "':init;'</code>"
            << "</trig><trig name='cards_enter'><code>calls = calls .. "
               "'enter;'</code></trig></trigs></module>";
        return Add(new nG_CardsScreen("ng_cards_screen"));
    }
    void Toggle() { bus.Send(NG_MSG_CARDS_SCREEN, nullptr); }
};

// A toggle mid-fade turns back from where the fade stands; clicks are refused
// at once on closing; 1 is sent once per completed opening.
TEST_F(CardsTest, OpensAndClosesWithFadesAndTurnsBackMidFade)
{
    nG_CardsScreen* screen = Open("cards");
    ASSERT_NE(nullptr, screen->GetCards());
    EXPECT_EQ(g_scene->GetStorage(), screen->GetHub()->GetParent());
    EXPECT_FALSE(screen->IsVisible() || screen->IsInput());
    Toggle();
    EXPECT_TRUE(screen->IsVisible() && screen->IsActive() && screen->IsInput());
    EXPECT_EQ(screen, screen->GetCards()->GetParent());
    Step(0.1f, 2);
    Toggle();
    EXPECT_FALSE(screen->IsInput());
    EXPECT_EQ(1u, sent.size()); // the close is announced at once
    Step(0.1f);
    EXPECT_FLOAT_EQ(0.2f, screen->GetAlpha());
    Toggle();
    EXPECT_TRUE(screen->IsInput());
    Step(0.1f, 6);
    Toggle();
    Step(0.1f, 6);
    EXPECT_FALSE(screen->IsVisible() || screen->IsActive() || screen->IsInput());
    EXPECT_EQ(screen->GetHub(), screen->GetCards()->GetParent());
    EXPECT_EQ((std::vector<std::string>{"81:0", "81:1", "81:0"}), sent);
    EXPECT_EQ("ng_cards_screen:init;enter;enter;", LuaString("calls"));
    EXPECT_TRUE(logs.empty());
    delete screen; // its hub, away in storage, goes with it, and the cards in the hub
    EXPECT_EQ(nullptr, g_scene->FindObject("ng_cards_screen_hub"));
    EXPECT_EQ(nullptr, g_scene->FindObject("cards"));
}

TEST_F(CardsTest, AModuleWithoutCardsLeavesTheScreenEmpty)
{
    nG_CardsScreen* screen = Open("album");
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
