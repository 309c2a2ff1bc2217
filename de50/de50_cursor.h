#pragma once
// The operating system's own pointer shapes, for players who prefer them to
// the drawn cursor. Handles stand for the desktop's predefined cursors: a null
// handle (none) means the window shows no system pointer.

#include <cstdint>

namespace DE50
{

enum TSystemCursor
{
    kSystemCursorNone = 0,
    kSystemCursorArrow,
    kSystemCursorSizeAll,
    kSystemCursorHand,
    kSystemCursorCount
};

// The predefined desktop cursor ids the program passes (0x7F00 arrow, 0x7F86
// size-all, 0x7F89 hand); any other id has no shape here.
TSystemCursor LoadSystemCursor(uint16_t id);

// Shows the system pointer in that shape; none hides it. False when the shape
// could not be made (no video system): the pointer is then hidden.
bool SetSystemCursor(TSystemCursor cursor);

// The shape the system pointer shows now: none while the pointer is hidden
// (also when TPlatform::ShowCursor hid it) or when the window system lost the
// shape that was set.
TSystemCursor GetSystemCursor();

// Shows or hides the system pointer without changing its shape.
void ShowSystemCursor(bool show);
bool IsSystemCursorShown();

} // namespace DE50
