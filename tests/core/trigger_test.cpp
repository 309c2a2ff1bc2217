#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_TriggerManager.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <memory>
#include <string>
#include <vector>

namespace
{
struct LogLines : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
};

nE_TriggerManager* Manager(lua_State* L)
{
    return static_cast<nE_TriggerManager*>(lua_touserdata(L, lua_upvalueindex(1)));
}

std::string ArgText(lua_State* L, int index)
{
    const char* s = lua_tostring(L, index);
    return s ? s : "";
}

// Small stand-ins for the script functions that reach the manager.
int LuaExecute(lua_State* L)
{
    std::string text = ArgText(L, 1);
    lua_settop(L, 0);
    Manager(L)->Call("ne_undef", text);
    return 0;
}

int LuaPost(lua_State* L)
{
    std::string sender = ArgText(L, 1), text = ArgText(L, 2);
    lua_settop(L, 0);
    Manager(L)->Post(sender, text);
    return 0;
}

int LuaDelete(lua_State* L)
{
    std::string name = ArgText(L, 1);
    lua_settop(L, 0);
    Manager(L)->RemoveTrigger(name);
    return 0;
}

int LuaClear(lua_State* L)
{
    lua_settop(L, 0);
    Manager(L)->Clear();
    return 0;
}

struct TriggerFixture : testing::Test
{
    nE_Mediator bus;
    LogLines log;
    lua_State* L = nullptr;
    std::unique_ptr<nE_TriggerManager> mgr;

    void SetUp() override
    {
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        L = luaL_newstate();
        luaL_openlibs(L);
        mgr = std::make_unique<nE_TriggerManager>(L);
        Register("TrgExecute", LuaExecute);
        Register("Post", LuaPost);
        Register("TrgDelete", LuaDelete);
        Register("TrgClear", LuaClear);
    }
    void TearDown() override
    {
        mgr.reset();
        lua_close(L);
        bus.UnsubscribeAll(&log);
        g_mediator = nullptr;
    }
    void Register(const char* name, lua_CFunction f)
    {
        lua_pushlightuserdata(L, mgr.get());
        lua_pushcclosure(L, f, 1);
        lua_setglobal(L, name);
    }
    void Add(const std::string& name, const std::string& code)
    {
        mgr->AddTrigger(std::make_unique<nE_Trigger>(name, code));
    }
    void Lua(const std::string& code) { ASSERT_EQ(0, luaL_dostring(L, code.c_str())) << lua_tostring(L, -1); }
    std::string Global(const char* expr)
    {
        std::string code = "return tostring(" + std::string(expr) + ")";
        luaL_dostring(L, code.c_str());
        std::string s = ArgText(L, -1);
        lua_pop(L, 1);
        return s;
    }
    std::string Param(int n) { return Global(("ne_params.param_" + std::to_string(n)).c_str()); }
};
} // namespace

// Parsing: which texts run and with which parameter text.

TEST_F(TriggerFixture, ParameterTextIsBetweenFirstOpenAndLastClose)
{
    Add("t", "");
    nE_TriggerCall call;
    ASSERT_TRUE(mgr->PrepareCall(call, "obj", "t(a,(b,c),d)"));
    EXPECT_EQ("a,(b,c),d", call.params);
    EXPECT_EQ("obj", call.sender);
    EXPECT_EQ(mgr->GetTrigger("t"), call.trigger.get());
    ASSERT_TRUE(mgr->PrepareCall(call, "obj", "t"));
    EXPECT_EQ("", call.params);
    ASSERT_TRUE(mgr->PrepareCall(call, "obj", "t()"));
    EXPECT_EQ("", call.params);
}

TEST_F(TriggerFixture, UnclosedOrTrailingTextIsDroppedSilently)
{
    Add("t", "ran = true");
    EXPECT_FALSE(mgr->Post("obj", "t(1) "));
    EXPECT_FALSE(mgr->Post("obj", "t(1"));
    EXPECT_FALSE(mgr->Post("obj", "t("));
    EXPECT_FALSE(mgr->Post("obj", "t(1);"));
    EXPECT_EQ(0u, mgr->GetQueueSize());
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(TriggerFixture, EmptyOrBlankTextPostsNothingAndLogsNothing)
{
    for (const char* text : {"", " ", "\t \r\n"})
    {
        EXPECT_FALSE(mgr->Post("obj", text));
        EXPECT_FALSE(mgr->Call("obj", text));
    }
    EXPECT_EQ(0u, mgr->GetQueueSize());
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(TriggerFixture, UnknownTriggerLogsSenderAndName)
{
    EXPECT_FALSE(mgr->Post("door", "open_door(1, 2)"));
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ("Error: object door try to call trigger open_door - no such trigger", log.lines[0]);
}

TEST_F(TriggerFixture, NamesAreExactAndCaseSensitive)
{
    Add("Open", "");
    EXPECT_FALSE(mgr->Post("s", "open"));
    EXPECT_FALSE(mgr->Post("s", " Open"));
    EXPECT_EQ(2u, log.lines.size());
}

TEST_F(TriggerFixture, InlineCodeRunsUnlessATriggerHasItsName)
{
    EXPECT_TRUE(mgr->Call("btn", "*inline_sender = ne_params.sender; x = math.max(1, 2)"));
    EXPECT_EQ("btn", Global("inline_sender"));
    EXPECT_EQ("2", Global("x"));

    Add("*x", "by_trigger = true");
    EXPECT_TRUE(mgr->Call("btn", "*x(1)"));
    EXPECT_EQ("true", Global("by_trigger"));
}

TEST_F(TriggerFixture, SecondTriggerOfANameIsDiscarded)
{
    EXPECT_TRUE(mgr->AddTrigger(std::make_unique<nE_Trigger>("t", "v = 1")));
    EXPECT_FALSE(mgr->AddTrigger(std::make_unique<nE_Trigger>("t", "v = 2")));
    EXPECT_FALSE(mgr->AddTrigger(nullptr));
    mgr->Call("s", "t");
    EXPECT_EQ("1", Global("v"));
    EXPECT_EQ(1u, mgr->GetTriggerCount());
}

// Parameters as Lua sees them.

TEST_F(TriggerFixture, PlainParametersAreFirstWordsAsStrings)
{
    Add("t", "p = ne_params");
    ASSERT_TRUE(mgr->Call("obj", "t( 12 , two words,,(b,c), last )"));
    EXPECT_EQ("12", Param(0));
    EXPECT_EQ("string", Global("type(ne_params.param_0)"));
    EXPECT_EQ("two", Param(1));
    EXPECT_EQ("", Param(2));
    EXPECT_EQ("(b,c)", Param(3));
    EXPECT_EQ("last", Param(4));
    EXPECT_EQ("nil", Param(5));
    EXPECT_EQ("obj", Global("ne_params.sender"));
}

TEST_F(TriggerFixture, NoParametersGivesOnlySender)
{
    Add("t", "n = 0; for k in pairs(ne_params) do n = n + 1 end");
    mgr->Call("obj", "t");
    EXPECT_EQ("1", Global("n"));
    mgr->Call("obj", "t()");
    EXPECT_EQ("1", Global("n"));
}

TEST_F(TriggerFixture, UnbalancedTextLosesItsLastPiece)
{
    Add("t", "");
    mgr->Call("obj", "t(a,(b)");
    EXPECT_EQ("a", Param(0));
    EXPECT_EQ("nil", Param(1));
}

TEST_F(TriggerFixture, TildeParametersAreEvaluatedToAnyType)
{
    Lua("ng_var = { count = 7, flag = true, list = {} }");
    Add("t", "");
    ASSERT_TRUE(
        mgr->Call("obj", "t(~ng_var.count, ~math.max(1,2), ~ng_var.flag, ~ng_var.list, ~'txt', ~nil)"));
    EXPECT_EQ("number", Global("type(ne_params.param_0)"));
    EXPECT_EQ("7", Param(0));
    EXPECT_EQ("2", Param(1));
    EXPECT_EQ("boolean", Global("type(ne_params.param_2)"));
    EXPECT_EQ("true", Global("ne_params.param_3 == ng_var.list"));
    EXPECT_EQ("txt", Param(4));
    EXPECT_EQ("nil", Param(5));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(TriggerFixture, BadTildeParameterKeepsRawTextAndLogs)
{
    Add("show", "");
    mgr->Call("obj", "show(~)bad, 3)");
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("Error: trigger show try to use params - bad params: "));
    EXPECT_EQ("~)bad", Param(0));
    EXPECT_EQ("3", Param(1));
}

TEST_F(TriggerFixture, BadTildeParameterOfInlineCodeNamesTheSender)
{
    mgr->Call("lamp", "*x = 'a, ~=b'"); // valid code whose second piece is a bad expression
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("Error: object lamp try to use params - bad params: "));
}

TEST_F(TriggerFixture, BracesDoNotProtectCommas)
{
    Add("t", "");
    mgr->Call("obj", "t(~{1,2})");
    EXPECT_EQ(1u, log.lines.size()); // "{1" does not parse
    EXPECT_EQ("~{1", Param(0));
    EXPECT_EQ("2}", Param(1));
}

// Errors in code.

TEST_F(TriggerFixture, LuaErrorsAreLoggedWithTriggerOrSender)
{
    Add("broken", "error('boom')");
    mgr->Call("obj", "broken");
    mgr->Call("obj", "*error('bang')");
    mgr->Call("obj", "*this is not lua");
    ASSERT_EQ(3u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("Error: trigger broken try to execute - lua error: "));
    EXPECT_NE(std::string::npos, log.lines[0].find("boom"));
    EXPECT_EQ(0u, log.lines[1].find("Error: object obj try to execute code at event - lua error: "));
    EXPECT_NE(std::string::npos, log.lines[1].find("bang"));
    EXPECT_EQ(0u, log.lines[2].find("Error: object obj try to execute code at event - lua error: "));
}

TEST_F(TriggerFixture, NonStringErrorValueDoesNotCrash)
{
    Add("t", "error({})");
    mgr->Call("obj", "t");
    ASSERT_EQ(1u, log.lines.size());
}

TEST_F(TriggerFixture, EmptyCodeDoesNothing)
{
    Add("empty", "");
    EXPECT_TRUE(mgr->Call("obj", "empty"));
    EXPECT_TRUE(log.lines.empty());
}

// The Lua stack is left as found on every path.

TEST_F(TriggerFixture, StackHeightIsKeptOnEveryPath)
{
    Add("ok", "return 1, 2, 3");
    Add("err", "error('x')");
    Add("nested", "TrgExecute('ok(~1)'); return 'left'");
    lua_pushstring(L, "below");
    lua_pushinteger(L, 42);
    const char* texts[] = {"ok",          "ok(1, ~2, ~{})", "err",    "*return 1, 2",
                           "*error('y')", "*syntax(",       "ok(~+)", "*a, ~+",
                           "nested",      "missing(1)",     "ok(1) ", "",
                           "*return ...", "ok(~error())"};
    for (const char* text : texts)
    {
        mgr->Call("obj", text);
        ASSERT_EQ(2, lua_gettop(L)) << text;
        mgr->Post("obj", text);
        mgr->Update();
        ASSERT_EQ(2, lua_gettop(L)) << text;
    }
    EXPECT_STREQ("below", lua_tostring(L, 1));
    EXPECT_EQ(42, lua_tointeger(L, 2));
}

// Queue.

TEST_F(TriggerFixture, QueuedCallsRunInPostingOrderOnNextUpdate)
{
    Add("a", "order = (order or '') .. 'a' .. ne_params.param_0");
    mgr->Post("s", "a(1)");
    mgr->Post("s", "a(2)");
    EXPECT_EQ("nil", Global("order"));
    mgr->Update();
    EXPECT_EQ("a1a2", Global("order"));
    EXPECT_EQ(0u, mgr->GetQueueSize());
}

TEST_F(TriggerFixture, CallsPostedWhileTheQueueRunsWaitForTheNextUpdate)
{
    Add("first", "runs = (runs or '') .. 'F'; Post('x', 'second')");
    Add("second", "runs = (runs or '') .. 'S'");
    mgr->Post("s", "first");
    mgr->Update();
    EXPECT_EQ("F", Global("runs"));
    EXPECT_EQ(1u, mgr->GetQueueSize());
    mgr->Update();
    EXPECT_EQ("FS", Global("runs"));
    mgr->Update();
    EXPECT_EQ("FS", Global("runs"));
}

TEST_F(TriggerFixture, ParametersAreEvaluatedWhenTheCallRuns)
{
    Lua("v = 1");
    Add("t", "seen = ne_params.param_0");
    mgr->Post("s", "t(~v)");
    Lua("v = 2");
    mgr->Update();
    EXPECT_EQ("2", Global("seen"));
}

// Nesting.

TEST_F(TriggerFixture, NestedExecuteRestoresTheOuterTableAsItWas)
{
    Lua("evals = 0; function bump() evals = evals + 1; return evals end");
    Add("inner", "inner_p = ne_params.param_0; inner_sender = ne_params.sender");
    Add("outer", "before = ne_params; b0 = ne_params.param_0; TrgExecute('inner(in)');"
                 "same = (ne_params == before); a0 = ne_params.param_0; a1 = ne_params.param_1;"
                 "asender = ne_params.sender");
    mgr->Call("door", "outer(~bump(), x)");
    EXPECT_EQ("1", Global("evals")); // not re-evaluated on return
    EXPECT_EQ("true", Global("same"));
    EXPECT_EQ("1", Global("b0"));
    EXPECT_EQ("1", Global("a0"));
    EXPECT_EQ("x", Global("a1"));
    EXPECT_EQ("door", Global("asender"));
    EXPECT_EQ("in", Global("inner_p"));
    EXPECT_EQ("ne_undef", Global("inner_sender"));
    EXPECT_EQ(nullptr, mgr->GetRunningCall());
}

TEST_F(TriggerFixture, NestedCallFromAParameterExpressionDoesNotDisturbTheOuter)
{
    Add("inner", "");
    Lua("function side() TrgExecute('inner(z)'); return 'v' end");
    Add("outer", "p0 = ne_params.param_0; p1 = ne_params.param_1; snd = ne_params.sender");
    mgr->Call("o", "outer(~side(), q)");
    EXPECT_EQ("v", Global("p0"));
    EXPECT_EQ("q", Global("p1"));
    EXPECT_EQ("o", Global("snd"));
}

TEST_F(TriggerFixture, RunningCallIsVisibleDuringTheRun)
{
    const nE_TriggerCall* seen = nullptr;
    struct Probe : nE_Trigger
    {
        nE_TriggerManager* m;
        const nE_TriggerCall** out;
        Probe(nE_TriggerManager* m_, const nE_TriggerCall** o) : nE_Trigger("probe", ""), m(m_), out(o) {}
        void Execute(lua_State*) override { *out = m->GetRunningCall(); }
    };
    mgr->AddTrigger(std::make_unique<Probe>(mgr.get(), &seen));
    mgr->Call("snd", "probe(1)");
    ASSERT_NE(nullptr, seen);
    EXPECT_EQ(nullptr, mgr->GetRunningCall());
}

// Ownership while code runs.

TEST_F(TriggerFixture, TriggerDeletingItselfFinishesItsRun)
{
    Add("self", "TrgDelete('self'); local s = ''; for i = 1, 100 do s = s .. i end; done = #s");
    mgr->Call("s", "self");
    EXPECT_EQ("192", Global("done"));
    EXPECT_EQ(nullptr, mgr->GetTrigger("self"));
    EXPECT_FALSE(mgr->Call("s", "self"));
}

TEST_F(TriggerFixture, ClearingFromInsideARunningTriggerIsSafe)
{
    Add("outer", "TrgExecute('wipe'); after = ne_params.param_0");
    Add("wipe", "TrgClear()");
    mgr->Call("s", "outer(kept)");
    EXPECT_EQ("kept", Global("after"));
    EXPECT_EQ(0u, mgr->GetTriggerCount());
}

TEST_F(TriggerFixture, QueuedCallOfADeletedTriggerStillRuns)
{
    Add("t", "ran = true");
    mgr->Post("s", "t");
    mgr->RemoveTrigger("t");
    mgr->Update();
    EXPECT_EQ("true", Global("ran"));
}

TEST_F(TriggerFixture, ClearDropsQueuedCallsAndTheRestOfARunningBatch)
{
    Add("wipe", "TrgClear()");
    Add("later", "later_ran = true");
    mgr->Post("s", "later");
    mgr->Clear();
    Add("wipe", "TrgClear()");
    Add("later", "later_ran = true");
    mgr->Post("s", "wipe");
    mgr->Post("s", "later");
    mgr->Post("s", "*inline_ran = true");
    mgr->Update();
    EXPECT_EQ("nil", Global("later_ran"));
    EXPECT_EQ("nil", Global("inline_ran"));
    EXPECT_EQ(0u, mgr->GetQueueSize());
}

TEST_F(TriggerFixture, CodeCanBeReplacedBetweenRuns)
{
    Add("t", "v = 1");
    mgr->GetTrigger("t")->SetCode("v = 2");
    EXPECT_EQ("v = 2", mgr->GetTrigger("t")->GetCode());
    mgr->Call("s", "t");
    EXPECT_EQ("2", Global("v"));
}

TEST(TriggerManagerWithoutLua, CallsAreQueuedAndDroppedQuietly)
{
    nE_TriggerManager mgr;
    mgr.AddTrigger(std::make_unique<nE_Trigger>("t", "x = 1"));
    EXPECT_TRUE(mgr.Post("s", "t"));
    mgr.Update();
    EXPECT_EQ(0u, mgr.GetQueueSize());
}
