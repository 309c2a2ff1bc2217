#pragma once
// Calls every function of a script table with missing, nil and wrong
// arguments: no Lua error, the handler's frame left holding only its results,
// and the same number and types of results for every argument set.

#include "support/script_call.h"

#include <gtest/gtest.h>
#include <lua.hpp>

#include <set>
#include <string>

namespace script_probe
{
// `skip`: functions not to call; `varies`: those whose answer may depend on the
// arguments (checked for the frame only). `trap` raises an error on any look-up.
inline void EveryFunction(lua_State* L, const nE_ScriptFunction* table, size_t count,
                          const std::set<std::string>& skip = {}, const std::set<std::string>& varies = {})
{
    const char* const sets[] = {"", "nil, nil, nil, nil, nil, nil", "{}, {}, {}, {}, {}, {}",
                                "false, true, false, true, false, true", "-0.5, -1.5, 1e300, -3.5, -4.5, -5.5",
                                "0/0, 0/0, 0/0, 0/0, 0/0, 0/0", "'', '', '', '', '', ''",
                                "print, print, print, print, print, print", "'box', trap, trap, trap, trap, trap"};
    ASSERT_EQ(0, luaL_dostring(L, "trap = setmetatable({}, {__index = function() error('trap') end, __newindex = "
                                  "function() error('trap') end, __len = function() error('trap') end})"));
    g_table = table;
    for (size_t i = 0; i < count; ++i)
    {
        const std::string name = table[i].name;
        if (skip.count(name)) continue;
        lua_pushinteger(L, static_cast<lua_Integer>(i));
        lua_pushcclosure(L, Call, 1);
        lua_setglobal(L, "probe");
        std::string first = "-";
        for (const char* set : sets)
        {
            SCOPED_TRACE(name + "(" + set + ")");
            g_returned = g_top = -1;
            lua_settop(L, 0);
            ASSERT_EQ(0, luaL_dostring(L, (std::string("return probe(") + set + ")").c_str()))
                << lua_tostring(L, -1);
            EXPECT_EQ(g_returned, g_top) << "stack not cleared";
            if (first == "-") first = Answer(L);
            EXPECT_TRUE(varies.count(name) || Answer(L) == first) << Answer(L) << "against " << first;
        }
    }
    lua_settop(L, 0);
}
} // namespace script_probe
