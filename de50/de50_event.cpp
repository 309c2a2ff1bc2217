#include "de50/de50_event.h"

#include <SDL.h>

namespace DE50
{

namespace
{

struct TKeyRow
{
    SDL_Keycode sdl;
    uint32_t code;
};

// Every key the library reports that is not a letter or a digit.
const TKeyRow kKeyTable[] = {
    {SDLK_BACKSPACE, Key::kBackspace},
    {SDLK_TAB, Key::kTab},
    {SDLK_RETURN, Key::kEnter},
    {SDLK_KP_ENTER, Key::kEnter},
    {SDLK_RETURN2, Key::kEnter},
    {SDLK_LSHIFT, Key::kShift},
    {SDLK_RSHIFT, Key::kShift},
    {SDLK_LCTRL, Key::kControl},
    {SDLK_RCTRL, Key::kControl},
    {SDLK_LALT, Key::kAlt},
    {SDLK_RALT, Key::kAlt},
    {SDLK_ESCAPE, Key::kEscape},
    {SDLK_SPACE, Key::kSpace},
    {SDLK_UP, Key::kUp},
    {SDLK_LEFT, Key::kLeft},
    {SDLK_RIGHT, Key::kRight},
    {SDLK_DOWN, Key::kDown},
    {SDLK_HOME, Key::kHome},
    {SDLK_END, Key::kEnd},
    {SDLK_PAGEUP, Key::kPageUp},
    {SDLK_PAGEDOWN, Key::kPageDown},
    {SDLK_INSERT, Key::kInsert},
    {SDLK_DELETE, Key::kDelete},
    {SDLK_F1, Key::kF1 + 0},
    {SDLK_F2, Key::kF1 + 1},
    {SDLK_F3, Key::kF1 + 2},
    {SDLK_F4, Key::kF1 + 3},
    {SDLK_F5, Key::kF1 + 4},
    {SDLK_F6, Key::kF1 + 5},
    {SDLK_F7, Key::kF1 + 6},
    {SDLK_F8, Key::kF1 + 7},
    {SDLK_F9, Key::kF1 + 8},
    {SDLK_F10, Key::kF1 + 9},
    {SDLK_F11, Key::kF1 + 10},
    {SDLK_F12, Key::kF1 + 11},
    {SDLK_KP_0, '0'},
    {SDLK_KP_1, '1'},
    {SDLK_KP_2, '2'},
    {SDLK_KP_3, '3'},
    {SDLK_KP_4, '4'},
    {SDLK_KP_5, '5'},
    {SDLK_KP_6, '6'},
    {SDLK_KP_7, '7'},
    {SDLK_KP_8, '8'},
    {SDLK_KP_9, '9'},
    {SDLK_MINUS, '-'},
    {SDLK_EQUALS, '='},
    {SDLK_COMMA, ','},
    {SDLK_PERIOD, '.'},
    {SDLK_SLASH, '/'},
    {SDLK_SEMICOLON, ';'},
    {SDLK_QUOTE, '\''},
    {SDLK_LEFTBRACKET, '['},
    {SDLK_RIGHTBRACKET, ']'},
    {SDLK_BACKSLASH, '\\'},
    {SDLK_BACKQUOTE, '`'},
};

} // namespace

uint32_t KeyCodeFromSdl(int32_t sdlKey)
{
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return uint32_t('A' + (sdlKey - SDLK_a));
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return uint32_t(sdlKey);
    for (const TKeyRow& row : kKeyTable)
        if (row.sdl == sdlKey) return row.code;
    return 0;
}

} // namespace DE50
