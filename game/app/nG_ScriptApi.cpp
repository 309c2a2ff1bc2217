// The game's script functions, registered from one list in the order
// scripts have always seen them. The handlers live by what they drive:
// nG_ScriptApiLevel.cpp (rooms and level), nG_ScriptApiInterface.cpp (the
// interface), nG_ScriptApiSettings.cpp (settings and sound),
// nG_ScriptApiProfiles.cpp (profiles), nG_ScriptApiSystem.cpp (the program
// and the desktop).

#include "game/app/nG_ScriptApi.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"

nG_ScriptServices g_gameScriptServices;

namespace
{
using namespace nG_ScriptApi;

const nE_ScriptFunction kFunctions[] = {
    {"SwitchRoom", SwitchRoom},
    {"OpenSubRoom", OpenSubRoom},
    {"CloseSubRoom", CloseSubRoom},
    {"BlockSubRoomClose", BlockSubRoomClose},
    {"GetCurrentRoom", GetCurrentRoom},
    {"SetAutoSave", SetAutoSave},
    {"PauseLevel", PauseLevel},
    {"SwitchLevel", SwitchLevel},
    {"Quit", Quit},
    {"ApplyObj", ApplyObj},
    {"AddObjectToInv", AddObjectToInv},
    {"DelObjectFromInv", DelObjectFromInv},
    {"ShowPopup", ShowPopup},
    {"HidePopup", HidePopup},
    {"AddTask", AddTask},
    {"CompleteTask", CompleteTask},
    {"SetTasksCompleteData", SetTasksCompleteData},
    {"UnmarkTask", UnmarkTask},
    {"CollectHoObject", CollectHoObject},
    {"CollectObjectToInterface", CollectObjectToInterface},
    {"ShowBlackBarText", ShowBlackBarText},
    {"ShowDialog", ShowDialog},
    {"CloseDialog", CloseDialog},
    {"ShowCharacterDialog", ShowCharacterDialog},
    {"CloseCharacterDialog", CloseCharacterDialog},
    {"ShowStoryDialog", ShowStoryDialog},
    {"CloseStoryDialog", CloseStoryDialog},
    {"ShowVideoFrame", ShowVideoFrame},
    {"HideVideoFrame", HideVideoFrame},
    {"ShowSubtitle", ShowSubtitle},
    {"HideSubtitle", HideSubtitle},
    {"ShowMapPopup", ShowMapPopup},
    {"HideMapPopup", HideMapPopup},
    {"CloseMap", CloseMap},
    {"AddCard", AddCard},
    {"CloseCardsScreen", CloseCardsScreen},
    {"ManageInterface", ManageInterface},
    {"ShowMinigame", ShowMinigame},
    {"HideMinigame", HideMinigame},
    {"GetSkipTimer", GetSkipTimer},
    {"GetHintTimer", GetHintTimer},
    {"SetHintTimer", SetHintTimer},
    {"PlaySfx", PlaySfx},
    {"PlayEnv", PlayEnv},
    {"PlaySoundtrack", PlaySoundtrack},
    {"PlayVoice", PlayVoice},
    {"GetPerformanceMode", GetPerformanceMode},
    {"SetPerformanceMode", SetPerformanceMode},
    {"GetGamma", GetGamma},
    {"SetGamma", SetGamma},
    {"SetFullScreen", SetFullScreen},
    {"GetFullScreen", GetFullScreen},
    {"GetWideScreen", GetWideScreen},
    {"SetWideScreen", SetWideScreen},
    {"SetSysCursor", SetSysCursor},
    {"GetSysCursor", GetSysCursor},
    {"SetSoundVolume", SetSoundVolume},
    {"GetSoundVolume", GetSoundVolume},
    {"GetUrl", GetUrl},
    {"GetGuideUrl", GetGuideUrl},
    {"SaveSettings", SaveSettings},
    {"UpdateGameMode", UpdateGameMode},
    {"GetProfileList", GetProfileList},
    {"GetCurrentProfile", GetCurrentProfile},
    {"SetCurrentProfile", SetCurrentProfile},
    {"AddProfile", AddProfile},
    {"DeleteProfile", DeleteProfile},
    {"LoadCurrentProfile", LoadCurrentProfile},
    {"SaveProfiles", SaveProfiles},
    {"VisitMapRoom", VisitMapRoom},
    {"AddMapRoomTask", AddMapRoomTask},
    {"DeleteMapRoomTask", DeleteMapRoomTask},
    {"LockMapRoom", LockMapRoom},
    {"SetPuppetState", SetPuppetState},
    {"CopyFileToMyDocs", CopyFileToMyDocs},
    {"SetWallpaper", SetWallpaper},
    {"OpenBrowser", OpenBrowser},
    {"StrategyGuideTOC", StrategyGuideTOC},
    {"StrategyGuideNext", StrategyGuideNext},
    {"StrategyGuidePrev", StrategyGuidePrev},
    {"StrategyGuideSetPage", StrategyGuideSetPage},
    {"StrategyGuideGetPage", StrategyGuideGetPage},
    {"IsNoSoundDevice", IsNoSoundDevice},
    {"GetObjPosByObj", GetObjPosByObj},
    {"GetGameCursorPos", GetGameCursorPos},
    {"GetAppWidth", GetAppWidth},
    {"IsCheater", IsCheater},
    {"AddChildToInterface", AddChildToInterface},
    {"RemoveChildFromInterface", RemoveChildFromInterface},
    {"SetInterfaceChildInput", SetInterfaceChildInput},
    {"ShowModalWindow", ShowModalWindow},
    {"CloseModalWindow", CloseModalWindow},
    {"SetBtnLockValue", SetBtnLockValue},
    {"GetBtnLockValue", GetBtnLockValue},
    {"IsMac", IsMac},
    {"iOS_iSplashPressed", IosStub},
    {"iOS_IsiSplashPressed", IsiSplashPressed},
    {"iOS_TellFriendPressed", IosStub},
    {"iOS_MoreGamesPressed", IosStub},
    {"iOS_RateItPressed", IosStub},
    {"iOS_IsRated", IsRated},
    {"iOS_Terms", IosStub},
    {"iOS_Policy", IosStub},
    {"iOS_Support", IosStub},
    {"iOS_RateMe", IosStub},
    {"iOS_RegisterGameplay", IosStub},
    {"iOS_ManageAds", IosStub},
    {"iOS_LogEvents", IosStub},
    {"iOS_isIOS", IsIOS},
    {"SwitchToGame", SwitchToGame},
    {"SwitchToExtraGame", SwitchToExtraGame},
    {"SwitchToMenu", SwitchToMenu},
    {"GetCurrentProfileId", GetCurrentProfileId},
    {"GetNumProfiles", GetNumProfiles},
    {"GetProfileNameById", GetProfileNameById},
    {"SaveProfile", SaveProfile},
    {"IsCorruptedProfile", IsCorruptedProfile},
    {"SetGameMode", SetGameMode},
    {"GetGameMode", GetGameMode},
};
} // namespace

// ---- registration and argument readers ----

const nE_ScriptFunction* nG_GetScriptApiTable(size_t* count)
{
    if (count) *count = sizeof(kFunctions) / sizeof(kFunctions[0]);
    return kFunctions;
}

void nG_RegisterScriptApi(lua_State* L)
{
    for (const nE_ScriptFunction& f : kFunctions)
        nE_RegisterScriptFunction(L, f.name, f.handler);
}

void nG_RegisterScriptApi()
{
    nG_RegisterScriptApi(nE_GetLua());
}

int nG_ArgFlagInt(lua_State* L, int index)
{
    // true reads as 0 here, so an author who wrote it must be told why nothing happened.
    int type = lua_type(L, index);
    if (type != LUA_TNONE && type != LUA_TNIL && !lua_isnumber(L, index))
    {
        std::string function = nE_CalledName(L), argument = std::to_string(index);
        nE_WarnOnce("intarg:" + function + ":" + argument, "Warning: " + function + ": argument " + argument +
                                                               " expects a number (1 or 0), not " +
                                                               lua_typename(L, type) + "; it reads as 0");
    }
    return nE_ArgInt(L, index);
}
