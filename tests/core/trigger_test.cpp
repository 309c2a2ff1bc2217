#include "core/core_test_util.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_TriggerManager.h"

#include <memory>

namespace
{
nE_TriggerManager* g_mgr = nullptr;

std::string Arg(lua_State* L, int index)
{
    const char* s = lua_tostring(L, index);
    return s ? s : "";
}

// Stand in for the script functions that reach the manager.
const std::pair<const char*, lua_CFunction> kStubs[] = {
    {"TrgExecute", [](lua_State* L) { return g_mgr->Call("ne_undef", Arg(L, 1)), 0; }},
    {"Post", [](lua_State* L) { return g_mgr->Post(Arg(L, 1), Arg(L, 2)), 0; }},
    {"TrgDelete", [](lua_State* L) { return g_mgr->RemoveTrigger(Arg(L, 1)), 0; }},
    {"TrgClear", [](lua_State*) { return g_mgr->Clear(), 0; }},
};

struct TriggerFixture : testing::Test
{
    LogCapture log;
    LuaState L;
    std::unique_ptr<nE_TriggerManager> mgr;

    void SetUp() override
    {
        mgr = std::make_unique<nE_TriggerManager>(L);
        g_mgr = mgr.get();
        for (const auto& stub : kStubs)
            lua_register(L, stub.first, stub.second);
    }
    void Add(const std::string& name, const std::string& code)
    {
        mgr->AddTrigger(std::make_unique<nE_Trigger>(name, code));
    }
    std::string Eval(const std::string& expr) { return LuaEval(L, expr); }
    // Lines logged for the watchdog stopping NAME's call, at the tests' 1 ms limit.
    int Stops(const std::string& name)
    {
        return log.Count("Error: script \"" + name + "\" ran for more than 0.001 s and was stopped");
    }
    // ne_params.param_0 .. param_<n-1> joined by "|"
    std::string Params(int n)
    {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += (i ? "|" : "") + Eval("ne_params.param_" + std::to_string(i));
        return out;
    }
};
} // namespace

// Errors name the trigger, or for inline code the sender. Compiled code is
// reused: chunk locals still start fresh, a changed code runs the new one,
// code that does not compile fails every time, and code made on the fly does
// not pile up compiled chunks.
TEST_F(TriggerFixture, ErrorsAreLoggedAndRepeatedCallsRunTheCurrentCodeAfresh)
{
    Add("broken", "error('boom')");
    Add("table_error", "error({})");
    Add("bad", "this is not lua");
    Add("count", "local n = (n or 0) + 1; calls = (calls or 0) + n");
    Add("twin", "local n = (n or 0) + 1; calls = (calls or 0) + n");
    Add("empty", "");
    for (const char* text : {"broken", "*error('bang')", "*this is not lua", "table_error", "bad", "bad", "count",
                             "twin", "count"})
        mgr->Call("obj", text);
    EXPECT_TRUE(mgr->Call("obj", "empty"));
    EXPECT_EQ("3", Eval("calls"));
    ASSERT_EQ(6u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("Error: trigger broken try to execute - lua error: "));
    EXPECT_NE(std::string::npos, log.lines[0].find("boom"));
    EXPECT_EQ(0u, log.lines[1].find("Error: object obj try to execute code at event - lua error: "));
    EXPECT_NE(std::string::npos, log.lines[1].find("bang"));
    EXPECT_EQ(0u, log.lines[2].find("Error: object obj try to execute code at event - lua error: "));
    EXPECT_EQ(0u, log.lines[4].find("Error: trigger bad try to execute - lua error: "));
    EXPECT_EQ(log.lines[4], log.lines[5]);
    mgr->GetTrigger("count")->SetCode("calls = calls * 10");
    mgr->Call("obj", "count");
    EXPECT_EQ("30", Eval("calls"));
    for (int i = 0; i < 200; ++i)
    {
        mgr->GetTrigger("count")->SetCode("calls = " + std::to_string(i));
        mgr->Call("obj", "count");
    }
    EXPECT_EQ("199", Eval("calls"));
    EXPECT_EQ("true", Eval("(function() collectgarbage() local n = 0 "
                           "for _ in pairs(debug.getregistry().ne_trigger_chunks) do n = n + 1 end "
                           "return tostring(n < 10) end)()"));
}

TEST_F(TriggerFixture, CallTextParsing)
{
    Add("t", "");
    // Posted texts with their prepared parameters (first "(" to last ")"); then
    // trailing text, missing ")", blanks.
    const std::pair<const char*, const char*> posted[] = {
        {"t(a,(b,c),d)", "a,(b,c),d"}, {"t", ""}, {"t()", ""}};
    for (const auto& c : posted)
    {
        nE_TriggerCall call;
        EXPECT_TRUE(mgr->PrepareCall(call, "obj", c.first) && call.params == c.second) << c.first;
        EXPECT_TRUE(mgr->Post("obj", c.first)) << c.first;
    }
    for (const char* text : {"t(1) ", "t(1", "t(", "t(1);", "", " ", "\t \r\n"})
        EXPECT_FALSE(mgr->Post("obj", text)) << "'" << text << "'";
    EXPECT_EQ(3u, mgr->GetQueueSize());
    // Dropped texts, empty and blank ones included, log nothing; a missing trigger is named.
    EXPECT_FALSE(mgr->Post("door", "open_door(1, 2)"));
    EXPECT_EQ(Lines{"Error: object door try to call trigger open_door - no such trigger"}, log.lines);
}

TEST_F(TriggerFixture, InlineCodeRunsUnlessATriggerHasItsName)
{
    EXPECT_TRUE(mgr->Call("btn", "*inline_sender = ne_params.sender; x = math.max(1, 2)"));
    EXPECT_EQ("btn 2", Eval("inline_sender .. ' ' .. x"));
    Add("*x", "by_trigger = true");
    EXPECT_TRUE(mgr->Call("btn", "*x(1)"));
    EXPECT_EQ("true", Eval("by_trigger"));
}

// Plain parameters are first words as strings; `~` ones are evaluated to any type.
TEST_F(TriggerFixture, PlainAndTildeParameters)
{
    Add("t", "n = 0; for k in pairs(ne_params) do n = n + 1 end");
    ASSERT_TRUE(mgr->Call("obj", "t( 12 , two words,,(b,c), last )"));
    EXPECT_EQ("12|two||(b,c)|last|nil", Params(6));
    EXPECT_EQ("string obj", Eval("type(ne_params.param_0) .. ' ' .. ne_params.sender"));
    mgr->Call("obj", "t()");
    EXPECT_EQ("1", Eval("n")); // only the sender
    mgr->Call("obj", "t(a,(b)");
    EXPECT_EQ("a|nil", Params(2)); // unbalanced: the last piece is lost

    LuaRun(L, "ng_var = { count = 7, flag = true, list = {} }");
    ASSERT_TRUE(
        mgr->Call("obj", "t(~ng_var.count, ~math.max(1,2), ~ng_var.flag, ~ng_var.list, ~'txt', ~nil)"));
    EXPECT_EQ("number boolean true",
              Eval("type(ne_params.param_0) .. ' ' .. type(ne_params.param_2) .. ' ' .. "
                   "tostring(ne_params.param_3 == ng_var.list)"));
    EXPECT_EQ("7|2|true", Params(3));
    EXPECT_EQ("txt|nil", Eval("ne_params.param_4") + "|" + Eval("ne_params.param_5"));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(TriggerFixture, BadTildeParametersKeepRawTextAndLogNamingTriggerOrSender)
{
    Add("show", "");
    mgr->Call("obj", "show(~)bad, 3)");
    EXPECT_EQ("~)bad|3", Params(2));
    mgr->Call("obj", "show(~{1,2})"); // braces do not protect commas
    EXPECT_EQ("~{1|2}", Params(2));
    // An inline call has no trigger: the line names the sender.
    mgr->Call("lamp", "*x = 'a, ~=b'");
    ASSERT_EQ(3u, log.lines.size());
    EXPECT_EQ(0u, log.lines[0].find("Error: trigger show try to use params - bad params: "));
    EXPECT_EQ(0u, log.lines[2].find("Error: object lamp try to use params - bad params: "));
}

// The Lua stack is left as found on every path (an enclosing frame survives).
TEST_F(TriggerFixture, StackHeightIsKeptOnEveryPath)
{
    Add("ok", "return 1, 2, 3");
    Add("err", "error('x')");
    Add("nested", "TrgExecute('ok(~1)'); return 'left'");
    lua_pushstring(L, "below");
    lua_pushinteger(L, 42);
    for (const char* text : {"ok", "ok(1, ~2, ~{})", "err", "*return 1, 2", "*error('y')", "*syntax(",
                             "ok(~+)", "*a, ~+", "nested", "missing(1)", "ok(1) ", "", "*return ...",
                             "ok(~error())", "*TrgExecute('*return unpack({}, 1, 200)')"})
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

TEST_F(TriggerFixture, QueuedCallsRunInOrderAndThoseTheyPostWaitForTheNextUpdate)
{
    Add("a", "order = (order or '') .. 'a' .. ne_params.param_0");
    Add("first", "order = (order or '') .. 'F'; Post('x', 'second')");
    Add("second", "order = (order or '') .. 'S'");
    LuaRun(L, "v = 1");
    mgr->Post("s", "a(1)");
    mgr->Post("s", "a(~v)");
    mgr->Post("s", "first");
    LuaRun(L, "v = 2"); // parameters are evaluated when the call runs
    EXPECT_EQ("nil", Eval("order"));
    mgr->Update();
    EXPECT_EQ("a1a2F", Eval("order"));
    EXPECT_EQ(1u, mgr->GetQueueSize());
    mgr->Update();
    mgr->Update();
    EXPECT_EQ("a1a2FS", Eval("order"));
}

// The outer call's ne_params comes back as it was: the same table, its `~`
// expressions not run a second time.
TEST_F(TriggerFixture, NestedExecuteRestoresTheOuterTableAsItWas)
{
    LuaRun(L, "evals = 0; function bump() evals = evals + 1; return evals end");
    LuaRun(L, "function side() TrgExecute('inner(z)'); return 'v' end");
    Add("inner", "inner_p = ne_params.param_0; inner_sender = ne_params.sender");
    Add("outer", "before = ne_params; TrgExecute('inner(in)'); same = (ne_params == before);"
                 "after = ne_params.param_0 .. ne_params.param_1 .. ne_params.sender");
    mgr->Call("door", "outer(~bump(), x)");
    EXPECT_EQ(
        "1 true 1xdoor in ne_undef",
        Eval("evals .. ' ' .. tostring(same) .. ' ' .. after .. ' ' .. inner_p .. ' ' .. inner_sender"));
    EXPECT_EQ(nullptr, mgr->GetRunningCall());
    // A nested call made while the parameters are evaluated.
    mgr->Call("o", "outer(~side(), q)");
    EXPECT_EQ("vqo", Eval("after"));
}

TEST_F(TriggerFixture, DeletingOrClearingRunningTriggersIsSafe)
{
    Add("self", "TrgDelete('self'); local s = ''; for i = 1, 100 do s = s .. i end; done = #s");
    mgr->Call("s", "self");
    EXPECT_EQ("192", Eval("done"));
    EXPECT_EQ(nullptr, mgr->GetTrigger("self"));
    EXPECT_FALSE(mgr->Call("s", "self"));
    // Its name is still there for the error line after the code.
    Add("loud", "TrgDelete('loud'); TrgClear(); collectgarbage(); error('after')");
    mgr->Call("s", "loud");
    EXPECT_EQ(1, log.Count("Error: trigger loud try to execute - lua error: [string \"TrgDelete('loud'); "
                           "TrgClear(); collectgarba...\"]:1: after"));

    Add("outer", "TrgExecute('wipe'); after = ne_params.param_0");
    Add("wipe", "TrgClear()");
    mgr->Call("s", "outer(kept)");
    EXPECT_EQ("kept", Eval("after"));
    EXPECT_EQ(0u, mgr->GetTriggerCount());

    // Clearing from a queued call drops the rest of the running batch.
    Add("wipe", "TrgClear()");
    Add("later", "later_ran = true");
    mgr->Post("s", "wipe");
    mgr->Post("s", "later");
    mgr->Post("s", "*inline_ran = true");
    mgr->Update();
    EXPECT_EQ("nil nil", Eval("tostring(later_ran) .. ' ' .. tostring(inline_ran)"));
}

// With the limit made tiny, every call that never returns is stopped and named
// once (a trigger, inline code by its sender, a `~` parameter by its trigger),
// and the queue goes on. Nested calls neither restart the outer call's clock
// nor end it, and a pcall in the script cannot catch the stop. The next call
// starts afresh.
TEST_F(TriggerFixture, TheWatchdogStopsCallsThatNeverReturnAndTheQueueGoesOn)
{
    nE_SetLuaLimits(L, {kGameLuaLimits.memoryBytes, 1});
    LuaRun(L, "function spin() while true do end end");
    Add("short", "shorts = (shorts or 0) + 1");
    Add("next", "next_ran = (next_ran or 0) + 1");
    Add("p", "");
    const struct
    {
        const char* text;
        const char* code; // of the trigger the text calls; none for inline code or "p"
        const char* name; // in the log
    } runaways[] = {
        {"spin", "spin()", "spin"},
        {"*spin()", nullptr, "door"},
        {"calling", "while true do TrgExecute('short') end", "calling"},
        {"call_then_spin", "TrgExecute('short') spin()", "call_then_spin"},
        {"catching", "while true do pcall(spin) end", "catching"},
        {"p(~spin())", nullptr, "p"},
        {"unhooking", "debug.sethook() spin()", "unhooking"},
    };
    for (const auto& r : runaways)
    {
        if (r.code) Add(r.text, r.code);
        mgr->Post("door", r.text);
        mgr->Post("door", "next");
    }
    mgr->Update();
    for (const auto& r : runaways)
        EXPECT_EQ(1, Stops(r.name)) << r.text;
    EXPECT_EQ("7", Eval("next_ran"));
    nE_SetLuaLimits(L, kGameLuaLimits);
    Add("long", "for i = 1, 300000 do end long_ran = true");
    mgr->Call("door", "long");
    EXPECT_EQ("true", Eval("long_ran"));
}

// Coroutines are stopped like the main thread, and each stop is reported
// once: an endless loop inside one made by create or wrap, also under a pcall
// inside the coroutine, and a call that goes on or ends after resume answered
// false. Coroutines made before the stopped call run again in the next.
TEST_F(TriggerFixture, TheWatchdogStopsCoroutinesAndWhatCatchesThem)
{
    nE_SetLuaLimits(L, {kGameLuaLimits.memoryBytes, 1});
    LuaRun(L, "function spin() while true do end end "
              "kept = coroutine.create(function() while true do kept_ran = (kept_ran or 0) + 1 "
              "coroutine.yield() end end)");
    Add("next", "next_ran = (next_ran or 0) + 1");
    const struct
    {
        const char* name;
        const char* code;
    } runaways[] = {
        {"created", "coroutine.resume(coroutine.create(spin))"},
        {"wrapped", "coroutine.wrap(spin)()"},
        {"caught_inside", "coroutine.wrap(function() while true do pcall(spin) end end)()"},
        {"caught_outside", "while true do coroutine.resume(coroutine.create(spin)) end"},
        {"nested", "coroutine.wrap(function() coroutine.wrap(spin)() end)()"},
        {"kept", "coroutine.resume(kept) spin()"},
    };
    for (const auto& r : runaways)
    {
        Add(r.name, r.code);
        mgr->Post("door", r.name);
        mgr->Post("door", "next");
    }
    mgr->Update();
    for (const auto& r : runaways)
        EXPECT_EQ(1, Stops(r.name)) << r.name;
    EXPECT_EQ("6", Eval("next_ran"));
    nE_SetLuaLimits(L, kGameLuaLimits);
    Add("again", "local ok = coroutine.resume(kept) again_ok = ok "
                 "local f = coroutine.wrap(function(a, b) local c = coroutine.yield(a + b) return c * 2 end) "
                 "wrapped = f(1, 2) .. ' ' .. f(5)");
    mgr->Call("door", "again");
    EXPECT_EQ("true 2 3 10", Eval("tostring(again_ok) .. ' ' .. kept_ran .. ' ' .. wrapped"));
    EXPECT_EQ("false", Eval("tostring(pcall(coroutine.wrap, 1))"));
}

// A call that allocates without end fails alone with a memory error, its
// garbage is collected at once and the queue goes on. A nested call made
// while the state is full still gets its parameters.
TEST_F(TriggerFixture, ACallOverTheMemoryBudgetFailsAloneAndIsCollected)
{
    nE_SetLuaLimits(L, {4 << 20, kGameLuaLimits.timeMs});
    Add("hog", "local t = {} while true do t[#t + 1] = {} end");
    Add("next", "next_ran = true");
    LuaRun(L, "next_ran, inner = false, false");
    mgr->Post("door", "hog");
    mgr->Post("door", "next");
    mgr->Update();
    EXPECT_EQ(1, log.Count("Error: trigger hog try to execute - lua error: not enough memory"));
    EXPECT_EQ("true", Eval("next_ran"));
    EXPECT_LT(lua_gc(L, LUA_GCCOUNT, 0), 1024);

    Add("inner", "inner = ne_params.param_1");
    Add("full", "local t = {} pcall(function() while true do t[#t + 1] = {} end end) "
                "TrgExecute('inner(a_new_string, another_one)')");
    mgr->Call("door", "full");
    EXPECT_EQ("another_one", Eval("inner"));
    EXPECT_EQ(nullptr, mgr->GetRunningCall());
}
