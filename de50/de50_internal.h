#pragma once
// State shared among the library's own source files; not for the program.

#include <cstdint>

struct SDL_Window;

namespace DE50
{
namespace Internal
{

SDL_Window* Window();
bool HasGlContext();
// Opens the window and GL context, or changes the window's mode.
bool OpenWindow(uint32_t width, uint32_t height, bool fullscreen, bool vsync);
// Destroys the window and context; every texture loses its GL objects.
void CloseWindow();

// The clock behind timeGetTime.
void UseFakeClock(bool on, uint32_t start);
void AdvanceFakeClock(uint32_t ms);
void ResetClock();
// Real milliseconds since the library started, not wrapped.
uint64_t NowMs();
// Sleeps until a period after the turn's start, or after the last real clock reading when
// that came later.
void SleepToNextFrame(uint64_t turnStartMs, uint32_t periodMs);

void ResetDisplayOverrides();
// Pointer coordinates are kept within this many pixels of the origin, so that
// every later conversion to float and back stays defined.
const int32_t kMaxPointerCoord = 1 << 20;
int32_t ClampPointerCoord(double v);
// Window coordinates to screen-buffer pixels (they differ when full screen scales the drawing).
void MapToScreen(int32_t& x, int32_t& y);

} // namespace Internal
} // namespace DE50
