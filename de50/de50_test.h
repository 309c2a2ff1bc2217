#pragma once
// Hooks for tests: drive the library without a user at the keyboard.

#include "de50/de50_event.h"
#include "de50/de50_types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace DE50
{
namespace Test
{

// Queues an event for the next loop turn (after that turn's recorded and replayed events).
void InjectEvent(const TEvent& event);
// Drops every texture's GL objects as a device loss would; the textures come back from their
// kept pixels when next drawn (render targets come back empty) and the refresh listeners run
// on the next loop turn (or at DeliverPendingTasks).
void SimulateLostTextures();
// Runs what the loop runs between turns: refresh listeners after a loss.
void DeliverPendingTasks();
// The next SetDisplay reports this mode instead of the one asked for (once).
void ForceDisplayResult(uint32_t width, uint32_t height, bool fullscreen);
// The desktop size GetDesktopSize reports until reset (0 x 0: the real one).
void SetDesktopSize(uint32_t width, uint32_t height);
// A manual clock for timeGetTime: on at the value given, advanced only by AdvanceClock.
void SetClock(uint32_t ms);
void AdvanceClock(uint32_t ms);
// The last frame on the screen, rows top first, 0xAARRGGBB with opaque alpha.
bool ReadScreen(std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height);
TColor32 ReadScreenPixel(uint32_t x, uint32_t y);
// Addresses given to TPlatform::OpenBrowser go to this function instead of the desktop's
// browser (its result is OpenBrowser's); an empty function restores the browser.
void SetUrlOpener(std::function<bool(const std::string&)> opener);
// Makes the user-file layer fail the `n`-th step of writing from now on (the
// temporary's creation, each write, the flush, the close, the rename), as a
// full or failing disk would; 0 turns failures off. Counting restarts here.
void FailFileStep(int n);
// Steps of writing counted since the last FailFileStep.
int FileSteps();
// Closes the window and returns the library to its state after InitLibrary (options,
// configuration, clock, hooks and queued events cleared).
void Reset();

} // namespace Test
} // namespace DE50
