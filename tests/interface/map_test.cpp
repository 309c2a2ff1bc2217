#include "engine/core/nE_ScriptApi.h"
#include "game/interface/nG_Map.h"
#include "game/interface/nG_MapPopup.h"
#include "widget_fixture.h"

#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::vector<std::string> s_sounds;

struct MapTest : WidgetFixture
{
    std::string dir = testing::TempDir() + "map_test_" + std::to_string(getpid());
    std::string cwd;
    std::vector<std::string> closed; // the flags of 81

    void SetUp() override
    {
        WidgetFixture::SetUp();
        char buffer[4096];
        cwd = getcwd(buffer, sizeof buffer) ? buffer : ".";
        for (const char* sub : {"", "/assets", "/assets/interface", "/assets/interface/map"})
            mkdir((dir + std::string(sub)).c_str(), 0755);
        s_sounds.clear();
        g_scriptMediaHooks.playSound = [](const std::string& name, const std::string& channel, bool, bool,
                                          const std::string&, float)
        { s_sounds.push_back(name.substr(name.rfind('/') + 1) + "@" + channel); };
        Watch({NG_MSG_SCREEN_CLOSED});
        ASSERT_EQ(0, chdir(dir.c_str()));
    }
    void TearDown() override
    {
        g_scriptMediaHooks.playSound = nullptr;
        EXPECT_EQ(0, chdir(cwd.c_str()));
        std::remove((dir + "/assets/interface/map/module.xml").c_str());
        WidgetFixture::TearDown();
    }
    void OnMessage(int id, void* record) override
    {
        if (id == NG_MSG_SCREEN_CLOSED)
            closed.push_back(static_cast<nG_MsgBool*>(record)->value ? "1" : "0");
        else
            WidgetFixture::OnMessage(id, record);
    }
    void WriteModule(bool withMap)
    {
        std::ofstream(dir + "/assets/interface/map/module.xml")
            << "<module><objs><obj name='holder'>" << (withMap ? "<obj name='map'/>" : "<obj name='other'/>")
            << "</obj></objs><trigs>"
               "<trig name='map_init'><code>probe_calls = (probe_calls or '') .. 'init;'</code></trig>"
               "<trig name='map_enter'><code>probe_calls = (probe_calls or '') .. 'enter;'</code></trig>"
               "<trig name='map_close'><code>probe_calls = (probe_calls or '') .. 'close;'</code></trig>"
               "</trigs></module>";
    }
};

TEST_F(MapTest, OpensAndClosesWithTriggersSoundsAndScreenMessages)
{
    WriteModule(true);
    nG_Map* map = Add(new nG_Map("ng_map"));
    nE_Object* content = g_scene->FindObject("map");
    ASSERT_EQ(map->GetHub(), content->GetParent());
    bus.Send(NG_MSG_CLOSE_MAP, nullptr); // toggles: the closed map opens
    EXPECT_EQ(map, content->GetParent());
    Step(0.25f, 2);
    EXPECT_EQ(1.0f, map->GetFade());
    SendString(NG_MSG_MAP_CLOSE_HOVER, "ng_map_close_btn");
    SendString(NG_MSG_MAP_CLOSE_HOVER, "ng_map_close_btn_bottom"); // still inside: no second sound
    SendString(NG_MSG_MAP_CLOSE_LEAVE, "ng_map_close_btn_bottom");
    SendString(NG_MSG_MAP_CLOSE_HOVER, "ng_map_close_btn");
    bus.Send(NG_MSG_CLOSE_MAP, nullptr);
    Step(0.25f);
    EXPECT_EQ(map, content->GetParent()); // still fading out
    Step(0.25f);
    EXPECT_EQ(map->GetHub(), content->GetParent());
    EXPECT_FALSE(map->IsVisible() || map->IsInput() || map->IsActive());
    EXPECT_EQ("init;enter;close;", Probes());
    EXPECT_EQ((std::vector<std::string>{"ad_open_map@sfx", "ad_menu_focus@sfx", "ad_menu_focus@sfx",
                                        "ad_menu_click@sfx"}),
              s_sounds);
    EXPECT_EQ((std::vector<std::string>{"1", "0"}), closed);
    // The bottom button has only its hover image; that layer takes the blend mode.
    EXPECT_EQ(2u, map->FindChild("ng_map_close_btn_bottom_layer_1", true)->GetRenderState().blendMode);
}

TEST_F(MapTest, TheHubGoesWithTheMapAndAModuleWithoutAMapIsReported)
{
    for (bool withMap : {true, false})
    {
        WriteModule(withMap);
        nG_Map* map = Add(new nG_Map("ng_map"));
        EXPECT_EQ(withMap, map->GetContent() != nullptr);
        bus.Send(NG_MSG_CLOSE_MAP, nullptr);
        Step(0.5f);
        delete map;
        EXPECT_EQ(nullptr, g_scene->FindObject("ng_map_hub")) << withMap;
        EXPECT_EQ(nullptr, g_scene->FindObject("map")) << withMap;
    }
}
} // namespace
