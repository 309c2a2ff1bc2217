#include "game/interface/nG_HoHintEffect.h"

#include "engine/core/nE_Tween.h"
#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_WidgetUtil.h"

#include <algorithm>

nG_HoHintEffect::nG_HoHintEffect(const std::string& name) : nE_Object(name)
{
    nG_HoHintEffect::SetDefaults();
}

void nG_HoHintEffect::SetDefaults()
{
    m_level = 1.0f;
    m_fading = false;
    if (m_sprite[0].IsAlive()) return;
    for (int i = 0; i < 2; ++i)
    {
        nE_Sprite* sprite = nG_AddSprite(this, m_name + "_eff_" + std::to_string(i + 2),
                                         "assets/interface/hint/hint_effect", static_cast<float>(9 + i));
        if (!sprite) continue;
        sprite->SetVisible(false);
        sprite->GetRenderState().blendMode = 2;
        m_sprite[i] = sprite->GetHandle();
    }
}

void nG_HoHintEffect::Start(float x, float y)
{
    const std::initializer_list<float> alpha = {0.0f, 0, 0.0f, 0.8f, 0, 1.0f, 1.6f, 0, 1.0f, 2.4f, 0, 0.0f};
    for (int i = 0; i < 2; ++i)
    {
        nE_Object* sprite = m_sprite[i].Get();
        if (!sprite) continue;
        sprite->SetPos(x, y);
        sprite->SetVisible(true);
        nG_Tween(sprite, NE_TWEEN_ALPHA, alpha);
    }
    nG_Tween(m_sprite[0].Get(), NE_TWEEN_SCALE_XY, {0.0f, 2, 1, 1, 1.0f, 1, 0.75f, 0.75f, 2.0f, 2, 1, 1});
    nG_Tween(m_sprite[1].Get(), NE_TWEEN_ANGLE, {0.0f, 0, 1.0f, 3.0f, 0, -20.0f});
    nG_Tween(m_sprite[1].Get(), NE_TWEEN_SCALE_XY, {0.0f, 0, 0.8f, 0.8f, 3.0f, 0, 1, 1});
}

void nG_HoHintEffect::FadeOut()
{
    m_level = 1.0f;
    m_fading = true;
}

bool nG_HoHintEffect::IsActive() const
{
    if (m_level == 0.0f) return false;
    for (const nE_ObjectHandle& handle : m_sprite)
        if (nE_Object* sprite = handle.Get(); sprite && sprite->GetTweenCount() > 0) return true;
    return false;
}

void nG_HoHintEffect::Update(const nE_TimeStep* step)
{
    if (!m_fading) return;
    float dt = step ? step->step : 0.0f;
    m_level = std::max(0.0f, std::min(1.0f, m_level - 3.0f * dt));
    SetAlpha(m_level);
}
