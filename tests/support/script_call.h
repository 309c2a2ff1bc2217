#pragma once
// One script function called through a closure that notes what its handler
// left on its own frame: the probe of bad arguments and the script fuzz
// target share it.

#include "engine/core/nE_ScriptApi.h"

#include <lua.hpp>

#include <string>

namespace script_probe
{
inline const nE_ScriptFunction* g_table = nullptr;
inline int g_returned = -1, g_top = -1;

// Runs the handler of upvalue 1 and notes what it left on its own frame.
inline int Call(lua_State* L)
{
    g_returned = g_table[lua_tointeger(L, lua_upvalueindex(1))].handler(L);
    g_top = lua_gettop(L);
    return g_returned;
}

inline std::string Answer(lua_State* L)
{
    std::string types;
    for (int i = 1; i <= lua_gettop(L); ++i)
        types += std::string(lua_typename(L, lua_type(L, i))) + " ";
    return types;
}
} // namespace script_probe
