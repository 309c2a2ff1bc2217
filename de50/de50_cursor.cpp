#include "de50/de50_cursor.h"

#include <SDL.h>

namespace DE50
{

namespace
{

struct TCursorState
{
    TSystemCursor kind = kSystemCursorNone;
    // The SDL cursor made for `kind`. SDL frees every cursor when its video
    // system shuts down, so this may be stale; SDL checks a cursor against its
    // own list before it uses or frees one, which keeps a stale one harmless.
    SDL_Cursor* made = nullptr;
};

TCursorState g_state;

SDL_SystemCursor ToSdl(TSystemCursor cursor)
{
    switch (cursor)
    {
    case kSystemCursorSizeAll:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case kSystemCursorHand:
        return SDL_SYSTEM_CURSOR_HAND;
    default:
        return SDL_SYSTEM_CURSOR_ARROW;
    }
}

void Forget()
{
    g_state.kind = kSystemCursorNone;
    g_state.made = nullptr;
}

} // namespace

TSystemCursor LoadSystemCursor(uint16_t id)
{
    switch (id)
    {
    case 0x7F00:
        return kSystemCursorArrow;
    case 0x7F86:
        return kSystemCursorSizeAll;
    case 0x7F89:
        return kSystemCursorHand;
    default:
        return kSystemCursorNone;
    }
}

bool SetSystemCursor(TSystemCursor cursor)
{
    if (cursor <= kSystemCursorNone || cursor >= kSystemCursorCount)
    {
        ShowSystemCursor(false);
        return cursor == kSystemCursorNone;
    }
    SDL_Cursor* made = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_CreateSystemCursor(ToSdl(cursor)) : nullptr;
    if (!made)
    {
        ShowSystemCursor(false);
        return false;
    }
    SDL_SetCursor(made);
    if (g_state.made && g_state.made != made) SDL_FreeCursor(g_state.made);
    g_state.kind = cursor;
    g_state.made = made;
    ShowSystemCursor(true);
    return true;
}

TSystemCursor GetSystemCursor()
{
    if (!IsSystemCursorShown()) return kSystemCursorNone;
    // A restarted video system shows its default arrow, not the shape set.
    if (!g_state.made || SDL_GetCursor() != g_state.made)
    {
        Forget();
        return kSystemCursorNone;
    }
    return g_state.kind;
}

void ShowSystemCursor(bool show)
{
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool IsSystemCursorShown()
{
    return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
}

} // namespace DE50
