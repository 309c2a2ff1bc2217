#pragma once
// The program's outermost order of events: the globals made before the engine
// library runs, the start callback that builds every service in a fixed
// order, the engine callbacks through which the game sees frames, input,
// window activation and the full-screen toggle, and the stop order.

#include <string>

class nE_Render;
struct nE_InputEvent;
struct nE_TimeStep;

// Runs the whole program on the engine library's loop; the library reads its
// own flags from argv. Answers the process exit code.
int nG_RunGame(int argc, char** argv);

// Before the loop: the globals, then the default publisher and game names
// (the configuration, read at the start, may name others).
void nG_PreInit();
// The mediator and the configuration (with its defaults, not yet loaded).
void nG_CreateGlobals();
// The game's list of its own object kinds, one call each: "room" and
// "subroom", "textedit", "partsys_gm" and "partsys_pm", "str_guide". (The
// engine's kinds are nE_CreateEngine's list.)
void nG_RegisterGameKinds();

// The library's start and stop callbacks. Start reports success always; when
// no display could be set at all it asks the loop to end with code 1.
bool nG_OnPlatformInit(const char* ignored);
void nG_OnPlatformShutdown();

// Builds the shell, the tables, the settings and the display. False when
// neither display attempt worked (the services that need one were skipped).
bool nG_GameInit();
// Stops the shell, saves the settings and frees every global; each step
// tolerates a service that was never made.
void nG_GameShutdown();

// The engine callbacks.
void nG_OnInitDone();
void nG_OnClose();
void nG_OnDraw(nE_Render* render);
void nG_OnInput(const nE_InputEvent* event);
void nG_OnUpdate(nE_TimeStep* step);
void nG_OnActivate();
void nG_OnDeactivate();
bool nG_OnToggleFullscreen(bool wantFullscreen);
