#include "engine/core/nE_Log.h"
#include "engine/scene/nE_SceneTypes.h"
#include "game/interface/nG_CardsScreen.h"
#include "widget_fixture.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char* const kModule = R"(<module name="cards">
  <objs><obj name="holder"><obj name="%OBJECT%"><obj name="cards_page"/></obj></obj></objs>
  <trigs>
    <trig name="cards_init"><code>cards_calls = (cards_calls or '') .. ne_params.sender .. ':init;'</code></trig>
    <trig name="cards_enter"><code>cards_calls = (cards_calls or '') .. 'enter;'</code></trig>
  </trigs>
</module>)";

struct LogLines : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
};

// Runs in a scratch folder holding the cards module, as a game's working folder would.
struct CardsTest : WidgetFixture
{
    char cwd[PATH_MAX] = {};
    std::string dir;
    LogLines log;

    void SetUp() override
    {
        WidgetFixture::SetUp();
        nE_RegisterSceneObjectTypes();
        char tmpl[] = "/tmp/ne_cards_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
        ASSERT_EQ(0, std::system(("mkdir -p " + dir + "/assets/interface/cards").c_str()));
        ASSERT_EQ(0, chdir(dir.c_str()));
        WriteModule("cards");
        bus.Subscribe(&log, NE_MSG_LOG);
        Watch({NG_MSG_SCREEN_CLOSED});
    }
    void TearDown() override
    {
        WidgetFixture::TearDown();
        EXPECT_EQ(0, chdir(cwd));
        EXPECT_EQ(0, std::system(("rm -rf " + dir).c_str()));
    }
    void WriteModule(const std::string& object)
    {
        std::string text = kModule;
        text.replace(text.find("%OBJECT%"), 8, object);
        std::ofstream("assets/interface/cards/module.xml") << text;
    }
    void Toggle() { bus.Send(NG_MSG_CARDS_SCREEN, nullptr); }
    std::string Calls() const
    {
        lua_State* L = nE_GetLua();
        lua_getglobal(L, "cards_calls");
        std::string calls = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        lua_pop(L, 1);
        return calls;
    }
    // Shown (visible, input, active) and where the cards hang.
    void ExpectShown(nG_CardsScreen* screen, bool shown, bool input)
    {
        EXPECT_EQ(shown, screen->IsVisible());
        EXPECT_EQ(shown, screen->IsActive());
        EXPECT_EQ(input, screen->IsInput());
        EXPECT_EQ(shown ? static_cast<nE_Object*>(screen) : screen->GetHub(), screen->GetCards()->GetParent());
    }
};

TEST_F(CardsTest, OpensAndClosesWithFadesAndTurnsBackMidFade)
{
    nG_CardsScreen* screen = Add(new nG_CardsScreen("ng_cards_screen"));
    ASSERT_NE(nullptr, screen->GetCards());
    EXPECT_EQ(g_scene->GetStorage(), screen->GetHub()->GetParent());
    EXPECT_EQ(10.0f, screen->GetCards()->GetZ());
    ExpectShown(screen, false, false);

    Toggle(); // opens
    ExpectShown(screen, true, true);
    Step(0.1f, 2);
    EXPECT_FLOAT_EQ(0.4f, screen->GetAlpha());
    Toggle(); // closes from where the fade stands, refusing clicks at once
    EXPECT_EQ((std::vector<std::string>{"81:0"}), sent);
    ExpectShown(screen, true, false);
    Step(0.1f);
    EXPECT_FLOAT_EQ(0.2f, screen->GetAlpha());
    Toggle(); // opens again
    ExpectShown(screen, true, true);
    Step(0.1f, 6);
    EXPECT_EQ(1.0f, screen->GetAlpha());
    EXPECT_EQ((std::vector<std::string>{"81:0", "81:1"}), sent); // once per completed opening
    Toggle();
    Step(0.1f, 6);
    EXPECT_EQ(0.0f, screen->GetAlpha());
    ExpectShown(screen, false, false);
    EXPECT_EQ((std::vector<std::string>{"81:0", "81:1", "81:0"}), sent);
    EXPECT_EQ("ng_cards_screen:init;enter;enter;", Calls());
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(CardsTest, AModuleWithoutCardsLeavesTheScreenEmpty)
{
    WriteModule("album");
    nG_CardsScreen* screen = Add(new nG_CardsScreen("ng_cards_screen"));
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("Error: the cards module"));
    EXPECT_EQ(nullptr, screen->GetCards());
    Toggle();
    Step(0.1f, 6);
    Toggle();
    Step(0.1f, 6);
    EXPECT_EQ((std::vector<std::string>{"81:1", "81:0"}), sent);
    EXPECT_EQ("", Calls()); // the module's code is not called for nothing
    EXPECT_EQ(1u, log.lines.size());
}

TEST_F(CardsTest, ItsHubGoesWithTheScreen)
{
    for (bool open : {false, true})
    {
        nG_CardsScreen* screen = Add(new nG_CardsScreen("ng_cards_screen"));
        if (open) Toggle();
        delete screen;
        EXPECT_EQ(nullptr, g_scene->FindObject("ng_cards_screen_hub"));
        EXPECT_EQ(nullptr, g_scene->FindObject("cards"));
    }
}
} // namespace
