#include "engine/core/nE_Log.h"
#include "game/app/nG_Messages.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
const int kAllIds[] = {NG_MSG_SUBTITLE,
                       NG_MSG_FULLSCREEN_CHANGED,
                       NG_MSG_LOG,
                       NG_MSG_POPUP,
                       NG_MSG_MAP_POPUP,
                       NG_MSG_VISIT_MAP_ROOM,
                       NG_MSG_ADD_MAP_ROOM_TASK,
                       NG_MSG_DELETE_MAP_ROOM_TASK,
                       NG_MSG_LOCK_MAP_ROOM,
                       NG_MSG_SET_PUPPET_STATE,
                       NG_MSG_GAME_MODE,
                       NG_MSG_INTERFACE_SHOW,
                       NG_MSG_INTERFACE_FADE,
                       NG_MSG_DISPLAY_CHANGED,
                       NG_MSG_INV_ADD,
                       NG_MSG_INV_DELETE,
                       NG_MSG_TASKS_CHANGED,
                       NG_MSG_INV_SCROLL_RIGHT,
                       NG_MSG_INV_SCROLL_LEFT,
                       NG_MSG_BTN_LOCK_CHANGED,
                       NG_MSG_ADD_TASK,
                       NG_MSG_TASKS_COMPLETE_DATA,
                       NG_MSG_COMPLETE_TASK,
                       NG_MSG_UNMARK_TASK,
                       NG_MSG_GUIDE_TOC,
                       NG_MSG_GUIDE_BUTTON,
                       NG_MSG_GUIDE_IMAGE_BUTTON,
                       NG_MSG_GUIDE_NEXT,
                       NG_MSG_GUIDE_PREV,
                       NG_MSG_GUIDE_SET_PAGE,
                       NG_MSG_GUIDE_GET_PAGE,
                       NG_MSG_BLACK_BAR_TEXT,
                       NG_MSG_SHOW_DIALOG,
                       NG_MSG_CLOSE_DIALOG,
                       NG_MSG_CHARACTER_DIALOG,
                       NG_MSG_CHARACTER_DIALOG_SKIP,
                       NG_MSG_VIDEO_FRAME,
                       NG_MSG_VIDEO_FRAME_SKIP,
                       NG_MSG_HO_DIALOG,
                       NG_MSG_STORY_DIALOG,
                       NG_MSG_SHOW_MINIGAME,
                       NG_MSG_HIDE_MINIGAME,
                       NG_MSG_BTN_SKIP_PRESS,
                       NG_MSG_BTN_RESET_PRESS,
                       NG_MSG_BTN_INFO_PRESS,
                       NG_MSG_CLOSE_MAP,
                       NG_MSG_BTN_MAP_HOVER,
                       NG_MSG_MAP_CLOSE_HOVER,
                       NG_MSG_MAP_CLOSE_LEAVE,
                       NG_MSG_BTN_MAP_LEAVE,
                       NG_MSG_CARDS_SCREEN,
                       NG_MSG_INV_BUTTON_HOVER,
                       NG_MSG_INV_BUTTON_LEAVE,
                       NG_MSG_ADD_CARD,
                       NG_MSG_INV_CHANGED,
                       NG_MSG_BTN_LOCK_PRESS,
                       NG_MSG_SET_BTN_LOCK_VALUE,
                       NG_MSG_COLLECT_TO_INTERFACE,
                       NG_MSG_COLLECT_HO_OBJECT,
                       NG_MSG_COLLECT_HO_TASK_OBJECT,
                       NG_MSG_BTN_HINT_PRESS,
                       NG_MSG_SKIP_USED,
                       NG_MSG_SET_HINT_TIMER,
                       NG_MSG_SWITCH_ROOM,
                       NG_MSG_CLOSE_SUBROOM_NOW,
                       NG_MSG_BLOCK_SUBROOM_CLOSE,
                       NG_MSG_LEVEL_BLUR,
                       NG_MSG_PAUSE_LEVEL,
                       NG_MSG_AUTO_SAVE,
                       NG_MSG_SCREEN_CLOSED,
                       NG_MSG_SWITCH_LEVEL,
                       NG_MSG_ADD_INTERFACE_CHILD,
                       NG_MSG_REMOVE_INTERFACE_CHILD,
                       NG_MSG_INTERFACE_CHILD_INPUT,
                       NG_MSG_BTN_MENU_PRESS,
                       NG_MSG_BTN_GUIDE_PRESS,
                       NG_MSG_SHOW_MODAL_WINDOW,
                       NG_MSG_CLOSE_MODAL_WINDOW,
                       NG_MSG_SUBROOM_FRAME_FOLLOW,
                       NG_MSG_SUBROOM_FRAME_LAYOUT,
                       NG_MSG_CHEAT_HINT,
                       NG_MSG_CHEAT_SKIP,
                       NG_MSG_CHEAT_COLLECT_TASKS,
                       NG_MSG_CHEAT_HIGHLIGHT,
                       NG_MSG_CHEAT_COLLECT_RANDOM_TASK,
                       NG_MSG_GET_CURRENT_ROOM,
                       NG_MSG_HO_OBJECT_COLLECTED,
                       NG_MSG_GET_TASKS_STATE,
                       NG_MSG_IS_HO_DIALOG_SHOWN,
                       NG_MSG_GET_HO_DIALOG_OBJECT,
                       NG_MSG_HAS_INV_OBJECT,
                       NG_MSG_GET_TRANSFORM,
                       NG_MSG_GET_APP_WIDTH,
                       NG_MSG_GET_HINT_TIMER,
                       NG_MSG_GET_SKIP_TIMER,
                       NG_MSG_IS_LEVEL_STARTING,
                       NG_MSG_GET_HINT_TASK,
                       NG_MSG_GET_BTN_LOCK_VALUE};
} // namespace

TEST(Messages, EveryIdIsDistinctAndInRange)
{
    std::set<int> seen;
    for (int id : kAllIds)
    {
        EXPECT_TRUE(seen.insert(id).second) << "duplicate id " << id;
        EXPECT_GE(id, 0);
        EXPECT_LE(id, 115);
    }
    EXPECT_EQ(seen.size(), 98u);
    // The log line is the engine's own broadcast; the game must hear it under the same id.
    EXPECT_EQ(NG_MSG_LOG, NE_MSG_LOG);
    EXPECT_EQ(seen.count(72), 0u);
    EXPECT_EQ(seen.count(113), 0u);
}

TEST(Messages, QueriesStartFromTheirNeutralAnswer)
{
    EXPECT_EQ(nG_MsgObject().object, nullptr);
    EXPECT_FALSE(nG_MsgBool().value);
    EXPECT_EQ(nG_MsgInt().value, 0);
    EXPECT_EQ(nG_MsgFloat().value, 0.0f);
    EXPECT_TRUE(nG_MsgString().value.empty());
    nG_MsgObjectQuery q;
    EXPECT_TRUE(q.object.empty());
    EXPECT_FALSE(q.answer);

    nG_MsgTransform t;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(t.matrix[i], (i % 5 == 0) ? 1.0f : 0.0f) << "element " << i;
}

TEST(Messages, RecordsLeaveUnsetFieldsAtZero)
{
    nG_MsgSwitchRoom room;
    EXPECT_FALSE(room.subroom || room.close || room.animated);
    EXPECT_EQ(room.startX | room.startY | room.endX | room.endY, 0);
    EXPECT_TRUE(room.room.empty());

    nG_MsgMapPopup map; // a hide leaves the list unset
    EXPECT_FALSE(map.show);
    EXPECT_EQ(map.tasks, nullptr);

    nG_MsgPopup popup;
    EXPECT_FALSE(popup.show || popup.raw);
    for (const std::string& p : popup.params)
        EXPECT_TRUE(p.empty());

    nG_MsgVideoFrame video;
    EXPECT_EQ(video.skipDelay, 0.0f);
    EXPECT_FALSE(video.show || video.passThrough || video.skippable);

    nG_MsgDialog dialog;
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_TRUE(dialog.character.empty() && dialog.text.empty());

    nG_MsgThreeStrings three;
    EXPECT_FALSE(three.b1 || three.b2);
    nG_MsgInvChanged inv;
    EXPECT_EQ(inv.barY + inv.x + inv.y + inv.z, 0.0f);
}
