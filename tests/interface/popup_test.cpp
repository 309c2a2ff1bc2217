#include "core/recording_render.h"
#include "engine/core/nE_StringTable.h"
#include "game/interface/nG_MapPopup.h"
#include "game/interface/nG_Popup.h"
#include "widget_fixture.h"

#include <fstream>

namespace
{
// Writes down the size of every render target.
struct TargetRender : RecordingRender
{
    std::vector<std::pair<unsigned, unsigned>> targets;
    void BeginRenderTarget(unsigned w, unsigned h) override { targets.push_back({w, h}); }
    ~TargetRender() override { g_currentRender = nullptr; }
};

struct PopupTest : WidgetFixture
{
    TargetRender render;
    nG_Popup* popup = nullptr;

    void SetUp() override
    {
        WidgetFixture::SetUp();
        render.SetScreenSize(1024, 768);
        popup = Add(new nG_Popup("ng_popup"));
    }
    void Show(const std::string& key) { Send(NG_MSG_POPUP, nG_MsgPopup{true, key, false, {}}); }
    std::string Text() { return TextOf(popup->FindChild("ng_popup_text", false)); }
};

// The minimums themselves show in the popup, map popup and dialog cases.
TEST(FramedBox, SizesAreCutMadeEvenThenRaisedToTheMinimum)
{
    EXPECT_EQ((std::vector<int>{82, 82, 120}),
              (std::vector<int>{nG_EvenSize(81, 0), nG_EvenSize(81.9f, 0), nG_EvenSize(120.7f, 80)}));
    EXPECT_EQ(3.0f, nG_ClampMaxMin(5, 10, 3)); // limits the wrong way round: the upper one wins
    EXPECT_EQ(7.0f, nG_ClampMaxMin(7, 3, 10));
}

TEST_F(PopupTest, WaitsOpensOnlyTakesAClickWhenFullyOpenAndLetsItFallThrough)
{
    Below(300, 300, 100, 100);
    s_cursorX = s_cursorY = 300;
    Show("popup_hello");
    EXPECT_EQ(nG_Popup::WAITING, popup->GetState());
    Step(0.3f);
    EXPECT_EQ(nG_Popup::WAITING, popup->GetState());
    Step(0.05f);
    ASSERT_EQ(nG_Popup::OPEN, popup->GetState());
    EXPECT_EQ("popup_hello", Text());
    // An empty text still gets an 80-unit frame; the target has the margins.
    EXPECT_EQ(80, popup->GetFrameWidth());
    ASSERT_EQ(1u, render.targets.size());
    EXPECT_EQ(std::make_pair(130u, 32u), render.targets[0]);
    Step(0.1f);
    Input(NE_INPUT_MOUSEDOWN, 300, 300);
    EXPECT_EQ(nG_Popup::OPEN, popup->GetState()); // still opening
    Step(0.1f);
    EXPECT_EQ(1.0f, popup->GetT());
    Input(NE_INPUT_MOUSEDOWN, 300, 300);
    EXPECT_EQ(nG_Popup::CLOSING, popup->GetState());
    Step(0.2f);
    EXPECT_FALSE(popup->IsVisible() || popup->IsInput());
    Step(0.01f);
    EXPECT_EQ("below:below;below:below;", Probes()); // both clicks reached the object beneath
}

TEST_F(PopupTest, AnotherKeyReopensAfterTheCloseAndTheSameKeyChangesNothing)
{
    Show("popup_a");
    Step(0.35f, 2);
    Show("popup_a");
    EXPECT_EQ(nG_Popup::OPEN, popup->GetState());
    Show("popup_b");
    EXPECT_EQ(nG_Popup::CLOSING, popup->GetState());
    Step(0.2f);
    EXPECT_EQ(nG_Popup::WAITING, popup->GetState());
    Step(0.35f);
    EXPECT_EQ(nG_Popup::OPEN, popup->GetState());
    EXPECT_EQ("popup_b", Text());
    // Hidden by the script: it does not come back.
    Send(NG_MSG_POPUP, nG_MsgPopup{});
    Step(0.2f, 3);
    EXPECT_EQ(nG_Popup::CLOSING, popup->GetState());
    EXPECT_FALSE(popup->IsVisible());
}

TEST_F(PopupTest, StaysInsideTheVisibleAreaOfAWideScreen)
{
    appWidth = 1366; // 171 units beyond each side of the design width
    const struct
    {
        float cx, cy, x, y, endY;
    } cases[] = {
        {1300, 400, 1125, 400, 350}, // 30 units inside the right edge for an 80-unit frame
        {-500, 10, -101, 50, 14},    // left edge; the end point stays 14 units from the top
        {512, 2000, 512, 768, 718},
    };
    for (const auto& c : cases)
    {
        Send(NG_MSG_POPUP, nG_MsgPopup{});
        Step(0.2f);
        s_cursorX = c.cx;
        s_cursorY = c.cy;
        Show("popup_" + std::to_string(c.cx));
        Step(0.35f);
        EXPECT_EQ(c.x, popup->GetStart().x) << c.cx;
        EXPECT_EQ(c.y, popup->GetStart().y) << c.cx;
        EXPECT_EQ(c.endY, popup->GetEnd().y) << c.cx;
    }
}

TEST_F(PopupTest, MapPopupIgnoresTheSameRoomAndDoesNotPileUpItsContent)
{
    nG_MapPopup* map = Add(new nG_MapPopup("ng_map_popup"));
    std::vector<std::string> tasks = {"task_a", "task_b"};
    map->ShowRoom("pic", "room_a", tasks);
    Step(0.35f);
    ASSERT_EQ(nG_Popup::OPEN, map->GetState());
    map->ShowRoom("pic", "room_a", {});
    EXPECT_EQ(nG_Popup::OPEN, map->GetState());
    const int children = map->GetChildCount();
    EXPECT_EQ("p_room_a", TextOf(map->FindChild("ng_map_popup_temp_0", false)));
    map->ShowRoom("pic", "room_b", {});
    Step(0.2f);
    Step(0.35f);
    ASSERT_EQ(nG_Popup::OPEN, map->GetState());
    // No tasks: no header or lines; the temporaries are hidden after the render.
    EXPECT_EQ(children - 2, map->GetChildCount());
    EXPECT_EQ(nullptr, map->FindChild("ng_map_popup_temp_1", false));
    EXPECT_FALSE(map->FindChild("ng_map_popup_temp_0", false)->IsVisible());
    EXPECT_EQ(100, map->GetFrameWidth());
}
// The lines are the tasks' texts, one per task the script names: all three of a
// room with three open tasks, and only the one left once two are done.
TEST_F(PopupTest, MapPopupListsEveryTaskItIsGiven)
{
    EnterScratch("assets");
    std::ofstream("assets/strings.xml") << "<Workbook>"
                                        << "<Row><Cell><Data>t_cup</Data></Cell><Cell><Data>A cup</Data></Cell></Row>"
                                        << "<Row><Cell><Data>t_key</Data></Cell><Cell><Data>A key</Data></Cell></Row>"
                                        << "<Row><Cell><Data>t_pen</Data></Cell><Cell><Data>A pen</Data></Cell></Row>"
                                        << "</Workbook>";
    nE_StringTable table;
    ASSERT_TRUE(table.Load("assets/strings"));
    struct Use
    {
        explicit Use(nE_StringTable* t) { g_stringTable = t; }
        ~Use() { g_stringTable = nullptr; }
    } use(&table);
    nG_MapPopup* map = Add(new nG_MapPopup("ng_map_popup"));
    const struct
    {
        std::vector<std::string> tasks;
        const char* lines;
    } cases[] = {{{"t_cup", "t_key", "t_pen"}, "A cup\nA key\nA pen"}, {{"t_key"}, "A key"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.lines);
        Send(NG_MSG_MAP_POPUP, nG_MsgMapPopup{true, "pic", "attic", &c.tasks});
        Step(0.35f);
        ASSERT_EQ(nG_Popup::OPEN, map->GetState());
        EXPECT_EQ("interface_map_tasks_header", TextOf(map->FindChild("ng_map_popup_temp_3", false)));
        EXPECT_EQ(c.lines, TextOf(map->FindChild("ng_map_popup_temp_1", false)));
        Send(NG_MSG_MAP_POPUP, nG_MsgMapPopup{}); // the pointer leaves the room's mark
        Step(0.2f);
    }
}

} // namespace
