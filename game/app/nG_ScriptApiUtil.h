#pragma once
// What the game's script function files share: the empty and the one-value
// answers, and the senders of the message records most functions fill. Each
// handler follows the engine's convention (engine/core/nE_ScriptApi.h):
// arguments read first, the stack emptied, then the act, then the results.

#include "engine/core/nE_Mediator.h"
#include "game/app/nG_ScriptApi.h"
#include "game/messages/nG_Messages.h"

#include <lua.hpp>
#include <string>

namespace nG_ScriptUtil
{
inline int Nothing(lua_State* L)
{
    lua_settop(L, 0);
    return 0;
}

inline int PushBool(lua_State* L, bool value)
{
    lua_settop(L, 0);
    lua_pushboolean(L, value);
    return 1;
}

inline int PushInt(lua_State* L, int value)
{
    lua_settop(L, 0);
    lua_pushinteger(L, value);
    return 1;
}

inline int PushString(lua_State* L, const std::string& value)
{
    lua_settop(L, 0);
    lua_pushlstring(L, value.data(), value.size());
    return 1;
}

// Names may be given as text or as numbers; anything else names nothing.
inline bool IsName(lua_State* L, int index)
{
    int type = lua_type(L, index);
    return type == LUA_TSTRING || type == LUA_TNUMBER;
}

// Sends a record that needs nothing more from the arguments.
template <int Id> int SendOnly(lua_State* L, nE_MsgRecord<Id>& record)
{
    lua_settop(L, 0);
    nE_Send<Id>(record);
    return 0;
}

template <int Id> int SendOnly(lua_State* L)
{
    lua_settop(L, 0);
    nE_Send<Id>();
    return 0;
}

template <int Id> int SendString(lua_State* L)
{
    nG_MsgString msg;
    msg.value = nE_ArgString(L, 1);
    return SendOnly<Id>(L, msg);
}

template <int Id> int SendInt(lua_State* L)
{
    nG_MsgInt msg;
    msg.value = nE_ArgInt(L, 1);
    return SendOnly<Id>(L, msg);
}

template <int Id> int SendBool(lua_State* L, bool value)
{
    nG_MsgBool msg;
    msg.value = value;
    return SendOnly<Id>(L, msg);
}

// The answer of a query whose record holds one number (its initial value when nobody answers).
template <int Id> float QueryFloat()
{
    nG_MsgFloat msg;
    nE_Send<Id>(msg);
    return msg.value;
}
} // namespace nG_ScriptUtil
