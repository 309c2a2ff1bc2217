#pragma once
// How the 1024x768 design space (1366x768 in wide screen) is put on the screen:
// a window of the design size, or full screen at the desktop's resolution with
// a scale and an offset that centre the design space.

struct nG_DisplayMode
{
    unsigned width = 1024;
    unsigned height = 768;
    bool fullScreen = false;
    bool wideScreen = false;
    float offsetX = 0.0f; // pixels from the screen's corner to the design origin
    float offsetY = 0.0f;
    float scaleX = 1.0f; // pixels per design unit
    float scaleY = 1.0f;
};

// The mode for the wanted choices on a desktop of the given size; either
// choice may be overruled. A desktop with no size counts as 1024x768.
nG_DisplayMode nG_ChooseDisplayMode(bool fullScreenWanted, bool wideScreenWanted, unsigned desktopWidth,
                                    unsigned desktopHeight);

// The mode in force.
extern nG_DisplayMode g_displayMode;
