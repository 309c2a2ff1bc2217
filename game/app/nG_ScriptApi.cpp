#include "game/app/nG_ScriptApi.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Math.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "game/app/nG_Room.h"
#include "game/messages/nG_Messages.h"

#include <vector>

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

int Nothing(lua_State* L)
{
    lua_settop(L, 0);
    return 0;
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

template <int Id> int SendThreeStrings(lua_State* L)
{
    nG_MsgThreeStrings msg;
    msg.s1 = nE_ArgString(L, 1);
    msg.s2 = nE_ArgString(L, 2);
    msg.s3 = nE_ArgString(L, 3);
    return SendOnly<Id>(L, msg);
}

// Room and task; the third string stays empty whatever else is passed.
template <int Id> int SendRoomAndTask(lua_State* L)
{
    nG_MsgThreeStrings msg;
    msg.s1 = nE_ArgString(L, 1);
    msg.s2 = nE_ArgString(L, 2);
    return SendOnly<Id>(L, msg);
}

// Names may be given as text or as numbers; anything else names nothing.
bool IsName(lua_State* L, int index)
{
    int type = lua_type(L, index);
    return type == LUA_TSTRING || type == LUA_TNUMBER;
}

template <int Id> int SendDialog(lua_State* L, bool withPosition)
{
    nG_MsgDialog msg;
    msg.show = true;
    msg.text = nE_ArgString(L, 1);
    msg.character = nE_ArgString(L, 2);
    msg.continueCall = nE_ArgString(L, 3);
    msg.skipCall = nE_ArgString(L, 4);
    if (withPosition)
    {
        msg.x = nE_ArgInt(L, 5);
        msg.y = nE_ArgInt(L, 6);
    }
    return SendOnly<Id>(L, msg);
}

template <int Id> int CloseDialogRecord(lua_State* L)
{
    nG_MsgDialog msg;
    return SendOnly<Id>(L, msg);
}

template <int Id> float QueryFloat()
{
    nG_MsgFloat msg;
    nE_Send<Id>(msg);
    return msg.value;
}

template <int Id> int PushQueryFloat(lua_State* L)
{
    lua_settop(L, 0);
    lua_pushnumber(L, QueryFloat<Id>());
    return 1;
}

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

// Entries 1, 2, ... of the table at `index` up to the first one that is
// neither text nor a number; raw access, so no metamethod runs.
std::vector<std::string> ReadNameList(lua_State* L, int index)
{
    std::vector<std::string> names;
    if (!lua_istable(L, index)) return names;
    for (int i = 1;; ++i)
    {
        lua_rawgeti(L, index, i);
        bool isName = IsName(L, -1);
        if (isName) names.push_back(nE_ArgString(L, -1));
        lua_pop(L, 1);
        if (!isName) break;
    }
    return names;
}
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

namespace nG_ScriptApi
{
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

int Quit(lua_State* L)
{
    lua_settop(L, 0);
    if (g_gameScriptServices.quit) g_gameScriptServices.quit();
    return 0;
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

// ---- inventory, tasks and collecting ----

int AddObjectToInv(lua_State* L)
{
    if (!IsName(L, 1)) return Nothing(L);
    nE_ArgObject(L, 1); // only for its warning: the inventory finds nothing either
    return SendThreeStrings<NG_MSG_INV_ADD>(L);
}

int DelObjectFromInv(lua_State* L)
{
    if (!IsName(L, 1)) return Nothing(L);
    return SendString<NG_MSG_INV_DELETE>(L);
}

int AddTask(lua_State* L)
{
    nG_MsgAddTask msg;
    msg.task = nE_ArgString(L, 1);
    msg.count = nE_ArgInt(L, 2);
    msg.room = nE_ArgString(L, 3);
    msg.highlighted = nE_HasArg(L, 4) && nG_ArgFlagInt(L, 4) == 1;
    // Lines show only while their room is the current one: a name that is no room never shows them.
    if (g_scene && !dynamic_cast<nG_Room*>(g_scene->FindObject(msg.room)))
        nE_WarnOnce("taskroom:" + msg.room, "Warning: AddTask: no room named \"" + msg.room +
                                                "\" for task \"" + msg.task + "\"; its line never shows");
    return SendOnly<NG_MSG_ADD_TASK>(L, msg);
}

int CompleteTask(lua_State* L)
{
    return SendString<NG_MSG_COMPLETE_TASK>(L);
}

int SetTasksCompleteData(lua_State* L)
{
    return SendThreeStrings<NG_MSG_TASKS_COMPLETE_DATA>(L);
}

int UnmarkTask(lua_State* L)
{
    return SendString<NG_MSG_UNMARK_TASK>(L);
}

int CollectHoObject(lua_State* L)
{
    return SendString<NG_MSG_COLLECT_HO_OBJECT>(L);
}

int CollectObjectToInterface(lua_State* L)
{
    nG_MsgCollectToInterface msg;
    msg.object = nE_ArgString(L, 1);
    msg.a = nE_ArgInt(L, 2);
    msg.b = nE_ArgInt(L, 3);
    return SendOnly<NG_MSG_COLLECT_TO_INTERFACE>(L, msg);
}

// ---- dialogs, captions and windows ----

int ShowPopup(lua_State* L)
{
    nG_MsgPopup msg;
    msg.show = true;
    msg.text = nE_ArgString(L, 1);
    for (int i = 0; i < 5; ++i)
        msg.params[i] = nE_ArgString(L, i + 2);
    return SendOnly<NG_MSG_POPUP>(L, msg);
}

int HidePopup(lua_State* L)
{
    nG_MsgPopup msg;
    return SendOnly<NG_MSG_POPUP>(L, msg);
}

int ShowBlackBarText(lua_State* L)
{
    return SendString<NG_MSG_BLACK_BAR_TEXT>(L);
}

int ShowDialog(lua_State* L)
{
    nG_MsgShowDialog msg;
    msg.text = nE_ArgString(L, 1);
    msg.x = nE_ArgInt(L, 2);
    msg.y = nE_ArgInt(L, 3);
    return SendOnly<NG_MSG_SHOW_DIALOG>(L, msg);
}

int CloseDialog(lua_State* L)
{
    return SendOnly<NG_MSG_CLOSE_DIALOG>(L);
}

int ShowCharacterDialog(lua_State* L)
{
    return SendDialog<NG_MSG_CHARACTER_DIALOG>(L, true);
}

int CloseCharacterDialog(lua_State* L)
{
    return CloseDialogRecord<NG_MSG_CHARACTER_DIALOG>(L);
}

int ShowStoryDialog(lua_State* L)
{
    return SendDialog<NG_MSG_STORY_DIALOG>(L, false);
}

int CloseStoryDialog(lua_State* L)
{
    return CloseDialogRecord<NG_MSG_STORY_DIALOG>(L);
}

int ShowVideoFrame(lua_State* L)
{
    nG_MsgVideoFrame msg;
    msg.show = true;
    msg.passThrough = nG_ArgFlagInt(L, 1) == 1;
    msg.skippable = nE_HasArg(L, 3) && nG_ArgFlagInt(L, 3) == 1;
    msg.skipDelay = nE_HasArg(L, 5) ? nE_ArgFloat(L, 5) : 4.0f;
    msg.skipCall = nE_ArgString(L, 4);
    msg.video = nE_ArgString(L, 2);
    return SendOnly<NG_MSG_VIDEO_FRAME>(L, msg);
}

int HideVideoFrame(lua_State* L)
{
    nG_MsgVideoFrame msg;
    return SendOnly<NG_MSG_VIDEO_FRAME>(L, msg);
}

int ShowSubtitle(lua_State* L)
{
    nG_MsgSubtitle msg;
    msg.show = true;
    msg.text = nE_ArgString(L, 1);
    return SendOnly<NG_MSG_SUBTITLE>(L, msg);
}

int HideSubtitle(lua_State* L)
{
    nG_MsgSubtitle msg;
    return SendOnly<NG_MSG_SUBTITLE>(L, msg);
}

int ShowModalWindow(lua_State* L)
{
    nG_MsgThreeStrings msg;
    msg.s1 = nE_ArgString(L, 1);
    msg.s2 = nE_ArgString(L, 2);
    msg.s3 = nE_ArgString(L, 3);
    msg.b1 = !nE_HasArg(L, 4) || nG_ArgFlagInt(L, 4) == 1;
    return SendOnly<NG_MSG_SHOW_MODAL_WINDOW>(L, msg);
}

int CloseModalWindow(lua_State* L)
{
    return SendString<NG_MSG_CLOSE_MODAL_WINDOW>(L);
}

// ---- map, cards and the strategy guide ----

int ShowMapPopup(lua_State* L)
{
    // A third argument that is not a table shows the popup with no tasks.
    std::vector<std::string> tasks = ReadNameList(L, 3);
    nG_MsgMapPopup msg;
    msg.show = true;
    msg.picture = nE_ArgString(L, 2);
    msg.room = nE_ArgString(L, 1);
    msg.tasks = &tasks;
    return SendOnly<NG_MSG_MAP_POPUP>(L, msg);
}

int HideMapPopup(lua_State* L)
{
    nG_MsgMapPopup msg;
    return SendOnly<NG_MSG_MAP_POPUP>(L, msg);
}

int CloseMap(lua_State* L)
{
    return SendOnly<NG_MSG_CLOSE_MAP>(L);
}

int AddCard(lua_State* L)
{
    return SendOnly<NG_MSG_ADD_CARD>(L);
}

int CloseCardsScreen(lua_State* L)
{
    return SendOnly<NG_MSG_CARDS_SCREEN>(L);
}

int VisitMapRoom(lua_State* L)
{
    nG_MsgThreeStrings msg;
    msg.s1 = nE_ArgString(L, 1);
    return SendOnly<NG_MSG_VISIT_MAP_ROOM>(L, msg);
}

int AddMapRoomTask(lua_State* L)
{
    return SendRoomAndTask<NG_MSG_ADD_MAP_ROOM_TASK>(L);
}

int DeleteMapRoomTask(lua_State* L)
{
    return SendRoomAndTask<NG_MSG_DELETE_MAP_ROOM_TASK>(L);
}

int LockMapRoom(lua_State* L)
{
    nG_MsgThreeStrings msg;
    msg.s1 = nE_ArgString(L, 1);
    msg.b2 = nG_ArgFlagInt(L, 2) == 1;
    return SendOnly<NG_MSG_LOCK_MAP_ROOM>(L, msg);
}

int SetPuppetState(lua_State* L)
{
    return SendInt<NG_MSG_SET_PUPPET_STATE>(L);
}

int StrategyGuideTOC(lua_State* L)
{
    return SendOnly<NG_MSG_GUIDE_TOC>(L);
}

int StrategyGuideNext(lua_State* L)
{
    return SendOnly<NG_MSG_GUIDE_NEXT>(L);
}

int StrategyGuidePrev(lua_State* L)
{
    return SendOnly<NG_MSG_GUIDE_PREV>(L);
}

int StrategyGuideSetPage(lua_State* L)
{
    return SendInt<NG_MSG_GUIDE_SET_PAGE>(L);
}

int StrategyGuideGetPage(lua_State* L)
{
    nG_MsgInt msg;
    SendOnly<NG_MSG_GUIDE_GET_PAGE>(L, msg);
    lua_pushinteger(L, msg.value);
    return 1;
}

// ---- interface and its buttons ----

int ManageInterface(lua_State* L)
{
    nG_MsgInterfaceShow msg;
    msg.input = nG_ArgFlagInt(L, 1) == 1;
    msg.shown = nG_ArgFlagInt(L, 2) == 1;
    msg.fade = nG_ArgFlagInt(L, 3) == 1;
    SendOnly<NG_MSG_INTERFACE_SHOW>(L, msg);
    nE_Send<NG_MSG_INTERFACE_FADE>(msg);
    return 0;
}

int AddChildToInterface(lua_State* L)
{
    return SendInt<NG_MSG_ADD_INTERFACE_CHILD>(L);
}

int RemoveChildFromInterface(lua_State* L)
{
    return SendInt<NG_MSG_REMOVE_INTERFACE_CHILD>(L);
}

int SetInterfaceChildInput(lua_State* L)
{
    nG_MsgInterfaceChildInput msg;
    msg.child = nE_ArgInt(L, 1);
    msg.input = nG_ArgFlagInt(L, 2) == 1;
    return SendOnly<NG_MSG_INTERFACE_CHILD_INPUT>(L, msg);
}

int ShowMinigame(lua_State* L)
{
    nG_MsgShowMinigame msg;
    msg.skipTime = nE_ArgFloat(L, 1);
    msg.skipCode = nE_ArgString(L, 2);
    msg.resetCode = nE_ArgString(L, 3);
    msg.infoText = nE_ArgString(L, 4);
    return SendOnly<NG_MSG_SHOW_MINIGAME>(L, msg);
}

int HideMinigame(lua_State* L)
{
    return SendOnly<NG_MSG_HIDE_MINIGAME>(L);
}

int GetSkipTimer(lua_State* L)
{
    return PushQueryFloat<NG_MSG_GET_SKIP_TIMER>(L);
}

int GetHintTimer(lua_State* L)
{
    return PushQueryFloat<NG_MSG_GET_HINT_TIMER>(L);
}

int SetHintTimer(lua_State* L)
{
    nG_MsgFloat msg;
    msg.value = nE_ArgFloat(L, 1);
    return SendOnly<NG_MSG_SET_HINT_TIMER>(L, msg);
}

int SetBtnLockValue(lua_State* L)
{
    return SendBool<NG_MSG_SET_BTN_LOCK_VALUE>(L, nG_ArgFlagInt(L, 1) == 1);
}

int GetBtnLockValue(lua_State* L)
{
    nG_MsgBool msg;
    SendOnly<NG_MSG_GET_BTN_LOCK_VALUE>(L, msg);
    lua_pushinteger(L, msg.value ? 1 : 0);
    return 1;
}

int UpdateGameMode(lua_State* L)
{
    return SendInt<NG_MSG_GAME_MODE>(L);
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
