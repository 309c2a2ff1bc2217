#include "game/app/nG_Application.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Tween.h"
#include "engine/platform/nE_SoundHub.h"
#include "engine/platform/notEngine.h"
#include "engine/scene/nE_Sprite.h"
#include "game/app/nG_DisplayMode.h"
#include "game/app/nG_Level.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_ScriptApi.h"
#include "game/messages/nG_Messages.h"

#include <cmath>

nG_Application* g_application = nullptr;

namespace
{
const float kDesignWidth = 1024.0f;
const float kWideWidth = 1366.0f;
const float kDesignHeight = 768.0f;
const float kPauseFade = 0.4f;
const int kMessages[] = {NG_MSG_SWITCH_LEVEL, NG_MSG_GET_TRANSFORM, NG_MSG_GET_APP_WIDTH};

// The screen's width in pixels: the shell's, or the renderer's when the game
// runs without a shell; 0 when neither knows.
float ScreenWidth()
{
    if (g_engine) return g_engine->GetScreenWidth();
    return g_currentRender ? g_currentRender->GetScreenWidth() : 0.0f;
}

void Tween(nE_Object* object, int kind, const float* keys, unsigned count, bool relative = false)
{
    if (object) object->Animate(kind, false, relative, "", keys, count);
}
} // namespace

nG_Application::nG_Application() : nE_Object("ng_application")
{
    nG_Application::SetDefaults();
}

nG_Application::~nG_Application()
{
    // Shutting down: a sound hub that was never made is not made now.
    ClearLevel(false);
    delete g_profileList;
    g_profileList = nullptr;
    if (g_mediator) g_mediator->UnsubscribeAll(this);
    if (g_application == this) g_application = nullptr;
}

nG_Level* nG_Application::GetLevel() const
{
    return dynamic_cast<nG_Level*>(m_level.Get());
}

nE_Sprite* nG_Application::GetPauseSprite(int index) const
{
    return dynamic_cast<nE_Sprite*>((index == 0 ? m_pause0 : m_pause1).Get());
}

// ---- building ----

void nG_Application::SetDefaults()
{
    if (g_mediator)
        for (int id : kMessages)
        {
            g_mediator->Unsubscribe(id, this); // a second call must not listen twice
            g_mediator->Subscribe(this, id);
        }
    nG_RegisterScriptApi();
    m_paused = false;
    m_wideScreen = false;
    m_pendingLevel.reset();
    delete g_profileList;
    g_profileList = new nG_ProfileList();
    if (m_pause0.Get()) return; // the overlay is built once
    nE_Sprite* dim = MakePauseSprite("ng_pause_0", "assets/interface/main/black", 1.0f);
    if (!dim) return;
    dim->SetScale(kDesignWidth, kDesignHeight / 2.0f);
    dim->SetAlpha(0.6f);
    m_pause0 = dim->GetHandle();
    m_pause1 = nE_ObjectHandle(MakePauseSprite("ng_pause_1", "assets/interface/main/paused", 2.0f));
}

nE_Sprite* nG_Application::MakePauseSprite(const std::string& name, const std::string& resource, float z)
{
    auto sprite = std::make_unique<nE_Sprite>(name);
    sprite->SetResourceName(resource);
    sprite->SetPos(kDesignWidth / 2.0f, kDesignHeight / 2.0f);
    sprite->SetZ(z);
    sprite->SetInput(false);
    sprite->SetVisible(false);
    return nE_Attach(this, std::move(sprite));
}

// ---- levels ----

void nG_Application::LoadLevel(const std::string& module, const std::string& parameter)
{
    UnloadLevel();
    auto level = std::make_unique<nG_Level>(module, parameter);
    m_level = level->GetHandle();
    nE_Attach(this, std::move(level));
}

void nG_Application::UnloadLevel()
{
    ClearLevel(true);
}

void nG_Application::ClearLevel(bool makeSoundHub)
{
    delete m_level.Get();
    m_level = nE_ObjectHandle();
    if (g_triggerManager) g_triggerManager->Clear();
    if (g_timerManager) g_timerManager->Clear();
    if (g_scene && g_scene->GetStorage()) g_scene->GetStorage()->DeleteChildren();
    nE_SoundHub* hub = makeSoundHub ? nE_GetSoundHub() : g_soundHub;
    if (hub) hub->StopAll(2.0f);
}

// ---- per tick ----

void nG_Application::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    nE_Sprite* dim = GetPauseSprite(0);
    if (!m_paused && (!dim || dim->GetTweenCount() == 0))
    {
        for (int i = 0; i < 2; ++i)
            if (nE_Sprite* sprite = GetPauseSprite(i)) sprite->SetVisible(false);
    }
    if (m_pendingLevel)
    {
        // Taken first: the new level's own start may ask for another switch.
        std::unique_ptr<LevelRequest> request = std::move(m_pendingLevel);
        LoadLevel(request->level, request->parameter);
    }
}

bool nG_Application::HandleInput(const nE_InputEvent*, nE_Object*, const nE_RenderState&)
{
    return true;
}

// ---- messages ----

void nG_Application::OnMessage(int id, void* record)
{
    if (!record) return;
    switch (id)
    {
    case NG_MSG_SWITCH_LEVEL:
    {
        const nG_MsgSwitchLevel* msg = nE_MsgAs<NG_MSG_SWITCH_LEVEL>(id, record);
        // A later request before the next tick replaces (and frees) the earlier one.
        m_pendingLevel.reset(new LevelRequest{msg->level, msg->param});
        break;
    }
    case NG_MSG_GET_TRANSFORM:
    {
        nE_Matrix world = GetWorldMatrix();
        float* out = nE_MsgAs<NG_MSG_GET_TRANSFORM>(id, record)->matrix;
        for (int i = 0; i < 16; ++i)
            out[i] = world.m[i];
        break;
    }
    case NG_MSG_GET_APP_WIDTH:
        nE_MsgAs<NG_MSG_GET_APP_WIDTH>(id, record)->value = GetDesignWidth();
        break;
    default:
        break;
    }
}

float nG_Application::GetDesignWidth()
{
    float design = m_wideScreen ? kWideWidth : kDesignWidth;
    float scale = GetScaleX();
    float scaled = design * scale;
    float screen = ScreenWidth();
    // A screen of unknown width (or a degenerate scale) cannot narrow anything.
    if (!(screen > 0.0f) || !(scale > 0.0f) || !std::isfinite(scaled)) return design;
    if (screen < scaled && std::fabs(scaled - screen) > 2.0f) return screen / scale;
    return design;
}

// ---- display ----

void nG_Application::SetWideScreen(bool wide)
{
    m_wideScreen = wide;
    nE_Rect clip = wide ? nE_Rect(-171.0f, 0.0f, kWideWidth, kDesignHeight)
                        : nE_Rect(0.0f, 0.0f, kDesignWidth, kDesignHeight);
    SetCropRect(true, clip);
}

void nG_Application::ApplyDisplayMode(const nG_DisplayMode& mode)
{
    SetPos(mode.offsetX, mode.offsetY);
    SetScale(mode.scaleX, mode.scaleY);
    SetWideScreen(mode.wideScreen);
}

// ---- pause ----

void nG_Application::SetPause(bool paused)
{
    if (paused == m_paused) return;
    m_paused = paused;
    nE_GetSoundHub()->SetMuted(paused);
    if (g_timerManager) g_timerManager->paused = paused;
    FadePauseOverlay(paused);
    nE_Object* dim = m_pause0.Get();
    nE_Object* label = m_pause1.Get();
    for (int i = 0; i < GetChildCount(); ++i)
    {
        nE_Object* child = GetChild(i);
        if (child == dim || child == label) continue;
        child->SetActive(!paused);
        child->SetInput(!paused);
    }
}

void nG_Application::FadePauseOverlay(bool in)
{
    const float fadeIn[] = {0.0f, 3.0f, 0.0f, kPauseFade, 3.0f, 1.0f};
    const float fadeOut[] = {0.0f, 3.0f, 1.0f, kPauseFade, 3.0f, 0.0f};
    const float swell[] = {0.0f, 3.0f, 1.0f, 0.05f, 3.0f, 0.9f, 0.1f, 3.0f, 0.9f, kPauseFade, 3.0f, 1.25f};
    nE_Object* dim = m_pause0.Get();
    nE_Object* label = m_pause1.Get();
    for (nE_Object* sprite : {dim, label})
    {
        if (!sprite) continue;
        if (in) sprite->SetVisible(true);
        // Relative: the fade scales the layer's own alpha, so the dimming stays a dimming.
        Tween(sprite, NE_TWEEN_ALPHA, in ? fadeIn : fadeOut, 6, true);
    }
    if (!label) return;
    if (in)
    {
        // The label swelled on the last resume; it comes back at its own size.
        label->StopAnimate(NE_TWEEN_SCALE_X);
        label->StopAnimate(NE_TWEEN_SCALE_Y);
        label->SetScale(1.0f, 1.0f);
        return;
    }
    Tween(label, NE_TWEEN_SCALE_X, swell, 12);
    Tween(label, NE_TWEEN_SCALE_Y, swell, 12);
}
