#include "de50/de50_config.h"
#include "de50/de50_sound.h"
#include "de50/de50_test.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "game/app/nG_Messages.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_ScriptApi.h"
#include "game/app/nG_Settings.h"
#include "tests/app/user_folder.h"

#include <lua.hpp>

#include <map>
#include <set>

namespace
{
// One line per record, fields in record order, so a table row shows exactly
// what reached the receiver.
struct Describe
{
    static std::string B(bool v) { return v ? "1" : "0"; }
    static std::string F(float v) { return nE_FormatG(v, 6); }
    static std::string I(int v) { return std::to_string(v); }
    static std::string Join(const std::vector<std::string>& parts, const char* separator = "|")
    {
        std::string out;
        for (size_t i = 0; i < parts.size(); ++i)
            out += (i ? separator : "") + parts[i];
        return out;
    }
    static std::string Of(const nG_MsgBool& m) { return B(m.value); }
    static std::string Of(const nG_MsgInt& m) { return I(m.value); }
    static std::string Of(const nG_MsgFloat& m) { return F(m.value); }
    static std::string Of(const nG_MsgString& m) { return m.value; }
    static std::string Of(const nG_MsgSubtitle& m) { return B(m.show) + "|" + m.text; }
    static std::string Of(const nG_MsgSwitchLevel& m) { return m.level + "|" + m.param; }
    static std::string Of(const nG_MsgInterfaceChildInput& m) { return I(m.child) + "|" + B(m.input); }
    static std::string Of(const nG_MsgCollectToInterface& m) { return Join({m.object, I(m.a), I(m.b)}); }
    static std::string Of(const nG_MsgShowDialog& m) { return Join({m.text, I(m.x), I(m.y)}); }
    static std::string Of(const nG_MsgInterfaceShow& m) { return Join({B(m.input), B(m.shown), B(m.fade)}); }
    static std::string Of(const nG_MsgThreeStrings& m) { return Join({m.s1, m.s2, m.s3, B(m.b1), B(m.b2)}); }
    static std::string Of(const nG_MsgAddTask& m)
    {
        return Join({m.task, m.room, B(m.highlighted), I(m.count)});
    }
    static std::string Of(const nG_MsgShowMinigame& m)
    {
        return Join({F(m.skipTime), m.resetCode, m.skipCode, m.infoText});
    }
    static std::string Of(const nG_MsgPopup& m)
    {
        return Join({B(m.show), m.text, B(m.raw), Join(std::vector<std::string>(m.params, m.params + 5))});
    }
    static std::string Of(const nG_MsgMapPopup& m)
    {
        return Join({B(m.show), m.picture, m.room, m.tasks ? "[" + Join(*m.tasks, ",") + "]" : "null"});
    }
    static std::string Of(const nG_MsgDialog& m)
    {
        return Join({B(m.show), m.continueCall, m.skipCall, m.character, m.text, I(m.x), I(m.y)});
    }
    static std::string Of(const nG_MsgVideoFrame& m)
    {
        return Join({B(m.show), B(m.passThrough), B(m.skippable), F(m.skipDelay), m.skipCall, m.video});
    }
    static std::string Of(const nG_MsgSwitchRoom& m)
    {
        return Join({B(m.subroom), B(m.close), I(m.startX), I(m.startY), I(m.endX), I(m.endY), B(m.animated),
                     m.room});
    }
};
template <class T> std::string Text(void* r)
{
    return Describe::Of(*static_cast<T*>(r));
}
// Every id a script function sends without expecting an answer, with its record's type.
// clang-format off
const std::map<int, std::string (*)(void*)> kSent = {
    {NG_MSG_SUBTITLE, Text<nG_MsgSubtitle>}, {NG_MSG_POPUP, Text<nG_MsgPopup>},
    {NG_MSG_MAP_POPUP, Text<nG_MsgMapPopup>}, {NG_MSG_VISIT_MAP_ROOM, Text<nG_MsgThreeStrings>},
    {NG_MSG_ADD_MAP_ROOM_TASK, Text<nG_MsgThreeStrings>}, {NG_MSG_DELETE_MAP_ROOM_TASK, Text<nG_MsgThreeStrings>},
    {NG_MSG_LOCK_MAP_ROOM, Text<nG_MsgThreeStrings>}, {NG_MSG_SET_PUPPET_STATE, Text<nG_MsgInt>},
    {NG_MSG_GAME_MODE, Text<nG_MsgInt>}, {NG_MSG_INTERFACE_SHOW, Text<nG_MsgInterfaceShow>},
    {NG_MSG_INTERFACE_FADE, Text<nG_MsgInterfaceShow>}, {NG_MSG_INV_ADD, Text<nG_MsgThreeStrings>},
    {NG_MSG_INV_DELETE, Text<nG_MsgString>}, {NG_MSG_ADD_TASK, Text<nG_MsgAddTask>},
    {NG_MSG_TASKS_COMPLETE_DATA, Text<nG_MsgThreeStrings>}, {NG_MSG_COMPLETE_TASK, Text<nG_MsgString>},
    {NG_MSG_UNMARK_TASK, Text<nG_MsgString>}, {NG_MSG_GUIDE_TOC, nullptr}, {NG_MSG_GUIDE_NEXT, nullptr},
    {NG_MSG_GUIDE_PREV, nullptr}, {NG_MSG_GUIDE_SET_PAGE, Text<nG_MsgInt>},
    {NG_MSG_BLACK_BAR_TEXT, Text<nG_MsgString>}, {NG_MSG_SHOW_DIALOG, Text<nG_MsgShowDialog>},
    {NG_MSG_CLOSE_DIALOG, nullptr}, {NG_MSG_CHARACTER_DIALOG, Text<nG_MsgDialog>},
    {NG_MSG_VIDEO_FRAME, Text<nG_MsgVideoFrame>}, {NG_MSG_STORY_DIALOG, Text<nG_MsgDialog>},
    {NG_MSG_SHOW_MINIGAME, Text<nG_MsgShowMinigame>}, {NG_MSG_HIDE_MINIGAME, nullptr}, {NG_MSG_CLOSE_MAP, nullptr},
    {NG_MSG_CARDS_SCREEN, nullptr}, {NG_MSG_ADD_CARD, nullptr}, {NG_MSG_SET_BTN_LOCK_VALUE, Text<nG_MsgBool>},
    {NG_MSG_COLLECT_TO_INTERFACE, Text<nG_MsgCollectToInterface>}, {NG_MSG_COLLECT_HO_OBJECT, Text<nG_MsgString>},
    {NG_MSG_SET_HINT_TIMER, Text<nG_MsgFloat>}, {NG_MSG_SWITCH_ROOM, Text<nG_MsgSwitchRoom>},
    {NG_MSG_BLOCK_SUBROOM_CLOSE, Text<nG_MsgBool>}, {NG_MSG_PAUSE_LEVEL, Text<nG_MsgBool>},
    {NG_MSG_AUTO_SAVE, Text<nG_MsgBool>}, {NG_MSG_SWITCH_LEVEL, Text<nG_MsgSwitchLevel>},
    {NG_MSG_ADD_INTERFACE_CHILD, Text<nG_MsgInt>}, {NG_MSG_REMOVE_INTERFACE_CHILD, Text<nG_MsgInt>},
    {NG_MSG_INTERFACE_CHILD_INPUT, Text<nG_MsgInterfaceChildInput>},
    {NG_MSG_SHOW_MODAL_WINDOW, Text<nG_MsgThreeStrings>}, {NG_MSG_CLOSE_MODAL_WINDOW, Text<nG_MsgString>}};
// clang-format on

struct Recorder : nE_Listener
{
    std::vector<std::string> seen;
    void OnMessage(int id, void* r) override
    {
        auto describe = kSent.at(id);
        seen.push_back(Describe::I(id) + ":" + (!r ? "-" : describe ? describe(r) : "?"));
    }
};

// Answers the queries as the level, the application and the widgets would.
struct Responder : nE_Listener
{
    nE_Object* room = nullptr;
    nE_Object* app = nullptr;
    void OnMessage(int id, void* record) override
    {
        const std::map<int, float> floats = {
            {NG_MSG_GET_HINT_TIMER, 1.5f}, {NG_MSG_GET_SKIP_TIMER, 2.5f}, {NG_MSG_GET_APP_WIDTH, 1366.9f}};
        if (floats.count(id)) static_cast<nG_MsgFloat*>(record)->value = floats.at(id);
        if (id == NG_MSG_GET_CURRENT_ROOM) static_cast<nG_MsgObject*>(record)->object = room;
        if (id == NG_MSG_GUIDE_GET_PAGE) static_cast<nG_MsgInt*>(record)->value = 7;
        if (id == NG_MSG_GET_BTN_LOCK_VALUE) static_cast<nG_MsgBool*>(record)->value = true;
        if (id == NG_MSG_GET_TRANSFORM && app)
        {
            nE_Matrix world = app->GetWorldMatrix();
            std::copy(world.m, world.m + 16, static_cast<nG_MsgTransform*>(record)->matrix);
        }
    }
    void SubscribeAll(nE_Mediator& bus)
    {
        for (int id :
             {NG_MSG_GET_CURRENT_ROOM, NG_MSG_GET_TRANSFORM, NG_MSG_GUIDE_GET_PAGE, NG_MSG_GET_HINT_TIMER,
              NG_MSG_GET_SKIP_TIMER, NG_MSG_GET_APP_WIDTH, NG_MSG_GET_BTN_LOCK_VALUE})
            bus.Subscribe(this, id);
    }
};

// What reached the platform hooks, one line per call.
std::vector<std::string> g_calls;
bool g_toggleResult = true;
float g_cursorX = 0.0f, g_cursorY = 0.0f;
struct Hooks
{
    static void Sound(const std::string& name, const std::string& channel, bool play, bool lookup,
                      const std::string& trigger, float fade)
    {
        using D = Describe;
        g_calls.push_back(channel + ":" + D::Join({name, D::B(play), D::B(lookup), trigger, D::F(fade)}));
    }
    static void Quit() { g_calls.push_back("quit"); }
    static bool Toggle(bool full) { return g_calls.push_back("toggle " + Describe::B(full)), g_toggleResult; }
    static void Gamma(float gamma) { g_calls.push_back("gamma " + Describe::F(gamma)); }
    static void Cursor(bool on) { g_calls.push_back("cursor " + Describe::B(on)); }
    static void CursorAt(float* x, float* y) { *x = g_cursorX, *y = g_cursorY; }
};

// A temporary user folder and documents folder, one Lua state with the
// engine's and the game's functions, and a recording bus.
struct GameScriptTest : UserFolderTest
{
    lua_State* L = nullptr;
    Recorder recorder;
    Responder responder;
    std::unique_ptr<EnvVar> docs;

    void SetUp() override
    {
        UserFolderTest::SetUp();
        docs.reset(new EnvVar("XDG_DOCUMENTS_DIR", root + "/docs"));
        for (const auto& sent : kSent)
            bus.Subscribe(&recorder, sent.first);
        L = nE_EngineContext::Instance()->GetLua();
        ASSERT_NE(nullptr, L);
        nG_RegisterScriptApi();
        g_calls.clear();
        g_toggleResult = true;
    }
    void TearDown() override
    {
        delete g_profileList;
        g_profileList = nullptr;
        delete g_settings;
        g_settings = nullptr;
        g_gameScriptServices = nG_ScriptServices();
        g_scriptMediaHooks = nE_ScriptMediaHooks();
        nE_SetCursorPosFunc(nullptr);
        nE_EngineContext::Destroy();
        DE50::TSoundManager::Shutdown(); // IsNoSoundDevice opens the device
        docs.reset();
        UserFolderTest::TearDown();
    }

    void Run(const std::string& code)
    {
        if (luaL_dostring(L, code.c_str()) != 0) ADD_FAILURE() << code << ": " << lua_tostring(L, -1);
        lua_settop(L, 0);
    }
    // A Lua expression as text ("nil" for nil).
    std::string Eval(const std::string& expression)
    {
        std::string out = "<error>";
        if (luaL_dostring(L, ("return tostring(" + expression + ")").c_str()) == 0)
            out = lua_tostring(L, -1);
        else
            ADD_FAILURE() << expression << ": " << lua_tostring(L, -1);
        lua_settop(L, 0);
        return out;
    }
    // Both coordinates of a position table, as "x y".
    std::string Pos(const std::string& call)
    {
        return Eval("(function(p) return p[1] .. ' ' .. p[2] end)(" + call + ")");
    }
    std::string Count(const std::string& call) { return Eval("select('#', " + call + ")"); }
    nE_Object* Make(const std::string& name, nE_Object* parent, float x = 0, float y = 0)
    {
        nE_Object* object = new nE_Object(name);
        object->SetPos(x, y);
        object->SetInputRect(nE_Rect{0, 0, 10, 10});
        if (parent) g_scene->AttachObject(parent, object);
        return object;
    }
};

TEST_F(GameScriptTest, EverySenderFillsItsRecordInOrder)
{
    // A call and the records it sends, space separated.
    const std::pair<const char*, const char*> rows[] = {
        // clang-format off
        {"SwitchRoom('hall')", "75:0|0|0|0|0|0|1|hall"}, {"SwitchRoom('hall', 0)", "75:0|0|0|0|0|0|0|hall"},
        {"SwitchRoom('hall', nil)", "75:0|0|0|0|0|0|0|hall"}, {"SwitchRoom(12)", "75:0|0|0|0|0|0|1|12"},
        {"SwitchRoom('hall', 2)", "75:0|0|0|0|0|0|1|hall"},
        {"SwitchRoom('hall', -1)", "75:0|0|0|0|0|0|0|hall"},
        {"SwitchRoom(nil)", ""}, {"SwitchRoom()", ""}, {"SwitchRoom({})", ""}, {"SwitchRoom(true, 1)", ""},
        {"OpenSubRoom('safe', 10, 20, 30, 40)", "75:1|0|10|20|30|40|1|safe"},
        {"OpenSubRoom('safe')", "75:1|0|0|0|0|0|1|safe"}, {"OpenSubRoom(nil, 1, 2, 3, 4)", ""},
        {"CloseSubRoom('ignored')", "75:1|1|0|0|0|0|1|"},
        {"BlockSubRoomClose(1)", "77:1"}, {"BlockSubRoomClose(0)", "77:0"}, {"SetAutoSave(2)", "80:1"},
        {"BlockSubRoomClose(true)", "77:1"}, {"SetAutoSave(0)", "80:0"},
        {"PauseLevel(1)", "79:1"}, {"PauseLevel(2)", "79:0"}, {"PauseLevel(true)", "79:1"},
        {"PauseLevel(false)", "79:0"}, {"SwitchLevel('lvl2', 'p')", "82:lvl2|p"}, {"SwitchLevel()", "82:|"},
        {"AddObjectToInv('key')", "21:key|||0|0"}, {"AddObjectToInv(nil, 'x')", ""},
        {"AddObjectToInv('key', 'key_fly', 'landed()')", "21:key|key_fly|landed()|0|0"},
        {"DelObjectFromInv('key')", "22:key"}, {"DelObjectFromInv(false)", ""},
        {"ShowPopup('pop', 'a', 'b')", "3:1|pop|0|a|b|||"}, {"HidePopup()", "3:0||0|||||"},
        {"ShowPopup('pop', 1, 2, 3, 4, 5)", "3:1|pop|0|1|2|3|4|5"},
        {"AddTask('t_key', 3, 'hall')", "27:t_key|hall|0|3"}, {"CompleteTask('t_key')", "29:t_key"},
        {"AddTask('t_key', 3, 'hall', 1)", "27:t_key|hall|1|3"},
        {"AddTask('t_key', 3, 'hall', 2)", "27:t_key|hall|0|3"},
        {"SetTasksCompleteData('hall', 'chest', 'ok()')", "28:hall|chest|ok()|0|0"},
        {"UnmarkTask('t_key')", "30:t_key"}, {"CollectHoObject('cup')", "68:cup"},
        {"CollectObjectToInterface('cup', 4, 5)", "67:cup|4|5"}, {"ShowBlackBarText('bar')", "38:bar"},
        {"ShowDialog('txt', 10, 20)", "39:txt|10|20"}, {"CloseDialog()", "40:-"},
        {"ShowCharacterDialog('txt', 'ann', 'go()', 'skip()')", "41:1|go()|skip()|ann|txt|0|0"},
        {"ShowCharacterDialog('txt', 'ann', 'go()', 'skip()', 300, 200)", "41:1|go()|skip()|ann|txt|300|200"},
        {"CloseCharacterDialog()", "41:0|||||0|0"}, {"CloseStoryDialog()", "48:0|||||0|0"},
        {"ShowStoryDialog('txt', 'ann', 'go()', 'skip()', 300, 200)", "48:1|go()|skip()|ann|txt|0|0"},
        {"ShowVideoFrame(1, 'intro')", "44:1|1|0|4||intro"}, {"HideVideoFrame()", "44:0|0|0|0||"},
        {"ShowVideoFrame(0, 'intro', 1, 'skipped()', 2.5)", "44:1|0|1|2.5|skipped()|intro"},
        {"ShowVideoFrame(2, 'intro', 2)", "44:1|0|0|4||intro"}, {"ShowSubtitle('sub1')", "0:1|sub1"},
        {"HideSubtitle()", "0:0|"},
        {"ShowMapPopup('hall', 'pic', {'a', 2, 'c'})", "4:1|pic|hall|[a,2,c]"},
        {"ShowMapPopup('hall', 'pic', {'a', 'b', {}, 'd'})", "4:1|pic|hall|[a,b]"},
        {"ShowMapPopup('hall', 'pic', 'notatable')", "4:1|pic|hall|[]"},
        {"ShowMapPopup('hall', 'pic')", "4:1|pic|hall|[]"}, {"HideMapPopup()", "4:0|||null"},
        {"CloseMap()", "55:-"}, {"AddCard()", "63:-"}, {"CloseCardsScreen()", "60:-"},
        {"ManageInterface(1, 0, 1)", "18:1|0|1 19:1|0|1"}, {"ManageInterface(2, 1)", "18:0|1|0 19:0|1|0"},
        {"ShowMinigame(5, 'skip()', 'reset()', 'info')", "50:5|reset()|skip()|info"},
        {"HideMinigame()", "51:-"}, {"SetHintTimer(2.5)", "73:2.5"}, {"UpdateGameMode(3)", "16:3"},
        {"VisitMapRoom('hall')", "5:hall|||0|0"},
        {"AddMapRoomTask('hall', 't')", "6:hall|t||0|0"}, {"DeleteMapRoomTask('hall', 't')", "7:hall|t||0|0"},
        {"AddMapRoomTask('hall', 't', 'extra')", "6:hall|t||0|0"},
        {"DeleteMapRoomTask('hall', 't', 'extra')", "7:hall|t||0|0"},
        {"LockMapRoom('hall', 1)", "11:hall|||0|1"}, {"LockMapRoom('hall', 2)", "11:hall|||0|0"},
        {"SetPuppetState(4)", "12:4"}, {"StrategyGuideTOC()", "31:-"}, {"StrategyGuideNext()", "34:-"},
        {"StrategyGuidePrev()", "35:-"}, {"StrategyGuideSetPage(3)", "36:3"},
        {"AddChildToInterface(5)", "86:5"}, {"RemoveChildFromInterface(5)", "87:5"},
        {"SetInterfaceChildInput(5, 1)", "88:5|1"}, {"SetInterfaceChildInput(5, 0)", "88:5|0"},
        {"ShowModalWindow('mod', 'win', 'init()')", "91:mod|win|init()|1|0"},
        {"ShowModalWindow('mod', 'win', 'init()', 0)", "91:mod|win|init()|0|0"},
        {"ShowModalWindow('mod', 'win', 'init()', 1)", "91:mod|win|init()|1|0"},
        {"ShowModalWindow('mod', 'win', 'init()', nil)", "91:mod|win|init()|0|0"},
        {"CloseModalWindow('win')", "92:win"}, {"SetBtnLockValue(1)", "66:1"}, {"SetBtnLockValue(3)", "66:0"},
        // clang-format on
    };
    std::set<int> covered;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.first);
        recorder.seen.clear();
        Run(std::string("assert(select('#', ") + row.first + ") == 0)");
        EXPECT_EQ(row.second, Describe::Join(recorder.seen, " "));
        for (const std::string& s : recorder.seen)
            covered.insert(std::stoi(s));
    }
    EXPECT_EQ(kSent.size(), covered.size()) << "every id a script can send is reached by some row";

    g_mediator = nullptr; // senders and queries without a bus
    Run("SwitchRoom('a'); ShowMapPopup('a', 'b', {'c'}); ManageInterface(1, 1, 1)");
    EXPECT_EQ("0", Count("GetCurrentRoom()"));
    EXPECT_EQ("0", Eval("GetAppWidth()"));
    g_mediator = &bus;
}

TEST_F(GameScriptTest, QueriesAnswerOrGiveTheirInitialValues)
{
    const char* queries[] = {"GetSkipTimer()", "GetHintTimer()", "StrategyGuideGetPage()",
                             "GetBtnLockValue()", "GetAppWidth()"};
    const char* answers[] = {"2.5", "1.5", "7", "1", "1366"};
    EXPECT_EQ("0", Count("GetCurrentRoom()"));
    for (const char* query : queries)
        EXPECT_EQ("0", Eval(query)) << query;
    // No application answers the transform: design space is the screen.
    Make("box", g_scene->GetOrigin(), 30, 40);
    EXPECT_EQ("30 40", Pos("GetObjPosByObj('box')"));
    nE_SetCursorPosFunc(Hooks::CursorAt);
    g_cursorX = 12;
    g_cursorY = 34;
    EXPECT_EQ("12 34", Pos("GetGameCursorPos()"));
    EXPECT_TRUE(recorder.seen.empty());

    responder.SubscribeAll(bus);
    responder.room = Make("hall", g_scene->GetOrigin());
    EXPECT_EQ("hall", Eval("GetCurrentRoom()"));
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(answers[i], Eval(queries[i])) << queries[i];
    EXPECT_EQ("1", Count("GetAppWidth()"));
}

TEST_F(GameScriptTest, PositionsAreInDesignSpaceUnderAScaledAndOffsetApplication)
{
    responder.SubscribeAll(bus);
    nE_Object* app = Make("app", g_scene->GetOrigin(), 100, 50);
    app->SetScale(2, 2);
    responder.app = app;
    Make("box", app, 10, 20);
    Make("ref", app, 5, 5);
    EXPECT_EQ("10 20", Pos("GetObjPosByObj('box')"));
    EXPECT_EQ("10 20", Pos("GetObjPosByObj('box', '')"));
    EXPECT_EQ("5 15", Pos("GetObjPosByObj('box', 'ref')"));
    // Unknown objects have no position: nothing is returned.
    for (const char* call :
         {"GetObjPosByObj('nobody')", "GetObjPosByObj('box', 'nobody')", "GetObjPosByObj()"})
        EXPECT_EQ("0", Count(call)) << call;
    nE_SetCursorPosFunc(Hooks::CursorAt);
    g_cursorX = 300;
    g_cursorY = 250;
    EXPECT_EQ("100 100", Pos("GetGameCursorPos()"));
}

TEST_F(GameScriptTest, ApplyObjTruthTable)
{
    responder.SubscribeAll(bus);
    nE_Object* layers = Make("layers", g_scene->GetOrigin());
    nE_Object* hall = Make("hall", Make("hub", layers));
    Make("door", Make("wall", hall));
    Make("key", g_scene->GetOrigin(), 5, 5);
    Make("far", g_scene->GetOrigin(), 500, 500);
    Make("elsewhere", g_scene->GetOrigin());
    responder.room = hall;

    EXPECT_EQ("true", Eval("ApplyObj('key', 'door')"));
    EXPECT_EQ("true", Eval("ApplyObj('key', 'hall')"));
    // No overlap, not in the room, unknown held object or target, missing or wrong arguments.
    for (const char* call :
         {"ApplyObj('far', 'door')", "ApplyObj('key', 'elsewhere')", "ApplyObj('nobody', 'door')",
          "ApplyObj('key', 'nobody')", "ApplyObj('key')", "ApplyObj({}, true)"})
        EXPECT_EQ("false", Eval(call)) << call;
    layers->SetInput(false);
    EXPECT_EQ("false", Eval("ApplyObj('key', 'door')")); // room layers take no input
    layers->SetInput(true);

    responder.room = nullptr;
    EXPECT_EQ("false", Eval("ApplyObj('key', 'door')")); // no current room
    // A room without a parent, or whose parent has none, that holds a "door".
    std::unique_ptr<nE_Object> loose(new nE_Object("loose"));
    loose->AddChild(new nE_Object("door"));
    responder.room = loose.get();
    EXPECT_EQ("false", Eval("ApplyObj('key', 'door')"));
    std::unique_ptr<nE_Object> top(new nE_Object("top"));
    nE_Object* orphanRoom = new nE_Object("orphan_room");
    top->AddChild(orphanRoom);
    orphanRoom->AddChild(new nE_Object("door"));
    responder.room = orphanRoom;
    EXPECT_EQ("false", Eval("ApplyObj('key', 'door')"));
    EXPECT_EQ("1", Count("ApplyObj('key', 'door')"));
}

TEST_F(GameScriptTest, ScreenFlagsReadBooleansAndNumbers)
{
    EXPECT_EQ("false", Eval("SetFullScreen(true)")); // no settings yet
    g_settings = new nG_Settings();
    EXPECT_EQ("true", Eval("SetFullScreen(true)"));
    EXPECT_EQ("true", Eval("SetFullScreen(1)"));
    EXPECT_EQ("false", Eval("SetFullScreen(0)")); // without a toggle callback nothing can change
    g_gameScriptServices.toggleFullscreen = Hooks::Toggle;
    for (const char* off : {"0", "false", "nil", "'yes'"})
        EXPECT_EQ("true", Eval(std::string("SetFullScreen(") + off + ")")) << off;
    g_toggleResult = false;
    EXPECT_EQ("false", Eval("SetFullScreen()"));
    EXPECT_EQ(std::vector<std::string>(5, "toggle 0"), g_calls);
    EXPECT_EQ("true", Eval("GetFullScreen()"));
}

TEST_F(GameScriptTest, SettingsFunctions)
{
    // Before the settings exist the getters give the defaults and the setters do nothing.
    EXPECT_EQ("1", Eval("GetGamma()"));
    Run("SetGamma(2); SetPerformanceMode(3); SaveSettings()");
    EXPECT_FALSE(Exists("settings.xml"));

    g_settings = new nG_Settings();
    g_gameScriptServices.setGamma = Hooks::Gamma;
    g_gameScriptServices.setSystemCursor = Hooks::Cursor;
    Run("SetGamma(1.75); SetPerformanceMode(2); SetSysCursor(0); SetSoundVolume('sfx', 2); "
        "SetSoundVolume('voice', 0.25)");
    EXPECT_EQ(
        "1.75 2 false 1 0.25 0",
        Eval("GetGamma() .. ' ' .. GetPerformanceMode() .. ' ' .. tostring(GetSysCursor()) .. ' ' .. "
             "GetSoundVolume('sfx') .. ' ' .. GetSoundVolume('voice') .. ' ' .. GetSoundVolume('nope')"));
    Run("SetSysCursor(true); SetGamma(0/0)");
    EXPECT_EQ("1.75", Eval("GetGamma()"));
    EXPECT_TRUE(log.Has("Warning: SetGamma: the gamma is not a finite number; it is not changed."));
    EXPECT_EQ((std::vector<std::string>{"gamma 1.75", "cursor 0", "cursor 1"}), g_calls);
    Run("SaveSettings()");
    EXPECT_NE(std::string::npos, OnDisk("settings.xml").find("1.75"));
}

TEST_F(GameScriptTest, ProfilesRoundTripThroughTheUserFolder)
{
    EXPECT_EQ("ng_noprofiles", Eval("GetCurrentProfile()"));
    EXPECT_EQ("0", Eval("AddProfile('anna')")); // no list yet
    g_profileList = new nG_ProfileList();
    EXPECT_EQ("ng_noprofiles", Eval("GetCurrentProfile()"));
    EXPECT_EQ("1", Eval("AddProfile('anna')"));
    EXPECT_EQ("1", Eval("AddProfile('Bob Ünal')"));
    for (const char* refused :
         {"'anna'", "'a/b'", "'a\\\\b'", "'a\\1b'", "'tab\\tname'", "''", "nil", "{}", "true"})
        EXPECT_EQ("0", Eval(std::string("AddProfile(") + refused + ")")) << refused;
    EXPECT_EQ("anna,Bob Ünal", Eval("table.concat(GetProfileList(), ',')"));
    Run("SetCurrentProfile('ANNA')");
    EXPECT_EQ("ng_noprofiles", Eval("GetCurrentProfile()"));
    Run("SetCurrentProfile('anna')");
    EXPECT_EQ("anna", Eval("GetCurrentProfile()"));

    Run("ng_global = {text = 'say \"hi\" & <bye>', n = 1234567.5, flag = true, nested = {1, 2}}; "
        "SaveProfiles()");
    EXPECT_TRUE(Exists("profile_list.xml") && Exists("p_anna.xml"));
    EXPECT_FALSE(Exists("p_.xml"));

    // A fresh start reads the list and the game data back.
    delete g_profileList;
    g_profileList = new nG_ProfileList();
    Run("ng_global = {}; SetCurrentProfile('anna')");
    EXPECT_EQ("1", Eval("LoadCurrentProfile()"));
    EXPECT_EQ("say \"hi\" & <bye> 1234567.5 2", Eval("ng_global.text .. ' ' .. ng_global.n .. ' ' .. "
                                                     "ng_global.nested[2]"));

    Run("DeleteProfile('anna')");
    EXPECT_FALSE(Exists("p_anna.xml"));
    EXPECT_EQ("Bob Ünal", Eval("table.concat(GetProfileList(), ',')"));
    Run("SetCurrentProfile('Bob Ünal')");
    EXPECT_EQ("0", Eval("LoadCurrentProfile()")); // nothing saved for Bob yet
}

TEST_F(GameScriptTest, DeprecatedNamesLogTheirLines)
{
    for (const char* name :
         {"SwitchToGame", "SwitchToExtraGame", "SwitchToMenu", "GetCurrentProfileId", "GetNumProfiles",
          "GetProfileNameById", "SaveProfile", "IsCorruptedProfile", "SetGameMode", "GetGameMode"})
    {
        log.lines.clear();
        EXPECT_EQ("0", Count(std::string(name) + "(1, 'x')")) << name;
        EXPECT_EQ(std::vector<std::string>{std::string("WARNING: ") + name + " is deprecated!!!"}, log.lines);
    }
}

// Calls one function of the table (upvalue 1) and notes whether it left only its results.
int g_probeReturned = -1, g_probeTop = -1;
int Probe(lua_State* L)
{
    size_t index = static_cast<size_t>(lua_tointeger(L, lua_upvalueindex(1)));
    g_probeReturned = nG_GetScriptApiTable(nullptr)[index].handler(L);
    g_probeTop = lua_gettop(L);
    return g_probeReturned;
}

TEST_F(GameScriptTest, EveryFunctionSurvivesMissingNilAndWrongArguments)
{
    // Six arguments of one kind; "trap" errors on any look-up.
    const char* const sets[] = {"",
                                "nil, nil, nil, nil, nil, nil",
                                "{}, {}, {}, {}, {}, {}",
                                "false, true, false, true, false, true",
                                "-0.5, -1.5, 1e300, -3.5, -4.5, -5.5",
                                "0/0, 0/0, 0/0, 0/0, 0/0, 0/0",
                                "'', '', '', '', '', ''",
                                "print, print, print, print, print, print",
                                "'box', trap, trap, trap, trap, trap"};
    // Result types by function; every other function returns nothing.
    const std::map<std::string, std::vector<std::string>> resultsByType = {
        {"boolean",
         {"ApplyObj", "SetFullScreen", "GetFullScreen", "GetWideScreen", "SetWideScreen", "GetSysCursor",
          "SetWallpaper"}},
        {"number",
         {"GetSkipTimer", "GetHintTimer", "GetPerformanceMode", "GetGamma", "GetSoundVolume", "AddProfile",
          "LoadCurrentProfile", "StrategyGuideGetPage", "IsNoSoundDevice", "GetAppWidth", "IsCheater",
          "GetBtnLockValue", "IsMac", "iOS_IsiSplashPressed", "iOS_IsRated", "iOS_isIOS"}},
        {"string", {"GetUrl", "GetGuideUrl", "GetCurrentProfile"}},
        {"table", {"GetProfileList", "GetGameCursorPos"}}};
    std::map<std::string, std::string> documented;
    for (const auto& type : resultsByType)
        for (const std::string& name : type.second)
            documented[name] = type.first;

    g_settings = new nG_Settings();
    g_profileList = new nG_ProfileList();
    Make("box", g_scene->GetOrigin());
    DE50::Test::SetUrlOpener([](const std::string&) { return false; }); // never the desktop's browser
    Run("trap = setmetatable({}, {__index = function() error('trap') end, __len = function() error('trap') "
        "end})");
    size_t count = 0;
    const nE_ScriptFunction* table = nG_GetScriptApiTable(&count);
    for (size_t i = 0; i < count; ++i)
    {
        const std::string name = table[i].name;
        if (name == "Quit") continue; // asks the platform to end the program
        lua_pushinteger(L, static_cast<lua_Integer>(i));
        lua_pushcclosure(L, Probe, 1);
        lua_setglobal(L, "probe");
        for (const char* set : sets)
        {
            SCOPED_TRACE(name + "(" + set + ")");
            g_probeReturned = g_probeTop = -1;
            ASSERT_EQ(0, luaL_dostring(L, (std::string("return probe(") + set + ")").c_str()))
                << lua_tostring(L, -1);
            EXPECT_EQ(g_probeReturned, g_probeTop) << "stack not cleared";
            auto type = documented.find(name);
            if (name == "GetObjPosByObj") // a table only for the existing object "box"
                EXPECT_EQ(set[0] == '\'' && set[1] == 'b' ? 1 : 0, lua_gettop(L));
            else if (type == documented.end())
                EXPECT_EQ(0, lua_gettop(L));
            else if (lua_gettop(L) != 1)
                ADD_FAILURE() << lua_gettop(L) << " results";
            else
                EXPECT_EQ(type->second, lua_typename(L, lua_type(L, 1)));
            lua_settop(L, 0);
        }
    }
    DE50::Test::SetUrlOpener(nullptr);
    EXPECT_FALSE(Exists("p_.xml"));
}
struct DocumentsTest : GameScriptTest
{
    std::string savedTitle = DE50::GetConfigValue(DE50::kConfigGameName);
    std::unique_ptr<InFolder> in;
    void SetUp() override
    {
        GameScriptTest::SetUp();
        DE50::SetConfigValue(DE50::kConfigGameName, "Test Game");
        std::filesystem::create_directories(root + "/game/pics");
        in.reset(new InFolder(root + "/game"));
        std::ofstream("pics/pic.png", std::ios::binary) << "first";
    }
    void TearDown() override
    {
        DE50::Test::SetUrlOpener(nullptr);
        in.reset();
        DE50::SetConfigValue(DE50::kConfigGameName, savedTitle);
        GameScriptTest::TearDown();
    }
    std::string Copied() const { return ReadFile(root + "/docs/Test Game/pic.png"); }
};

TEST_F(DocumentsTest, CopyFileToMyDocsReplacesByFileNameAndWallpaperFails)
{
    Run("assert(select('#', CopyFileToMyDocs('pics/pic.png')) == 0)");
    EXPECT_EQ("first", Copied());
    std::ofstream("pics/pic.png", std::ios::binary) << "second";
    Run("CopyFileToMyDocs('pics/pic.png')");
    EXPECT_EQ("second", Copied());
    Run("CopyFileToMyDocs('pics/missing.png'); CopyFileToMyDocs('pics/'); CopyFileToMyDocs(nil)");
    EXPECT_EQ(3, log.CountStartingWith("Warning: CopyFileToMyDocs"));

    std::ofstream("pics/pic.png", std::ios::binary) << "first";
    EXPECT_EQ("false", Eval("SetWallpaper('pics/pic.png')"));
    EXPECT_EQ("first", Copied());
    EXPECT_EQ(1, log.CountStartingWith("Warning: SetWallpaper"));

    EXPECT_EQ(root + "/docs", nG_DocumentsFolder());
    unsetenv("XDG_DOCUMENTS_DIR");
    const char* home = std::getenv("HOME");
    EXPECT_EQ(home ? std::string(home) + "/Documents" : std::string(), nG_DocumentsFolder());
}

TEST_F(DocumentsTest, OpenBrowserGoesThroughTheLibrary)
{
    std::vector<std::string> opened;
    DE50::Test::SetUrlOpener([&](const std::string& url)
                             { return opened.push_back(url), url != "refused://"; });
    Run("assert(select('#', OpenBrowser('https://example.org/a?b=1')) == 0)");
    EXPECT_EQ(std::vector<std::string>{"https://example.org/a?b=1"}, opened);
    EXPECT_EQ(0, log.CountStartingWith("Warning: OpenBrowser"));
    // Addresses the library refuses are reported; an empty one never reaches the opener.
    Run("OpenBrowser('refused://'); OpenBrowser(''); OpenBrowser(nil)");
    EXPECT_EQ(2u, opened.size());
    EXPECT_EQ(3, log.CountStartingWith("Warning: OpenBrowser"));
}

TEST_F(GameScriptTest, SoundAndQuitGoThroughTheirHooks)
{
    Run("PlaySfx('click', 1, 'done()'); Quit()"); // no hooks yet: nothing happens
    g_scriptMediaHooks.playSound = Hooks::Sound;
    g_gameScriptServices.quit = Hooks::Quit;
    // A channel per function; plays only from a leading digit other than 0; only effects are looked up.
    Run("PlaySfx('click', '1', 'done()', 2); PlayEnv('wind', 1, ''); PlayEnv('wind', 'x1', ''); "
        "PlaySoundtrack('theme', '12abc', 't()'); PlayVoice('line', 0, 'v()', 0.5); PlayVoice(); "
        "PlayEnv('wind', '-1', ''); PlayEnv('wind', -1, ''); PlayEnv('wind', ' 1', ''); Quit(1)");
    EXPECT_EQ(
        (std::vector<std::string>{"sfx:click|1|1|done()|2", "env:wind|1|0||0", "env:wind|0|0||0",
                                  "soundtrack:theme|1|0|t()|0", "voice:line|0|0|v()|0.5", "voice:|0|0||0",
                                  "env:wind|0|0||0", "env:wind|0|0||0", "env:wind|0|0||0", "quit"}),
        g_calls);
    // The test environment runs OpenAL on its null back end, which is a device.
    EXPECT_EQ("number", Eval("type(IsNoSoundDevice())"));
}

} // namespace
