#pragma once
// Platform events as the engine library hands them to the program.

#include <cstdint>

namespace DE50
{

// Five 32-bit words: type, value (key code, character or active flag), pointer x and y, flags.
struct TEvent
{
    enum EType : uint32_t
    {
        kQuit = 0,
        kMouseDown = 1,        // left button
        kMouseDoubleClick = 2, // left button, after the second kMouseDown
        kMouseUp = 3,
        kMouseMove = 4,
        kMouseLeave = 5, // the pointer left the window
        kMouseWheel = 6, // value: signed steps, away from the user positive
        kKeyDown = 7,
        kKeyUp = 8,
        kChar = 9,             // value: one Unicode code point
        kOtherButtonDown = 10, // flags: 2 middle, 3 right, 4 and up extra buttons
        kOtherButtonUp = 11,
        kActivate = 12,         // value 1 focus gained, 0 lost
        kToggleFullscreen = 13, // Alt+Enter
    };
    // Flags word of key and character events: set while Alt is held (a system key).
    static const uint32_t kFlagSystemKey = 4;

    uint32_t type = kQuit;
    uint32_t value = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t flags = 0;
};

// Key codes in kKeyDown / kKeyUp values: classic desktop codes for the keys content uses;
// letters 'A'..'Z' and digits as ASCII whatever the shift state.
namespace Key
{
const uint32_t kBackspace = 8, kTab = 9, kEnter = 13, kShift = 16, kControl = 17, kAlt = 18, kEscape = 27,
               kSpace = 32;
const uint32_t kUp = uint32_t(-127), kLeft = uint32_t(-126), kRight = uint32_t(-125), kDown = uint32_t(-124),
               kHome = uint32_t(-123), kEnd = uint32_t(-122), kPageUp = uint32_t(-121),
               kPageDown = uint32_t(-120), kInsert = uint32_t(-119), kDelete = uint32_t(-118);
// F1 .. F12 are kF1 + 0 .. kF1 + 11.
const uint32_t kF1 = uint32_t(-117);
} // namespace Key

// The key code for an SDL key symbol (SDL_Keycode); 0 for keys the library does not report.
uint32_t KeyCodeFromSdl(int32_t sdlKey);

} // namespace DE50
