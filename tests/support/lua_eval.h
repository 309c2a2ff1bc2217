#pragma once
// Lua code and expressions run from tests.

#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

// Runs Lua code; a failure is a test failure. The stack is left as found.
inline void LuaRun(lua_State* L, const std::string& code)
{
    int top = lua_gettop(L);
    if (luaL_dostring(L, code.c_str()) != 0) ADD_FAILURE() << code << ": " << lua_tostring(L, -1);
    lua_settop(L, top);
}

// tostring(expression) as text ("nil" for nil).
inline std::string LuaEval(lua_State* L, const std::string& expression)
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
