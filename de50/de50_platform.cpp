#include "de50/de50_platform.h"
#include "de50/de50_config.h"

#include "de50/de50_internal.h"
#include "de50/de50_loop.h"
#include "de50/de50_renderer.h"
#include "de50/de50_test.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace DE50
{

const char* const TPlatform::kWindowTitle = "window_title";
const char* const TPlatform::kGameName = kConfigGameName;
const char* const TPlatform::kPublisherName = kConfigPublisherName;

namespace
{

struct TWindowState
{
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

struct TClockState
{
    bool fake = false;
    uint32_t now = 0;
    uint64_t lastRead = 0; // the real clock's latest reading handed out, in full
};

using SteadyClock = std::chrono::steady_clock;
const SteadyClock::time_point g_epoch = SteadyClock::now();

uint64_t RealMs()
{
    return uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - g_epoch).count());
}

struct TDisplayOverride
{
    bool forced = false;
    uint32_t width = 0, height = 0;
    bool fullscreen = false;
    uint32_t desktopWidth = 0, desktopHeight = 0;
};

TWindowState g_window;
TClockState g_clock;
TDisplayOverride g_override;

bool CreateWindow(uint32_t width, uint32_t height, bool fullscreen)
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Nothing draws with depth, and llvmpipe draws whole rectangles only into a window
    // without a depth buffer.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    Uint32 flags = SDL_WINDOW_OPENGL | (fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    str title = TPlatform::GetInstance()->GetConfig(TPlatform::kWindowTitle);
    g_window.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                       int(width), int(height), flags);
    if (!g_window.window)
    {
        WriteDbg("Error: window could not be opened: %s", SDL_GetError());
        return false;
    }
    g_window.context = SDL_GL_CreateContext(g_window.window);
    if (!g_window.context)
    {
        WriteDbg("Error: OpenGL 3.3 context could not be made: %s", SDL_GetError());
        SDL_DestroyWindow(g_window.window);
        g_window.window = nullptr;
        return false;
    }
    SDL_GL_MakeCurrent(g_window.window, g_window.context);
    return true;
}

} // namespace

namespace Internal
{

SDL_Window* Window()
{
    return g_window.window;
}

bool HasGlContext()
{
    return g_window.context != nullptr;
}

bool OpenWindow(uint32_t width, uint32_t height, bool fullscreen, bool vsync)
{
    fullscreen = fullscreen && !GetLoopOptions().windowed;
    if (!g_window.window)
    {
        if (!CreateWindow(width, height, fullscreen)) return false;
    }
    else
    {
        SDL_SetWindowFullscreen(g_window.window, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        if (!fullscreen) SDL_SetWindowSize(g_window.window, int(width), int(height));
    }
    // Pacing never depends on it: the loop sleeps to the next frame time itself.
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);
    TRenderer::GetInstance()->OnScreenSize(width, height);
    return true;
}

void CloseWindow()
{
    if (g_window.context)
    {
        TRenderer::GetInstance()->OnContextLost();
        SDL_GL_MakeCurrent(g_window.window, nullptr);
        SDL_GL_DeleteContext(g_window.context);
        g_window.context = nullptr;
    }
    if (g_window.window) SDL_DestroyWindow(g_window.window);
    g_window.window = nullptr;
    TPlatform::GetInstance()->ForgetDisplay();
}

void UseFakeClock(bool on, uint32_t start)
{
    g_clock.fake = on;
    g_clock.now = start;
}

void AdvanceFakeClock(uint32_t ms)
{
    g_clock.now += ms;
}

void ResetClock()
{
    g_clock = TClockState();
}

void SleepToNextFrame(uint64_t turnStartMs, uint32_t periodMs)
{
    // From the later of the turn's start and the program's last clock reading, so that the
    // program's own clock shows a full period when the next turn begins and it never spins.
    uint64_t deadline = std::max(turnStartMs, g_clock.lastRead) + periodMs;
    std::this_thread::sleep_until(g_epoch + std::chrono::milliseconds(deadline));
}

uint64_t NowMs()
{
    return RealMs();
}

void ResetDisplayOverrides()
{
    g_override = TDisplayOverride();
}

int32_t ClampPointerCoord(double v)
{
    if (!(v > -kMaxPointerCoord)) return -kMaxPointerCoord;
    return v < kMaxPointerCoord ? int32_t(v) : kMaxPointerCoord;
}

void MapToScreen(int32_t& x, int32_t& y)
{
    int ww = 0, wh = 0;
    uint32_t sw = 0, sh = 0;
    TPlatform::GetInstance()->GetDisplay(&sw, &sh, nullptr);
    if (g_window.window) SDL_GetWindowSize(g_window.window, &ww, &wh);
    if (ww <= 0 || wh <= 0 || !sw || !sh || (uint32_t(ww) == sw && uint32_t(wh) == sh)) return;
    // The inverse of the fit that shows the screen buffer in the window.
    double scale = std::min(double(ww) / sw, double(wh) / sh);
    double fx = (ww - sw * scale) / 2, fy = (wh - sh * scale) / 2;
    x = ClampPointerCoord(std::floor((x - fx) / scale));
    y = ClampPointerCoord(std::floor((y - fy) / scale));
}

} // namespace Internal

TPlatform* TPlatform::GetInstance()
{
    static TPlatform instance;
    return &instance;
}

void TPlatform::SetConfig(const str& key, const str& value)
{
    m_config[key] = value;
    SetConfigValue(key, value); // the user folder reads the publisher and game names there
    if (key == kWindowTitle && g_window.window) SDL_SetWindowTitle(g_window.window, value.c_str());
}

str TPlatform::GetConfig(const str& key) const
{
    auto it = m_config.find(key);
    return it == m_config.end() ? str() : str(it->second);
}

void TPlatform::GetDisplay(uint32_t* width, uint32_t* height, bool* fullscreen, bool* vsync,
                           uint32_t* antialias) const
{
    if (width) *width = m_width;
    if (height) *height = m_height;
    if (fullscreen) *fullscreen = m_fullscreen;
    if (vsync) *vsync = m_vsync;
    if (antialias) *antialias = m_antialias;
}

bool TPlatform::SetDisplay(uint32_t width, uint32_t height, bool fullscreen, bool vsync, uint32_t antialias)
{
    if (width == 0 || height == 0)
    {
        WriteDbg("Warning: display mode %ux%u refused", width, height);
        return false;
    }
    if (!Internal::OpenWindow(width, height, fullscreen, vsync)) return false;
    m_width = width;
    m_height = height;
    m_fullscreen = fullscreen;
    m_vsync = vsync;
    m_antialias = antialias;
    if (!g_override.forced) return true;
    g_override.forced = false;
    m_width = g_override.width;
    m_height = g_override.height;
    m_fullscreen = g_override.fullscreen;
    return m_width == width && m_height == height && m_fullscreen == fullscreen;
}

void TPlatform::ShowCursor(bool show)
{
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

namespace
{
std::function<bool(const std::string&)> g_urlOpener;
}

void Test::SetUrlOpener(std::function<bool(const std::string&)> opener)
{
    g_urlOpener = std::move(opener);
}

bool TPlatform::OpenBrowser(const str& url)
{
    bool opened = !url.empty() && (g_urlOpener ? g_urlOpener(url) : SDL_OpenURL(url.c_str()) == 0);
    if (!opened)
    {
        WriteDbg("Warning: address \"%s\" could not be opened", url.c_str());
        return false;
    }
    return true;
}

void TPlatform::Exit(int code)
{
    m_exitRequested = true;
    m_exitCode = code;
}

void TPlatform::ClearExit()
{
    m_exitRequested = false;
    m_exitCode = 0;
}

void TPlatform::AdoptTextureRefreshListener(TTask* task)
{
    if (task) m_refreshListeners.emplace_back(task);
}

void TPlatform::DeliverTextureRefresh()
{
    for (; m_lossesPending > 0; --m_lossesPending)
        for (auto& task : m_refreshListeners)
            if (task->Ready()) task->Run();
}

void TPlatform::ForgetDisplay()
{
    m_width = m_height = m_antialias = 0;
    m_fullscreen = m_vsync = false;
}

void TPlatform::Reset()
{
    Internal::CloseWindow();
    m_config.clear();
    m_refreshListeners.clear();
    m_lossesPending = 0;
    g_urlOpener = nullptr;
    ClearExit();
}

uint32_t timeGetTime()
{
    if (g_clock.fake) return g_clock.now;
    g_clock.lastRead = RealMs();
    return uint32_t(g_clock.lastRead);
}

void GetDesktopSize(uint32_t* width, uint32_t* height)
{
    uint32_t w = 1024, h = 768;
    const TLoopOptions& options = GetLoopOptions();
    SDL_DisplayMode mode;
    if (g_override.desktopWidth && g_override.desktopHeight)
    {
        w = g_override.desktopWidth;
        h = g_override.desktopHeight;
    }
    else if (options.desktopWidth && options.desktopHeight)
    {
        w = options.desktopWidth;
        h = options.desktopHeight;
    }
    else if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 &&
             mode.h > 0)
    {
        w = uint32_t(mode.w);
        h = uint32_t(mode.h);
    }
    if (width) *width = w;
    if (height) *height = h;
}

namespace Test
{

void ForceDisplayResult(uint32_t width, uint32_t height, bool fullscreen)
{
    g_override.forced = true;
    g_override.width = width;
    g_override.height = height;
    g_override.fullscreen = fullscreen;
}

void SetDesktopSize(uint32_t width, uint32_t height)
{
    g_override.desktopWidth = width;
    g_override.desktopHeight = height;
}

void SetClock(uint32_t ms)
{
    Internal::UseFakeClock(true, ms);
}

void AdvanceClock(uint32_t ms)
{
    Internal::AdvanceFakeClock(ms);
}

void SimulateLostTextures()
{
    TRenderer::GetInstance()->Flush();
    TTexture::LoseAll();
    TPlatform::GetInstance()->NotifyTexturesLost();
}

void DeliverPendingTasks()
{
    TPlatform::GetInstance()->DeliverTextureRefresh();
}

bool ReadScreen(std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height)
{
    return TRenderer::GetInstance()->ReadScreen(pixels, width, height);
}

TColor32 ReadScreenPixel(uint32_t x, uint32_t y)
{
    std::vector<uint32_t> pixels;
    uint32_t w = 0, h = 0;
    if (!ReadScreen(pixels, w, h) || x >= w || y >= h) return TColor32();
    return TColor32(pixels[size_t(y) * w + x]);
}

} // namespace Test

} // namespace DE50
