#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
struct LogLines : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
};

nE_Object* MakePlain()
{
    return new nE_Object();
}

struct ScriptApiFixture : testing::Test
{
    nE_Mediator bus;
    LogLines log;
    lua_State* L = nullptr;

    void SetUp() override
    {
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        nE_RegisterObjectType("obj", MakePlain);
        L = nE_EngineContext::Instance()->GetLua();
        ASSERT_NE(nullptr, L);
        nE_RegisterScriptApi();
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        g_scriptMediaHooks = nE_ScriptMediaHooks();
        g_atGlobalForces = nE_AtGlobalForces();
        nE_SetFpsFunc(nullptr);
        nE_SetCursorPosFunc(nullptr);
        bus.UnsubscribeAll(&log);
        g_mediator = nullptr;
    }

    void Run(const std::string& code)
    {
        int top = lua_gettop(L);
        if (luaL_dostring(L, code.c_str()) != 0) ADD_FAILURE() << code << ": " << lua_tostring(L, -1);
        lua_settop(L, top);
    }
    // Evaluates a Lua expression to text ("nil" for nil, "true"/"false").
    std::string Eval(const std::string& expression)
    {
        int top = lua_gettop(L);
        std::string out = "<error>";
        if (luaL_dostring(L, ("return tostring(" + expression + ")").c_str()) == 0)
            out = lua_tostring(L, -1);
        else
            ADD_FAILURE() << expression << ": " << lua_tostring(L, -1);
        lua_settop(L, top);
        return out;
    }
    nE_Object* Find(const std::string& name) { return g_scene->FindObject(name); }
    nE_Object* Make(const std::string& name, nE_Object* parent)
    {
        nE_Object* object = new nE_Object(name);
        g_scene->AttachObject(parent, object);
        return object;
    }
    bool Logged(const std::string& text) const
    {
        for (const std::string& line : log.lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

// ---- every function against missing, nil and wrong-typed arguments ----

struct ProbeRecord
{
    int returned = -1;
    int top = -1;
};
ProbeRecord g_probe;

// Calls the handler inside a protected Lua frame and records what it left.
int Probe(lua_State* L)
{
    size_t count = 0;
    const nE_ScriptFunction* table = nE_GetScriptApiTable(&count);
    size_t index = static_cast<size_t>(lua_tointeger(L, lua_upvalueindex(1)));
    int returned = table[index].handler(L);
    g_probe.returned = returned;
    g_probe.top = lua_gettop(L);
    return returned;
}

typedef std::function<void(lua_State*)> ArgPusher;

void PushTrap(lua_State* L)
{
    // A table whose metamethods raise errors: handlers must never run them.
    luaL_dostring(L, "local t = setmetatable({}, {__index = function() error('trap') end, "
                     "__newindex = function() error('trap') end}); return t");
}

const std::vector<std::pair<std::string, ArgPusher>>& ArgumentSets()
{
    static const std::vector<std::pair<std::string, ArgPusher>> sets = {
        {"none", [](lua_State*) {}},
        {"nils",
         [](lua_State* L)
         {
             for (int i = 0; i < 6; ++i)
                 lua_pushnil(L);
         }},
        {"tables",
         [](lua_State* L)
         {
             for (int i = 0; i < 6; ++i)
                 lua_newtable(L);
         }},
        {"booleans",
         [](lua_State* L)
         {
             for (int i = 0; i < 6; ++i)
                 lua_pushboolean(L, i % 2);
         }},
        {"numbers",
         [](lua_State* L)
         {
             for (int i = 0; i < 6; ++i)
                 lua_pushnumber(L, i == 2 ? 1e300 : -i - 0.5);
         }},
        {"nan",
         [](lua_State* L)
         {
             for (int i = 0; i < 6; ++i)
                 lua_pushnumber(L, std::numeric_limits<double>::quiet_NaN());
         }},
        {"strings",
         [](lua_State* L)
         {
             for (int i = 0; i < 6; ++i)
                 lua_pushstring(L, "");
         }},
        {"functions",
         [](lua_State* L)
         {
             for (int i = 0; i < 6; ++i)
                 lua_pushcfunction(L, Probe);
         }},
        {"traps",
         [](lua_State* L)
         {
             lua_pushstring(L, "box");
             for (int i = 0; i < 5; ++i)
                 PushTrap(L);
         }},
    };
    return sets;
}

// Result types by function; every other function returns nothing.
const std::map<std::string, std::string>& DocumentedResults()
{
    static const std::map<std::string, std::string> results = {
        {"ObjGet", "table"},
        {"ObjIntersect", "boolean"},
        {"TrgGet", "nil"},
        {"CursorPosX", "number"},
        {"CursorPosY", "number"},
        {"TimerGetTime", "number"},
        {"GetEngineVersion", "string"},
        {"GetFPS", "number"},
    };
    return results;
}

TEST_F(ScriptApiFixture, RegistersFiftyNamesInTheGlobalTable)
{
    size_t count = 0;
    const nE_ScriptFunction* table = nE_GetScriptApiTable(&count);
    ASSERT_EQ(50u, count);
    std::set<std::string> names;
    for (size_t i = 0; i < count; ++i)
    {
        names.insert(table[i].name);
        lua_getglobal(L, table[i].name);
        EXPECT_EQ(table[i].handler, lua_tocfunction(L, -1)) << table[i].name;
        lua_pop(L, 1);
    }
    EXPECT_EQ(50u, names.size());
    EXPECT_EQ("true", Eval("ObjDetach ~= nil and ObjDelete ~= nil"));
    EXPECT_EQ(0, lua_gettop(L));
}

TEST_F(ScriptApiFixture, EveryFunctionSurvivesMissingNilAndWrongArguments)
{
    Make("box", g_scene->GetOrigin());
    size_t count = 0;
    const nE_ScriptFunction* table = nE_GetScriptApiTable(&count);
    for (size_t i = 0; i < count; ++i)
    {
        auto documented = DocumentedResults().find(table[i].name);
        for (const auto& set : ArgumentSets())
        {
            SCOPED_TRACE(std::string(table[i].name) + " with " + set.first);
            lua_settop(L, 0);
            g_probe = ProbeRecord();
            lua_pushinteger(L, static_cast<lua_Integer>(i));
            lua_pushcclosure(L, Probe, 1);
            set.second(L);
            int nargs = lua_gettop(L) - 1;
            ASSERT_EQ(0, lua_pcall(L, nargs, LUA_MULTRET, 0)) << lua_tostring(L, -1);
            EXPECT_EQ(g_probe.returned, g_probe.top) << "stack not cleared";
            if (documented == DocumentedResults().end())
            {
                EXPECT_EQ(0, lua_gettop(L));
                continue;
            }
            ASSERT_EQ(1, lua_gettop(L));
            EXPECT_EQ(documented->second, lua_typename(L, lua_type(L, 1)));
        }
    }
    lua_settop(L, 0);
    // What a script sees: the documented counts, whatever it passed.
    EXPECT_EQ("0", Eval("select('#', ObjSet(nil, 5, {}))"));
    EXPECT_EQ("1", Eval("select('#', TrgGet({}, {}))"));
    EXPECT_NE(nullptr, Find("box"));
}

TEST_F(ScriptApiFixture, HandlersClearOnlyTheirOwnFrame)
{
    Make("box", g_scene->GetOrigin());
    // Calls nested inside a table constructor and an argument list must not
    // disturb the values the caller has already built.
    Run("t = {1, 2, ObjSet('box', {pos_x = 3}), 4, TrgExecute(''), DbgTrace('x'), 7}");
    EXPECT_EQ("7", Eval("t[7]"));
    EXPECT_EQ("2", Eval("t[2]"));
    Run("u = {10, 20, ObjGet('box').pos_x, TimerGetTime('none'), GetEngineVersion()}");
    EXPECT_EQ("3", Eval("u[3]"));
    EXPECT_EQ("0.3", Eval("u[5]"));
}

// ---- objects ----

TEST_F(ScriptApiFixture, CreateSetGetDeleteAndAttachBackKeepProperties)
{
    Run("ObjCreate('obj', 'box')");
    nE_Object* box = Find("box");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(g_scene->GetStorage(), box->GetParent());
    EXPECT_FALSE(box->AreResourcesLoaded());

    Run("ObjSet('box', {pos_x = 5, pos_y = '7', visible = false, event_mdown = 'open(1)'})");
    EXPECT_FLOAT_EQ(5.0f, box->GetX());
    EXPECT_FLOAT_EQ(7.0f, box->GetY());
    EXPECT_FALSE(box->IsVisible());
    EXPECT_EQ("open(1)", box->GetEventCode(NE_EVENT_MDOWN));

    Run("ObjAttach('box', 'ne_origin')");
    EXPECT_EQ(g_scene->GetOrigin(), box->GetParent());
    EXPECT_TRUE(box->AreResourcesLoaded());

    Run("ObjDelete('box')");
    ASSERT_EQ(box, Find("box"));
    EXPECT_EQ(g_scene->GetStorage(), box->GetParent());
    EXPECT_FALSE(box->AreResourcesLoaded());

    Run("ObjAttach('box', 'ne_origin')");
    EXPECT_EQ(g_scene->GetOrigin(), box->GetParent());
    Run("g = ObjGet('box')");
    EXPECT_EQ("5", Eval("g.pos_x"));
    EXPECT_EQ("false", Eval("g.visible"));
    EXPECT_EQ("open(1)", Eval("g.event_mdown"));
    EXPECT_EQ("0", Eval("g.draw_width"));
    EXPECT_EQ("box", Eval("g.name"));
}

TEST_F(ScriptApiFixture, SetNeedsATableAndGetOfUnknownIsEmpty)
{
    nE_Object* box = Make("box", g_scene->GetOrigin());
    box->SetX(2.0f);
    Run("ObjSet('box', 'pos_x')");
    Run("ObjSet('box', 9, {pos_x = 4})");
    Run("ObjSet('box')");
    EXPECT_FLOAT_EQ(2.0f, box->GetX());
    Run("ObjSet('box', {})");
    EXPECT_FLOAT_EQ(2.0f, box->GetX());
    EXPECT_EQ("table", Eval("type(ObjGet('nobody'))"));
    EXPECT_EQ("nil", Eval("next(ObjGet('nobody'))"));
    EXPECT_EQ("nil", Eval("next(ObjGet())"));
}

TEST_F(ScriptApiFixture, CreateOfUnknownTypeMakesNothing)
{
    Run("ObjCreate('nosuchtype', 'ghost')");
    Run("ObjCreate(nil, 'ghost2')");
    EXPECT_EQ(nullptr, Find("ghost"));
    EXPECT_EQ(nullptr, Find("ghost2"));
    EXPECT_EQ(0, g_scene->GetStorage()->GetChildCount());
}

TEST_F(ScriptApiFixture, SelfRootAndCycleAttachesAreRefused)
{
    nE_Object* a = Make("a", g_scene->GetOrigin());
    nE_Object* b = Make("b", a);
    nE_Object* c = Make("c", b);
    Run("ObjAttach('a', 'a')");
    Run("ObjAttach('a', 'c')");
    Run("ObjAttach('b', 'c')");
    Run("ObjAttach('ne_origin', 'a')");
    Run("ObjAttach('ne_storage', 'c')");
    Run("ObjAttach('ne_origin', 'ne_storage')");
    Run("ObjDelete('ne_origin')");
    Run("ObjDetach('ne_storage')");
    EXPECT_EQ(g_scene->GetOrigin(), a->GetParent());
    EXPECT_EQ(a, b->GetParent());
    EXPECT_EQ(b, c->GetParent());
    EXPECT_EQ(nullptr, g_scene->GetOrigin()->GetParent());
    EXPECT_EQ(nullptr, g_scene->GetStorage()->GetParent());
    EXPECT_EQ(1, g_scene->GetOrigin()->GetChildCount());
    EXPECT_EQ(0, g_scene->GetStorage()->GetChildCount());
    // A legal move still works afterwards.
    Run("ObjAttach('c', 'a')");
    EXPECT_EQ(a, c->GetParent());
}

TEST_F(ScriptApiFixture, IntersectAnswersFalseForUnknownNames)
{
    nE_Object* a = Make("a", g_scene->GetOrigin());
    nE_Object* b = Make("b", g_scene->GetOrigin());
    a->SetInputRect(nE_Rect{0, 0, 10, 10});
    b->SetInputRect(nE_Rect{5, 5, 10, 10});
    EXPECT_EQ("true", Eval("ObjIntersect('a', 'b')"));
    b->SetPos(50, 50);
    EXPECT_EQ("false", Eval("ObjIntersect('a', 'b')"));
    EXPECT_EQ("false", Eval("ObjIntersect('a', 'nobody')"));
    EXPECT_EQ("false", Eval("ObjIntersect()"));
}

TEST_F(ScriptApiFixture, AnimateReadsNumbersUpToTheFirstNonNumber)
{
    nE_Object* box = Make("box", g_scene->GetOrigin());
    nE_TimeStep step;
    step.step = 0.5f;
    // Kind 0 takes three numbers per key: two numbers make no key, so the
    // tween is born finished and x keeps its value. Reading past "x" would
    // have made a key that sets x to 4.
    Run("ObjAnimate('box', 0, 0, 0, 'done', {1, 2, 'x', 4})");
    EXPECT_EQ(1, box->GetTweenCount());
    box->Update(&step);
    EXPECT_FLOAT_EQ(0.0f, box->GetX());
    EXPECT_EQ(0, box->GetTweenCount());

    // {0, 0, 7, 'x', 1, 0, 9}: one key at 7, the second key is never read.
    Run("ObjAnimate('box', 0, 0, 0, ' ', {0, 0, 7, 'x', 1, 0, 9})");
    box->Update(&step);
    EXPECT_FLOAT_EQ(7.0f, box->GetX());
}

TEST_F(ScriptApiFixture, AnimateWithoutTriggerTakesTheArrayFifthAndPostsNothing)
{
    nE_Object* box = Make("box", g_scene->GetOrigin());
    nE_TimeStep step;
    step.step = 0.5f;
    Run("ObjAnimate('box', 3, 0, 0, {0, 0, 1, 2, 1, 0, 3, 4})");
    ASSERT_EQ(1, box->GetTweenCount());
    box->Update(&step);
    EXPECT_FLOAT_EQ(2.0f, box->GetX());
    EXPECT_FLOAT_EQ(3.0f, box->GetY());
    box->Update(&step);
    box->Update(&step);
    EXPECT_EQ(0, box->GetTweenCount());
    g_triggerManager->Update();
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
}

TEST_F(ScriptApiFixture, AnimateEndTriggerIsPostedWithTheObjectAsSender)
{
    nE_Object* box = Make("box", g_scene->GetOrigin());
    g_triggerManager->AddTrigger(std::make_unique<nE_Trigger>("done", "who = ne_params.sender"));
    Run("ObjAnimate('box', 8, 0, 0, 'done', {0, 0, 1})");
    nE_TimeStep step;
    step.step = 0.1f;
    box->Update(&step);
    g_triggerManager->Update();
    EXPECT_EQ("box", Eval("who"));
}

TEST_F(ScriptApiFixture, AnimateWithUnknownKindOrNoArrayDoesNothing)
{
    nE_Object* box = Make("box", g_scene->GetOrigin());
    Run("ObjAnimate('box', 15, 0, 0, 'done', {0, 0, 1})");
    Run("ObjAnimate('box', -1, 0, 0, 'done', {0, 0, 1})");
    Run("ObjAnimate('box', 0, 0, 0, 'done', 'not a table')");
    Run("ObjAnimate('box', 0, 0, 0, 'done')");
    Run("ObjAnimate('nobody', 0, 0, 0, 'done', {0, 0, 1})");
    EXPECT_EQ(0, box->GetTweenCount());
    Run("ObjAnimate('box', 0, 1, 0, 'done', {0, 0, 1, 1, 0, 2})");
    EXPECT_EQ(1, box->GetTweenCount());
    Run("ObjStopAnimate('box', 0)");
    EXPECT_EQ(0, box->GetTweenCount());
}

TEST_F(ScriptApiFixture, DragFunctionsReachTheScene)
{
    nE_Object* box = Make("box", g_scene->GetOrigin());
    Run("ObjStartDrag('box')");
    EXPECT_EQ(box, g_draggedObject);
    Run("ObjStopDrag()");
    EXPECT_TRUE(g_scene->IsDropPending());
    Run("ObjDoNotDrop()");
    EXPECT_TRUE(g_scene->IsDoNotDrop());
    nE_TimeStep step;
    g_scene->Update(&step);
    EXPECT_EQ(box, g_draggedObject);
    Run("ObjStartDrag('nobody')");
    EXPECT_EQ(box, g_draggedObject);
}

// ---- triggers, modules, log ----

TEST_F(ScriptApiFixture, TrgGetSetDelete)
{
    g_triggerManager->AddTrigger(std::make_unique<nE_Trigger>("t1", "x = 1"));
    EXPECT_EQ("nil", Eval("TrgGet('nobody')"));
    EXPECT_EQ("nil", Eval("TrgGet()"));
    EXPECT_EQ("t1", Eval("TrgGet('t1').name"));
    EXPECT_EQ("x = 1", Eval("TrgGet('t1').code"));

    Run("TrgSet('t1', {code = 42})");
    Run("TrgSet('t1', {code = true})");
    Run("TrgSet('t1', {})");
    Run("TrgSet('t1', 'x = 2')");
    EXPECT_EQ("x = 1", g_triggerManager->GetTrigger("t1")->GetCode());
    Run("TrgSet('t1', {code = 'x = 3'})");
    EXPECT_EQ("x = 3", g_triggerManager->GetTrigger("t1")->GetCode());
    Run("TrgExecute('t1')");
    EXPECT_EQ("3", Eval("x"));

    Run("TrgDelete('t1')");
    EXPECT_EQ(nullptr, g_triggerManager->GetTrigger("t1"));
    EXPECT_EQ("nil", Eval("TrgGet('t1')"));
}

TEST_F(ScriptApiFixture, TrgExecuteRunsAtOnceWithUndefSender)
{
    g_triggerManager->AddTrigger(
        std::make_unique<nE_Trigger>("t", "s = ne_params.sender; p = ne_params.param_0"));
    Run("TrgExecute('t(abc)'); after = s");
    EXPECT_EQ("ne_undef", Eval("after"));
    EXPECT_EQ("abc", Eval("p"));
    Run("TrgExecute('')");
    Run("TrgExecute(nil)");
    EXPECT_TRUE(log.lines.empty());
    Run("TrgExecute('missing(1)')");
    EXPECT_TRUE(Logged("Error: object ne_undef try to call trigger missing - no such trigger"));
}

TEST_F(ScriptApiFixture, DbgTraceLogsTheTextAndModLoadOfMissingFileIsSilent)
{
    Run("DbgTrace('hello ' .. 1)");
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ("hello 1", log.lines[0]);
    Run("ModLoad('no/such/module')");
    EXPECT_EQ(1u, log.lines.size());
}

// ---- timers ----

TEST_F(ScriptApiFixture, TimerFunctionsMapOntoTheTimerManager)
{
    Run("TimerStart('watch', '', 0)");
    Run("TimerStart('count', 'nothing()', 5)");
    g_timerManager->Advance(1.0f);
    EXPECT_EQ("1", Eval("TimerGetTime('watch')"));
    EXPECT_EQ("4", Eval("TimerGetTime('count')"));
    EXPECT_EQ("0", Eval("TimerGetTime('nobody')"));

    Run("TimerAddTag('watch', 'room'); TimerAddTag('count', 'room')");
    Run("TimerPauseByTag('room', 1)");
    g_timerManager->Advance(1.0f);
    EXPECT_EQ("1", Eval("TimerGetTime('watch')"));
    Run("TimerPause('watch', 0)");
    g_timerManager->Advance(1.0f);
    EXPECT_EQ("2", Eval("TimerGetTime('watch')"));
    EXPECT_EQ("4", Eval("TimerGetTime('count')"));

    Run("TimerRemoveTag('watch', 'room')");
    Run("TimerStopByTag('room')");
    g_timerManager->Advance(0.0f);
    EXPECT_EQ(1u, g_timerManager->GetCount());
    Run("TimerStop('watch')");
    g_timerManager->Advance(0.0f);
    EXPECT_EQ(0u, g_timerManager->GetCount());
}

// ---- global forces, version, frame rate ----

TEST_F(ScriptApiFixture, AtGlobalForceSetReadsOnlyATableAndKeepsAbsentFields)
{
    Run("AtGlobalForceSet('air_counterforce')");
    Run("AtGlobalForceSet(nil, {air_counterforce = 1})");
    EXPECT_FLOAT_EQ(0.05f, g_atGlobalForces.airCounterforce);
    Run("AtGlobalForceSet({air_counterforce = 0.5, gravity_force = {1, 2, 3}, rand_wind_max_force = 4})");
    EXPECT_FLOAT_EQ(0.5f, g_atGlobalForces.airCounterforce);
    EXPECT_FLOAT_EQ(1.0f, g_atGlobalForces.gravityForce.x);
    EXPECT_FLOAT_EQ(2.0f, g_atGlobalForces.gravityForce.y);
    EXPECT_FLOAT_EQ(3.0f, g_atGlobalForces.gravityForce.z);
    EXPECT_FLOAT_EQ(4.0f, g_atGlobalForces.randWindMaxForce);
    EXPECT_FLOAT_EQ(0.0f, g_atGlobalForces.windForce.x);
    EXPECT_FLOAT_EQ(2.0f, g_atGlobalForces.randWindMaxChangeTime);
}

float InfiniteFps()
{
    return std::numeric_limits<float>::infinity();
}
float SixtyFps()
{
    return 60.0f;
}

TEST_F(ScriptApiFixture, VersionAndFrameRate)
{
    EXPECT_EQ("0.3", Eval("GetEngineVersion()"));
    EXPECT_EQ("0", Eval("GetFPS()"));
    nE_SetFpsFunc(InfiniteFps);
    EXPECT_EQ("0", Eval("GetFPS()"));
    nE_SetFpsFunc(SixtyFps);
    EXPECT_EQ("60", Eval("GetFPS()"));
    Run("CheaterReset(1, 2, {})");
}

// ---- media functions through their hooks ----

std::vector<std::string> g_calls;

std::string Name(nE_Object* object)
{
    return object->GetName();
}

void InstallRecordingHooks()
{
    g_calls.clear();
    nE_ScriptMediaHooks& h = g_scriptMediaHooks;
    h.playSound = [](const std::string& name, const std::string& channel, bool play, bool lookup,
                     const std::string& trigger, float fade)
    {
        g_calls.push_back("play " + name + "|" + channel + "|" + std::to_string(play) +
                          std::to_string(lookup) + "|" + trigger + "|" + std::to_string(fade));
    };
    h.stopSound = [](const std::string& name, float fade)
    { g_calls.push_back("stop " + name + "|" + std::to_string(fade)); };
    h.pauseAllSounds = [](bool pause) { g_calls.push_back("pauseall " + std::to_string(pause)); };
    h.anmPlay = [](nE_Object* o, const std::string& a, const std::string& t)
    { g_calls.push_back("anmplay " + Name(o) + "|" + a + "|" + t); };
    h.flashAnmPause = [](nE_Object* o, bool p)
    { g_calls.push_back("flashpause " + Name(o) + std::to_string(p)); };
    h.vidPlay = [](nE_Object* o, const std::string& t) { g_calls.push_back("vidplay " + Name(o) + "|" + t); };
    h.psSetMaskObj = [](nE_Object* o, nE_Object* m) { g_calls.push_back("mask " + Name(o) + "|" + Name(m)); };
    h.psStart = [](nE_Object* o) { g_calls.push_back("psstart " + Name(o)); };
    h.psPause = [](nE_Object* o, bool p) { g_calls.push_back("pspause " + Name(o) + std::to_string(p)); };
    h.psStop = [](nE_Object* o, bool now) { g_calls.push_back("psstop " + Name(o) + std::to_string(now)); };
    h.setCursor = [](int index) { g_calls.push_back("cursor " + std::to_string(index)); };
}

TEST_F(ScriptApiFixture, SoundArgumentsFollowTheConvention)
{
    InstallRecordingHooks();
    Run("SndPlay('door', 'sfx', '1', '0', 'end')");
    Run("SndPlay('door', 'sfx', 1, 'x', nil, 2)");
    Run("SndPlay('door', true, true, {}, false)");
    Run("SndPlay()");
    Run("SndStop('door'); SndStop('door', 1.5); SndStop()");
    Run("SndPauseAll(true); SndPauseAll(false); SndPauseAll()");
    std::vector<std::string> expected = {"play door|sfx|10|end|0.000000",
                                         "play door|sfx|10||2.000000",
                                         "play door||00||0.000000",
                                         "play ||00||0.000000",
                                         "stop door|0.000000",
                                         "stop door|1.500000",
                                         "stop |0.000000",
                                         "pauseall 1",
                                         "pauseall 0",
                                         "pauseall 0"};
    EXPECT_EQ(expected, g_calls);
}

TEST_F(ScriptApiFixture, ObjectHooksRunOnlyForFoundObjects)
{
    Make("ps", g_scene->GetOrigin());
    Make("mask", g_scene->GetOrigin());
    InstallRecordingHooks();
    Run("AnmPlay('nobody', 'walk', 'e'); AnmPlay('ps', 'walk', 'e'); AnmStop('ps'); AnmPause('ps', 1)");
    Run("FlashAnmPause('ps', 0); FlashAnmPause('ps', 1); FlashAnmPause('ps', -1)");
    Run("VidPlay('ps'); VidStop('ps'); VidPause('ps', 1)");
    Run("PsSetMaskObj('ps', 'nobody'); PsSetMaskObj('ps', 'mask')");
    Run("PsPause('ps', 2); PsPause('ps', 1); PsStop('ps', 1); PsStop('ps', 0)");
    Run("PartSysRestart('ps'); PartSysRestart('nobody')");
    std::vector<std::string> expected = {"anmplay ps|walk|e", "flashpause ps0", "flashpause ps1",
                                         "flashpause ps0",    "vidplay ps|",    "mask ps|mask",
                                         "pspause ps0",       "pspause ps1",    "psstop ps1",
                                         "psstop ps0",        "psstop ps1",     "psstart ps"};
    EXPECT_EQ(expected, g_calls);
}

TEST_F(ScriptApiFixture, SetCursorWithoutArgumentIsSilentAndWithNilWarns)
{
    InstallRecordingHooks();
    Run("SetCursor()");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(g_calls.empty());
    Run("SetCursor(nil)");
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ("Warning: SetCursor try set cursor to nil!\n", log.lines[0]);
    EXPECT_TRUE(g_calls.empty());
    Run("SetCursor(3)");
    Run("SetCursor('2')");
    EXPECT_EQ((std::vector<std::string>{"cursor 3", "cursor 2"}), g_calls);
    g_scriptMediaHooks = nE_ScriptMediaHooks();
    Run("SetCursor(4)");
}

TEST_F(ScriptApiFixture, CursorPositionIsTruncated)
{
    EXPECT_EQ("0", Eval("CursorPosX()"));
    nE_SetCursorPosFunc(
        [](float* x, float* y)
        {
            *x = 100.7f;
            *y = -3.9f;
        });
    EXPECT_EQ("100", Eval("CursorPosX()"));
    EXPECT_EQ("-3", Eval("CursorPosY()"));
}

TEST_F(ScriptApiFixture, ArgumentReadersNeverFail)
{
    lua_settop(L, 0);
    lua_pushnil(L);
    lua_pushboolean(L, 1);
    lua_pushnumber(L, 1e300);
    lua_pushnumber(L, -1e300);
    lua_pushstring(L, "12.9abc");
    lua_pushlstring(L, "a\0b", 3);
    EXPECT_TRUE(nE_HasArg(L, 1));
    EXPECT_FALSE(nE_HasArg(L, 7));
    EXPECT_EQ("", nE_ArgString(L, 1));
    EXPECT_EQ("", nE_ArgString(L, 2));
    EXPECT_EQ("", nE_ArgString(L, 7));
    EXPECT_EQ(std::string("a\0b", 3), nE_ArgString(L, 6));
    EXPECT_EQ(std::numeric_limits<int>::max(), nE_ArgInt(L, 3));
    EXPECT_EQ(std::numeric_limits<int>::min(), nE_ArgInt(L, 4));
    EXPECT_EQ(0, nE_ArgInt(L, 5));
    EXPECT_EQ(0, nE_ArgInt(L, 2));
    EXPECT_TRUE(nE_ArgBool(L, 2));
    EXPECT_FALSE(nE_ArgBool(L, 1));
    EXPECT_FALSE(nE_ArgBool(L, 7));
    EXPECT_FLOAT_EQ(0.0f, nE_ArgFloat(L, 7));
    EXPECT_EQ(nullptr, nE_ArgObject(L, 1));
    lua_settop(L, 0);
}
} // namespace
