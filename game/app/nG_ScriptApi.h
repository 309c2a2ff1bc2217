#pragma once
// The game's global Lua functions. Most fill one message record and send it
// to the level, the application or an interface widget; a few ask a question
// by a query message; the rest act on the settings, the profiles, the sound
// channels and the desktop. They follow the engine's handler convention
// (engine/core/nE_ScriptApi.h): arguments by position, the stack emptied
// before results are pushed, no Lua error ever raised.

#include "engine/core/nE_ScriptApi.h"

#include <cstddef>
#include <lua.hpp>
#include <string>

// Registers every game function into the engine context's Lua state (or into
// the given state); call after the engine's own functions.
void nG_RegisterScriptApi();
void nG_RegisterScriptApi(lua_State* L);
// The game's functions in registration order.
const nE_ScriptFunction* nG_GetScriptApiTable(size_t* count);

// An integer argument that a function turns into a flag with "== 1" or
// "> 0": as nE_ArgInt (true, false and non-numeric text read as 0), with a
// warning once per function and argument when it is neither a number nor nil.
int nG_ArgFlagInt(lua_State* L, int index);

// Services that the engine shell and the cursor provide once they run. A null
// entry makes its function do only its settings part (see each function).
struct nG_ScriptServices
{
    void (*quit)() = nullptr;
    void (*setGamma)(float gamma) = nullptr;
    // The engine's full-screen toggle callback: chooses and applies the
    // display mode for the wanted full-screen flag and updates the settings.
    bool (*toggleFullscreen)(bool fullScreen) = nullptr;
    void (*setSystemCursor)(bool on) = nullptr;
};
extern nG_ScriptServices g_gameScriptServices;

// The user's documents folder: XDG_DOCUMENTS_DIR, else ~/Documents; empty
// when neither can be found.
std::string nG_DocumentsFolder();

// The handlers, by what they drive; nG_ScriptApi.cpp lists them in
// registration order.
namespace nG_ScriptApi
{
// Rooms and level (nG_ScriptApiLevel.cpp).
int SwitchRoom(lua_State* L);
int OpenSubRoom(lua_State* L);
int CloseSubRoom(lua_State* L);
int BlockSubRoomClose(lua_State* L);
int GetCurrentRoom(lua_State* L);
int SetAutoSave(lua_State* L);
int PauseLevel(lua_State* L);
int SwitchLevel(lua_State* L);
int ApplyObj(lua_State* L);
int GetObjPosByObj(lua_State* L);
int GetGameCursorPos(lua_State* L);
int GetAppWidth(lua_State* L);

// The interface: inventory, tasks, dialogs, map, cards, guide, HUD
// (nG_ScriptApiInterface.cpp).
int AddObjectToInv(lua_State* L);
int DelObjectFromInv(lua_State* L);
int AddTask(lua_State* L);
int CompleteTask(lua_State* L);
int SetTasksCompleteData(lua_State* L);
int UnmarkTask(lua_State* L);
int CollectHoObject(lua_State* L);
int CollectObjectToInterface(lua_State* L);
int ShowPopup(lua_State* L);
int HidePopup(lua_State* L);
int ShowBlackBarText(lua_State* L);
int ShowDialog(lua_State* L);
int CloseDialog(lua_State* L);
int ShowCharacterDialog(lua_State* L);
int CloseCharacterDialog(lua_State* L);
int ShowStoryDialog(lua_State* L);
int CloseStoryDialog(lua_State* L);
int ShowVideoFrame(lua_State* L);
int HideVideoFrame(lua_State* L);
int ShowSubtitle(lua_State* L);
int HideSubtitle(lua_State* L);
int ShowModalWindow(lua_State* L);
int CloseModalWindow(lua_State* L);
int ShowMapPopup(lua_State* L);
int HideMapPopup(lua_State* L);
int CloseMap(lua_State* L);
int AddCard(lua_State* L);
int CloseCardsScreen(lua_State* L);
int VisitMapRoom(lua_State* L);
int AddMapRoomTask(lua_State* L);
int DeleteMapRoomTask(lua_State* L);
int LockMapRoom(lua_State* L);
int SetPuppetState(lua_State* L);
int StrategyGuideTOC(lua_State* L);
int StrategyGuideNext(lua_State* L);
int StrategyGuidePrev(lua_State* L);
int StrategyGuideSetPage(lua_State* L);
int StrategyGuideGetPage(lua_State* L);
int ManageInterface(lua_State* L);
int AddChildToInterface(lua_State* L);
int RemoveChildFromInterface(lua_State* L);
int SetInterfaceChildInput(lua_State* L);
int ShowMinigame(lua_State* L);
int HideMinigame(lua_State* L);
int GetSkipTimer(lua_State* L);
int GetHintTimer(lua_State* L);
int SetHintTimer(lua_State* L);
int SetBtnLockValue(lua_State* L);
int GetBtnLockValue(lua_State* L);
int UpdateGameMode(lua_State* L);

// Settings and sound (nG_ScriptApiSettings.cpp).
int PlaySfx(lua_State* L);
int PlayEnv(lua_State* L);
int PlaySoundtrack(lua_State* L);
int PlayVoice(lua_State* L);
int IsNoSoundDevice(lua_State* L);
int GetPerformanceMode(lua_State* L);
int SetPerformanceMode(lua_State* L);
int GetGamma(lua_State* L);
int SetGamma(lua_State* L);
int SetFullScreen(lua_State* L);
int GetFullScreen(lua_State* L);
int GetWideScreen(lua_State* L);
int SetWideScreen(lua_State* L);
int SetSysCursor(lua_State* L);
int GetSysCursor(lua_State* L);
int SetSoundVolume(lua_State* L);
int GetSoundVolume(lua_State* L);
int GetUrl(lua_State* L);
int GetGuideUrl(lua_State* L);
int SaveSettings(lua_State* L);

// Profiles (nG_ScriptApiProfiles.cpp).
int GetProfileList(lua_State* L);
int GetCurrentProfile(lua_State* L);
int SetCurrentProfile(lua_State* L);
int AddProfile(lua_State* L);
int DeleteProfile(lua_State* L);
int LoadCurrentProfile(lua_State* L);
int SaveProfiles(lua_State* L);
int IsCheater(lua_State* L);

// The program, the desktop, platform answers and old names
// (nG_ScriptApiSystem.cpp).
int Quit(lua_State* L);
int CopyFileToMyDocs(lua_State* L);
int SetWallpaper(lua_State* L);
int OpenBrowser(lua_State* L);
int IsMac(lua_State* L);
int IsiSplashPressed(lua_State* L); // iOS_IsiSplashPressed
int IsRated(lua_State* L);          // iOS_IsRated
int IsIOS(lua_State* L);            // iOS_isIOS
int IosStub(lua_State* L);          // the other iOS_ names
int SwitchToGame(lua_State* L);
int SwitchToExtraGame(lua_State* L);
int SwitchToMenu(lua_State* L);
int GetCurrentProfileId(lua_State* L);
int GetNumProfiles(lua_State* L);
int GetProfileNameById(lua_State* L);
int SaveProfile(lua_State* L);
int IsCorruptedProfile(lua_State* L);
int SetGameMode(lua_State* L);
int GetGameMode(lua_State* L);
} // namespace nG_ScriptApi
