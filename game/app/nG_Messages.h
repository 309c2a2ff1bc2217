#pragma once
// Every mediator message of the game: its id and the record its sender fills.
// A record lives on the sender's stack for the duration of the send; a receiver
// copies what it keeps. A default-constructed record holds zero in every field,
// which is both what a sender leaves in the fields it does not use and the
// initial answer of a query (the identity for the transform query).

#include "engine/core/nE_Messages.h"

#include <string>
#include <vector>

class nE_Object;

enum nG_MessageId
{
    NG_MSG_SUBTITLE = NE_MSG_SUBTITLE,     // nG_MsgSubtitle
    NG_MSG_FULLSCREEN_CHANGED = 1,         // nG_MsgInt: 1 when the toggle succeeded
    NG_MSG_LOG = 2,                        // const char*: the log line itself
    NG_MSG_POPUP = 3,                      // nG_MsgPopup
    NG_MSG_MAP_POPUP = 4,                  // nG_MsgMapPopup
    NG_MSG_VISIT_MAP_ROOM = 5,             // nG_MsgThreeStrings: s1 room
    NG_MSG_ADD_MAP_ROOM_TASK = 6,          // nG_MsgThreeStrings: s1 room, s2 task
    NG_MSG_DELETE_MAP_ROOM_TASK = 7,       // nG_MsgThreeStrings: s1 room, s2 task
    NG_MSG_LOCK_MAP_ROOM = 11,             // nG_MsgThreeStrings: s1 room, b2 locked
    NG_MSG_SET_PUPPET_STATE = 12,          // nG_MsgInt: state
    NG_MSG_GAME_MODE = 16,                 // nG_MsgInt: mode
    NG_MSG_INTERFACE_SHOW = 18,            // nG_MsgInterfaceShow
    NG_MSG_INTERFACE_FADE = 19,            // nG_MsgInterfaceShow
    NG_MSG_DISPLAY_CHANGED = 20,           // no record
    NG_MSG_INV_ADD = 21,                   // nG_MsgThreeStrings: object, flying object, landing call
    NG_MSG_INV_DELETE = 22,                // nG_MsgString: object
    NG_MSG_TASKS_CHANGED = 23,             // nG_MsgBool: the task panel starts to hide
    NG_MSG_INV_SCROLL_RIGHT = 24,          // nG_MsgString: button
    NG_MSG_INV_SCROLL_LEFT = 25,           // nG_MsgString: button
    NG_MSG_BTN_LOCK_CHANGED = 26,          // nG_MsgBool: locked
    NG_MSG_ADD_TASK = 27,                  // nG_MsgAddTask
    NG_MSG_TASKS_COMPLETE_DATA = 28,       // nG_MsgThreeStrings: room, dialog object, OK call
    NG_MSG_COMPLETE_TASK = 29,             // nG_MsgString: task
    NG_MSG_UNMARK_TASK = 30,               // nG_MsgString: task
    NG_MSG_GUIDE_TOC = 31,                 // no record
    NG_MSG_GUIDE_BUTTON = 32,              // nG_MsgString: button
    NG_MSG_GUIDE_IMAGE_BUTTON = 33,        // nG_MsgString: button
    NG_MSG_GUIDE_NEXT = 34,                // no record
    NG_MSG_GUIDE_PREV = 35,                // no record
    NG_MSG_GUIDE_SET_PAGE = 36,            // nG_MsgInt: page
    NG_MSG_GUIDE_GET_PAGE = 37,            // query nG_MsgInt: page
    NG_MSG_BLACK_BAR_TEXT = 38,            // nG_MsgString: string-table key
    NG_MSG_SHOW_DIALOG = 39,               // nG_MsgShowDialog
    NG_MSG_CLOSE_DIALOG = 40,              // no record
    NG_MSG_CHARACTER_DIALOG = 41,          // nG_MsgDialog
    NG_MSG_CHARACTER_DIALOG_SKIP = 42,     // nG_MsgString: button
    NG_MSG_VIDEO_FRAME = 44,               // nG_MsgVideoFrame
    NG_MSG_VIDEO_FRAME_SKIP = 45,          // nG_MsgString: button
    NG_MSG_HO_DIALOG = 46,                 // nG_MsgHoDialog
    NG_MSG_STORY_DIALOG = 48,              // nG_MsgDialog (x and y unused)
    NG_MSG_SHOW_MINIGAME = 50,             // nG_MsgShowMinigame
    NG_MSG_HIDE_MINIGAME = 51,             // no record
    NG_MSG_BTN_SKIP_PRESS = 52,            // nG_MsgString: button
    NG_MSG_BTN_RESET_PRESS = 53,           // nG_MsgString: button
    NG_MSG_BTN_INFO_PRESS = 54,            // nG_MsgString: button
    NG_MSG_CLOSE_MAP = 55,                 // no record from the script, nG_MsgString (button) otherwise
    NG_MSG_BTN_MAP_HOVER = 56,             // nG_MsgString: button
    NG_MSG_MAP_CLOSE_HOVER = 57,           // nG_MsgString: button
    NG_MSG_MAP_CLOSE_LEAVE = 58,           // nG_MsgString: button
    NG_MSG_BTN_MAP_LEAVE = 59,             // nG_MsgString: button
    NG_MSG_CARDS_SCREEN = 60,              // no record from the script, nG_MsgString (button) otherwise
    NG_MSG_INV_BUTTON_HOVER = 61,          // nG_MsgString: button
    NG_MSG_INV_BUTTON_LEAVE = 62,          // nG_MsgString: button
    NG_MSG_ADD_CARD = 63,                  // no record
    NG_MSG_INV_CHANGED = 64,               // nG_MsgInvChanged
    NG_MSG_BTN_LOCK_PRESS = 65,            // nG_MsgString: button
    NG_MSG_SET_BTN_LOCK_VALUE = 66,        // nG_MsgBool: value
    NG_MSG_COLLECT_TO_INTERFACE = 67,      // nG_MsgCollectToInterface
    NG_MSG_COLLECT_HO_OBJECT = 68,         // nG_MsgString: object
    NG_MSG_COLLECT_HO_TASK_OBJECT = 69,    // nG_MsgBool: show the collect effect
    NG_MSG_BTN_HINT_PRESS = 70,            // nG_MsgString: button
    NG_MSG_SKIP_USED = 71,                 // nG_MsgFloat: 1 minus the skip level
    NG_MSG_SET_HINT_TIMER = 73,            // nG_MsgFloat: time
    NG_MSG_SWITCH_ROOM = 75,               // nG_MsgSwitchRoom
    NG_MSG_CLOSE_SUBROOM_NOW = 76,         // nG_MsgString: button
    NG_MSG_BLOCK_SUBROOM_CLOSE = 77,       // nG_MsgBool: blocked
    NG_MSG_LEVEL_BLUR = 78,                // nG_MsgBool: capture
    NG_MSG_PAUSE_LEVEL = 79,               // nG_MsgBool: paused
    NG_MSG_AUTO_SAVE = 80,                 // nG_MsgBool: on
    NG_MSG_SCREEN_CLOSED = 81,             // nG_MsgBool: 1 fully open, 0 starts to close
    NG_MSG_SWITCH_LEVEL = 82,              // nG_MsgSwitchLevel
    NG_MSG_ADD_INTERFACE_CHILD = 86,       // nG_MsgInt: child id
    NG_MSG_REMOVE_INTERFACE_CHILD = 87,    // nG_MsgInt: child id
    NG_MSG_INTERFACE_CHILD_INPUT = 88,     // nG_MsgInterfaceChildInput
    NG_MSG_BTN_MENU_PRESS = 89,            // nG_MsgString: button
    NG_MSG_BTN_GUIDE_PRESS = 90,           // nG_MsgString: button
    NG_MSG_SHOW_MODAL_WINDOW = 91,         // nG_MsgThreeStrings: module, window, code, b1 blocking
    NG_MSG_CLOSE_MODAL_WINDOW = 92,        // nG_MsgString: window object
    NG_MSG_SUBROOM_FRAME_FOLLOW = 93,      // the sending nG_SubRoom itself
    NG_MSG_SUBROOM_FRAME_LAYOUT = 94,      // an nE_Rect: the subroom's local rectangle
    NG_MSG_CHEAT_HINT = 95,                // no record
    NG_MSG_CHEAT_SKIP = 96,                // no record
    NG_MSG_CHEAT_COLLECT_TASKS = 97,       // no record
    NG_MSG_CHEAT_HIGHLIGHT = 98,           // no record
    NG_MSG_CHEAT_COLLECT_RANDOM_TASK = 99, // no record
    NG_MSG_GET_CURRENT_ROOM = 100,         // query nG_MsgObject: open subroom, else current room
    NG_MSG_HO_OBJECT_COLLECTED = 101,      // query nG_MsgObjectQuery
    NG_MSG_GET_TASKS_STATE = 102,          // query nG_MsgBool
    NG_MSG_IS_HO_DIALOG_SHOWN = 103,       // query nG_MsgBool
    NG_MSG_GET_HO_DIALOG_OBJECT = 104,     // query nG_MsgString: object name or ""
    NG_MSG_HAS_INV_OBJECT = 105,           // query nG_MsgObjectQuery
    NG_MSG_GET_TRANSFORM = 108,            // query nG_MsgTransform
    NG_MSG_GET_APP_WIDTH = 109,            // query nG_MsgFloat: visible design width
    NG_MSG_GET_HINT_TIMER = 110,           // query nG_MsgFloat: time
    NG_MSG_GET_SKIP_TIMER = 111,           // query nG_MsgFloat: time
    NG_MSG_IS_LEVEL_STARTING = 112,        // query nG_MsgBool
    NG_MSG_GET_HINT_TASK = 114,            // query nG_MsgString: key of an unfinished task
    NG_MSG_GET_BTN_LOCK_VALUE = 115        // query nG_MsgBool: value
};

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

// The engine's own record: the video sends the subtitle message itself.
using nG_MsgSubtitle = nE_MsgSubtitle;

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
