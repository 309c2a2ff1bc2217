#include "engine/platform/notEngine_Pl5.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Messages.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_SoundHub_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"

#include <algorithm>
#include <cmath>

notEngine* g_engine = nullptr;

namespace
{

// Set by a tick that ran, cleared by every event and after every draw.
bool s_frameDone = false;

// Key and character events carrying this fifth word are Alt combinations,
// which belong to the window (Alt+Enter), not to the game.
const uint32_t kSystemKeyFlag = DE50::TEvent::kFlagSystemKey;

// The shell the platform's loop drives: null when there is none or it is not
// this implementation.
notEngine_Pl5* Shell()
{
    return dynamic_cast<notEngine_Pl5*>(g_engine);
}

// Null when there is no renderer or it is not the platform one.
nE_Render_Pl5* Renderer()
{
    return dynamic_cast<nE_Render_Pl5*>(g_render);
}

} // namespace

notEngine_Pl5::notEngine_Pl5() = default;

notEngine_Pl5::~notEngine_Pl5() = default;

bool notEngine_Pl5::Init(int, int, unsigned width, unsigned height, bool fullscreen, const char* title)
{
    DE50::TPlatform* platform = DE50::TPlatform::GetInstance();
    platform->SetConfig(DE50::TPlatform::kWindowTitle, title ? title : "");
    m_gamma = 1.0f;
    m_minFramePeriod = 1.0f / 60.0f;
    nE_EngineContext::Instance();

    bool ok = SetDisplayMode(width, height, fullscreen);
    DE50::TRenderer* renderer = DE50::TRenderer::GetInstance();
    renderer->SetOption("new_subtractive", "1");
    renderer->SetOption("new_render_blend", "1");
    renderer->SetOption("texture_rectangle", "1");
    renderer->SetOption("fps", "0");
    platform->SetConfig("texturememorymax", "524288000");
    if (!ok) return false;

    g_render = nE_CreateRender();
    if (g_render) g_render->SetScreenSize(m_screenWidth, m_screenHeight);
    nE_RegisterTextureCreators();
    g_resourceCache = new nE_ResourceCache();
    platform->ShowCursor(false);
    if (nE_Render_Pl5* render = Renderer()) render->CreateScreenTextures();
    g_cursor = new nE_Cursor_Pl5();
    if (!g_soundHub) g_soundHub = nE_CreateSoundHub();
    if (m_initDoneCallback) m_initDoneCallback();
    platform->AdoptTextureRefreshListener(new nE_UpdateLostTexturesTask_Pl5());
    m_lastTime = DE50::timeGetTime();
    m_ticked = false;
    return true;
}

void notEngine_Pl5::Shutdown()
{
    if (m_closeCallback) m_closeCallback();
    delete g_cursor;
    g_cursor = nullptr;
    nE_DestroySoundHub();
    nE_EngineContext::Destroy();
    if (g_resourceCache)
    {
        g_resourceCache->Clear();
        nE_ResourceCache* cache = g_resourceCache;
        g_resourceCache = nullptr;
        delete cache;
    }
    if (g_render)
    {
        g_render->Release();
        if (g_currentRender == g_render) g_currentRender = nullptr;
        delete g_render;
        g_render = nullptr;
    }
}

bool notEngine_Pl5::SetDisplayMode(unsigned width, unsigned height, bool fullscreen)
{
    DE50::TPlatform* platform = DE50::TPlatform::GetInstance();
    uint32_t w = 0, h = 0;
    bool f = false;
    platform->GetDisplay(&w, &h, &f);
    // Some drivers refuse a direct jump into another full-screen mode.
    if (w != 0 && h != 0 && fullscreen && width != 800 && height != 600)
        platform->SetDisplay(800, 600, false, false, 0);
    platform->SetDisplay(width, height, fullscreen, false, 0);

    w = h = 0;
    f = false;
    platform->GetDisplay(&w, &h, &f);
    if (w == width && h == height && f == fullscreen)
    {
        m_screenWidth = static_cast<float>(width);
        m_screenHeight = static_cast<float>(height);
        m_fullscreen = fullscreen;
        // The gamma pass covers the renderer's screen; keep it in step with a new mode.
        if (g_render) g_render->SetScreenSize(m_screenWidth, m_screenHeight);
        return true;
    }
    // Put the previous mode back; before any mode was accepted there is none.
    if (m_screenWidth > 0.0f && m_screenHeight > 0.0f)
        platform->SetDisplay(static_cast<uint32_t>(m_screenWidth), static_cast<uint32_t>(m_screenHeight),
                             m_fullscreen, false, 0);
    return false;
}

void notEngine_Pl5::SendInput(uint32_t kind, uint32_t key, uint32_t character, float x, float y)
{
    if (!m_inputCallback) return;
    nE_InputEvent input;
    input.kind = kind;
    input.key = key;
    input.character = character;
    input.x = x;
    input.y = y;
    m_inputCallback(&input);
}

void notEngine_Pl5::SendPointerInput(uint32_t kind, const DE50::TEvent& event)
{
    SendInput(kind, NE_MOUSE_KEYCODE, 0, static_cast<float>(event.x), static_cast<float>(event.y));
}

void notEngine_Pl5::SetMaxFps(float fps)
{
    // A rate of 0 or less would stop the clock, and the frame call waits on it.
    if (!(fps > 0.0f) || !std::isfinite(fps))
    {
        nE_LogFmt("Warning: frame rate %f ignored", double(fps));
        return;
    }
    m_minFramePeriod = 1.0f / fps;
}

float notEngine_Pl5::GetFps()
{
    // No time measured yet is no rate at all.
    if (!(m_lastElapsed > 0.0f)) return 0.0f;
    return 1.0f / m_lastElapsed;
}

void notEngine_Pl5::Quit()
{
    DE50::TPlatform::GetInstance()->Exit(0);
}

void notEngine_Pl5::Tick()
{
    // Unsigned 32-bit difference: right across the clock's wrap.
    uint32_t now = DE50::timeGetTime();
    float elapsed = static_cast<float>(now - m_lastTime) / 1000.0f;
    m_lastElapsed = elapsed;
    if (elapsed < m_minFramePeriod) return;
    RunTick(elapsed);
}

void notEngine_Pl5::TickFirst()
{
    if (m_ticked) return;
    float elapsed = static_cast<float>(DE50::timeGetTime() - m_lastTime) / 1000.0f;
    m_lastElapsed = std::max(elapsed, m_minFramePeriod);
    RunTick(m_lastElapsed);
}

void notEngine_Pl5::RunTick(float elapsed)
{
    nE_TimeStep step;
    float cap = 3.0f * m_minFramePeriod;
    step.step = elapsed > cap ? cap : elapsed;
    step.elapsed = elapsed;
    m_lastTime = DE50::timeGetTime();
    m_ticked = true;

    if (m_updateCallback) m_updateCallback(&step);
    nE_GetSoundHub()->Update(&step);
    if (g_cursor) g_cursor->Update(&step);
    RestoreLostTextures();
    s_frameDone = true;
}

void notEngine_Pl5::RestoreLostTextures()
{
    // Taken first: a restore that loses textures again waits for the next tick.
    std::vector<uint32_t> pending;
    pending.swap(m_pendingRestores);
    for (uint32_t entry : pending)
    {
        if (entry != 0) continue;
        if (m_deviceResetCallback) m_deviceResetCallback();
        if (nE_Render_Pl5* render = Renderer()) render->CreateScreenTextures();
        if (g_scene && g_scene->GetOrigin()) g_scene->GetOrigin()->Restore(true);
    }
}

void notEngine_Pl5::ClearScreen()
{
    g_render->Begin2D();
    DE50::TRenderer* renderer = DE50::TRenderer::GetInstance();
    renderer->SetWorldMatrix(DE50::TMat4());
    DE50::TURect rect(0, 0, static_cast<uint32_t>(m_screenWidth), static_cast<uint32_t>(m_screenHeight));
    renderer->FillRect(rect, DE50::TColor(0.0f, 0.0f, 0.0f, 1.0f));
    g_render->End2D();
}

void notEngine_Pl5::DrawFrame()
{
    if (!g_render) return;
    g_render->BeginScene();
    ClearScreen();
    if (m_drawCallback) m_drawCallback(g_render);
    if (g_cursor) g_cursor->Draw(g_render);
    g_render->EndScene();
}

void notEngine_Pl5::DispatchEvent(const DE50::TEvent& event)
{
    switch (event.type)
    {
    case 0:
        Quit();
        break;
    case 1:
        SendPointerInput(NE_INPUT_MOUSEDOWN, event);
        break;
    case 3:
        SendPointerInput(NE_INPUT_MOUSEUP, event);
        break;
    case 4:
        SendPointerInput(NE_INPUT_MOUSEMOVE, event);
        break;
    case 5:
        if (g_cursor) g_cursor->SetHiddenUntilMoved(true);
        break;
    case 7:
        if (event.flags != kSystemKeyFlag) SendInput(NE_INPUT_KEYDOWN, event.value, 0, 0.0f, 0.0f);
        break;
    case 8:
        SendInput(NE_INPUT_KEY_OTHER, event.value, 0, 0.0f, 0.0f);
        break;
    case 9:
        if (event.flags != kSystemKeyFlag) SendInput(NE_INPUT_CHAR, 0, event.value, 0.0f, 0.0f);
        break;
    case 12:
        if (event.value != 0 && m_activateCallback) m_activateCallback();
        if (event.value == 0 && m_deactivateCallback) m_deactivateCallback();
        break;
    case 13:
        if (!m_toggleFullscreenCallback) break;
        {
            int32_t changed = m_toggleFullscreenCallback(!m_fullscreen) ? 1 : 0;
            nE_Send<NE_MSG_FULLSCREEN_CHANGED>(changed);
        }
        break;
    default:
        break; // 2, 6, 10, 11 and anything above 13
    }
}

bool nE_UpdateLostTexturesTask_Pl5::Run()
{
    if (notEngine_Pl5* shell = Shell()) shell->AddPendingRestore();
    return true;
}

bool nE_OnPlatformEvent(const DE50::TEvent& event)
{
    if (notEngine_Pl5* shell = Shell())
    {
        shell->DispatchEvent(event);
        s_frameDone = false;
    }
    return true;
}

void nE_OnPlatformUpdate(float)
{
    if (notEngine_Pl5* shell = Shell()) shell->Tick();
}

void nE_OnPlatformFrame()
{
    notEngine_Pl5* shell = Shell();
    if (!shell) return;
    if (!s_frameDone) shell->TickFirst();
    while (!s_frameDone)
        shell->Tick();
    if (g_render) shell->DrawFrame();
    s_frameDone = false;
}

// ---- script functions ----

namespace
{
int GetEngineVersion(lua_State* L)
{
    lua_settop(L, 0);
    lua_pushstring(L, "0.3");
    return 1;
}

int GetFPS(lua_State* L)
{
    lua_settop(L, 0);
    float fps = g_engine ? g_engine->GetFps() : 0.0f;
    // Before any time has passed the engine's 1 / elapsed is not a rate.
    if (!std::isfinite(fps) || fps < 0.0f) fps = 0.0f;
    lua_pushnumber(L, fps);
    return 1;
}

int CheaterReset(lua_State* L)
{
    lua_settop(L, 0);
    return 0;
}

const nE_ScriptFunction kScriptFunctions[] = {
    {"GetEngineVersion", GetEngineVersion},
    {"GetFPS", GetFPS},
    {"CheaterReset", CheaterReset},
};
} // namespace

void nE_RegisterShellScriptFunctions()
{
    nE_AddScriptFunctions(kScriptFunctions);
}
