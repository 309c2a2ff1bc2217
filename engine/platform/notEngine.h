#pragma once
// The engine shell: the one object between the engine library's loop and the
// rest of the program. It starts and stops the media services, runs the frame
// clock, ticks and draws, and turns platform events into input events. The
// program sees it through this interface; its one implementation is
// notEngine_Pl5 (notEngine_Pl5.h).

#include "engine/core/nE_TimeStep.h"

class nE_Render;
struct nE_InputEvent;

typedef void (*nE_DrawCallback)(nE_Render* render);
typedef void (*nE_UpdateCallback)(nE_TimeStep* step);
typedef void (*nE_InputCallback)(const nE_InputEvent* event);
typedef void (*nE_VoidCallback)();
typedef bool (*nE_ToggleFullscreenCallback)(bool wantFullscreen);

class notEngine
{
public:
    virtual ~notEngine() = default;
    // The first two integers are not used.
    virtual bool Init(int, int, unsigned width, unsigned height, bool fullscreen, const char* title) = 0;
    virtual void Shutdown() = 0;
    virtual bool SetDisplayMode(unsigned width, unsigned height, bool fullscreen) = 0;

    // Each stores one function pointer in the shell (null allowed).
    virtual void SetDrawCallback(nE_DrawCallback callback) = 0;
    virtual void SetUpdateCallback(nE_UpdateCallback callback) = 0;
    virtual void SetInputCallback(nE_InputCallback callback) = 0;
    virtual void SetInitDoneCallback(nE_VoidCallback callback) = 0;
    virtual void SetCloseCallback(nE_VoidCallback callback) = 0;
    virtual void SetActivateCallback(nE_VoidCallback callback) = 0;
    virtual void SetDeactivateCallback(nE_VoidCallback callback) = 0;
    virtual void SetDeviceResetCallback(nE_VoidCallback callback) = 0;
    virtual void SetToggleFullscreenCallback(nE_ToggleFullscreenCallback callback) = 0;

    virtual float GetScreenWidth() = 0;
    virtual float GetScreenHeight() = 0;
    virtual void SetMaxFps(float fps) = 0;
    virtual float GetFps() = 0;
    virtual void SetGamma(float gamma) = 0;
    virtual float GetGamma() = 0;
    virtual void Quit() = 0;
};

// The one shell, made and deleted by the start-up code.
extern notEngine* g_engine;

// What scripts ask of the engine itself: GetEngineVersion, GetFPS (the
// shell's frame rate, 0 before one is measured) and CheaterReset (kept for old
// content; does nothing).
void nE_RegisterShellScriptFunctions();
