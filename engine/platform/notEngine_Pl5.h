#pragma once
// The engine shell over the engine library: its loop's callbacks, the frame
// clock, the services' start and stop order and the translation of its events.

#include "de50/de50.h"
#include "engine/platform/notEngine.h"

#include <cstdint>
#include <vector>

class notEngine_Pl5 : public notEngine
{
public:
    notEngine_Pl5();
    ~notEngine_Pl5() override;

    bool Init(int, int, unsigned width, unsigned height, bool fullscreen, const char* title) override;
    void Shutdown() override;
    bool SetDisplayMode(unsigned width, unsigned height, bool fullscreen) override;

    void SetDrawCallback(nE_DrawCallback callback) override { m_drawCallback = callback; }
    void SetUpdateCallback(nE_UpdateCallback callback) override { m_updateCallback = callback; }
    void SetInputCallback(nE_InputCallback callback) override { m_inputCallback = callback; }
    void SetInitDoneCallback(nE_VoidCallback callback) override { m_initDoneCallback = callback; }
    void SetCloseCallback(nE_VoidCallback callback) override { m_closeCallback = callback; }
    void SetActivateCallback(nE_VoidCallback callback) override { m_activateCallback = callback; }
    void SetDeactivateCallback(nE_VoidCallback callback) override { m_deactivateCallback = callback; }
    void SetDeviceResetCallback(nE_VoidCallback callback) override { m_deviceResetCallback = callback; }
    void SetToggleFullscreenCallback(nE_ToggleFullscreenCallback callback) override
    {
        m_toggleFullscreenCallback = callback;
    }

    float GetScreenWidth() override { return m_screenWidth; }
    float GetScreenHeight() override { return m_screenHeight; }
    void SetMaxFps(float fps) override;
    float GetFps() override;
    void SetGamma(float gamma) override { m_gamma = gamma; }
    float GetGamma() override { return m_gamma; }
    void Quit() override;

    // One step of the frame clock; does nothing until the minimum frame period
    // has passed since the last tick that ran.
    void Tick();
    // The first tick after Init runs at once, as if a full frame period had
    // passed: there is no earlier frame to pace against, and waiting would only
    // hold back the first picture. Later ticks are left to Tick.
    void TickFirst();
    void DrawFrame();
    void DispatchEvent(const DE50::TEvent& event);

    bool IsFullscreen() const { return m_fullscreen; }
    float GetMinFramePeriod() const { return m_minFramePeriod; }
    // Called by the platform's lost-texture task: the next tick restores.
    void AddPendingRestore() { m_pendingRestores.push_back(0); }

private:
    // The tick itself, once the caller has decided it is due.
    void RunTick(float elapsed);
    void RestoreLostTextures();
    void ClearScreen();
    // To the input callback; dropped without one.
    void SendInput(uint32_t kind, uint32_t key, uint32_t character, float x, float y);
    void SendPointerInput(uint32_t kind, const DE50::TEvent& event);

    // What the start-up code installed; each may be null, and a new shell
    // starts with none.
    nE_DrawCallback m_drawCallback = nullptr;
    nE_UpdateCallback m_updateCallback = nullptr;
    nE_InputCallback m_inputCallback = nullptr;
    nE_VoidCallback m_initDoneCallback = nullptr;
    nE_VoidCallback m_closeCallback = nullptr;
    nE_VoidCallback m_activateCallback = nullptr;
    nE_VoidCallback m_deactivateCallback = nullptr;
    nE_VoidCallback m_deviceResetCallback = nullptr;
    nE_ToggleFullscreenCallback m_toggleFullscreenCallback = nullptr;

    float m_minFramePeriod = 1.0f / 60.0f;
    float m_screenWidth = 0.0f;
    float m_screenHeight = 0.0f;
    bool m_fullscreen = false;
    float m_gamma = 1.0f;
    std::vector<uint32_t> m_pendingRestores;
    // Kept as the clock's own 32-bit count so the difference survives the wrap.
    uint32_t m_lastTime = 0;
    float m_lastElapsed = 0.0f;
    bool m_ticked = false; // a tick has run since Init
};

// Hands one restore pass to the shell each time the platform reports lost
// textures; the restore itself runs in the next tick.
class nE_UpdateLostTexturesTask_Pl5 : public DE50::TTask
{
public:
    bool Run() override;
};

// Given to DE50::RunMainLoop by the start-up code.
bool nE_OnPlatformEvent(const DE50::TEvent& event);
void nE_OnPlatformUpdate(float);
void nE_OnPlatformFrame();
