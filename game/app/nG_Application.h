#pragma once
// The root of the game's part of the scene: maps the 1024x768 design space
// (1366 wide in wide screen) onto the screen, owns the running level and
// switches levels between ticks, shows the pause overlay and freezes the
// level while the window is inactive, and answers the screen-geometry
// queries (transform, visible design width) for everybody else.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <memory>
#include <string>

class nE_Sprite;
class nG_Level;
struct nG_DisplayMode;

class nG_Application : public nE_Object, public nE_Listener
{
public:
    // Registers the game's script functions, reads the profile list and
    // builds the pause overlay.
    nG_Application();
    ~nG_Application() override;

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    // Everything that reaches the application stops here.
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    // Replaces the running level at once; level switches asked for by
    // scripts wait for the next Update instead.
    void LoadLevel(const std::string& module, const std::string& parameter);
    void UnloadLevel();

    // Pausing mutes all sound, stops the script timers, freezes the level
    // and fades the overlay in; resuming undoes it and fades the overlay out.
    void SetPause(bool paused);
    // Clips to the design space: 1366 wide around the centre, or 1024.
    void SetWideScreen(bool wide);
    // Position from the mode's offsets, scale from its scales, then the clip.
    void ApplyDisplayMode(const nG_DisplayMode& mode);

    // The visible design width: 1366 or 1024, or less when the screen is
    // narrower than the scaled design space by more than two pixels.
    float GetDesignWidth();

    nG_Level* GetLevel() const;
    nE_Sprite* GetPauseSprite(int index) const;
    bool IsPaused() const { return m_paused; }
    bool IsWideScreen() const { return m_wideScreen; }
    bool HasPendingLevel() const { return m_pendingLevel != nullptr; }

private:
    struct LevelRequest
    {
        std::string level;
        std::string parameter;
    };

    nE_Sprite* MakePauseSprite(const std::string& name, const std::string& resource, float z);
    void FadePauseOverlay(bool in);
    void ClearLevel(bool makeSoundHub);

    nE_ObjectHandle m_level;
    nE_ObjectHandle m_pause0;
    nE_ObjectHandle m_pause1;
    bool m_paused = false;
    bool m_wideScreen = false;
    std::unique_ptr<LevelRequest> m_pendingLevel;
};

// The one application; null until the engine has started and after close.
extern nG_Application* g_application;
