// Compiled code and key strings are kept per state across calls and managers:
// nothing kept may run another trigger's code or mix two managers' calls.
#include "core/core_test_util.h"
#include "engine/core/nE_TriggerManager.h"

#include <memory>

namespace
{
nE_TriggerManager* g_current = nullptr;

int Call(lua_State* L)
{
    std::string text = lua_tostring(L, 1) ? lua_tostring(L, 1) : "";
    lua_settop(L, 0);
    g_current->Call("ne_undef", text);
    return 0;
}

void Add(nE_TriggerManager& m, const char* name, const char* code)
{
    m.AddTrigger(std::make_unique<nE_Trigger>(name, code));
}
} // namespace

// A trigger removed and made again under its name (the new one may take the
// old one's memory) runs its own code, also while a queued call still holds
// the removed one; removed triggers leave no code behind.
TEST(TriggerSpeedGuard, RemovedAndRemadeTriggersRunTheirOwnCode)
{
    LuaState L;
    nE_TriggerManager m(L);
    for (int round = 0; round < 3; ++round)
    {
        std::string code = "out = (out or '') .. '" + std::to_string(round) + "' .. ne_params.param_0";
        Add(m, "t", code.c_str());
        ASSERT_TRUE(m.Call("s", "t(a)"));
        ASSERT_TRUE(m.Post("s", "t(q)"));
        m.RemoveTrigger("t");
        m.Update();
    }
    EXPECT_EQ("0a0q1a1q2a2q", LuaEval(L, "out"));
    EXPECT_EQ("nil", LuaEval(L, "next(debug.getregistry().ne_trigger_chunks)"));
}

// Two managers on one state (and a third made after one is gone) keep their
// own triggers and parameters; a nested call with more parameters than any
// before adds keys while the outer call holds the key table.
TEST(TriggerSpeedGuard, ManagersShareAStateAndNestedCallsGrowTheKeys)
{
    LuaState L;
    lua_register(L, "Call", Call);
    auto first = std::make_unique<nE_TriggerManager>(L);
    nE_TriggerManager second(L);
    Add(*first, "t", "seen = (seen or '') .. 'A' .. (ne_params.param_0 or '-')");
    Add(second, "t", "seen = (seen or '') .. 'B' .. (ne_params.param_1 or '-')");
    Add(second, "outer", "Call('wide(1, 2, 3, 4, 5)'); seen = seen .. '/' .. tostring(ne_params.param_0)");
    Add(second, "wide", "seen = (seen or '') .. ne_params.param_4 .. ne_params.sender");
    const struct
    {
        nE_TriggerManager* m;
        const char* text;
    } steps[] = {{first.get(), "t(x, y)"}, {&second, "t(x, y)"}, {first.get(), "t"}, {&second, "outer"}};
    for (const auto& step : steps)
    {
        g_current = step.m;
        ASSERT_TRUE(step.m->Call("s", step.text)) << step.text;
    }
    first.reset();
    nE_TriggerManager third(L);
    Add(third, "t", "seen = seen .. 'C' .. ne_params.param_5");
    g_current = &third;
    third.Call("s", "t(0, 1, 2, 3, 4, 6)");
    EXPECT_EQ("AxByA-5ne_undef/nilC6", LuaEval(L, "seen"));
}
