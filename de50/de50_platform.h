#pragma once
// The platform: configuration, display mode, system pointer, exit, texture-loss listeners,
// and the stand-ins for the desktop calls the program makes (clock, desktop size).

#include "de50/de50_base.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace DE50
{

// A unit of work the platform runs on the loop thread when its occasion comes.
class TTask
{
public:
    virtual ~TTask() = default;
    // The platform runs the task only while it is ready.
    virtual bool Ready() { return true; }
    virtual bool Run() = 0;
};

class TPlatform
{
public:
    static const char* const kWindowTitle;
    static const char* const kGameName;
    static const char* const kPublisherName;

    static TPlatform* GetInstance();

    void SetConfig(const str& key, const str& value);
    // Empty when the key was never set.
    str GetConfig(const str& key) const;

    // The mode last set, exactly as it was asked for; all zero before the first SetDisplay.
    // Any output may be null.
    void GetDisplay(uint32_t* width, uint32_t* height, bool* fullscreen, bool* vsync = nullptr,
                    uint32_t* antialias = nullptr) const;
    // Opens or changes the window. Full screen uses a desktop-sized window and scales the
    // width x height drawing to fit. False when no window could be made.
    bool SetDisplay(uint32_t width, uint32_t height, bool fullscreen, bool vsync, uint32_t antialias);

    void ShowCursor(bool show);
    bool OpenBrowser(const str& url);
    // Ends the loop after the current turn; RunMainLoop returns the code.
    void Exit(int code);
    // Takes ownership; the task runs on the loop thread after textures were lost and restored.
    void AdoptTextureRefreshListener(TTask* task);

    // Library side.
    bool ExitRequested() const { return m_exitRequested; }
    int ExitCode() const { return m_exitCode; }
    void ClearExit();
    void NotifyTexturesLost() { ++m_lossesPending; }
    // Runs the refresh listeners once for each loss since the last call.
    void DeliverTextureRefresh();
    // The window is gone: the next GetDisplay reports no mode.
    void ForgetDisplay();
    void Reset();

private:
    std::map<std::string, std::string> m_config;
    uint32_t m_width = 0, m_height = 0, m_antialias = 0;
    bool m_fullscreen = false, m_vsync = false;
    bool m_exitRequested = false;
    uint32_t m_lossesPending = 0;
    int m_exitCode = 0;
    std::vector<std::unique_ptr<TTask>> m_refreshListeners;
};

// Milliseconds since the library started, wrapping at 2^32; the fake clock when one is on.
uint32_t timeGetTime();

// The primary display's desktop size: the --desktop flag, else the display, else 1024 x 768.
void GetDesktopSize(uint32_t* width, uint32_t* height);

} // namespace DE50
