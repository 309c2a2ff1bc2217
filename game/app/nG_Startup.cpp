#include "game/app/nG_Startup.h"

#include "de50/de50.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Cursor.h"
#include "engine/platform/nE_File.h"
#include "engine/platform/notEngine_Pl5.h"
#include "engine/scene/nE_Engine.h"
#include "game/app/nG_Application.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_DisplayMode.h"
#include "game/app/nG_Mediator.h"
#include "game/app/nG_ParticleSystemGm.h"
#include "game/app/nG_Room.h"
#include "game/app/nG_ScriptApi.h"
#include "game/app/nG_Settings.h"
#include "game/interface/nG_StrategyGuide.h"
#include "game/interface/nG_TextEdit.h"
#include "game/messages/nG_Messages.h"

#include <cstdio>
#include <unistd.h>

namespace
{

// The cursors the start-up registers: index 0 has no image.
struct CursorEntry
{
    const char* name;
    unsigned short systemId;
};
const CursorEntry kCursors[] = {
    {"", 0},
    {"assets/cursors/cursor", 0x7F00},
    {"assets/cursors/cursor_magglass", 0x7F86},
    {"assets/cursors/cursor_get", 0x7F89},
    {"assets/cursors/cursor_hand", 0x7F89},
    {"assets/cursors/cursor_use", 0x7F89},
    {"assets/cursors/cursor_down", 0x7F86},
    {"assets/cursors/cursor_up", 0x7F86},
    {"assets/cursors/cursor_left", 0x7F86},
    {"assets/cursors/cursor_right", 0x7F86},
    {"assets/cursors/cursor_finger", 0x7F86},
};

const char* const kChannels[] = {"sfx", "env", "soundtrack", "voice"};

// Cleared before the delete, so nothing the destructor runs finds it half gone.
template <class T> void DeleteGlobal(T*& global)
{
    T* object = global;
    global = nullptr;
    delete object;
}

// ---- the application ----

void CreateApplication()
{
    auto application = std::make_unique<nG_Application>();
    g_application = application.get();
    application->ApplyDisplayMode(g_displayMode);
    if (g_config) application->LoadLevel(g_config->GetStartModule(), g_config->GetStartTrigger());
    // The scene's root owns it: a new object is never refused there, so only
    // a missing root leaves it to die here, after the global is cleared.
    nE_Object* origin = g_scene ? g_scene->GetOrigin() : nullptr;
    if (!origin)
    {
        nE_Log("Error: the application could not join the scene.");
        g_application = nullptr;
        return;
    }
    g_scene->AttachObject(origin, std::move(application));
}

void DeleteApplication()
{
    DeleteGlobal(g_application);
}

void LayoutApplication(const nG_DisplayMode& mode)
{
    if (g_application) g_application->ApplyDisplayMode(mode);
}

void PauseApplication(bool paused)
{
    if (g_application) g_application->SetPause(paused);
}

// ---- services ----

void InstallCallbacks()
{
    g_engine->SetInitDoneCallback(nG_OnInitDone);
    g_engine->SetCloseCallback(nG_OnClose);
    g_engine->SetDrawCallback(nG_OnDraw);
    g_engine->SetInputCallback(nG_OnInput);
    g_engine->SetUpdateCallback(nG_OnUpdate);
    g_engine->SetActivateCallback(nG_OnActivate);
    g_engine->SetDeactivateCallback(nG_OnDeactivate);
    g_engine->SetToggleFullscreenCallback(nG_OnToggleFullscreen);
}

void ServiceQuit()
{
    if (g_engine) g_engine->Quit();
}

void ServiceSetGamma(float gamma)
{
    if (g_engine) g_engine->SetGamma(gamma);
}

void ServiceSetSystemCursor(bool on)
{
    if (g_cursor) g_cursor->SetSystemCursor(on);
}

// Ties the game's script functions to the engine's services.
void InstallScriptHooks()
{
    g_gameScriptServices.quit = ServiceQuit;
    g_gameScriptServices.setGamma = ServiceSetGamma;
    g_gameScriptServices.toggleFullscreen = nG_OnToggleFullscreen;
    g_gameScriptServices.setSystemCursor = ServiceSetSystemCursor;
}

void ClearScriptHooks()
{
    g_gameScriptServices = nG_ScriptServices();
}

nG_DisplayMode ChooseMode(bool fullScreen, bool wideScreen)
{
    uint32_t w = 0, h = 0;
    DE50::GetDesktopSize(&w, &h);
    return nG_ChooseDisplayMode(fullScreen, wideScreen, w, h);
}

std::string WindowTitle()
{
    return g_stringTable ? g_stringTable->GetText("window_title") : std::string();
}

bool StartEngine()
{
    return g_engine->Init(0, 0, g_displayMode.width, g_displayMode.height, g_displayMode.fullScreen,
                          WindowTitle().c_str());
}

// The first attempt in the chosen mode; a failure is answered once in full
// screen at the same wide-screen choice.
bool StartDisplay()
{
    g_displayMode = ChooseMode(g_settings->GetFullScreen(), g_settings->GetWideScreen());
    if (StartEngine()) return true;
    g_displayMode = ChooseMode(true, g_settings->GetWideScreen());
    return StartEngine();
}

// The settings in force once the services stand: mode, gamma, cursor, volumes.
void ApplySettings()
{
    g_settings->SetFullScreen(g_displayMode.fullScreen);
    g_settings->SetWideScreen(g_displayMode.wideScreen);
    g_engine->SetGamma(g_settings->GetGamma());
    if (g_cursor) g_cursor->SetSystemCursor(g_settings->GetSysCursor());
    for (const char* channel : kChannels)
        g_settings->SetVolume(channel, g_settings->GetVolume(channel));
}

void AddCursors()
{
    if (!g_cursor) return;
    for (const CursorEntry& entry : kCursors)
        g_cursor->AddCursor(entry.name, 0, 0, entry.systemId);
    g_cursor->SetCursor(1);
}

// The user folder is resolved anew at each use, from these.
void SetUserFolderNames(const std::string& publisher, const std::string& game)
{
    DE50::TPlatform* platform = DE50::TPlatform::GetInstance();
    platform->SetConfig(DE50::str(DE50::TPlatform::kPublisherName), DE50::str(publisher));
    platform->SetConfig(DE50::str(DE50::TPlatform::kGameName), DE50::str(game));
}

void RunTrigger(const std::string& text)
{
    if (g_triggerManager) g_triggerManager->Call(std::string(), text);
}

} // namespace

int nG_RunGame(int argc, char** argv)
{
    // Without its content the game would open an empty black window.
    if (!nE_FileExists(nE_MakePath("assets/config", ".xml")))
    {
        char folder[4096] = "";
        if (!getcwd(folder, sizeof folder)) folder[0] = 0;
        nE_LogFmt("Error: no assets/config.xml in %s: start the program from the game's folder, the one "
                  "that holds assets/",
                  folder);
        return 1;
    }
    if (!DE50::InitLibrary()) return 1;
    nG_PreInit();
    return DE50::RunMainLoop(argc, argv, nG_OnPlatformInit, nE_OnPlatformEvent, nE_OnPlatformFrame,
                             nE_OnPlatformUpdate, nG_OnPlatformShutdown, false);
}

void nG_PreInit()
{
    nG_CreateGlobals();
    SetUserFolderNames(g_publisherName, g_gameName);
}

void nG_RegisterGameKinds()
{
    nG_RegisterRoomTypes();
    nG_RegisterTextEditType();
    nG_RegisterParticleTypes();
    nG_RegisterStrategyGuideType();
}

void nG_CreateGlobals()
{
    if (!g_mediator) g_mediator = new nG_Mediator();
    if (!g_config) g_config = new nG_Config();
}

bool nG_OnPlatformInit(const char*)
{
    if (!nG_GameInit())
    {
        // Nothing can be shown; the loop ends after this turn.
        DE50::TPlatform::GetInstance()->Exit(1);
    }
    return true;
}

void nG_OnPlatformShutdown()
{
    nG_GameShutdown();
}

bool nG_GameInit()
{
    nG_CreateGlobals();
    nE_CreateEngine();
    InstallScriptHooks();
    if (!g_stringTable) g_stringTable = new nE_StringTable();
    g_config->Load();
    // Before anything reads or writes the user folder.
    SetUserFolderNames(g_config->GetPublisherName(), g_config->GetGameName());
    // The configuration file cannot switch cheats on; the library's flag does.
    g_config->SetCheatMode(DE50::GetLoopOptions().cheats);
    nE_RemoveStaleUserTemporaries();
    if (!g_settings) g_settings = new nG_Settings();
    g_settings->Load();
    nG_RegisterGameKinds();
    InstallCallbacks();
    if (!StartDisplay())
    {
        nE_Log("Error: no display mode could be set; the game stops.");
        return false;
    }
    ApplySettings();
    AddCursors();
    return true;
}

void nG_GameShutdown()
{
    if (g_engine) g_engine->Shutdown();
    ClearScriptHooks();
    if (g_settings) g_settings->Save();
    DeleteGlobal(g_settings);
    DeleteGlobal(g_stringTable);
    DeleteGlobal(g_config);
    DeleteGlobal(g_engine);
    DeleteGlobal(g_mediator);
}

// ---- engine callbacks ----

void nG_OnInitDone()
{
    CreateApplication();
}

void nG_OnClose()
{
    // Without an application no level has brought the content's triggers.
    if (g_application) RunTrigger("ng_close");
    DeleteApplication();
}

void nG_OnDraw(nE_Render* render)
{
    if (!render) return;
    render->Begin2D();
    if (g_scene && g_scene->GetOrigin()) g_scene->GetOrigin()->DrawTree(render, nE_RenderState());
    render->End2D();
}

void nG_OnInput(const nE_InputEvent* event)
{
    if (!event) return;
    bool pointer = event->kind == NE_INPUT_MOUSEDOWN || event->kind == NE_INPUT_MOUSEUP ||
                   event->kind == NE_INPUT_MOUSEMOVE;
    if (pointer && g_cursor) g_cursor->SetPosition(static_cast<int>(event->x), static_cast<int>(event->y));
    if (g_scene) g_scene->DispatchInput(event);
}

void nG_OnUpdate(nE_TimeStep* step)
{
    // Never the context's "first use" here: after stop there is none to make.
    if (g_engineContext) g_engineContext->Update(step);
}

void nG_OnActivate()
{
    PauseApplication(false);
}

void nG_OnDeactivate()
{
    PauseApplication(true);
}

bool nG_OnToggleFullscreen(bool wantFullscreen)
{
    bool wide = g_settings ? g_settings->GetWideScreen() : g_displayMode.wideScreen;
    nG_DisplayMode mode = ChooseMode(wantFullscreen, wide);
    bool sameScreen = mode.fullScreen == g_displayMode.fullScreen && mode.width == g_displayMode.width &&
                      mode.height == g_displayMode.height;
    bool result = false;
    if (sameScreen)
        result = mode.wideScreen != g_displayMode.wideScreen;
    else
        result = g_engine && g_engine->SetDisplayMode(mode.width, mode.height, mode.fullScreen);

    bool fullChanged = false, wideChanged = false;
    if (result)
    {
        LayoutApplication(mode);
        fullChanged = mode.fullScreen != g_displayMode.fullScreen;
        wideChanged = mode.wideScreen != g_displayMode.wideScreen;
        g_displayMode = mode;
    }
    if (g_settings)
    {
        g_settings->SetFullScreen(g_displayMode.fullScreen);
        g_settings->SetWideScreen(g_displayMode.wideScreen);
    }
    char call[64];
    std::snprintf(call, sizeof call, "ng_togglefullscreen(%d,%d)", fullChanged ? 1 : 0, wideChanged ? 1 : 0);
    RunTrigger(call);
    nE_Send<NG_MSG_DISPLAY_CHANGED>();
    return result;
}
