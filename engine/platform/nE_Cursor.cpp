#include "engine/platform/nE_Cursor.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"

// Out of line so that the class's virtual table lives in this library.
nE_Cursor::~nE_Cursor() = default;

nE_Cursor* g_cursor = nullptr;

// ---- script functions ----

namespace
{
int SetCursor(lua_State* L)
{
    int type = lua_type(L, 1);
    int index = nE_ArgInt(L, 1);
    lua_settop(L, 0);
    if (type == LUA_TNONE) return 0;
    if (type == LUA_TNIL)
    {
        nE_Log("Warning: SetCursor try set cursor to nil!\n");
        return 0;
    }
    if (g_cursor) g_cursor->SetCursor(index);
    return 0;
}

// The pointer as the scene reads it (nE_GetCursorPos), truncated.
int PushCursorCoordinate(lua_State* L, bool wantX)
{
    lua_settop(L, 0);
    float x = 0.0f, y = 0.0f;
    nE_GetCursorPos(&x, &y);
    lua_pushinteger(L, nE_TruncateToInt(wantX ? x : y));
    return 1;
}

int CursorPosX(lua_State* L)
{
    return PushCursorCoordinate(L, true);
}

int CursorPosY(lua_State* L)
{
    return PushCursorCoordinate(L, false);
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"SetCursor", SetCursor},
    {"CursorPosX", CursorPosX},
    {"CursorPosY", CursorPosY},
};
} // namespace

void nE_RegisterCursorScriptFunctions()
{
    nE_AddScriptFunctions(kScriptFunctions);
}
