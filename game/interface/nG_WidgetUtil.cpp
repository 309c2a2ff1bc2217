#include "game/interface/nG_WidgetUtil.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/platform/nE_Cursor.h"
#include "engine/platform/nE_SoundHub.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cmath>

void nG_Move(nE_Object* parent, nE_Object* object)
{
    if (!parent || !object || object->GetParent() == parent) return;
    nE_MoveObject(parent, object);
}

void nG_SelectCursor(int index)
{
    if (g_cursor) g_cursor->SetCursor(index);
}

nE_Object* nG_FindObject(const std::string& name)
{
    if (name.empty() || !g_scene) return nullptr;
    return g_scene->FindObject(name);
}

bool nG_IsLevelStarting()
{
    nG_MsgBool query;
    nE_Send<NG_MSG_IS_LEVEL_STARTING>(query);
    return query.value;
}

float nG_AppWidth()
{
    nG_MsgFloat query;
    query.value = 1024.0f;
    nE_Send<NG_MSG_GET_APP_WIDTH>(query);
    return query.value;
}

std::string nG_CurrentRoomName()
{
    nG_MsgObject query;
    nE_Send<NG_MSG_GET_CURRENT_ROOM>(query);
    return query.object ? query.object->GetName() : std::string();
}

nE_Vec3 nG_PositionIn(nE_Object* object, nE_Object* frame)
{
    nE_Matrix world = object->GetWorldMatrix();
    nE_Matrix inverse, m;
    if (frame) nE_Matrix::Inverse(inverse, frame->GetWorldMatrix());
    nE_Matrix::Multiply(m, world, inverse);
    return nE_Vec3{m.At(3, 0), m.At(3, 1), 0.0f};
}

nE_Vec3 nG_ScreenToFrame(float x, float y, nE_Object* frame)
{
    nE_Vec3 p{x, y, 0.0f};
    if (!frame) return p;
    nE_Matrix inverse;
    nE_Matrix::Inverse(inverse, frame->GetWorldMatrix());
    nE_Matrix::TransformPointInPlace(inverse, p);
    return p;
}

nE_Vec3 nG_CursorPos()
{
    nE_Vec3 p{0.0f, 0.0f, 0.0f};
    nE_GetCursorPos(&p.x, &p.y);
    return p;
}

nE_Vec3 nG_ThroughLocal(nE_Object* object, float x, float y)
{
    nE_Vec3 p{x, y, 0.0f};
    if (object) nE_Matrix::TransformPointInPlace(object->GetLocalMatrix(), p);
    return p;
}

float nG_Ease(float t)
{
    const float pi = 3.141592f, halfPi = 1.570796f;
    return (1.0f + std::sin(pi * t - halfPi)) / 2.0f;
}

float nG_EaseLerp(float a, float b, float t)
{
    return a + (b - a) * nG_Ease(t);
}

nE_Sprite* nG_AddSprite(nE_Object* parent, const std::string& name, const std::string& res, float z)
{
    auto sprite = std::make_unique<nE_Sprite>(name);
    sprite->SetZ(z);
    sprite->SetInput(false);
    sprite->SetResourceName(res);
    return nG_Attach(parent, std::move(sprite));
}

nE_Text* nG_AddText(nE_Object* parent, const std::string& name, const std::string& font, int size,
                    const float* rgb, float x, float y, float z, bool raw)
{
    auto text = std::make_unique<nE_Text>(name);
    text->SetDispRawText(raw); // before the layout that attaching runs
    text->SetPos(x, y);
    text->SetZ(z);
    text->SetInput(false);
    text->SetFontSize(size);
    text->SetResourceName(font);
    if (rgb)
    {
        nE_RenderState& state = text->GetRenderState();
        state.r = rgb[0];
        state.g = rgb[1];
        state.b = rgb[2];
    }
    return nG_Attach(parent, std::move(text));
}

float nG_WideX(float base, float k)
{
    return base + (nG_AppWidth() - 1024.0f) * k / 342.0f;
}

nE_SoundHub* g_widgetSoundHub = nullptr;

namespace
{
nE_SoundHub* WidgetHub()
{
    return g_widgetSoundHub ? g_widgetSoundHub : g_soundHub;
}
} // namespace

void nG_PlaySfx(const std::string& name)
{
    // The hub's play flag loops the sound: interface sounds play once.
    if (nE_SoundHub* hub = WidgetHub()) hub->PlaySound(name, "sfx", false, true, "", 0.0f);
}

bool nG_IsSoundPlaying(const std::string& name)
{
    nE_SoundHub* hub = WidgetHub();
    return hub && hub->IsSoundPlaying(name);
}

void nG_PostCall(const std::string& sender, const std::string& call)
{
    if (g_triggerManager && !call.empty()) g_triggerManager->Post(sender, call);
}

void nG_Tween(nE_Object* object, int kind, std::initializer_list<float> keys, bool loop)
{
    if (object) object->Animate(kind, loop, false, "", keys.begin(), static_cast<unsigned>(keys.size()));
}

bool nG_ShowClipFrame(nE_AnimSprite* anim, const std::string& clip, int index)
{
    if (!anim) return false;
    for (const nE_AnimFunction& function : anim->GetFunctions())
    {
        if (function.name != clip || function.frames.empty()) continue;
        int last = static_cast<int>(function.frames.size()) - 1;
        anim->SetFrame(function.frames[static_cast<size_t>(std::max(0, std::min(index, last)))]);
        return true;
    }
    return false;
}

void nG_SetShown(nE_Object* object, bool on)
{
    if (!object) return;
    object->SetVisible(on);
    object->SetActive(on);
    object->SetInput(on);
}

nE_AnimSprite* nG_AddAnim(nE_Object* parent, const std::string& name, const std::string& res, float z)
{
    auto anim = std::make_unique<nE_AnimSprite>(name);
    anim->SetZ(z);
    anim->SetInput(false);
    anim->SetResourceName(res);
    return nG_Attach(parent, std::move(anim));
}

bool nG_SlideLevel(nE_Object* object, float& level, bool showing, float rate, float dt)
{
    if (showing ? level >= 1.0f : level <= 0.0f) return false;
    level = showing ? std::min(1.0f, level + rate * dt) : std::max(0.0f, level - rate * dt);
    if (level == 0.0f) nG_SetShown(object, false);
    if (level == 1.0f) object->SetInput(true);
    return true;
}
