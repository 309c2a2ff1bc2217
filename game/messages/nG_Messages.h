#pragma once
// Every mediator message of the game: its id and the record its senders fill,
// declared together so that a send or a read under the id is typed by it (see
// nE_Send and nE_MsgAs). Both the game application and the interface widgets
// include this; it needs nothing above the engine core.
//
// A record lives on the sender's stack for the duration of the send; a receiver
// copies what it keeps. A default-constructed record holds zero in every field,
// which is both what a sender leaves in the fields it does not use and the
// initial answer of a query (the identity for the transform query).

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Messages.h"

#include <string>
#include <type_traits>
#include <vector>

class nE_Object;
struct nE_Rect;

// One-field records, shared by every id whose record is a single value.
struct nG_MsgBool
{
    bool value = false;
};

struct nG_MsgInt
{
    int value = 0;
};

struct nG_MsgFloat
{
    float value = 0.0f;
};

// Also the button record: the name of the nG_InterfButton that sent it.
struct nG_MsgString
{
    std::string value;
};

struct nG_MsgObject
{
    nE_Object* object = nullptr;
};

struct nG_MsgThreeStrings
{
    std::string s1;
    std::string s2;
    std::string s3;
    bool b1 = false;
    bool b2 = false;
};

struct nG_MsgPopup
{
    bool show = false;
    std::string text; // string-table key, or the text itself when raw
    bool raw = false;
    std::string params[5];
};

struct nG_MsgMapPopup
{
    bool show = false;
    std::string picture;
    std::string room;
    const std::vector<std::string>* tasks = nullptr; // owned by the sender; unset when hiding
};

struct nG_MsgInterfaceShow
{
    bool input = false;
    bool shown = false;
    bool fade = false;
};

struct nG_MsgAddTask
{
    std::string task;
    std::string room;
    bool highlighted = false;
    int count = 0;
};

struct nG_MsgShowDialog
{
    std::string text;
    int x = 0;
    int y = 0;
};

// Character and story dialogs.
struct nG_MsgDialog
{
    bool show = false;
    std::string continueCall;
    std::string skipCall;
    std::string character;
    std::string text;
    int x = 0;
    int y = 0;
};

struct nG_MsgVideoFrame
{
    bool show = false;
    bool passThrough = false;
    bool skippable = false;
    float skipDelay = 0.0f;
    std::string skipCall;
    std::string video;
};

struct nG_MsgHoDialog
{
    std::string object;
    std::string call;
};

struct nG_MsgShowMinigame
{
    float skipTime = 0.0f;
    std::string resetCode;
    std::string skipCode;
    std::string infoText;
};

struct nG_MsgInvChanged
{
    float barY = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct nG_MsgCollectToInterface
{
    std::string object;
    int a = 0;
    int b = 0;
};

struct nG_MsgSwitchRoom
{
    bool subroom = false;
    bool close = false;
    int startX = 0;
    int startY = 0;
    int endX = 0;
    int endY = 0;
    bool animated = false;
    std::string room;
};

struct nG_MsgSwitchLevel
{
    std::string level;
    std::string param;
};

struct nG_MsgInterfaceChildInput
{
    int child = 0;
    bool input = false;
};

struct nG_MsgObjectQuery
{
    std::string object;
    bool answer = false;
};

// Row-major 4x4 matrix, the identity until a receiver answers.
struct nG_MsgTransform
{
    float matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

// The engine's own messages, under the game's names.
constexpr int NG_MSG_SUBTITLE = NE_MSG_SUBTITLE;
constexpr int NG_MSG_FULLSCREEN_CHANGED = NE_MSG_FULLSCREEN_CHANGED;
constexpr int NG_MSG_LOG = NE_MSG_LOG;
using nG_MsgSubtitle = nE_MsgSubtitle;

// A button record is an nG_MsgString holding the name of the nG_InterfButton
// that sent it; a query's receiver writes its answer into the record.
NE_MESSAGE(NG_MSG_POPUP, 3, nG_MsgPopup);
NE_MESSAGE(NG_MSG_MAP_POPUP, 4, nG_MsgMapPopup);
NE_MESSAGE(NG_MSG_VISIT_MAP_ROOM, 5, nG_MsgThreeStrings);       // s1 room
NE_MESSAGE(NG_MSG_ADD_MAP_ROOM_TASK, 6, nG_MsgThreeStrings);    // s1 room, s2 task
NE_MESSAGE(NG_MSG_DELETE_MAP_ROOM_TASK, 7, nG_MsgThreeStrings); // s1 room, s2 task
NE_MESSAGE(NG_MSG_LOCK_MAP_ROOM, 11, nG_MsgThreeStrings);       // s1 room, b2 locked
NE_MESSAGE(NG_MSG_SET_PUPPET_STATE, 12, nG_MsgInt);             // state
NE_MESSAGE(NG_MSG_GAME_MODE, 16, nG_MsgInt);                    // mode
NE_MESSAGE(NG_MSG_INTERFACE_SHOW, 18, nG_MsgInterfaceShow);
NE_MESSAGE(NG_MSG_INTERFACE_FADE, 19, nG_MsgInterfaceShow);
NE_MESSAGE(NG_MSG_DISPLAY_CHANGED, 20, void);
NE_MESSAGE(NG_MSG_INV_ADD, 21, nG_MsgThreeStrings);    // object, flying object, landing call
NE_MESSAGE(NG_MSG_INV_DELETE, 22, nG_MsgString);       // object
NE_MESSAGE(NG_MSG_TASKS_CHANGED, 23, nG_MsgBool);      // the task panel starts to hide
NE_MESSAGE(NG_MSG_INV_SCROLL_RIGHT, 24, nG_MsgString); // button
NE_MESSAGE(NG_MSG_INV_SCROLL_LEFT, 25, nG_MsgString);  // button
NE_MESSAGE(NG_MSG_BTN_LOCK_CHANGED, 26, nG_MsgBool);   // locked
NE_MESSAGE(NG_MSG_ADD_TASK, 27, nG_MsgAddTask);
NE_MESSAGE(NG_MSG_TASKS_COMPLETE_DATA, 28, nG_MsgThreeStrings); // room, dialog object, OK call
NE_MESSAGE(NG_MSG_COMPLETE_TASK, 29, nG_MsgString);             // task
NE_MESSAGE(NG_MSG_UNMARK_TASK, 30, nG_MsgString);               // task
NE_MESSAGE(NG_MSG_GUIDE_TOC, 31, void);
NE_MESSAGE(NG_MSG_GUIDE_BUTTON, 32, nG_MsgString);       // button
NE_MESSAGE(NG_MSG_GUIDE_IMAGE_BUTTON, 33, nG_MsgString); // button
NE_MESSAGE(NG_MSG_GUIDE_NEXT, 34, void);
NE_MESSAGE(NG_MSG_GUIDE_PREV, 35, void);
NE_MESSAGE(NG_MSG_GUIDE_SET_PAGE, 36, nG_MsgInt);    // page
NE_MESSAGE(NG_MSG_GUIDE_GET_PAGE, 37, nG_MsgInt);    // query: page
NE_MESSAGE(NG_MSG_BLACK_BAR_TEXT, 38, nG_MsgString); // string-table key
NE_MESSAGE(NG_MSG_SHOW_DIALOG, 39, nG_MsgShowDialog);
NE_MESSAGE(NG_MSG_CLOSE_DIALOG, 40, void);
NE_MESSAGE(NG_MSG_CHARACTER_DIALOG, 41, nG_MsgDialog);
NE_MESSAGE(NG_MSG_CHARACTER_DIALOG_SKIP, 42, nG_MsgString); // button
NE_MESSAGE(NG_MSG_VIDEO_FRAME, 44, nG_MsgVideoFrame);
NE_MESSAGE(NG_MSG_VIDEO_FRAME_SKIP, 45, nG_MsgString); // button
NE_MESSAGE(NG_MSG_HO_DIALOG, 46, nG_MsgHoDialog);
NE_MESSAGE(NG_MSG_STORY_DIALOG, 48, nG_MsgDialog); // x and y unused
NE_MESSAGE(NG_MSG_SHOW_MINIGAME, 50, nG_MsgShowMinigame);
NE_MESSAGE(NG_MSG_HIDE_MINIGAME, 51, void);
NE_MESSAGE(NG_MSG_BTN_SKIP_PRESS, 52, nG_MsgString);       // button
NE_MESSAGE(NG_MSG_BTN_RESET_PRESS, 53, nG_MsgString);      // button
NE_MESSAGE(NG_MSG_BTN_INFO_PRESS, 54, nG_MsgString);       // button
NE_MESSAGE_OR_NONE(NG_MSG_CLOSE_MAP, 55, nG_MsgString);    // button; none from the script
NE_MESSAGE(NG_MSG_BTN_MAP_HOVER, 56, nG_MsgString);        // button
NE_MESSAGE(NG_MSG_MAP_CLOSE_HOVER, 57, nG_MsgString);      // button
NE_MESSAGE(NG_MSG_MAP_CLOSE_LEAVE, 58, nG_MsgString);      // button
NE_MESSAGE(NG_MSG_BTN_MAP_LEAVE, 59, nG_MsgString);        // button
NE_MESSAGE_OR_NONE(NG_MSG_CARDS_SCREEN, 60, nG_MsgString); // button; none from the script
NE_MESSAGE(NG_MSG_INV_BUTTON_HOVER, 61, nG_MsgString);     // button
NE_MESSAGE(NG_MSG_INV_BUTTON_LEAVE, 62, nG_MsgString);     // button
NE_MESSAGE(NG_MSG_ADD_CARD, 63, void);
NE_MESSAGE(NG_MSG_INV_CHANGED, 64, nG_MsgInvChanged);
NE_MESSAGE(NG_MSG_BTN_LOCK_PRESS, 65, nG_MsgString);   // button
NE_MESSAGE(NG_MSG_SET_BTN_LOCK_VALUE, 66, nG_MsgBool); // value
NE_MESSAGE(NG_MSG_COLLECT_TO_INTERFACE, 67, nG_MsgCollectToInterface);
NE_MESSAGE(NG_MSG_COLLECT_HO_OBJECT, 68, nG_MsgString);    // object
NE_MESSAGE(NG_MSG_COLLECT_HO_TASK_OBJECT, 69, nG_MsgBool); // show the collect effect
NE_MESSAGE(NG_MSG_BTN_HINT_PRESS, 70, nG_MsgString);       // button
NE_MESSAGE(NG_MSG_SKIP_USED, 71, nG_MsgFloat);             // 1 minus the skip level
NE_MESSAGE(NG_MSG_SET_HINT_TIMER, 73, nG_MsgFloat);        // time
NE_MESSAGE(NG_MSG_SWITCH_ROOM, 75, nG_MsgSwitchRoom);
NE_MESSAGE(NG_MSG_CLOSE_SUBROOM_NOW, 76, nG_MsgString); // button
NE_MESSAGE(NG_MSG_BLOCK_SUBROOM_CLOSE, 77, nG_MsgBool); // blocked
NE_MESSAGE(NG_MSG_LEVEL_BLUR, 78, nG_MsgBool);          // capture
NE_MESSAGE(NG_MSG_PAUSE_LEVEL, 79, nG_MsgBool);         // paused
NE_MESSAGE(NG_MSG_AUTO_SAVE, 80, nG_MsgBool);           // on
NE_MESSAGE(NG_MSG_SCREEN_CLOSED, 81, nG_MsgBool);       // 1 fully open, 0 starts to close
NE_MESSAGE(NG_MSG_SWITCH_LEVEL, 82, nG_MsgSwitchLevel);
NE_MESSAGE(NG_MSG_ADD_INTERFACE_CHILD, 86, nG_MsgInt);    // child id
NE_MESSAGE(NG_MSG_REMOVE_INTERFACE_CHILD, 87, nG_MsgInt); // child id
NE_MESSAGE(NG_MSG_INTERFACE_CHILD_INPUT, 88, nG_MsgInterfaceChildInput);
NE_MESSAGE(NG_MSG_BTN_MENU_PRESS, 89, nG_MsgString);          // button
NE_MESSAGE(NG_MSG_BTN_GUIDE_PRESS, 90, nG_MsgString);         // button
NE_MESSAGE(NG_MSG_SHOW_MODAL_WINDOW, 91, nG_MsgThreeStrings); // module, window, code, b1 blocking
NE_MESSAGE(NG_MSG_CLOSE_MODAL_WINDOW, 92, nG_MsgString);      // window object
NE_MESSAGE(NG_MSG_SUBROOM_FRAME_FOLLOW, 93, nE_Object);       // the sending subroom itself
NE_MESSAGE(NG_MSG_SUBROOM_FRAME_LAYOUT, 94, nE_Rect);         // the subroom's local rectangle
NE_MESSAGE(NG_MSG_CHEAT_HINT, 95, void);
NE_MESSAGE(NG_MSG_CHEAT_SKIP, 96, void);
NE_MESSAGE(NG_MSG_CHEAT_COLLECT_TASKS, 97, void);
NE_MESSAGE(NG_MSG_CHEAT_HIGHLIGHT, 98, void);
NE_MESSAGE(NG_MSG_CHEAT_COLLECT_RANDOM_TASK, 99, void);
NE_MESSAGE(NG_MSG_GET_CURRENT_ROOM, 100, nG_MsgObject);         // query: open subroom, else current room
NE_MESSAGE(NG_MSG_HO_OBJECT_COLLECTED, 101, nG_MsgObjectQuery); // query
NE_MESSAGE(NG_MSG_GET_TASKS_STATE, 102, nG_MsgBool);            // query
NE_MESSAGE(NG_MSG_IS_HO_DIALOG_SHOWN, 103, nG_MsgBool);         // query
NE_MESSAGE(NG_MSG_GET_HO_DIALOG_OBJECT, 104, nG_MsgString);     // query: object name or ""
NE_MESSAGE(NG_MSG_HAS_INV_OBJECT, 105, nG_MsgObjectQuery);      // query
NE_MESSAGE(NG_MSG_GET_TRANSFORM, 108, nG_MsgTransform);         // query
NE_MESSAGE(NG_MSG_GET_APP_WIDTH, 109, nG_MsgFloat);             // query: visible design width
NE_MESSAGE(NG_MSG_GET_HINT_TIMER, 110, nG_MsgFloat);            // query: time
NE_MESSAGE(NG_MSG_GET_SKIP_TIMER, 111, nG_MsgFloat);            // query: time
NE_MESSAGE(NG_MSG_IS_LEVEL_STARTING, 112, nG_MsgBool);          // query
NE_MESSAGE(NG_MSG_GET_HINT_TASK, 114, nG_MsgString);            // query: key of an unfinished task
NE_MESSAGE(NG_MSG_GET_BTN_LOCK_VALUE, 115, nG_MsgBool);         // query: value

// The ids a button sends its name under (an nG_MsgString), as the press,
// hover or leave id its owner gives it.
constexpr int nG_ButtonMessages[] = {
    NG_MSG_INV_SCROLL_RIGHT,      NG_MSG_INV_SCROLL_LEFT,  NG_MSG_GUIDE_BUTTON,   NG_MSG_GUIDE_IMAGE_BUTTON,
    NG_MSG_CHARACTER_DIALOG_SKIP, NG_MSG_VIDEO_FRAME_SKIP, NG_MSG_BTN_SKIP_PRESS, NG_MSG_BTN_RESET_PRESS,
    NG_MSG_BTN_INFO_PRESS,        NG_MSG_CLOSE_MAP,        NG_MSG_BTN_MAP_HOVER,  NG_MSG_MAP_CLOSE_HOVER,
    NG_MSG_MAP_CLOSE_LEAVE,       NG_MSG_BTN_MAP_LEAVE,    NG_MSG_CARDS_SCREEN,   NG_MSG_INV_BUTTON_HOVER,
    NG_MSG_INV_BUTTON_LEAVE,      NG_MSG_BTN_LOCK_PRESS,   NG_MSG_BTN_HINT_PRESS, NG_MSG_CLOSE_SUBROOM_NOW,
    NG_MSG_BTN_MENU_PRESS,        NG_MSG_BTN_GUIDE_PRESS};

constexpr bool nG_IsButtonMessage(int id)
{
    for (int button : nG_ButtonMessages)
        if (button == id) return true;
    return false;
}

// How an owner names a button's id: only a button message compiles.
template <int Id, std::enable_if_t<
                      nG_IsButtonMessage(Id) && std::is_same<nE_MsgRecord<Id>, nG_MsgString>::value, int> = 0>
constexpr int nG_ButtonMsg()
{
    return Id;
}
