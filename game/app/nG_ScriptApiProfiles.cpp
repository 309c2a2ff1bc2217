// The game's script functions that drive the players' profiles: the list,
// the current profile, adding and deleting one, loading and saving the game
// data, and whether cheats are on. They act on the profile list directly.

#include "game/app/nG_ScriptApi.h"

#include "game/app/nG_Config.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_ScriptApiUtil.h"

namespace nG_ScriptApi
{
using namespace nG_ScriptUtil;

int GetProfileList(lua_State* L)
{
    lua_settop(L, 0);
    lua_newtable(L);
    if (!g_profileList) return 1;
    int index = 0;
    for (const std::string& name : g_profileList->GetNames())
    {
        lua_pushlstring(L, name.data(), name.size());
        lua_rawseti(L, -2, ++index);
    }
    return 1;
}

int GetCurrentProfile(lua_State* L)
{
    return PushString(L, g_profileList ? g_profileList->GetCurrentName() : std::string("ng_noprofiles"));
}

int SetCurrentProfile(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_profileList) g_profileList->SetCurrent(name);
    return 0;
}

int AddProfile(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    return PushInt(L, g_profileList && g_profileList->Add(name) ? 1 : 0);
}

int DeleteProfile(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_profileList) g_profileList->Delete(name);
    return 0;
}

int LoadCurrentProfile(lua_State* L)
{
    lua_settop(L, 0);
    return PushInt(L, g_profileList && g_profileList->LoadGame() ? 1 : 0);
}

int SaveProfiles(lua_State* L)
{
    lua_settop(L, 0);
    if (g_profileList) g_profileList->SaveGame();
    return 0;
}

int IsCheater(lua_State* L)
{
    return PushInt(L, g_config && g_config->IsCheatMode() ? 1 : 0);
}
} // namespace nG_ScriptApi
