#include "de50/de50_config.h"
#include "de50/de50_sound.h"
#include "de50/de50_test.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "engine/platform/nE_SoundHub.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_Room.h"
#include "game/app/nG_ScriptApi.h"
#include "game/app/nG_Settings.h"
#include "game/messages/nG_Messages.h"
#include "support/script_probe.h"
#include "tests/app/level_fixture.h"

#include <lua.hpp>

#include <map>
#include <sstream>

namespace
{
// A record as one line, fields in record order, so a table row shows exactly
// what reached the receiver.
template <class... T> std::string J(const T&... v)
{
    std::ostringstream out;
    ((out << v << "|"), ...);
    return out.str().substr(0, out.str().size() - 1);
}
std::string JoinAll(const std::vector<std::string>& parts, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i)
        out += (i ? separator : "") + parts[i];
    return out;
}
template <class T> const T& As(void* r)
{
    return *static_cast<T*>(r);
}
std::string Flag(void* r)
{
    return J(As<nG_MsgBool>(r).value);
}
std::string Show(void* r)
{
    const auto& m = As<nG_MsgInterfaceShow>(r);
    return J(m.input, m.shown, m.fade);
}
std::string Strings(void* r)
{
    const auto& m = As<nG_MsgThreeStrings>(r);
    return J(m.s1, m.s2, m.s3, m.b1, m.b2);
}
std::string Popup(void* r)
{
    const auto& m = As<nG_MsgMapPopup>(r);
    return J(m.show, m.picture, m.room, m.tasks ? "[" + JoinAll(*m.tasks, ",") + "]" : std::string("null"));
}
std::string Switch(void* r)
{
    const auto& m = As<nG_MsgSwitchRoom>(r);
    return J(m.subroom, m.close, m.startX, m.startY, m.endX, m.endY, m.animated, m.room);
}
std::string Video(void* r)
{
    const auto& m = As<nG_MsgVideoFrame>(r);
    return J(m.show, m.passThrough, m.skippable, m.skipDelay, m.skipCall, m.video);
}
std::string Task(void* r)
{
    const auto& m = As<nG_MsgAddTask>(r);
    return J(m.task, m.room, m.highlighted, m.count);
}
std::string Dialog(void* r)
{
    const auto& m = As<nG_MsgDialog>(r);
    return J(m.show, m.continueCall, m.skipCall, m.character, m.text, m.x, m.y);
}
std::string ChildInput(void* r)
{
    const auto& m = As<nG_MsgInterfaceChildInput>(r);
    return J(m.child, m.input);
}
// The ids whose senders read their arguments in ways of their own, with their record's text.
const std::map<int, std::string (*)(void*)> kSent = {
    {NG_MSG_MAP_POPUP, Popup},          {NG_MSG_ADD_MAP_ROOM_TASK, Strings},   {NG_MSG_DELETE_MAP_ROOM_TASK, Strings},
    {NG_MSG_LOCK_MAP_ROOM, Strings},    {NG_MSG_INTERFACE_SHOW, Show},         {NG_MSG_INTERFACE_FADE, Show},
    {NG_MSG_SWITCH_ROOM, Switch},       {NG_MSG_BLOCK_SUBROOM_CLOSE, Flag},    {NG_MSG_PAUSE_LEVEL, Flag},
    {NG_MSG_AUTO_SAVE, Flag},           {NG_MSG_SET_BTN_LOCK_VALUE, Flag},     {NG_MSG_VIDEO_FRAME, Video},
    {NG_MSG_ADD_TASK, Task},            {NG_MSG_SHOW_MODAL_WINDOW, Strings},
    {NG_MSG_INTERFACE_CHILD_INPUT, ChildInput}, {NG_MSG_CHARACTER_DIALOG, Dialog},
    {NG_MSG_STORY_DIALOG, Dialog}};

struct Recorder : nE_Listener
{
    std::vector<std::string> seen;
    void OnMessage(int id, void* r) override { seen.push_back(J(id) + ":" + (r ? kSent.at(id)(r) : "-")); }
};

// Answers the queries as the level, the application and the widgets would.
struct Responder : nE_Listener
{
    nE_Object* room = nullptr;
    void OnMessage(int id, void* record) override
    {
        const std::map<int, float> floats = {
            {NG_MSG_GET_HINT_TIMER, 1.5f}, {NG_MSG_GET_SKIP_TIMER, 2.5f}, {NG_MSG_GET_APP_WIDTH, 1366.9f}};
        if (floats.count(id)) static_cast<nG_MsgFloat*>(record)->value = floats.at(id);
        if (id == NG_MSG_GET_CURRENT_ROOM) static_cast<nG_MsgObject*>(record)->object = room;
        if (id == NG_MSG_GUIDE_GET_PAGE) static_cast<nG_MsgInt*>(record)->value = 7;
        if (id == NG_MSG_GET_BTN_LOCK_VALUE) static_cast<nG_MsgBool*>(record)->value = true;
    }
    void SubscribeAll(nE_Mediator& bus)
    {
        for (int id : {NG_MSG_GET_CURRENT_ROOM, NG_MSG_GUIDE_GET_PAGE, NG_MSG_GET_HINT_TIMER,
                       NG_MSG_GET_SKIP_TIMER, NG_MSG_GET_APP_WIDTH, NG_MSG_GET_BTN_LOCK_VALUE})
            bus.Subscribe(this, id);
    }
};

// What reached the platform hooks, one line per call.
std::vector<std::string> g_calls;
bool g_toggleResult = true;
float g_cursorX = 0.0f, g_cursorY = 0.0f;
// The hub the sound functions reach, as g_soundHub.
struct SoundRecorder : nE_SoundHub
{
    void PlaySound(const std::string& name, const std::string& channel, bool play, bool lookup,
                   const std::string& trigger, float fade) override
    {
        g_calls.push_back(channel + ":" + J(name, play, lookup, trigger, fade));
    }
    void SetMuted(bool) override {}
};
struct Hooks
{
    static void Quit() { g_calls.push_back("quit"); }
    static bool Toggle(bool full) { return g_calls.push_back("toggle " + J(full)), g_toggleResult; }
    static void Gamma(float gamma) { g_calls.push_back("gamma " + J(gamma)); }
    static void Cursor(bool on) { g_calls.push_back("cursor " + J(on)); }
    static void CursorAt(float* x, float* y) { *x = g_cursorX, *y = g_cursorY; }
};

// The level fixture's engine with a documents folder, recording senders and answering queries.
struct GameScriptTest : level_test::LevelFixtureBase
{
    Recorder sent;
    Responder responder;
    std::unique_ptr<EnvVar> docs;

    void SetUp() override
    {
        LevelFixtureBase::SetUp();
        docs.reset(new EnvVar("XDG_DOCUMENTS_DIR", root + "/docs"));
        for (const auto& id : kSent)
            bus.Subscribe(&sent, id.first);
        g_calls.clear();
        g_toggleResult = true;
    }
    void TearDown() override
    {
        delete g_profileList;
        delete g_settings;
        g_settings = nullptr;
        g_gameScriptServices = nG_ScriptServices();
        nE_SetCursorPosFunc(nullptr);
        LevelFixtureBase::TearDown();
        DE50::TSoundManager::Shutdown(); // IsNoSoundDevice opens the device
        docs.reset();
    }
    std::string Eval(const std::string& expression) { return LuaEval(L, expression); }
    // Both coordinates of a position table, as "x y".
    std::string Pos(const std::string& call)
    {
        return Eval("(function(p) return p[1] .. ' ' .. p[2] end)(" + call + ")");
    }
    std::string Count(const std::string& call) { return Eval("select('#', " + call + ")"); }
    std::unique_ptr<nE_Object> New(const std::string& name, float x = 0, float y = 0)
    {
        auto object = std::make_unique<nE_Object>(name);
        object->SetPos(x, y);
        object->SetInputRect(nE_Rect{0, 0, 10, 10});
        return object;
    }
    nE_Object* Make(const std::string& name, nE_Object* parent, float x = 0, float y = 0)
    {
        return nE_Attach(parent, New(name, x, y));
    }
};

TEST_F(GameScriptTest, SendersReadTheirArgumentsIntoTheirRecords)
{
    // A call and the records it sends, space separated. Flags read as each function reads
    // them (a boolean or other non-number as 0); optional and missing arguments;
    // non-string names refused.
    const std::pair<const char*, const char*> rows[] = {
        // clang-format off
        {"SwitchRoom('hall')", "75:0|0|0|0|0|0|1|hall"}, {"SwitchRoom('hall', nil)", "75:0|0|0|0|0|0|0|hall"},
        {"SwitchRoom(12)", "75:0|0|0|0|0|0|1|12"}, {"SwitchRoom('hall', 2)", "75:0|0|0|0|0|0|1|hall"},
        {"SwitchRoom('hall', -1)", "75:0|0|0|0|0|0|0|hall"}, {"SwitchRoom(nil)", ""}, {"SwitchRoom({})", ""},
        {"SwitchRoom('hall', true)", "75:0|0|0|0|0|0|0|hall"},
        {"OpenSubRoom('safe', 10, 20, 30, 40)", "75:1|0|10|20|30|40|1|safe"},
        {"OpenSubRoom('safe')", "75:1|0|0|0|0|0|1|safe"}, {"OpenSubRoom(nil, 1, 2, 3, 4)", ""},
        {"CloseSubRoom('ignored')", "75:1|1|0|0|0|0|1|"}, {"BlockSubRoomClose(true)", "77:0"},
        {"BlockSubRoomClose(0)", "77:0"}, {"SetAutoSave(2)", "80:1"}, {"SetAutoSave(true)", "80:0"},
        {"PauseLevel(2)", "79:0"}, {"PauseLevel(true)", "79:0"}, {"PauseLevel(false)", "79:0"},
        {"PauseLevel('1')", "79:1"}, {"SetBtnLockValue(true)", "66:0"}, {"SetBtnLockValue(1)", "66:1"},
        {"ShowVideoFrame(true, 'cut', true, '', 0)", "44:1|0|0|0||cut"},
        {"ShowVideoFrame(1, 'cut', 1)", "44:1|1|1|4||cut"},
        {"ShowModalWindow('m', 'w', 'c', true)", "91:m|w|c|0|0"}, {"ShowModalWindow('m', 'w', 'c')", "91:m|w|c|1|0"},
        {"AddTask('t', 2, 'hall', true)", "27:t|hall|0|2"}, {"AddTask('t', 2, 'hall', 1)", "27:t|hall|1|2"},
        {"SetInterfaceChildInput(3, true)", "88:3|0"}, {"SetInterfaceChildInput(3, 1)", "88:3|1"},
        {"ManageInterface(true, true, 'yes')", "18:0|0|0 19:0|0|0"},
        {"LockMapRoom('hall', true)", "11:hall|||0|0"},
        {"ShowMapPopup('hall', 'pic', {'a', 2, 'c'})", "4:1|pic|hall|[a,2,c]"},
        {"ShowMapPopup('hall', 'pic', {'a', 'b', {}, 'd'})", "4:1|pic|hall|[a,b]"},
        {"ShowMapPopup('hall', 'pic', 'notatable')", "4:1|pic|hall|[]"}, {"HideMapPopup()", "4:0|||null"},
        {"ManageInterface(1, 0, 1)", "18:1|0|1 19:1|0|1"}, {"ManageInterface(2, 1)", "18:0|1|0 19:0|1|0"},
        {"AddMapRoomTask('hall', 't', 'extra')", "6:hall|t||0|0"}, {"DeleteMapRoomTask('hall', 't', 'extra')", "7:hall|t||0|0"},
        {"LockMapRoom('hall', 1)", "11:hall|||0|1"}, {"LockMapRoom('hall', 2)", "11:hall|||0|0"},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.first);
        sent.seen.clear();
        Lua(std::string("assert(select('#', ") + row.first + ") == 0)");
        EXPECT_EQ(row.second, JoinAll(sent.seen, " "));
    }
    // One line per function and argument given a non-number, however often.
    EXPECT_EQ(14, log.CountStartingWith("Warning: ") - log.CountStartingWith("Warning: AddTask: no room"));
    EXPECT_TRUE(
        log.Has("Warning: ShowVideoFrame: argument 3 expects a number (1 or 0), not boolean; it reads as 0"));
    EXPECT_TRUE(
        log.Has("Warning: ManageInterface: argument 3 expects a number (1 or 0), not string; it reads as 0"));

    g_mediator = nullptr; // senders and queries without a bus
    Lua("SwitchRoom('a'); ShowMapPopup('a', 'b', {'c'}); ManageInterface(1, 1, 1)");
    EXPECT_EQ("0", Count("GetCurrentRoom()"));
    EXPECT_EQ("0", Eval("GetAppWidth()"));
    g_mediator = &bus;
}

// The four texts of a dialog land in their own fields: a continue call read as
// the skip call would run the skip button's code on every click.
TEST_F(GameScriptTest, DialogSendersPlaceEachArgumentInItsField)
{
    const std::pair<const char*, const char*> rows[] = {
        {"ShowCharacterDialog('line', 'mage', 'next()', 'skip()', 512, 640)", "41:1|next()|skip()|mage|line|512|640"},
        {"ShowCharacterDialog('line', 'mage', 'next()')", "41:1|next()||mage|line|0|0"},
        {"CloseCharacterDialog('line', 'mage')", "41:0|||||0|0"},
        {"ShowStoryDialog('page', 'who', 'next()', 'skip()', 512, 640)", "48:1|next()|skip()|who|page|0|0"},
        {"CloseStoryDialog()", "48:0|||||0|0"}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.first);
        sent.seen.clear();
        Lua(std::string("assert(select('#', ") + row.first + ") == 0)");
        EXPECT_EQ(row.second, JoinAll(sent.seen, " "));
    }
}

// Each name that finds nothing is reported once; the message goes out all the same.
TEST_F(GameScriptTest, InventoryAndTaskCallsNameWhatTheyDoNotFind)
{
    Make("key", g_scene->GetOrigin());
    Make("lamp", g_scene->GetOrigin());
    auto hall = std::make_unique<nG_Room>();
    hall->SetName("hall");
    g_scene->AttachObject(g_scene->GetStorage(), std::move(hall));
    Lua("AddObjectToInv('key', '', ''); AddObjectToInv('nosuch_inv', '', ''); AddObjectToInv('nosuch_inv');"
        "AddTask('t1', 1, 'hall'); AddTask('t2', 1, 'nosuchroom'); AddTask('t3', 1, 'nosuchroom');"
        "AddTask('t4', 1, 'lamp')");
    EXPECT_EQ((std::vector<std::string>{
                  "Warning: AddObjectToInv: no object named \"nosuch_inv\"; the call does nothing",
                  "Warning: AddTask: no room named \"nosuchroom\" for task \"t2\"; its line never shows",
                  "Warning: AddTask: no room named \"lamp\" for task \"t4\"; its line never shows"}),
              log.lines);
}

// No application answers the transform here: design space is the screen
// (the scaled case is the application's test). Unknown objects have no position.
TEST_F(GameScriptTest, QueriesAnswerOrGiveTheirInitialValues)
{
    const std::string queries = "GetSkipTimer() .. GetHintTimer() .. StrategyGuideGetPage() .. "
                                "GetBtnLockValue() .. GetAppWidth()";
    EXPECT_EQ("0", Count("GetCurrentRoom()"));
    EXPECT_EQ("00000", Eval(queries));
    Make("box", g_scene->GetOrigin(), 30, 40);
    Make("ref", g_scene->GetOrigin(), 5, 5);
    EXPECT_EQ("30 40|30 40|25 35", Pos("GetObjPosByObj('box')") + "|" + Pos("GetObjPosByObj('box', '')") + "|" +
                                       Pos("GetObjPosByObj('box', 'ref')"));
    EXPECT_EQ("000", Eval("select('#', GetObjPosByObj('nobody')) .. select('#', GetObjPosByObj('box', 'nobody')) "
                          ".. select('#', GetObjPosByObj())"));
    nE_SetCursorPosFunc(Hooks::CursorAt);
    g_cursorX = 12, g_cursorY = 34;
    EXPECT_EQ("12 34", Pos("GetGameCursorPos()"));
    EXPECT_TRUE(sent.seen.empty());

    responder.SubscribeAll(bus);
    responder.room = Make("hall", g_scene->GetOrigin());
    EXPECT_EQ("hall", Eval("GetCurrentRoom()"));
    EXPECT_EQ("2.51.5711366", Eval(queries));
    EXPECT_EQ("1", Count("GetAppWidth()"));
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
    EXPECT_EQ("true true 1", Eval("tostring(ApplyObj('key', 'door')) .. ' ' .. tostring(ApplyObj('key', 'hall')) "
                                  ".. ' ' .. select('#', ApplyObj('key', 'door'))"));
    // No overlap, not in the room, unknown held object or target, missing or wrong arguments.
    for (const char* call : {"ApplyObj('far', 'door')", "ApplyObj('key', 'elsewhere')", "ApplyObj('nobody', 'door')",
                             "ApplyObj('key', 'nobody')", "ApplyObj('key')", "ApplyObj({}, true)"})
        EXPECT_EQ("false", Eval(call)) << call;
    layers->SetInput(false);
    EXPECT_EQ("false", Eval("ApplyObj('key', 'door')")); // room layers take no input
    layers->SetInput(true);

    // No current room; a room without a parent, or whose parent has none, that holds a "door".
    std::unique_ptr<nE_Object> loose = New("loose"), top = New("top");
    nE_Object* orphanRoom = Make("orphan_room", top.get());
    for (nE_Object* room : {(nE_Object*)nullptr, loose.get(), orphanRoom})
    {
        if (room) room->AddChild(New("door"));
        responder.room = room;
        EXPECT_EQ("false", Eval("ApplyObj('key', 'door')"));
    }
}

// Before the settings exist the getters give the defaults and the setters do nothing.
TEST_F(GameScriptTest, SettingsFunctionsAndScreenFlags)
{
    EXPECT_EQ("false 1", Eval("tostring(SetFullScreen(true)) .. ' ' .. GetGamma()"));
    Lua("SetGamma(2); SetPerformanceMode(3); SaveSettings()");
    EXPECT_FALSE(Exists("settings.xml"));

    g_settings = new nG_Settings(); // full screen by default
    EXPECT_EQ("true", Eval("SetFullScreen(true)"));
    EXPECT_EQ("false", Eval("SetFullScreen(false)")); // without a toggle callback nothing can change
    g_gameScriptServices.toggleFullscreen = Hooks::Toggle;
    g_gameScriptServices.setGamma = Hooks::Gamma;
    g_gameScriptServices.setSystemCursor = Hooks::Cursor;
    // Lua truth: only nil and false are false, so 0, "0" and a table keep full screen untouched.
    for (const char* on : {"0", "1", "'0'", "'false'", "{}"})
        EXPECT_EQ("true", Eval(std::string("SetFullScreen(") + on + ")")) << on;
    for (const char* off : {"false", "nil"})
        EXPECT_EQ("true", Eval(std::string("SetFullScreen(") + off + ")")) << off;
    g_toggleResult = false;
    EXPECT_EQ("false true", Eval("tostring(SetFullScreen()) .. ' ' .. tostring(GetFullScreen())"));
    // A number or a string is named once per function and argument, with what Lua made of it.
    EXPECT_TRUE(log.Has("Warning: SetFullScreen: argument 1 is the number 0, which Lua reads as true; pass true or "
                        "false"));
    EXPECT_EQ(1, log.CountStartingWith("Warning: SetFullScreen: argument 1"));

    Lua("SetGamma(1.75); SetPerformanceMode(2); SetSysCursor(false); SetSoundVolume('sfx', 2); "
        "SetSoundVolume('voice', 0.25); SetSysCursor('0'); SetGamma(0/0); SetSoundVolume('voice', 0/0)");
    EXPECT_TRUE(log.Has("Warning: SetSysCursor: argument 1 is the string \"0\", which Lua reads as true; pass true "
                        "or false"));
    EXPECT_EQ("1.75 2 true 1 0.25 0",
              Eval("GetGamma() .. ' ' .. GetPerformanceMode() .. ' ' .. tostring(GetSysCursor()) .. ' ' .. "
                   "GetSoundVolume('sfx') .. ' ' .. GetSoundVolume('voice') .. ' ' .. GetSoundVolume('nope')"));
    EXPECT_TRUE(log.Has("Warning: SetGamma: the gamma is not a finite number; it is not changed."));
    EXPECT_TRUE(log.Has("Warning: SetSoundVolume: the volume of \"voice\" is not a number; it is not changed."));
    std::vector<std::string> calls(3, "toggle 0");
    calls.insert(calls.end(), {"gamma 1.75", "cursor 0", "cursor 1"});
    EXPECT_EQ(calls, g_calls);
    Lua("SaveSettings()");
    EXPECT_NE(std::string::npos, OnDisk("settings.xml").find("1.75"));
}

// The list's own rules are the profile tests'; here what the script side adds.
TEST_F(GameScriptTest, ProfileFunctions)
{
    EXPECT_EQ("ng_noprofiles 0", Eval("GetCurrentProfile() .. ' ' .. AddProfile('anna')")); // no list yet
    g_profileList = new nG_ProfileList();
    EXPECT_EQ("1", Eval("AddProfile('anna')"));
    for (const char* refused : {"'anna'", "'a/b'", "nil", "{}", "true"})
        EXPECT_EQ("0", Eval(std::string("AddProfile(") + refused + ")")) << refused;
    Lua("SetCurrentProfile('ANNA')");
    EXPECT_EQ("ng_noprofiles", Eval("GetCurrentProfile()"));
    Lua("SetCurrentProfile('anna'); ng_global = {n = 1234567.5}; SaveProfiles(); ng_global = {}");
    EXPECT_EQ("1 1234567.5", Eval("LoadCurrentProfile() .. ' ' .. ng_global.n"));
    Lua("DeleteProfile('anna')");
    EXPECT_EQ("0 0", Eval("#GetProfileList() .. ' ' .. LoadCurrentProfile()"));
    EXPECT_FALSE(Exists("p_anna.xml"));
}

// Quit asks the platform to end the program; positions of unknown objects are
// nothing. The deprecated names are among the functions called.
TEST_F(GameScriptTest, EveryFunctionSurvivesMissingNilAndWrongArguments)
{
    g_settings = new nG_Settings();
    g_profileList = new nG_ProfileList();
    Make("box", g_scene->GetOrigin());
    DE50::Test::SetUrlOpener([](const std::string&) { return false; }); // never the desktop's browser
    size_t count = 0;
    const nE_ScriptFunction* table = nG_GetScriptApiTable(&count);
    script_probe::EveryFunction(L, table, count, {"Quit"}, {"GetObjPosByObj"});
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

TEST_F(DocumentsTest, CopyReplacesByFileNameWallpaperFailsAndTheBrowserGoesThroughTheLibrary)
{
    Lua("assert(select('#', CopyFileToMyDocs('pics/pic.png')) == 0)");
    EXPECT_EQ("first", Copied());
    std::ofstream("pics/pic.png", std::ios::binary) << "second";
    Lua("CopyFileToMyDocs('pics/pic.png'); CopyFileToMyDocs('pics/missing.png'); CopyFileToMyDocs('pics/'); "
        "CopyFileToMyDocs(nil)");
    EXPECT_EQ("second", Copied());
    EXPECT_EQ(3, log.CountStartingWith("Warning: CopyFileToMyDocs"));

    EXPECT_EQ("0", Eval("select('#', SetWallpaper('pics/pic.png'))"));
    EXPECT_EQ(1, log.CountStartingWith("Warning: SetWallpaper"));

    std::vector<std::string> opened;
    DE50::Test::SetUrlOpener([&](const std::string& url) { return opened.push_back(url), url != "refused://"; });
    Lua("assert(select('#', OpenBrowser('https://example.org/a?b=1')) == 0)");
    EXPECT_EQ(std::vector<std::string>{"https://example.org/a?b=1"}, opened);
    EXPECT_EQ(0, log.CountStartingWith("Warning: OpenBrowser"));
    // Addresses the library refuses are reported; an empty one never reaches the opener.
    Lua("OpenBrowser('refused://'); OpenBrowser(''); OpenBrowser(nil)");
    EXPECT_EQ(2u, opened.size());
    EXPECT_EQ(3, log.CountStartingWith("Warning: OpenBrowser"));

    EXPECT_EQ(root + "/docs", nG_DocumentsFolder());
    unsetenv("XDG_DOCUMENTS_DIR");
    const char* home = std::getenv("HOME");
    EXPECT_EQ(home ? std::string(home) + "/Documents" : std::string(), nG_DocumentsFolder());
}

TEST_F(GameScriptTest, SoundAndQuitGoThroughTheirHooks)
{
    Lua("Quit()"); // no hook yet: nothing happens
    SoundRecorder hub;
    nE_SoundHub* kept = g_soundHub; // a hub an earlier test made stays its owner's
    g_soundHub = &hub;
    g_gameScriptServices.quit = Hooks::Quit;
    // A channel per function; plays only from a leading digit other than 0; only effects are looked up.
    Lua("PlaySfx('click', '1', 'done()', 2); PlayEnv('wind', 1, ''); PlayEnv('wind', 'x1', ''); "
        "PlaySoundtrack('theme', '12abc', 't()'); PlayVoice('line', 0, 'v()', 0.5); PlayVoice(); "
        "PlayEnv('wind', '-1', ''); PlayEnv('wind', -1, ''); PlayEnv('wind', ' 1', ''); Quit(1)");
    EXPECT_EQ(
        (std::vector<std::string>{"sfx:click|1|1|done()|2", "env:wind|1|0||0", "env:wind|0|0||0",
                                  "soundtrack:theme|1|0|t()|0", "voice:line|0|0|v()|0.5", "voice:|0|0||0",
                                  "env:wind|0|0||0", "env:wind|0|0||0", "env:wind|0|0||0", "quit"}),
        g_calls);
    g_soundHub = kept;
    // The test environment runs OpenAL on its null back end, which is a device.
    EXPECT_EQ("number", Eval("type(IsNoSoundDevice())"));
}

} // namespace
