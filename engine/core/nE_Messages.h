#pragma once
// The messages the engine itself sends; the game's own are in its catalogue
// (game/messages/nG_Messages.h), which takes these three numbers as they are.

#include "engine/core/nE_Mediator.h"

#include <string>

struct nE_MsgSubtitle
{
    bool show = false;
    std::string text;
};

// A video's subtitle line starts (show, its text) or ends (no show, "").
NE_MESSAGE(NE_MSG_SUBTITLE, 0, nE_MsgSubtitle);
// The engine shell after a platform full-screen toggle: 1 when it succeeded.
NE_MESSAGE(NE_MSG_FULLSCREEN_CHANGED, 1, int);
// Every debug-log line, as its zero-terminated text.
NE_MESSAGE(NE_MSG_LOG, 2, const char);
