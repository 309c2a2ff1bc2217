#include "game/app/nG_DisplayMode.h"

#include "engine/core/nE_Log.h"
#include "engine/platform/nE_System.h"

#include <cstdio>

nG_DisplayMode g_displayMode;

namespace
{
const unsigned kDesignWidth = 1024;
const unsigned kWideWidth = 1366;
const unsigned kDesignHeight = 768;
// A screen this low cannot hold a window of the design height plus its frame.
const unsigned kMinWindowedDesktopHeight = 800;

bool IsWiderThanFourThirds(unsigned w, unsigned h)
{
    return static_cast<double>(w) / h > static_cast<double>(4.0f / 3.0f);
}

// Whether a window fits the desktop; may narrow a wide window instead.
bool StaysWindowed(nG_DisplayMode& mode, unsigned w, unsigned h)
{
    if (h <= kMinWindowedDesktopHeight) return false;
    if (w > mode.width) return true;
    if (mode.wideScreen && w > kDesignWidth)
    {
        mode.wideScreen = false;
        mode.width = kDesignWidth;
        return true;
    }
    return false;
}

// The mode in force: the library's --windowed keeps a window whatever was chosen.
void LogMode(const nG_DisplayMode& mode)
{
    bool held = mode.fullScreen && nE_IsWindowKept();
    char line[256];
    std::snprintf(line, sizeof line, "Display mode: %dx%d, fullscreen=%d, widescreen=%d.%s",
                  static_cast<int>(mode.width), static_cast<int>(mode.height),
                  mode.fullScreen && !held ? 1 : 0, mode.wideScreen ? 1 : 0,
                  held ? " (full screen chosen; --windowed keeps a window)" : "");
    nE_Log(line);
}
} // namespace

nG_DisplayMode nG_ChooseDisplayMode(bool fullScreenWanted, bool wideScreenWanted, unsigned w, unsigned h)
{
    if (w == 0 || h == 0)
    {
        w = kDesignWidth;
        h = kDesignHeight;
    }
    nG_DisplayMode mode;
    mode.fullScreen = fullScreenWanted;
    mode.wideScreen = wideScreenWanted && IsWiderThanFourThirds(w, h);
    if (mode.wideScreen) mode.width = kWideWidth;
    if (!mode.fullScreen && !StaysWindowed(mode, w, h)) mode.fullScreen = true;
    if (mode.fullScreen)
    {
        mode.width = w;
        mode.height = h;
        mode.scaleY = static_cast<float>(h) / kDesignHeight;
        mode.scaleX = mode.wideScreen ? mode.scaleY : static_cast<float>(w) / kDesignWidth;
    }
    mode.offsetX = (mode.width - mode.scaleX * kDesignWidth) * 0.5f;
    mode.offsetY = (mode.height - mode.scaleY * kDesignHeight) * 0.5f;
    LogMode(mode);
    return mode;
}
