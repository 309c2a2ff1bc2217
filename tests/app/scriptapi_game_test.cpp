#include "app/user_folder.h"

#include "de50/de50_config.h"
#include "de50/de50_sound.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_Messages.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_ScriptApi.h"
#include "game/app/nG_Settings.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <functional>
#include <limits>
#include <map>
#include <set>

namespace
{
std::string B(bool v)
{
    return v ? "1" : "0";
}

std::string F(float v)
{
    return nE_FormatG(v, 6);
}

std::string Join(const std::vector<std::string>& parts, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? separator : "") + parts[i];
    return out;
}

// One line per record, fields in record order, so a table row shows exactly
// what reached the receiver.
std::string DescribeRecord(int id, void* r)
{
    if (!r) return "-";
    switch (id)
    {
    case NG_MSG_SUBTITLE:
    {
        auto* m = static_cast<nG_MsgSubtitle*>(r);
        return B(m->show) + "|" + m->text;
    }
    case NG_MSG_POPUP:
    {
        auto* m = static_cast<nG_MsgPopup*>(r);
        return Join({B(m->show), m->text, B(m->raw), m->params[0], m->params[1], m->params[2], m->params[3],
                     m->params[4]},
                    "|");
    }
    case NG_MSG_MAP_POPUP:
    {
        auto* m = static_cast<nG_MsgMapPopup*>(r);
        return Join({B(m->show), m->picture, m->room, m->tasks ? "[" + Join(*m->tasks, ",") + "]" : "null"},
                    "|");
    }
    case NG_MSG_VISIT_MAP_ROOM:
    case NG_MSG_ADD_MAP_ROOM_TASK:
    case NG_MSG_DELETE_MAP_ROOM_TASK:
    case NG_MSG_LOCK_MAP_ROOM:
    case NG_MSG_INV_ADD:
    case NG_MSG_TASKS_COMPLETE_DATA:
    case NG_MSG_SHOW_MODAL_WINDOW:
    {
        auto* m = static_cast<nG_MsgThreeStrings*>(r);
        return Join({m->s1, m->s2, m->s3, B(m->b1), B(m->b2)}, "|");
    }
    case NG_MSG_SET_PUPPET_STATE:
    case NG_MSG_GAME_MODE:
    case NG_MSG_GUIDE_SET_PAGE:
    case NG_MSG_ADD_INTERFACE_CHILD:
    case NG_MSG_REMOVE_INTERFACE_CHILD:
        return std::to_string(static_cast<nG_MsgInt*>(r)->value);
    case NG_MSG_INTERFACE_SHOW:
    case NG_MSG_INTERFACE_FADE:
    {
        auto* m = static_cast<nG_MsgInterfaceShow*>(r);
        return Join({B(m->input), B(m->shown), B(m->fade)}, "|");
    }
    case NG_MSG_INV_DELETE:
    case NG_MSG_COMPLETE_TASK:
    case NG_MSG_UNMARK_TASK:
    case NG_MSG_BLACK_BAR_TEXT:
    case NG_MSG_COLLECT_HO_OBJECT:
    case NG_MSG_CLOSE_MODAL_WINDOW:
        return static_cast<nG_MsgString*>(r)->value;
    case NG_MSG_ADD_TASK:
    {
        auto* m = static_cast<nG_MsgAddTask*>(r);
        return Join({m->task, m->room, B(m->highlighted), std::to_string(m->count)}, "|");
    }
    case NG_MSG_SHOW_DIALOG:
    {
        auto* m = static_cast<nG_MsgShowDialog*>(r);
        return Join({m->text, std::to_string(m->x), std::to_string(m->y)}, "|");
    }
    case NG_MSG_CHARACTER_DIALOG:
    case NG_MSG_STORY_DIALOG:
    {
        auto* m = static_cast<nG_MsgDialog*>(r);
        return Join({B(m->show), m->continueCall, m->skipCall, m->character, m->text, std::to_string(m->x),
                     std::to_string(m->y)},
                    "|");
    }
    case NG_MSG_VIDEO_FRAME:
    {
        auto* m = static_cast<nG_MsgVideoFrame*>(r);
        return Join({B(m->show), B(m->passThrough), B(m->skippable), F(m->skipDelay), m->skipCall, m->video},
                    "|");
    }
    case NG_MSG_SHOW_MINIGAME:
    {
        auto* m = static_cast<nG_MsgShowMinigame*>(r);
        return Join({F(m->skipTime), m->resetCode, m->skipCode, m->infoText}, "|");
    }
    case NG_MSG_SET_BTN_LOCK_VALUE:
    case NG_MSG_BLOCK_SUBROOM_CLOSE:
    case NG_MSG_PAUSE_LEVEL:
    case NG_MSG_AUTO_SAVE:
        return B(static_cast<nG_MsgBool*>(r)->value);
    case NG_MSG_COLLECT_TO_INTERFACE:
    {
        auto* m = static_cast<nG_MsgCollectToInterface*>(r);
        return Join({m->object, std::to_string(m->a), std::to_string(m->b)}, "|");
    }
    case NG_MSG_SET_HINT_TIMER:
        return F(static_cast<nG_MsgFloat*>(r)->value);
    case NG_MSG_SWITCH_ROOM:
    {
        auto* m = static_cast<nG_MsgSwitchRoom*>(r);
        return Join({B(m->subroom), B(m->close), std::to_string(m->startX), std::to_string(m->startY),
                     std::to_string(m->endX), std::to_string(m->endY), B(m->animated), m->room},
                    "|");
    }
    case NG_MSG_SWITCH_LEVEL:
    {
        auto* m = static_cast<nG_MsgSwitchLevel*>(r);
        return m->level + "|" + m->param;
    }
    case NG_MSG_INTERFACE_CHILD_INPUT:
    {
        auto* m = static_cast<nG_MsgInterfaceChildInput*>(r);
        return std::to_string(m->child) + "|" + B(m->input);
    }
    default:
        return "?";
    }
}

// Every id a script function sends without expecting an answer.
const int kSentIds[] = {NG_MSG_SUBTITLE,
                        NG_MSG_POPUP,
                        NG_MSG_MAP_POPUP,
                        NG_MSG_VISIT_MAP_ROOM,
                        NG_MSG_ADD_MAP_ROOM_TASK,
                        NG_MSG_DELETE_MAP_ROOM_TASK,
                        NG_MSG_LOCK_MAP_ROOM,
                        NG_MSG_SET_PUPPET_STATE,
                        NG_MSG_GAME_MODE,
                        NG_MSG_INTERFACE_SHOW,
                        NG_MSG_INTERFACE_FADE,
                        NG_MSG_INV_ADD,
                        NG_MSG_INV_DELETE,
                        NG_MSG_ADD_TASK,
                        NG_MSG_TASKS_COMPLETE_DATA,
                        NG_MSG_COMPLETE_TASK,
                        NG_MSG_UNMARK_TASK,
                        NG_MSG_GUIDE_TOC,
                        NG_MSG_GUIDE_NEXT,
                        NG_MSG_GUIDE_PREV,
                        NG_MSG_GUIDE_SET_PAGE,
                        NG_MSG_BLACK_BAR_TEXT,
                        NG_MSG_SHOW_DIALOG,
                        NG_MSG_CLOSE_DIALOG,
                        NG_MSG_CHARACTER_DIALOG,
                        NG_MSG_VIDEO_FRAME,
                        NG_MSG_STORY_DIALOG,
                        NG_MSG_SHOW_MINIGAME,
                        NG_MSG_HIDE_MINIGAME,
                        NG_MSG_CLOSE_MAP,
                        NG_MSG_CARDS_SCREEN,
                        NG_MSG_ADD_CARD,
                        NG_MSG_SET_BTN_LOCK_VALUE,
                        NG_MSG_COLLECT_TO_INTERFACE,
                        NG_MSG_COLLECT_HO_OBJECT,
                        NG_MSG_SET_HINT_TIMER,
                        NG_MSG_SWITCH_ROOM,
                        NG_MSG_BLOCK_SUBROOM_CLOSE,
                        NG_MSG_PAUSE_LEVEL,
                        NG_MSG_AUTO_SAVE,
                        NG_MSG_SWITCH_LEVEL,
                        NG_MSG_ADD_INTERFACE_CHILD,
                        NG_MSG_REMOVE_INTERFACE_CHILD,
                        NG_MSG_INTERFACE_CHILD_INPUT,
                        NG_MSG_SHOW_MODAL_WINDOW,
                        NG_MSG_CLOSE_MODAL_WINDOW};

struct Recorder : nE_Listener
{
    std::vector<std::string> seen;
    void OnMessage(int id, void* record) override
    {
        seen.push_back(std::to_string(id) + ":" + DescribeRecord(id, record));
    }
};

// Answers the queries as the level, the application and the widgets would.
struct Responder : nE_Listener
{
    nE_Object* room = nullptr;
    nE_Object* app = nullptr;
    void OnMessage(int id, void* record) override
    {
        switch (id)
        {
        case NG_MSG_GET_CURRENT_ROOM:
            static_cast<nG_MsgObject*>(record)->object = room;
            break;
        case NG_MSG_GET_TRANSFORM:
            if (app)
            {
                nE_Matrix world = app->GetWorldMatrix();
                for (int i = 0; i < 16; ++i)
                    static_cast<nG_MsgTransform*>(record)->matrix[i] = world.m[i];
            }
            break;
        case NG_MSG_GUIDE_GET_PAGE:
            static_cast<nG_MsgInt*>(record)->value = 7;
            break;
        case NG_MSG_GET_HINT_TIMER:
            static_cast<nG_MsgFloat*>(record)->value = 1.5f;
            break;
        case NG_MSG_GET_SKIP_TIMER:
            static_cast<nG_MsgFloat*>(record)->value = 2.5f;
            break;
        case NG_MSG_GET_APP_WIDTH:
            static_cast<nG_MsgFloat*>(record)->value = 1366.9f;
            break;
        case NG_MSG_GET_BTN_LOCK_VALUE:
            static_cast<nG_MsgBool*>(record)->value = true;
            break;
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

struct SoundCall
{
    std::string name, channel, trigger;
    bool play = false, lookup = false;
    float fade = -1.0f;
};
std::vector<SoundCall> g_sounds;
void RecordSound(const std::string& name, const std::string& channel, bool play, bool lookup,
                 const std::string& trigger, float fade)
{
    g_sounds.push_back({name, channel, trigger, play, lookup, fade});
}

std::vector<std::string> g_services;
bool g_toggleResult = true;
bool RecordToggle(bool full)
{
    g_services.push_back("toggle " + B(full));
    return g_toggleResult;
}
void RecordGamma(float gamma)
{
    g_services.push_back("gamma " + F(gamma));
}
void RecordCursor(bool on)
{
    g_services.push_back("cursor " + B(on));
}
void RecordQuit()
{
    g_services.push_back("quit");
}

float g_cursorX = 0.0f, g_cursorY = 0.0f;
void CursorAt(float* x, float* y)
{
    *x = g_cursorX;
    *y = g_cursorY;
}

// A temporary user folder and documents folder, one Lua state with the
// engine's and the game's functions, and a recording bus.
struct GameScriptTest : UserFolderTest
{
    lua_State* L = nullptr;
    Recorder recorder;
    Responder responder;
    std::string savedDocs;
    bool hadDocs = false;

    void SetUp() override
    {
        UserFolderTest::SetUp();
        const char* docs = std::getenv("XDG_DOCUMENTS_DIR");
        hadDocs = docs != nullptr;
        savedDocs = docs ? docs : "";
        setenv("XDG_DOCUMENTS_DIR", (root + "/docs").c_str(), 1);
        for (int id : kSentIds)
            bus.Subscribe(&recorder, id);
        L = nE_EngineContext::Instance()->GetLua();
        ASSERT_NE(nullptr, L);
        nG_RegisterScriptApi();
        g_sounds.clear();
        g_services.clear();
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
        if (hadDocs)
            setenv("XDG_DOCUMENTS_DIR", savedDocs.c_str(), 1);
        else
            unsetenv("XDG_DOCUMENTS_DIR");
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
    nE_Object* Make(const std::string& name, nE_Object* parent, float x = 0, float y = 0)
    {
        nE_Object* object = new nE_Object(name);
        object->SetPos(x, y);
        object->SetInputRect(nE_Rect{0, 0, 10, 10});
        if (parent) g_scene->AttachObject(parent, object);
        return object;
    }
};

// ---- from Lua call to message record ----

TEST_F(GameScriptTest, EverySenderFillsItsRecordInOrder)
{
    struct Row
    {
        const char* call;
        std::vector<std::string> sent;
    };
    const Row rows[] = {
        {"SwitchRoom('hall')", {"75:0|0|0|0|0|0|1|hall"}},
        {"SwitchRoom('hall', 0)", {"75:0|0|0|0|0|0|0|hall"}},
        {"SwitchRoom('hall', nil)", {"75:0|0|0|0|0|0|0|hall"}},
        {"SwitchRoom('hall', 2)", {"75:0|0|0|0|0|0|1|hall"}},
        {"SwitchRoom('hall', -1)", {"75:0|0|0|0|0|0|0|hall"}},
        {"SwitchRoom(12)", {"75:0|0|0|0|0|0|1|12"}},
        {"SwitchRoom(nil)", {}},
        {"SwitchRoom()", {}},
        {"SwitchRoom({})", {}},
        {"SwitchRoom(true, 1)", {}},
        {"OpenSubRoom('safe', 10, 20, 30, 40)", {"75:1|0|10|20|30|40|1|safe"}},
        {"OpenSubRoom('safe')", {"75:1|0|0|0|0|0|1|safe"}},
        {"OpenSubRoom(nil, 1, 2, 3, 4)", {}},
        {"CloseSubRoom('ignored')", {"75:1|1|0|0|0|0|1|"}},
        {"BlockSubRoomClose(1)", {"77:1"}},
        {"BlockSubRoomClose(0)", {"77:0"}},
        {"BlockSubRoomClose(true)", {"77:1"}},
        {"SetAutoSave(2)", {"80:1"}},
        {"SetAutoSave(0)", {"80:0"}},
        {"PauseLevel(1)", {"79:1"}},
        {"PauseLevel(2)", {"79:0"}},
        {"PauseLevel(true)", {"79:1"}},
        {"PauseLevel(false)", {"79:0"}},
        {"SwitchLevel('lvl2', 'p')", {"82:lvl2|p"}},
        {"SwitchLevel()", {"82:|"}},
        {"AddObjectToInv('key')", {"21:key|||0|0"}},
        {"AddObjectToInv('key', 'key_fly', 'landed()')", {"21:key|key_fly|landed()|0|0"}},
        {"AddObjectToInv(nil, 'x')", {}},
        {"DelObjectFromInv('key')", {"22:key"}},
        {"DelObjectFromInv(false)", {}},
        {"ShowPopup('pop', 'a', 'b')", {"3:1|pop|0|a|b|||"}},
        {"ShowPopup('pop', 1, 2, 3, 4, 5)", {"3:1|pop|0|1|2|3|4|5"}},
        {"HidePopup()", {"3:0||0|||||"}},
        {"AddTask('t_key', 3, 'hall')", {"27:t_key|hall|0|3"}},
        {"AddTask('t_key', 3, 'hall', 1)", {"27:t_key|hall|1|3"}},
        {"AddTask('t_key', 3, 'hall', 2)", {"27:t_key|hall|0|3"}},
        {"CompleteTask('t_key')", {"29:t_key"}},
        {"SetTasksCompleteData('hall', 'chest', 'ok()')", {"28:hall|chest|ok()|0|0"}},
        {"UnmarkTask('t_key')", {"30:t_key"}},
        {"CollectHoObject('cup')", {"68:cup"}},
        {"CollectObjectToInterface('cup', 4, 5)", {"67:cup|4|5"}},
        {"ShowBlackBarText('bar')", {"38:bar"}},
        {"ShowDialog('txt', 10, 20)", {"39:txt|10|20"}},
        {"CloseDialog()", {"40:-"}},
        {"ShowCharacterDialog('txt', 'ann', 'go()', 'skip()')", {"41:1|go()|skip()|ann|txt|0|0"}},
        {"ShowCharacterDialog('txt', 'ann', 'go()', 'skip()', 300, 200)",
         {"41:1|go()|skip()|ann|txt|300|200"}},
        {"CloseCharacterDialog()", {"41:0|||||0|0"}},
        {"ShowStoryDialog('txt', 'ann', 'go()', 'skip()', 300, 200)", {"48:1|go()|skip()|ann|txt|0|0"}},
        {"CloseStoryDialog()", {"48:0|||||0|0"}},
        {"ShowVideoFrame(1, 'intro')", {"44:1|1|0|4||intro"}},
        {"ShowVideoFrame(0, 'intro', 1, 'skipped()', 2.5)", {"44:1|0|1|2.5|skipped()|intro"}},
        {"ShowVideoFrame(2, 'intro', 2)", {"44:1|0|0|4||intro"}},
        {"HideVideoFrame()", {"44:0|0|0|0||"}},
        {"ShowSubtitle('sub1')", {"0:1|sub1"}},
        {"HideSubtitle()", {"0:0|"}},
        {"ShowMapPopup('hall', 'pic', {'a', 2, 'c'})", {"4:1|pic|hall|[a,2,c]"}},
        {"ShowMapPopup('hall', 'pic', {'a', 'b', {}, 'd'})", {"4:1|pic|hall|[a,b]"}},
        {"ShowMapPopup('hall', 'pic', 'notatable')", {"4:1|pic|hall|[]"}},
        {"ShowMapPopup('hall', 'pic')", {"4:1|pic|hall|[]"}},
        {"HideMapPopup()", {"4:0|||null"}},
        {"CloseMap()", {"55:-"}},
        {"AddCard()", {"63:-"}},
        {"CloseCardsScreen()", {"60:-"}},
        {"ManageInterface(1, 0, 1)", {"18:1|0|1", "19:1|0|1"}},
        {"ManageInterface(2, 1)", {"18:0|1|0", "19:0|1|0"}},
        {"ShowMinigame(5, 'skip()', 'reset()', 'info')", {"50:5|reset()|skip()|info"}},
        {"HideMinigame()", {"51:-"}},
        {"SetHintTimer(2.5)", {"73:2.5"}},
        {"UpdateGameMode(3)", {"16:3"}},
        {"VisitMapRoom('hall')", {"5:hall|||0|0"}},
        {"AddMapRoomTask('hall', 't')", {"6:hall|t||0|0"}},
        {"DeleteMapRoomTask('hall', 't')", {"7:hall|t||0|0"}},
        {"AddMapRoomTask('hall', 't', 'extra')", {"6:hall|t||0|0"}},
        {"DeleteMapRoomTask('hall', 't', 'extra')", {"7:hall|t||0|0"}},
        {"LockMapRoom('hall', 1)", {"11:hall|||0|1"}},
        {"LockMapRoom('hall', 2)", {"11:hall|||0|0"}},
        {"SetPuppetState(4)", {"12:4"}},
        {"StrategyGuideTOC()", {"31:-"}},
        {"StrategyGuideNext()", {"34:-"}},
        {"StrategyGuidePrev()", {"35:-"}},
        {"StrategyGuideSetPage(3)", {"36:3"}},
        {"AddChildToInterface(5)", {"86:5"}},
        {"RemoveChildFromInterface(5)", {"87:5"}},
        {"SetInterfaceChildInput(5, 1)", {"88:5|1"}},
        {"SetInterfaceChildInput(5, 0)", {"88:5|0"}},
        {"ShowModalWindow('mod', 'win', 'init()')", {"91:mod|win|init()|1|0"}},
        {"ShowModalWindow('mod', 'win', 'init()', 0)", {"91:mod|win|init()|0|0"}},
        {"ShowModalWindow('mod', 'win', 'init()', 1)", {"91:mod|win|init()|1|0"}},
        {"ShowModalWindow('mod', 'win', 'init()', nil)", {"91:mod|win|init()|0|0"}},
        {"CloseModalWindow('win')", {"92:win"}},
        {"SetBtnLockValue(1)", {"66:1"}},
        {"SetBtnLockValue(3)", {"66:0"}},
    };
    std::set<std::string> covered;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.call);
        recorder.seen.clear();
        Run(std::string("assert(select('#', ") + row.call + ") == 0)");
        EXPECT_EQ(row.sent, recorder.seen);
        for (const std::string& s : recorder.seen)
            covered.insert(s.substr(0, s.find(':')));
    }
    // Every id a script can send is reached by some row.
    EXPECT_EQ(sizeof(kSentIds) / sizeof(kSentIds[0]), covered.size());
}

TEST_F(GameScriptTest, SendersWorkWithoutABus)
{
    g_mediator = nullptr;
    Run("SwitchRoom('a'); ShowMapPopup('a', 'b', {'c'}); ManageInterface(1, 1, 1)");
    EXPECT_EQ("0", Eval("select('#', GetCurrentRoom())"));
    EXPECT_EQ("0", Eval("GetAppWidth()"));
    g_mediator = &bus;
}

// ---- queries ----

TEST_F(GameScriptTest, UnansweredQueriesGiveTheirInitialValues)
{
    EXPECT_EQ("0", Eval("select('#', GetCurrentRoom())"));
    EXPECT_EQ("0", Eval("GetSkipTimer()"));
    EXPECT_EQ("0", Eval("GetHintTimer()"));
    EXPECT_EQ("0", Eval("StrategyGuideGetPage()"));
    EXPECT_EQ("0", Eval("GetBtnLockValue()"));
    EXPECT_EQ("0", Eval("GetAppWidth()"));
    // No application answers the transform: design space is the screen.
    Make("box", g_scene->GetOrigin(), 30, 40);
    EXPECT_EQ("30 40", Eval("GetObjPosByObj('box')[1] .. ' ' .. GetObjPosByObj('box')[2]"));
    nE_SetCursorPosFunc(CursorAt);
    g_cursorX = 12;
    g_cursorY = 34;
    EXPECT_EQ("12 34", Eval("GetGameCursorPos()[1] .. ' ' .. GetGameCursorPos()[2]"));
    EXPECT_TRUE(recorder.seen.empty());
}

TEST_F(GameScriptTest, AnsweredQueriesReturnTheAnswer)
{
    responder.SubscribeAll(bus);
    responder.room = Make("hall", g_scene->GetOrigin());
    EXPECT_EQ("hall", Eval("GetCurrentRoom()"));
    EXPECT_EQ("2.5", Eval("GetSkipTimer()"));
    EXPECT_EQ("1.5", Eval("GetHintTimer()"));
    EXPECT_EQ("7", Eval("StrategyGuideGetPage()"));
    EXPECT_EQ("1", Eval("GetBtnLockValue()"));
    EXPECT_EQ("1366", Eval("GetAppWidth()"));
    EXPECT_EQ("1", Eval("select('#', GetAppWidth())"));
}

TEST_F(GameScriptTest, PositionsAreInDesignSpaceUnderAScaledAndOffsetApplication)
{
    responder.SubscribeAll(bus);
    nE_Object* app = Make("app", g_scene->GetOrigin(), 100, 50);
    app->SetScale(2, 2);
    responder.app = app;
    Make("box", app, 10, 20);
    Make("ref", app, 5, 5);
    EXPECT_EQ("10 20", Eval("GetObjPosByObj('box')[1] .. ' ' .. GetObjPosByObj('box')[2]"));
    EXPECT_EQ("10 20", Eval("GetObjPosByObj('box', '')[1] .. ' ' .. GetObjPosByObj('box', '')[2]"));
    EXPECT_EQ("5 15", Eval("GetObjPosByObj('box', 'ref')[1] .. ' ' .. GetObjPosByObj('box', 'ref')[2]"));
    // Unknown objects have no position: nothing is returned.
    EXPECT_EQ("0", Eval("select('#', GetObjPosByObj('nobody'))"));
    EXPECT_EQ("0", Eval("select('#', GetObjPosByObj('box', 'nobody'))"));
    EXPECT_EQ("0", Eval("select('#', GetObjPosByObj())"));
    nE_SetCursorPosFunc(CursorAt);
    g_cursorX = 300;
    g_cursorY = 250;
    EXPECT_EQ("100 100", Eval("GetGameCursorPos()[1] .. ' ' .. GetGameCursorPos()[2]"));
}

TEST_F(GameScriptTest, ApplyObjTruthTable)
{
    responder.SubscribeAll(bus);
    nE_Object* layers = Make("layers", g_scene->GetOrigin());
    nE_Object* hub = Make("hub", layers);
    nE_Object* hall = Make("hall", hub);
    Make("door", Make("wall", hall));
    Make("key", g_scene->GetOrigin(), 5, 5);
    Make("far", g_scene->GetOrigin(), 500, 500);
    Make("elsewhere", g_scene->GetOrigin());
    responder.room = hall;

    EXPECT_EQ("true", Eval("ApplyObj('key', 'door')"));
    EXPECT_EQ("true", Eval("ApplyObj('key', 'hall')"));
    EXPECT_EQ("false", Eval("ApplyObj('far', 'door')"));      // no overlap
    EXPECT_EQ("false", Eval("ApplyObj('key', 'elsewhere')")); // not in the room
    EXPECT_EQ("false", Eval("ApplyObj('nobody', 'door')"));   // unknown held object
    EXPECT_EQ("false", Eval("ApplyObj('key', 'nobody')"));    // unknown target
    EXPECT_EQ("false", Eval("ApplyObj('key')"));
    EXPECT_EQ("false", Eval("ApplyObj({}, true)"));
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
    EXPECT_EQ("1", Eval("select('#', ApplyObj('key', 'door'))"));
}

// ---- settings and sound ----

TEST_F(GameScriptTest, FullScreenFlagsReadBooleansAndNumbers)
{
    g_settings = new nG_Settings();
    g_settings->SetFullScreen(true);
    EXPECT_EQ("true", Eval("SetFullScreen(true)"));
    EXPECT_EQ("true", Eval("SetFullScreen(1)"));
    // Without a toggle callback nothing can change.
    EXPECT_EQ("false", Eval("SetFullScreen(0)"));
    g_gameScriptServices.toggleFullscreen = RecordToggle;
    EXPECT_EQ("true", Eval("SetFullScreen(0)"));
    EXPECT_EQ("true", Eval("SetFullScreen(false)"));
    EXPECT_EQ("true", Eval("SetFullScreen(nil)"));
    EXPECT_EQ("true", Eval("SetFullScreen('yes')"));
    g_toggleResult = false;
    EXPECT_EQ("false", Eval("SetFullScreen()"));
    EXPECT_EQ((std::vector<std::string>{"toggle 0", "toggle 0", "toggle 0", "toggle 0", "toggle 0"}),
              g_services);
    EXPECT_EQ("true", Eval("GetFullScreen()"));
}

TEST_F(GameScriptTest, WideScreenChangesTheFlagFirst)
{
    g_settings = new nG_Settings();
    g_settings->SetFullScreen(false);
    g_settings->SetWideScreen(true);
    EXPECT_EQ("true", Eval("SetWideScreen(true)"));
    EXPECT_EQ("false", Eval("SetWideScreen(0)"));
    EXPECT_EQ("false", Eval("GetWideScreen()")); // changed although nothing was applied
    g_gameScriptServices.toggleFullscreen = RecordToggle;
    EXPECT_EQ("true", Eval("SetWideScreen(1)"));
    EXPECT_EQ("true", Eval("GetWideScreen()"));
    EXPECT_EQ(std::vector<std::string>{"toggle 0"}, g_services);
}

TEST_F(GameScriptTest, SettingsFunctions)
{
    // Before the settings exist the getters give the defaults and the setters do nothing.
    EXPECT_EQ("1", Eval("GetGamma()"));
    EXPECT_EQ("false", Eval("SetFullScreen(true)"));
    Run("SetGamma(2); SetPerformanceMode(3); SaveSettings()");
    EXPECT_FALSE(Exists("settings.xml"));

    g_settings = new nG_Settings();
    g_gameScriptServices.setGamma = RecordGamma;
    g_gameScriptServices.setSystemCursor = RecordCursor;
    Run("SetGamma(1.75); SetPerformanceMode(2); SetSysCursor(0); SetSoundVolume('sfx', 2); "
        "SetSoundVolume('voice', 0.25)");
    EXPECT_EQ("1.75", Eval("GetGamma()"));
    EXPECT_EQ("2", Eval("GetPerformanceMode()"));
    EXPECT_EQ("false", Eval("GetSysCursor()"));
    EXPECT_EQ("1", Eval("GetSoundVolume('sfx')"));
    EXPECT_EQ("0.25", Eval("GetSoundVolume('voice')"));
    EXPECT_EQ("0", Eval("GetSoundVolume('nope')"));
    Run("SetSysCursor(true); SetGamma(0/0)");
    EXPECT_EQ("1.75", Eval("GetGamma()"));
    EXPECT_TRUE(log.Has("Warning: SetGamma: the gamma is not a finite number; it is not changed."));
    EXPECT_EQ((std::vector<std::string>{"gamma 1.75", "cursor 0", "cursor 1"}), g_services);
    Run("SaveSettings()");
    EXPECT_NE(std::string::npos, OnDisk("settings.xml").find("1.75"));
}

TEST_F(GameScriptTest, ConfigurationAnswers)
{
    EXPECT_EQ("", Eval("GetUrl()"));
    EXPECT_EQ("0", Eval("IsCheater()"));
    nG_Config config;
    config.SetCheatMode(true);
    g_config = &config;
    EXPECT_EQ("1", Eval("IsCheater()"));
    EXPECT_EQ("string", Eval("type(GetGuideUrl())"));
    g_config = nullptr;
}

TEST_F(GameScriptTest, SoundFunctionsPickChannelAndFlags)
{
    Run("PlaySfx('click', 1, 'done()')"); // no hook yet: nothing happens
    g_scriptMediaHooks.playSound = RecordSound;
    Run("PlaySfx('click', '1', 'done()', 2)");
    Run("PlayEnv('wind', 1, '')");
    Run("PlayEnv('wind', 'x1', '')");
    Run("PlaySoundtrack('theme', '12abc', 't()')");
    Run("PlayVoice('line', 0, 'v()', 0.5)");
    Run("PlayVoice()");
    Run("PlayEnv('wind', '-1', ''); PlayEnv('wind', -1, ''); PlayEnv('wind', ' 1', '')");
    ASSERT_EQ(9u, g_sounds.size());
    for (size_t i = 6; i < 9; ++i)
        EXPECT_FALSE(g_sounds[i].play) << "no leading digit, call " << i;
    const struct
    {
        const char* name;
        const char* channel;
        bool play, lookup;
        const char* trigger;
        float fade;
    } expected[] = {
        {"click", "sfx", true, true, "done()", 2.0f}, {"wind", "env", true, false, "", 0.0f},
        {"wind", "env", false, false, "", 0.0f},      {"theme", "soundtrack", true, false, "t()", 0.0f},
        {"line", "voice", false, false, "v()", 0.5f}, {"", "voice", false, false, "", 0.0f},
    };
    for (size_t i = 0; i < 6; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].name, g_sounds[i].name);
        EXPECT_EQ(expected[i].channel, g_sounds[i].channel);
        EXPECT_EQ(expected[i].play, g_sounds[i].play);
        EXPECT_EQ(expected[i].lookup, g_sounds[i].lookup);
        EXPECT_EQ(expected[i].trigger, g_sounds[i].trigger);
        EXPECT_FLOAT_EQ(expected[i].fade, g_sounds[i].fade);
    }
    // The test environment runs OpenAL on its null back end, which is a device.
    EXPECT_EQ("number", Eval("type(IsNoSoundDevice())"));
}

// ---- profiles ----

TEST_F(GameScriptTest, ProfilesRoundTripThroughTheUserFolder)
{
    EXPECT_EQ("ng_noprofiles", Eval("GetCurrentProfile()"));
    EXPECT_EQ("0", Eval("AddProfile('anna')")); // no list yet
    g_profileList = new nG_ProfileList();
    EXPECT_EQ("ng_noprofiles", Eval("GetCurrentProfile()"));
    EXPECT_EQ("1", Eval("AddProfile('anna')"));
    EXPECT_EQ("1", Eval("AddProfile('Bob Ünal')"));
    EXPECT_EQ("0", Eval("AddProfile('anna')"));
    for (const char* hostile : {"'a/b'", "'a\\\\b'", "'a\\1b'", "'tab\\tname'", "''", "nil", "{}", "true"})
    {
        SCOPED_TRACE(hostile);
        EXPECT_EQ("0", Eval(std::string("AddProfile(") + hostile + ")"));
    }
    EXPECT_EQ("anna,Bob Ünal", Eval("table.concat(GetProfileList(), ',')"));
    Run("SetCurrentProfile('ANNA')");
    EXPECT_EQ("ng_noprofiles", Eval("GetCurrentProfile()"));
    Run("SetCurrentProfile('anna')");
    EXPECT_EQ("anna", Eval("GetCurrentProfile()"));

    Run("ng_global = {text = 'say \"hi\" & <bye>', n = 1234567.5, flag = true, nested = {1, 2}}; "
        "SaveProfiles()");
    EXPECT_TRUE(Exists("profile_list.xml"));
    EXPECT_TRUE(Exists("p_anna.xml"));
    EXPECT_FALSE(Exists("p_.xml"));

    // A fresh start reads the list and the game data back.
    delete g_profileList;
    g_profileList = new nG_ProfileList();
    Run("ng_global = {}");
    Run("SetCurrentProfile('anna')");
    EXPECT_EQ("1", Eval("LoadCurrentProfile()"));
    EXPECT_EQ("say \"hi\" & <bye>", Eval("ng_global.text"));
    EXPECT_EQ("1234567.5", Eval("ng_global.n"));
    EXPECT_EQ("2", Eval("ng_global.nested[2]"));

    Run("DeleteProfile('anna')");
    EXPECT_FALSE(Exists("p_anna.xml"));
    EXPECT_EQ("Bob Ünal", Eval("table.concat(GetProfileList(), ',')"));
    Run("SetCurrentProfile('Bob Ünal')");
    EXPECT_EQ("0", Eval("LoadCurrentProfile()")); // nothing saved for Bob yet
}

// ---- desktop, platform answers and old names ----

struct DocumentsTest : GameScriptTest
{
    std::string savedTitle;
    std::string savedCwd;
    void SetUp() override
    {
        GameScriptTest::SetUp();
        savedTitle = DE50::GetConfigValue(DE50::kConfigGameName);
        DE50::SetConfigValue(DE50::kConfigGameName, "Test Game");
        savedCwd = std::filesystem::current_path().string();
        std::filesystem::create_directories(root + "/game/pics");
        std::filesystem::current_path(root + "/game");
        std::ofstream("pics/pic.png", std::ios::binary) << "first";
    }
    void TearDown() override
    {
        std::filesystem::current_path(savedCwd);
        DE50::SetConfigValue(DE50::kConfigGameName, savedTitle);
        GameScriptTest::TearDown();
    }
    std::string Copied() const
    {
        std::ifstream in(root + "/docs/Test Game/pic.png", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(DocumentsTest, CopyFileToMyDocsReplacesByFileName)
{
    Run("assert(select('#', CopyFileToMyDocs('pics/pic.png')) == 0)");
    EXPECT_EQ("first", Copied());
    std::ofstream("pics/pic.png", std::ios::binary) << "second";
    Run("CopyFileToMyDocs('pics/pic.png')");
    EXPECT_EQ("second", Copied());
    Run("CopyFileToMyDocs('pics/missing.png'); CopyFileToMyDocs('pics/'); CopyFileToMyDocs(nil)");
    EXPECT_EQ(3, log.CountStartingWith("Warning: CopyFileToMyDocs"));
}

TEST_F(DocumentsTest, DocumentsFolderFallsBackToHome)
{
    EXPECT_EQ(root + "/docs", nG_DocumentsFolder());
    unsetenv("XDG_DOCUMENTS_DIR");
    const char* home = std::getenv("HOME");
    EXPECT_EQ(home ? std::string(home) + "/Documents" : std::string(), nG_DocumentsFolder());
}

TEST_F(DocumentsTest, WallpaperFailsWithAWarning)
{
    EXPECT_EQ("false", Eval("SetWallpaper('pics/pic.png')"));
    EXPECT_EQ("first", Copied());
    EXPECT_EQ(1, log.CountStartingWith("Warning: SetWallpaper"));
}

// The library hands the address to the desktop's opener, here a stand-in
// found first on the PATH that writes down what it was given.
TEST_F(DocumentsTest, OpenBrowserGoesThroughTheLibrary)
{
    const std::string bin = root + "/bin";
    const std::string seen = root + "/opened.txt";
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << seen << ".part'\nmv '" << seen
                                     << ".part' '" << seen << "'\n";
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    const std::string savedPath = path ? path : "";
    setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
    Run("assert(select('#', OpenBrowser('https://example.org/a?b=1')) == 0)");
    setenv("PATH", savedPath.c_str(), 1);
    // The opener runs detached; give it a generous while to write.
    for (int i = 0; i < 1000 && !std::filesystem::exists(seen); ++i)
        usleep(10000);
    std::ifstream in(seen);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ("https://example.org/a?b=1", text.str());
    EXPECT_EQ(0, log.CountStartingWith("Warning: OpenBrowser"));

    // An address the library refuses is reported.
    Run("OpenBrowser(''); OpenBrowser(nil)");
    EXPECT_EQ(2, log.CountStartingWith("Warning: OpenBrowser"));
}

TEST_F(GameScriptTest, PlatformAnswersAndStubs)
{
    EXPECT_EQ("0", Eval("IsMac()"));
    EXPECT_EQ("0", Eval("iOS_isIOS()"));
    EXPECT_EQ("3", Eval("iOS_IsiSplashPressed(3.9)"));
    EXPECT_EQ("-2", Eval("iOS_IsiSplashPressed('-2.5')"));
    EXPECT_EQ("4", Eval("iOS_IsRated(4.2)"));
    EXPECT_EQ("0", Eval("iOS_IsRated({})"));
    EXPECT_EQ("0", Eval("select('#', iOS_RateMe(1, 2, 3))"));
    Run("Quit()");
    g_gameScriptServices.quit = RecordQuit;
    Run("Quit(1)");
    EXPECT_EQ(std::vector<std::string>{"quit"}, g_services);
}

TEST_F(GameScriptTest, DeprecatedNamesLogTheirLines)
{
    const char* names[] = {"SwitchToGame",   "SwitchToExtraGame",  "SwitchToMenu", "GetCurrentProfileId",
                           "GetNumProfiles", "GetProfileNameById", "SaveProfile",  "IsCorruptedProfile",
                           "SetGameMode",    "GetGameMode"};
    for (const char* name : names)
    {
        SCOPED_TRACE(name);
        log.lines.clear();
        EXPECT_EQ("0", Eval(std::string("select('#', ") + name + "(1, 'x'))"));
        ASSERT_EQ(1u, log.lines.size());
        EXPECT_EQ(std::string("WARNING: ") + name + " is deprecated!!!", log.lines[0]);
    }
}

// ---- registration and hostile arguments ----

TEST_F(GameScriptTest, RegistersEveryNameOnceAfterTheEngine)
{
    size_t count = 0;
    const nE_ScriptFunction* table = nG_GetScriptApiTable(&count);
    ASSERT_EQ(119u, count);
    std::set<std::string> names;
    for (size_t i = 0; i < count; ++i)
    {
        names.insert(table[i].name);
        lua_getglobal(L, table[i].name);
        EXPECT_EQ(table[i].handler, lua_tocfunction(L, -1)) << table[i].name;
        lua_pop(L, 1);
    }
    EXPECT_EQ(count, names.size());
    EXPECT_EQ("SwitchRoom", std::string(table[0].name));
    EXPECT_EQ("GetGameMode", std::string(table[count - 1].name));
    EXPECT_EQ("function", Eval("type(ObjGet)")); // the engine's functions stay
}

struct ProbeRecord
{
    int returned = -1;
    int top = -1;
};
ProbeRecord g_probe;

int Probe(lua_State* L)
{
    const nE_ScriptFunction* table = nG_GetScriptApiTable(nullptr);
    size_t index = static_cast<size_t>(lua_tointeger(L, lua_upvalueindex(1)));
    int returned = table[index].handler(L);
    g_probe.returned = returned;
    g_probe.top = lua_gettop(L);
    return returned;
}

typedef std::function<void(lua_State*)> ArgPusher;

const std::vector<std::pair<std::string, ArgPusher>>& ArgumentSets()
{
    auto repeat = [](std::function<void(lua_State*, int)> push)
    {
        return [push](lua_State* L)
        {
            for (int i = 0; i < 6; ++i)
                push(L, i);
        };
    };
    static const std::vector<std::pair<std::string, ArgPusher>> sets = {
        {"none", [](lua_State*) {}},
        {"nils", repeat([](lua_State* L, int) { lua_pushnil(L); })},
        {"tables", repeat([](lua_State* L, int) { lua_newtable(L); })},
        {"booleans", repeat([](lua_State* L, int i) { lua_pushboolean(L, i % 2); })},
        {"numbers", repeat([](lua_State* L, int i) { lua_pushnumber(L, i == 2 ? 1e300 : -i - 0.5); })},
        {"nan",
         repeat([](lua_State* L, int) { lua_pushnumber(L, std::numeric_limits<double>::quiet_NaN()); })},
        {"strings", repeat([](lua_State* L, int) { lua_pushstring(L, ""); })},
        {"functions", repeat([](lua_State* L, int) { lua_pushcfunction(L, Probe); })},
        {"traps",
         [](lua_State* L)
         {
             lua_pushstring(L, "box");
             for (int i = 0; i < 5; ++i)
                 luaL_dostring(L, "return setmetatable({}, {__index = function() error('trap') end, "
                                  "__len = function() error('trap') end})");
         }},
    };
    return sets;
}

// Result types by function; every other function returns nothing.
const std::map<std::string, std::string>& DocumentedResults()
{
    static const std::map<std::string, std::string> results = {
        {"ApplyObj", "boolean"},
        {"GetSkipTimer", "number"},
        {"GetHintTimer", "number"},
        {"GetPerformanceMode", "number"},
        {"GetGamma", "number"},
        {"SetFullScreen", "boolean"},
        {"GetFullScreen", "boolean"},
        {"GetWideScreen", "boolean"},
        {"SetWideScreen", "boolean"},
        {"GetSysCursor", "boolean"},
        {"GetSoundVolume", "number"},
        {"GetUrl", "string"},
        {"GetGuideUrl", "string"},
        {"GetProfileList", "table"},
        {"GetCurrentProfile", "string"},
        {"AddProfile", "number"},
        {"LoadCurrentProfile", "number"},
        {"SetWallpaper", "boolean"},
        {"StrategyGuideGetPage", "number"},
        {"IsNoSoundDevice", "number"},
        {"GetGameCursorPos", "table"},
        {"GetAppWidth", "number"},
        {"IsCheater", "number"},
        {"GetBtnLockValue", "number"},
        {"IsMac", "number"},
        {"iOS_IsiSplashPressed", "number"},
        {"iOS_IsRated", "number"},
        {"iOS_isIOS", "number"},
    };
    return results;
}

TEST_F(GameScriptTest, EveryFunctionSurvivesMissingNilAndWrongArguments)
{
    g_settings = new nG_Settings();
    g_profileList = new nG_ProfileList();
    Make("box", g_scene->GetOrigin());
    // OpenBrowser hands its text to the desktop's opener: let it find none.
    const char* path = std::getenv("PATH");
    const std::string savedPath = path ? path : "";
    std::filesystem::create_directories(root + "/nobin");
    setenv("PATH", (root + "/nobin").c_str(), 1);
    size_t count = 0;
    const nE_ScriptFunction* table = nG_GetScriptApiTable(&count);
    for (size_t i = 0; i < count; ++i)
    {
        const std::string name = table[i].name;
        if (name == "Quit") continue; // asks the platform to end the program
        auto documented = DocumentedResults().find(name);
        for (const auto& set : ArgumentSets())
        {
            SCOPED_TRACE(name + " with " + set.first);
            lua_settop(L, 0);
            g_probe = ProbeRecord();
            lua_pushinteger(L, static_cast<lua_Integer>(i));
            lua_pushcclosure(L, Probe, 1);
            set.second(L);
            ASSERT_EQ(0, lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0)) << lua_tostring(L, -1);
            EXPECT_EQ(g_probe.returned, g_probe.top) << "stack not cleared";
            if (name == "GetObjPosByObj")
            {
                // A table only for the existing object "box".
                EXPECT_EQ(set.first == "traps" ? 1 : 0, lua_gettop(L));
                continue;
            }
            if (documented == DocumentedResults().end())
            {
                EXPECT_EQ(0, lua_gettop(L));
                continue;
            }
            ASSERT_EQ(1, lua_gettop(L));
            EXPECT_EQ(documented->second, lua_typename(L, lua_type(L, 1)));
        }
    }
    setenv("PATH", savedPath.c_str(), 1);
    lua_settop(L, 0);
    EXPECT_FALSE(Exists("p_.xml"));
}
} // namespace
