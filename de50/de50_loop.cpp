#include "de50/de50_loop.h"
#include "de50/de50_sound.h"

#include "de50/de50_base.h"
#include "de50/de50_internal.h"
#include "de50/de50_platform.h"
#include "de50/de50_renderer.h"
#include "de50/de50_test.h"

#include <SDL.h>
#include <SDL_image.h>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>

namespace DE50
{

namespace
{

TLoopOptions g_options;
volatile sig_atomic_t g_stopSignal = 0;
std::vector<std::function<void()>> g_turnHooks;
std::deque<TEvent> g_injected;

template <typename T> bool ParseNumber(const std::string& text, T& out)
{
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, out);
    return result.ec == std::errc() && result.ptr == end;
}

bool ParseSize(const std::string& text, uint32_t& w, uint32_t& h)
{
    size_t x = text.find_first_of("xX");
    return x != std::string::npos && ParseNumber(text.substr(0, x), w) &&
           ParseNumber(text.substr(x + 1), h) && w > 0 && h > 0;
}

// One line per event: the loop turn, then type, value, x, y and flags.
bool ParseEventLine(const std::string& line, TReplayEvent& out)
{
    std::istringstream in(line);
    std::string words[6];
    for (std::string& w : words)
        if (!(in >> w)) return false;
    std::string extra;
    int64_t value = 0;
    bool ok = !(in >> extra) && ParseNumber(words[0], out.turn) && ParseNumber(words[1], out.event.type) &&
              ParseNumber(words[2], value) && ParseNumber(words[3], out.event.x) &&
              ParseNumber(words[4], out.event.y) && ParseNumber(words[5], out.event.flags);
    // Values are written unsigned; negative ones are accepted as their 32-bit pattern.
    ok = ok && value >= INT32_MIN && value <= int64_t(UINT32_MAX);
    out.event.value = uint32_t(value);
    out.event.x = Internal::ClampPointerCoord(out.event.x);
    out.event.y = Internal::ClampPointerCoord(out.event.y);
    return ok;
}

void AppendUtf8(const char* text, std::vector<TEvent>& out)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p)
    {
        uint32_t cp = *p;
        int extra = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        cp &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : extra == 1 ? 0x1F : 0x7F;
        ++p;
        for (int i = 0; i < extra && (*p & 0xC0) == 0x80; ++i, ++p)
            cp = cp << 6 | (*p & 0x3F);
        TEvent e;
        e.type = TEvent::kChar;
        e.value = cp;
        out.push_back(e);
    }
}

TEvent PointerEvent(uint32_t type, int32_t x, int32_t y, uint32_t flags = 0)
{
    TEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    Internal::MapToScreen(e.x, e.y);
    e.flags = flags;
    return e;
}

void TranslateKey(const SDL_KeyboardEvent& key, bool down, std::vector<TEvent>& out)
{
    bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    uint32_t code = KeyCodeFromSdl(key.keysym.sym);
    if (code)
    {
        TEvent e;
        e.type = down ? TEvent::kKeyDown : TEvent::kKeyUp;
        e.value = code;
        e.flags = alt ? TEvent::kFlagSystemKey : 0;
        out.push_back(e);
    }
    if (down && alt && !key.repeat && code == Key::kEnter)
    {
        TEvent toggle;
        toggle.type = TEvent::kToggleFullscreen;
        out.push_back(toggle);
    }
}

void TranslateWindowEvent(const SDL_WindowEvent& w, std::vector<TEvent>& out)
{
    TEvent e;
    if (w.event == SDL_WINDOWEVENT_LEAVE)
        e.type = TEvent::kMouseLeave;
    else if (w.event == SDL_WINDOWEVENT_FOCUS_GAINED || w.event == SDL_WINDOWEVENT_FOCUS_LOST)
    {
        e.type = TEvent::kActivate;
        e.value = w.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0;
    }
    else
        return;
    out.push_back(e);
}

// Live SDL events as the program's events. While replaying, only the quit request counts:
// the replay alone decides the input, so runs repeat exactly.
void Translate(const SDL_Event& sdl, bool replaying, std::vector<TEvent>& out)
{
    if (sdl.type == SDL_QUIT)
    {
        out.push_back(TEvent());
        return;
    }
    if (replaying) return;
    switch (sdl.type)
    {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    {
        bool down = sdl.type == SDL_MOUSEBUTTONDOWN;
        if (sdl.button.button == SDL_BUTTON_LEFT)
        {
            out.push_back(
                PointerEvent(down ? TEvent::kMouseDown : TEvent::kMouseUp, sdl.button.x, sdl.button.y));
            if (down && sdl.button.clicks == 2)
                out.push_back(PointerEvent(TEvent::kMouseDoubleClick, sdl.button.x, sdl.button.y));
        }
        else
            out.push_back(PointerEvent(down ? TEvent::kOtherButtonDown : TEvent::kOtherButtonUp, sdl.button.x,
                                       sdl.button.y, sdl.button.button));
        break;
    }
    case SDL_MOUSEMOTION:
        out.push_back(PointerEvent(TEvent::kMouseMove, sdl.motion.x, sdl.motion.y));
        break;
    case SDL_MOUSEWHEEL:
    {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        TEvent e = PointerEvent(TEvent::kMouseWheel, x, y);
        e.value = uint32_t(int32_t(sdl.wheel.y));
        out.push_back(e);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TranslateKey(sdl.key, sdl.type == SDL_KEYDOWN, out);
        break;
    case SDL_TEXTINPUT:
        AppendUtf8(sdl.text.text, out);
        break;
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(sdl.window, out);
        break;
    default:
        break;
    }
}

// Ctrl+C and SIGTERM end the game as closing the window does (the loop turns
// the flag into a quit event); a second one while that runs ends it at once.
void OnStopSignal(int signal)
{
    if (g_stopSignal)
    {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_stopSignal = 1;
}

// Installs the handlers for one run of the loop and puts the old ones back.
class TStopSignals
{
public:
    TStopSignals()
    {
        g_stopSignal = 0;
        m_int = std::signal(SIGINT, OnStopSignal);
        m_term = std::signal(SIGTERM, OnStopSignal);
    }
    ~TStopSignals()
    {
        std::signal(SIGINT, m_int);
        std::signal(SIGTERM, m_term);
    }

private:
    void (*m_int)(int);
    void (*m_term)(int);
};

// A display server to talk to, or an explicit choice of SDL driver.
bool HasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"})
    {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

std::string JoinArguments(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i)
    {
        if (!argv[i]) continue;
        if (!line.empty()) line += ' ';
        line += argv[i];
    }
    return line;
}

// One run of the loop: its replay, its recording and the turn count.
class TLoopRun
{
public:
    TLoopRun(EventCallback event) : m_event(event)
    {
        if (!g_options.inputFile.empty()) m_replay = LoadReplay(g_options.inputFile);
        if (!g_options.recordFile.empty())
        {
            m_record = std::fopen(g_options.recordFile.c_str(), "w");
            if (!m_record)
                WriteDbg("Error: record file \"%s\" could not be written", g_options.recordFile.c_str());
        }
    }
    ~TLoopRun()
    {
        if (m_record) std::fclose(m_record);
    }
    uint64_t Turn() const { return m_turn; }
    void NextTurn() { ++m_turn; }

    void DeliverEvents()
    {
        std::vector<TEvent> events;
        SDL_Event sdl;
        while (SDL_PollEvent(&sdl))
            Translate(sdl, !g_options.inputFile.empty(), events);
        if (g_stopSignal == 1)
        {
            g_stopSignal = 2; // delivered once; a further signal ends the program at once
            events.push_back(TEvent());
        }
        while (!m_replay.empty() && m_replay.front().turn <= m_turn)
        {
            events.push_back(m_replay.front().event);
            m_replay.pop_front();
        }
        events.insert(events.end(), g_injected.begin(), g_injected.end());
        g_injected.clear();
        for (const TEvent& e : events)
            Deliver(e);
    }

private:
    void Deliver(const TEvent& e)
    {
        if (m_record)
            std::fprintf(m_record, "%llu %u %u %d %d %u\n", static_cast<unsigned long long>(m_turn), e.type,
                         e.value, e.x, e.y, e.flags);
        if (m_event) m_event(e);
    }

    EventCallback m_event;
    std::deque<TReplayEvent> m_replay;
    std::FILE* m_record = nullptr;
    uint64_t m_turn = 0;
};

// Seconds between turns for the update callback.
class TTurnClock
{
public:
    float Elapsed()
    {
        uint64_t now = Internal::NowMs();
        float seconds = float(now - m_last) / 1000.0f;
        m_last = now;
        return seconds;
    }

private:
    uint64_t m_last = Internal::NowMs();
};

} // namespace

std::deque<TReplayEvent> LoadReplay(const std::string& path)
{
    std::deque<TReplayEvent> events;
    std::ifstream file(path);
    if (!file)
    {
        WriteDbg("Error: input file \"%s\" could not be opened", path.c_str());
        return events;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number)
    {
        if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
        TReplayEvent e;
        if (ParseEventLine(line, e))
            events.push_back(e);
        else
            WriteDbg("Warning: input file \"%s\" line %d ignored", path.c_str(), number);
    }
    return events;
}

bool InitLibrary()
{
    // A file-size limit (ulimit -f) would otherwise kill the game in the middle
    // of a save; ignored, it is a failed write that keeps the old file, like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    static bool started = false;
    if (started) return true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!HasDisplay())
    {
        WriteDbg("Error: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set)");
        return false;
    }
    // No SDL timer is used: its thread would only hold up the start (SDL waits for a
    // new thread to run), and with it running every character the X input method
    // reads from its tables at start-up takes a lock.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
    {
        WriteDbg("Error: the display could not be reached: %s", SDL_GetError());
        return false;
    }
    // SDL falls back to drivers that draw nowhere; a game nobody can see is not a start.
    std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    if ((driver == "offscreen" || driver == "dummy") && !std::getenv("SDL_VIDEODRIVER"))
    {
        WriteDbg("Error: no display to open the window on (only SDL's \"%s\" driver started)",
                 driver.c_str());
        SDL_Quit();
        return false;
    }
    IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
    started = true;
    return true;
}

TLoopOptions ParseLoopOptions(int argc, char** argv)
{
    TLoopOptions o;
    for (int i = 1; i < argc; ++i)
    {
        std::string arg = argv[i] ? argv[i] : "";
        bool hasValue = i + 1 < argc && argv[i + 1];
        std::string value = hasValue ? argv[i + 1] : "";
        bool valueFlag = arg == "--frames" || arg == "--screenshot" || arg == "--desktop" ||
                         arg == "--input" || arg == "--record";
        if (arg == "--windowed")
            o.windowed = true;
        else if (arg == "--fixed-step")
            o.fixedStep = true;
        else if (arg == "--cheats")
            o.cheats = true;
        else if (!valueFlag)
            continue;
        else if (!hasValue || value.empty())
            WriteDbg("Warning: %s needs a value", arg.c_str());
        else if (arg == "--frames" && !ParseNumber(value, o.frames))
            WriteDbg("Warning: --frames \"%s\" is not a count", value.c_str());
        else if (arg == "--desktop" && !ParseSize(value, o.desktopWidth, o.desktopHeight))
        {
            WriteDbg("Warning: --desktop \"%s\" is not WIDTHxHEIGHT", value.c_str());
            o.desktopWidth = o.desktopHeight = 0;
        }
        else if (arg == "--screenshot")
            o.screenshot = value;
        else if (arg == "--input")
            o.inputFile = value;
        else if (arg == "--record")
            o.recordFile = value;
        if (valueFlag && hasValue) ++i;
    }
    return o;
}

const TLoopOptions& GetLoopOptions()
{
    return g_options;
}

void SetLoopOptions(const TLoopOptions& options)
{
    g_options = options;
}

void AddLoopTurnHook(std::function<void()> hook)
{
    if (hook) g_turnHooks.push_back(std::move(hook));
}

int RunMainLoop(int argc, char** argv, StartCallback start, EventCallback event, FrameCallback frame,
                UpdateCallback update, StopCallback stop, bool)
{
    if (!InitLibrary()) return 1;
    g_options = ParseLoopOptions(argc, argv);
    TPlatform* platform = TPlatform::GetInstance();
    platform->ClearExit();
    if (g_options.fixedStep) Internal::UseFakeClock(true, 0);
    SDL_StartTextInput();
    TStopSignals signals;
    TLoopRun run(event);
    std::string commandLine = JoinArguments(argc, argv);
    if (start && !start(commandLine.c_str()))
    {
        WriteDbg("Error: the program did not start");
        platform->Exit(1);
    }
    TTurnClock turnClock;
    if (!g_options.screenshot.empty()) TRenderer::GetInstance()->KeepScreenBuffer();
    while (!platform->ExitRequested())
    {
        uint64_t turnStart = Internal::NowMs();
        if (g_options.fixedStep) Internal::AdvanceFakeClock(kFixedStepMs);
        for (auto& hook : g_turnHooks)
            hook();
        run.DeliverEvents();
        platform->DeliverTextureRefresh();
        float seconds = turnClock.Elapsed();
        float step = g_options.fixedStep ? kFixedStepMs / 1000.0f : seconds;
        TSoundManager::PollIfOpen(step);
        if (update) update(step);
        if (frame) frame();
        run.NextTurn();
        if (g_options.frames && run.Turn() >= g_options.frames && !platform->ExitRequested())
            platform->Exit(0);
        if (!platform->ExitRequested() && !g_options.fixedStep)
            Internal::SleepToNextFrame(turnStart, kFramePeriodMs);
    }
    if (!g_options.screenshot.empty()) TRenderer::GetInstance()->SaveScreenshot(g_options.screenshot);
    if (stop) stop();
    TSoundManager::Shutdown();
    SDL_StopTextInput();
    Internal::CloseWindow();
    if (g_options.fixedStep) Internal::ResetClock();
    return platform->ExitCode();
}

namespace Test
{

void InjectEvent(const TEvent& event)
{
    g_injected.push_back(event);
}

void Reset()
{
    TPlatform::GetInstance()->Reset();
    TRenderer::GetInstance()->ResetState();
    Internal::ResetClock();
    Internal::ResetDisplayOverrides();
    g_options = TLoopOptions();
    g_injected.clear();
}

} // namespace Test

} // namespace DE50
