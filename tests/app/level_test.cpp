#include "game/app/nG_Level.h"

#include "engine/scene/nE_Sprite.h"
#include "game/app/nG_CheatHighlight.h"
#include "game/interface/nG_InterfButton.h"
#include "tests/app/level_fixture.h"

using namespace level_test;

namespace
{
struct LevelTest : LevelFixtureBase
{
    nG_Level* level = nullptr;

    void SetUp() override
    {
        LevelFixtureBase::SetUp();
        MakeProfiles();
    }
    void StartLevel()
    {
        auto owned = std::make_unique<nG_Level>(modulePath, "start()");
        level = owned.get();
        g_scene->AttachObject(g_scene->GetOrigin(), std::move(owned));
    }
    // Started, the first room open and its open trigger run.
    void StartAndSettle()
    {
        StartLevel();
        Ticks(2);
        Log();
    }
    nG_Room* Room(const std::string& name) { return dynamic_cast<nG_Room*>(g_scene->FindObject(name)); }
    nG_SubRoom* Sub(const std::string& name) { return dynamic_cast<nG_SubRoom*>(g_scene->FindObject(name)); }
    nE_Object* CurrentRoomQuery()
    {
        nG_MsgObject msg;
        return bus.Send(NG_MSG_GET_CURRENT_ROOM, &msg), msg.object;
    }
    bool IsStarting()
    {
        nG_MsgBool msg;
        return bus.Send(NG_MSG_IS_LEVEL_STARTING, &msg), msg.value;
    }
    // Opens (or with `close`, closes) a subroom without animation.
    void SendSubroom(const std::string& room, bool close = false)
    {
        nG_MsgSwitchRoom msg;
        msg.subroom = true, msg.close = close, msg.room = room, msg.animated = false;
        bus.Send(NG_MSG_SWITCH_ROOM, &msg);
    }
};

// The start itself is the whole-game tests'; here what they cannot see.
TEST_F(LevelTest, StartsInTheFirstTickAndGatesInputWhileRoomsSwitch)
{
    StartLevel();
    EXPECT_TRUE(IsStarting());
    Tick();
    EXPECT_EQ("start:ng_level,preopen:room_a", Log()); // "trg_preopen" at once
    EXPECT_TRUE(IsStarting());
    Tick();
    EXPECT_EQ("open:room_a", Log()); // queued when the room opened
    EXPECT_FALSE(IsStarting());

    nG_Room* a = Room("room_a");
    nG_Room* b = Room("room_b");
    Lua("SwitchRoom('room_b')");
    EXPECT_EQ("preclose:room_a,preopen:room_b", Log()); // both at once
    EXPECT_FALSE(level->IsInput());
    EXPECT_EQ(std::make_pair(1.0f, 0.0f), std::make_pair(b->GetZ(), a->GetZ())); // the new room on top
    Click(50.0f, 50.0f); // swallowed while the switch runs
    // The closing room was drawn already and counts from the first tick; the
    // opening one waits for its first frame. 0.6 s is five steps of 0.125.
    Ticks(5);
    EXPECT_EQ(std::make_pair(int(NG_ROOM_CLOSED), int(NG_ROOM_OPENING)),
              std::make_pair(a->GetRoomState(), b->GetRoomState()));
    Tick();
    EXPECT_EQ("close:room_a", Log());
    EXPECT_EQ(std::make_pair(level->GetRoomsHub(), (nG_Room*)nullptr),
              std::make_pair(a->GetParent(), level->GetPreviousRoom()));
    EXPECT_FALSE(level->IsInput()); // the level looked before the room finished
    Tick();
    EXPECT_EQ("open:room_b", Log());
    Click(50.0f, 50.0f);
    Tick();
    EXPECT_EQ("click:b_button", Log());
}

TEST_F(LevelTest, AutoSaveWritesGameDataOnEverySwitchButNeverWithoutAProfile)
{
    StartAndSettle();
    Lua("SetAutoSave(1) ng_global.score = 5 SwitchRoom('room_b', 0)");
    EXPECT_TRUE(level->IsAutoSave());
    EXPECT_FALSE(AnyFileStartingWith("p_"));

    ASSERT_TRUE(profiles->Add("player"));
    ASSERT_TRUE(profiles->SetCurrent("player"));
    Lua("SwitchRoom('nowhere')"); // saved even when the room is not found
    ASSERT_TRUE(Exists("p_player.xml"));
    EXPECT_NE(std::string::npos, OnDisk("p_player.xml").find("score"));

    std::filesystem::remove(user + "/p_player.xml");
    Lua("SetAutoSave(0) SwitchRoom('room_a', 0)");
    EXPECT_FALSE(Exists("p_player.xml"));
}

// Opening, the blurred backdrop and closing are the whole-game tests'; here
// the input and the overlay's target on the way.
TEST_F(LevelTest, SubroomTakesTheInputAndClosesByTheButtonOnly)
{
    StartAndSettle();
    nG_Room* a = Room("room_a");
    nG_SubRoom* sub = Sub("sub_c");
    Lua("OpenSubRoom('sub_c')");
    EXPECT_EQ(sub, CurrentRoomQuery());
    EXPECT_EQ(sub, level->GetCheatHighlight()->GetTarget());
    EXPECT_FALSE(a->IsInput() || a->IsActive() || level->IsInput());
    Ticks(2); // the zoom starts counting at the first frame
    EXPECT_FLOAT_EQ(nG_RoomEase(100.0f, 512.0f, 0.125f / 0.6f), sub->GetX());
    Ticks(5);
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    EXPECT_TRUE(level->IsInput());
    Log();

    Click(600.0f, 420.0f); // on the subroom: stays open
    Tick();
    EXPECT_EQ(NG_ROOM_OPEN, sub->GetRoomState());
    // Beside it the pointer shows the way back out.
    auto* close = dynamic_cast<nG_InterfButton*>(level->GetCloseButton());
    ASSERT_NE(nullptr, close);
    EXPECT_EQ(6, close->hoverCursor);
    Click(50.0f, 50.0f); // anywhere else: the full-screen button closes it
    EXPECT_EQ("preclose:sub_c", Log());
    EXPECT_EQ(a, level->GetCheatHighlight()->GetTarget());
    Ticks(6); // closed in the fifth, put away by the level in the sixth
    EXPECT_EQ(std::make_pair((nG_SubRoom*)nullptr, level->GetRoomsHub()),
              std::make_pair(level->GetOpenSubRoom(), sub->GetParent()));
    EXPECT_FALSE(level->GetCloseButton()->IsInput() || level->GetBlurSprite()->IsVisible());
    EXPECT_TRUE(a->IsInput() && a->IsActive());
}

TEST_F(LevelTest, SwitchingRoomsUnderABlockedSubroomStillClosesTheOldRoom)
{
    StartAndSettle();
    SendSubroom("sub_c");
    Lua("BlockSubRoomClose(1) SwitchRoom('room_b')");
    nG_Room* a = Room("room_a");
    EXPECT_EQ(NG_ROOM_CLOSING, a->GetRoomState());
    EXPECT_EQ(Sub("sub_c"), level->GetOpenSubRoom()); // blocked: stays
    Ticks(8);
    EXPECT_EQ(std::make_tuple(int(NG_ROOM_CLOSED), (nE_Object*)level->GetRoomsHub(), (nG_Room*)nullptr),
              std::make_tuple(a->GetRoomState(), a->GetParent(), level->GetPreviousRoom()));
    EXPECT_TRUE(level->IsInput());

    Lua("BlockSubRoomClose(0)");
    SendSubroom("", true);
    EXPECT_TRUE(Room("room_b")->IsInput() && Room("room_b")->IsActive());
}

// Another subroom opens only when the one in view may close (not blocked,
// fully open); asking again for the open one replays nothing.
TEST_F(LevelTest, OpeningASubroomOverAnotherClosesTheFirstOnlyWhenItMay)
{
    StartAndSettle();
    SendSubroom("sub_c");
    EXPECT_EQ("preopen:sub_c", Log());
    for (const char* refusal : {"", "BlockSubRoomClose(1)", "BlockSubRoomClose(0) CloseSubRoom()"})
    {
        Lua(refusal);
        SendSubroom(*refusal ? "sub_d" : "sub_c");
        EXPECT_EQ(Sub("sub_c"), level->GetOpenSubRoom()) << refusal;
    }
    EXPECT_EQ("preclose:sub_c", Log()); // from CloseSubRoom only
    EXPECT_EQ(2, log.CountStartingWith("Warning: subroom sub_d is not opened"));
    EXPECT_EQ(level->GetRoomsHub(), Sub("sub_d")->GetParent());

    Ticks(6);
    SendSubroom("sub_c");
    SendSubroom("sub_d");
    EXPECT_EQ(Sub("sub_d"), level->GetOpenSubRoom());
    EXPECT_EQ(NG_ROOM_CLOSED, Sub("sub_c")->GetRoomState());
    EXPECT_EQ(std::make_pair((nE_Object*)level->GetRoomsHub(), (nE_Object*)level->GetInnerScene()),
              std::make_pair(Sub("sub_c")->GetParent(), Sub("sub_d")->GetParent()));
    EXPECT_TRUE(level->IsCaptureBlur() && level->GetCloseButton()->IsInput());
    EXPECT_FALSE(Room("room_a")->IsInput());
}

TEST_F(LevelTest, BlurMessageCapturesAndPauseMessageFreezesOnlyTheRooms)
{
    StartAndSettle();
    render->targets.clear();
    nG_MsgBool on;
    on.value = true;
    bus.Send(NG_MSG_LEVEL_BLUR, &on);
    EXPECT_TRUE(level->IsCaptureBlur());
    EXPECT_EQ(1u, render->targets.size());

    Lua("PauseLevel(1)");
    EXPECT_FALSE(level->GetInnerScene()->IsActive());
    EXPECT_TRUE(level->IsInput());
    Lua("SwitchRoom('room_b')");
    Ticks(10);
    EXPECT_EQ(NG_ROOM_OPENING, Room("room_b")->GetRoomState()); // frozen
    Lua("PauseLevel(0)");
    Ticks(7);
    EXPECT_EQ(NG_ROOM_OPEN, Room("room_b")->GetRoomState());
}

TEST_F(LevelTest, RoomsDeletedByScriptsLeaveNoDanglingPointers)
{
    StartAndSettle();
    SendSubroom("sub_c");
    delete Sub("sub_c");
    delete Room("room_a");
    EXPECT_EQ(nullptr, CurrentRoomQuery());
    Tick();
    level->CaptureBlur(); // no room to draw: nothing breaks
    Lua("CloseSubRoom() SwitchRoom('room_b', 0)");
    EXPECT_EQ(Room("room_b"), CurrentRoomQuery());
    Ticks(2);
    EXPECT_TRUE(level->IsInput());
}

// The full table of who is a cheater is the overlay's test.
TEST_F(LevelTest, CheatKeysNeedBothTheFlagAndTheCheatProfile)
{
    for (int id : {NG_MSG_CHEAT_HINT, NG_MSG_CHEAT_SKIP, NG_MSG_CHEAT_COLLECT_TASKS, NG_MSG_CHEAT_HIGHLIGHT,
                   NG_MSG_CHEAT_COLLECT_RANDOM_TASK})
        bus.Subscribe(&recorder, id);
    ASSERT_TRUE(profiles->Add("ZavoZez") && profiles->Add("player"));
    StartAndSettle();
    const uint32_t keys[] = {13, 9, 'h', 'H', 's', 'S', 32, 'X'};
    for (auto c : {std::make_pair(false, "ZavoZez"), std::make_pair(true, "player"), std::make_pair(true, "ZavoZez")})
    {
        config.SetCheatMode(c.first);
        ASSERT_TRUE(profiles->SetCurrent(c.second));
        for (uint32_t key : keys)
            Input(NE_INPUT_KEYDOWN, key);
    }
    EXPECT_EQ((std::vector<int>{NG_MSG_CHEAT_COLLECT_RANDOM_TASK, NG_MSG_CHEAT_HIGHLIGHT, NG_MSG_CHEAT_HINT,
                                NG_MSG_CHEAT_HINT, NG_MSG_CHEAT_SKIP, NG_MSG_CHEAT_SKIP,
                                NG_MSG_CHEAT_COLLECT_TASKS}),
              recorder.ids);
    EXPECT_EQ("key88:", Log()); // any other key runs the trigger at once, and only in cheat mode
    EXPECT_TRUE(level->GetCheatHighlight()->IsOn());
    Input(NE_INPUT_CHAR, 'H'); // only key-down events count
    EXPECT_EQ(2, recorder.Count(NG_MSG_CHEAT_HINT));
}

} // namespace
