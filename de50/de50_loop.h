#pragma once
// The library's start and its main loop.

#include "de50/de50_event.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace DE50
{

using StartCallback = bool (*)(const char* commandLine);
using EventCallback = bool (*)(const TEvent& event);
using FrameCallback = void (*)();
using UpdateCallback = void (*)(float seconds);
using StopCallback = void (*)();

// Once, before anything else of the library. False when SDL's video could not start.
// Whatever the result, SIGXFSZ is ignored from then on: a file-size limit makes
// writes fail rather than kill the program.
bool InitLibrary();

// Runs the loop until TPlatform::Exit or the --frames count, then calls stop and returns the
// exit code. Each turn: events (callback per event), update, frame, then a sleep until the
// next frame time. The library reads its own flags from argv (see TLoopOptions); the start
// callback gets the arguments after the program name joined by spaces. The last argument is
// not used.
int RunMainLoop(int argc, char** argv, StartCallback start, EventCallback event, FrameCallback frame,
                UpdateCallback update, StopCallback stop, bool unused);

// The library's command-line flags.
struct TLoopOptions
{
    bool windowed = false;     // --windowed: never take the screen, even when full screen is set
    uint32_t frames = 0;       // --frames N: quit after N turns (0: run until Exit)
    std::string screenshot;    // --screenshot FILE.png: the last frame, written before quitting
    bool fixedStep = false;    // --fixed-step: timeGetTime advances 17 ms per turn and no sleep
    uint32_t desktopWidth = 0; // --desktop WxH: the size GetDesktopSize reports
    uint32_t desktopHeight = 0;
    std::string inputFile;  // --input FILE: replay events ("turn type value x y flags" lines)
    std::string recordFile; // --record FILE: write delivered events in the same form
    bool cheats = false;    // --cheats: the game's cheat mode, for the cheat profile only
};

// One line of a replay file: the event and the loop turn it is delivered at.
struct TReplayEvent
{
    uint64_t turn;
    TEvent event;
};
// The events of a replay file in order; lines that do not read are skipped with
// a warning, and pointer coordinates are clamped to a sane range.
std::deque<TReplayEvent> LoadReplay(const std::string& path);

// Unknown arguments are left to the program; bad values give a warning and are ignored.
TLoopOptions ParseLoopOptions(int argc, char** argv);
// The options in force (those of the running or last loop, or set by a test).
const TLoopOptions& GetLoopOptions();
void SetLoopOptions(const TLoopOptions& options);

// For the library's own services (sound polling): called once per loop turn, on the loop
// thread, before the event callbacks.
void AddLoopTurnHook(std::function<void()> hook);

// Milliseconds the fixed-step clock advances each turn.
const uint32_t kFixedStepMs = 17;
// Milliseconds between turns: the first whole count that is at least 1/60 s, so a program
// that waits for 1/60 s on the millisecond clock never has to spin.
const uint32_t kFramePeriodMs = 17;

} // namespace DE50
