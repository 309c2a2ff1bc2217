// The game's script functions that drive the level and its rooms: room and
// subroom switches, the level's pause, auto-save and switch, applying a held
// object, and positions in the application's frame. Each sends a message to
// the level or the application, or asks one by a query.

#include "game/app/nG_ScriptApi.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Math.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "game/app/nG_ScriptApiUtil.h"

namespace
{
using namespace nG_ScriptUtil;

nE_Matrix QueryAppTransform()
{
    nG_MsgTransform msg;
    nE_Send<NG_MSG_GET_TRANSFORM>(msg);
    nE_Matrix m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = msg.matrix[i];
    return m;
}

nE_Object* QueryCurrentRoom()
{
    nG_MsgObject msg;
    nE_Send<NG_MSG_GET_CURRENT_ROOM>(msg);
    return msg.object;
}

// The translation of `world` seen from the frame `reference`, as {x, y}.
int PushPosition(lua_State* L, const nE_Matrix& world, const nE_Matrix& reference)
{
    nE_Matrix inverse;
    nE_Matrix::Inverse(inverse, reference);
    nE_Matrix p;
    nE_Matrix::Multiply(p, world, inverse);
    lua_settop(L, 0);
    lua_createtable(L, 2, 0);
    lua_pushnumber(L, p.At(3, 0));
    lua_rawseti(L, -2, 1);
    lua_pushnumber(L, p.At(3, 1));
    lua_rawseti(L, -2, 2);
    return 1;
}
} // namespace

namespace nG_ScriptApi
{
using namespace nG_ScriptUtil;

// ---- level and rooms ----

int SwitchRoom(lua_State* L)
{
    if (!IsName(L, 1)) return Nothing(L);
    nG_MsgSwitchRoom msg;
    msg.animated = !nE_HasArg(L, 2) || nG_ArgFlagInt(L, 2) > 0;
    msg.room = nE_ArgString(L, 1);
    return SendOnly<NG_MSG_SWITCH_ROOM>(L, msg);
}

int OpenSubRoom(lua_State* L)
{
    if (!IsName(L, 1)) return Nothing(L);
    nG_MsgSwitchRoom msg;
    msg.subroom = true;
    msg.startX = nE_ArgInt(L, 2);
    msg.startY = nE_ArgInt(L, 3);
    msg.endX = nE_ArgInt(L, 4);
    msg.endY = nE_ArgInt(L, 5);
    msg.animated = true;
    msg.room = nE_ArgString(L, 1);
    return SendOnly<NG_MSG_SWITCH_ROOM>(L, msg);
}

int CloseSubRoom(lua_State* L)
{
    nG_MsgSwitchRoom msg;
    msg.subroom = true;
    msg.close = true;
    msg.animated = true;
    return SendOnly<NG_MSG_SWITCH_ROOM>(L, msg);
}

int BlockSubRoomClose(lua_State* L)
{
    return SendBool<NG_MSG_BLOCK_SUBROOM_CLOSE>(L, nG_ArgFlagInt(L, 1) > 0);
}

int GetCurrentRoom(lua_State* L)
{
    lua_settop(L, 0);
    nE_Object* room = QueryCurrentRoom();
    if (!room) return 0;
    std::string name = room->GetName();
    lua_pushlstring(L, name.data(), name.size());
    return 1;
}

int SetAutoSave(lua_State* L)
{
    return SendBool<NG_MSG_AUTO_SAVE>(L, nG_ArgFlagInt(L, 1) > 0);
}

int PauseLevel(lua_State* L)
{
    return SendBool<NG_MSG_PAUSE_LEVEL>(L, nG_ArgFlagInt(L, 1) == 1);
}

int SwitchLevel(lua_State* L)
{
    nG_MsgSwitchLevel msg;
    msg.level = nE_ArgString(L, 1);
    msg.param = nE_ArgString(L, 2);
    return SendOnly<NG_MSG_SWITCH_LEVEL>(L, msg);
}

// Whether the held object may be applied to the target: only inside the
// current room, while the room layers take input, and when the two overlap.
int ApplyObj(lua_State* L)
{
    std::string targetName = nE_ArgString(L, 2);
    nE_Object* held = nE_ArgObject(L, 1);
    nE_Object* target = nE_ArgObject(L, 2);
    lua_settop(L, 0);
    nE_Object* room = QueryCurrentRoom();
    nE_Object* parent = room ? room->GetParent() : nullptr;
    nE_Object* layers = parent ? parent->GetParent() : nullptr;
    bool ok = layers && layers->IsInput() && held && target &&
              (target == room || room->FindChild(targetName, true)) && held->Intersects(target);
    lua_pushboolean(L, ok);
    return 1;
}

// ---- positions ----

int GetObjPosByObj(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    bool hasReference = IsName(L, 2) && !nE_ArgString(L, 2).empty();
    nE_Object* reference = hasReference ? nE_ArgObject(L, 2) : nullptr;
    lua_settop(L, 0);
    // An unknown object, or an unknown reference, has no position to give.
    if (!object || (hasReference && !reference)) return 0;
    nE_Matrix frame = reference ? reference->GetWorldMatrix() : QueryAppTransform();
    return PushPosition(L, object->GetWorldMatrix(), frame);
}

int GetGameCursorPos(lua_State* L)
{
    lua_settop(L, 0);
    float x = 0.0f, y = 0.0f;
    nE_GetCursorPos(&x, &y);
    nE_Matrix pointer;
    pointer.At(3, 0) = x;
    pointer.At(3, 1) = y;
    return PushPosition(L, pointer, QueryAppTransform());
}

int GetAppWidth(lua_State* L)
{
    lua_settop(L, 0);
    lua_pushinteger(L, nE_TruncateToInt(QueryFloat<NG_MSG_GET_APP_WIDTH>()));
    return 1;
}
} // namespace nG_ScriptApi
