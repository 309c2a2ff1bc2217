#include "game/interface/nG_Map.h"
#include "widget_fixture.h"

#include <fstream>

namespace
{
struct MapTest : WidgetFixture
{
    void SetUp() override
    {
        WidgetFixture::SetUp();
        EnterScratch("assets/interface/map");
        Watch({NG_MSG_SCREEN_CLOSED});
    }
    void WriteModule(bool withMap)
    {
        std::ofstream("assets/interface/map/module.xml")
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
    EXPECT_EQ((std::vector<std::string>{"sfx:ad_open_map", "sfx:ad_menu_focus", "sfx:ad_menu_focus",
                                        "sfx:ad_menu_click"}),
              sounds.played);
    EXPECT_EQ((std::vector<std::string>{"81:1", "81:0"}), sent);
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
