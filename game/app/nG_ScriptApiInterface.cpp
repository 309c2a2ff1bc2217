// The game's script functions that drive the interface: the inventory, the
// task list and the collectors, the dialogs, captions and windows, the map,
// the card album and the strategy guide, and the HUD and its buttons. Each
// fills one message record and sends it to the widgets, or asks them one by
// a query.

#include "game/app/nG_ScriptApi.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Scene.h"
#include "game/app/nG_Room.h"
#include "game/app/nG_ScriptApiUtil.h"

#include <vector>

namespace
{
using namespace nG_ScriptUtil;

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

template <int Id> int PushQueryFloat(lua_State* L)
{
    lua_settop(L, 0);
    lua_pushnumber(L, QueryFloat<Id>());
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

namespace nG_ScriptApi
{
using namespace nG_ScriptUtil;

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
} // namespace nG_ScriptApi
