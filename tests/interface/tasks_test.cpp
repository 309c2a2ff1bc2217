#include "game/interface/nG_Tasks.h"
#include "widget_fixture.h"

namespace
{
struct TasksTest : WidgetFixture
{
    nG_Tasks* tasks = nullptr;
    nE_Object roomA{"room_a"}, roomB{"room_b"};

    void SetUp() override
    {
        WidgetFixture::SetUp();
        tasks = Add(new nG_Tasks("ng_tasks"));
        room = &roomA;
        Watch({NG_MSG_TASKS_CHANGED, NG_MSG_HO_DIALOG});
    }
    void AddTask(const std::string& key, const std::string& in, int count = 0)
    {
        Send(NG_MSG_ADD_TASK, nG_MsgAddTask{key, in, false, count});
    }
    // One drawn frame and one tick.
    void Tick(float dt = 0.1f, int n = 1)
    {
        for (int i = 0; i < n; ++i)
        {
            nG_Tasks::s_drawn = true;
            Step(dt);
        }
    }
    std::string Hint() { return Send(NG_MSG_GET_HINT_TASK, nG_MsgString{"unset"}).value; }
};

TEST_F(TasksTest, CountsStepDownThenStrikeThroughAndTheRoomEndsOnce)
{
    struct Case
    {
        int count;
        std::vector<std::string> texts; // after each completion
    } cases[] = {
        {3, {"interface_tasks_count", "t_vase", ""}},
        {0, {""}},  // no count given: one find
        {-2, {""}}, // a bad count too
    };
    for (const Case& c : cases)
    {
        sent.clear();
        Send3(NG_MSG_TASKS_COMPLETE_DATA, "room_a", "dlg", "done()");
        AddTask("t_vase", "room_a", c.count);
        AddTask("t_cup", "room_a");
        Tick(0.1f, 12);
        nG_Task* line = tasks->FindLine("room_a", "t_vase");
        ASSERT_NE(nullptr, line);
        EXPECT_TRUE(line->IsVisible());
        SendString(NG_MSG_COMPLETE_TASK, "t_cup");
        for (const std::string& text : c.texts)
        {
            EXPECT_FALSE(line->completed);
            SendString(NG_MSG_COMPLETE_TASK, "t_vase");
            EXPECT_TRUE(text.empty() || text == line->GetText()) << line->GetText();
        }
        EXPECT_TRUE(line->completed) << c.count;
        EXPECT_EQ((std::vector<std::string>{"23:0", "23:1", "46:dlg,done()"}), sent) << c.count;
        // A second completion of a struck line: no flash, no second room end.
        nE_Object* effect = tasks->FindChild("ng_tasks_effect", false);
        effect->StopAnimate(NE_TWEEN_ALPHA);
        SendString(NG_MSG_COMPLETE_TASK, "t_vase");
        EXPECT_EQ(3u, sent.size());
        EXPECT_EQ(2, effect->GetTweenCount());
        Tick(0.1f, 20); // slides away and the done room is cleaned up
        EXPECT_EQ(nullptr, tasks->FindLine("room_a", "t_vase"));
        EXPECT_FALSE(tasks->IsVisible());
    }
}

TEST_F(TasksTest, OnlyTheCurrentRoomsLinesShow)
{
    AddTask("t_a1", "room_a");
    AddTask("t_b1", "room_b");
    Tick();
    EXPECT_TRUE(tasks->FindLine("room_a", "t_a1")->IsVisible());
    EXPECT_FALSE(tasks->FindLine("room_b", "t_b1")->IsVisible());

    room = &roomB; // straight from one room with tasks to another
    Tick();
    EXPECT_FALSE(tasks->FindLine("room_a", "t_a1")->IsVisible());
    EXPECT_TRUE(tasks->FindLine("room_b", "t_b1")->IsVisible());
    AddTask("t_a2", "room_a"); // added while another room shows
    AddTask("t_b2", "room_b");
    EXPECT_FALSE(tasks->FindLine("room_a", "t_a2")->IsVisible());
    EXPECT_TRUE(tasks->FindLine("room_b", "t_b2")->IsVisible());
    EXPECT_EQ(0, tasks->GetState());
    EXPECT_EQ((std::vector<std::string>{"23:0"}), sent);

    room = nullptr; // no room: the panel hides
    Tick();
    EXPECT_EQ(1, tasks->GetState());
    room = &roomA;
    Tick();
    EXPECT_TRUE(tasks->FindLine("room_a", "t_a2")->IsVisible());
    EXPECT_FALSE(tasks->FindLine("room_b", "t_b2")->IsVisible());
}

TEST_F(TasksTest, HintAndRandomCheatWithoutAnOpenLine)
{
    EXPECT_EQ("", Hint()); // no lines at all
    AddTask("t_vase", "room_a");
    AddTask("t_cup", "room_a");
    nE_Object* cup = AddObject(nullptr, "cup", 10, 10);
    cup->SetEventCode(NE_EVENT_MDOWN, "probe(cup)");
    Tick(0.1f, 12); // fully up: the cheats work
    std::string hint = Hint();
    EXPECT_TRUE(hint == "t_vase" || hint == "t_cup") << hint;
    SendString(NG_MSG_COMPLETE_TASK, "t_vase");
    EXPECT_EQ("t_cup", Hint());
    bus.Send(NG_MSG_CHEAT_COLLECT_RANDOM_TASK, nullptr);
    EXPECT_EQ("cup:cup;", Probes()); // the only open line's object was clicked
    SendString(NG_MSG_COMPLETE_TASK, "t_cup");
    EXPECT_EQ("", Hint());
    bus.Send(NG_MSG_CHEAT_COLLECT_RANDOM_TASK, nullptr);
    EXPECT_EQ("cup:cup;", Probes());
}
} // namespace
