#include "game/interface/nG_BtnHint.h"

#include "engine/core/nE_Tween.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_HoHintEffect.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cmath>

namespace
{
const char* const kClip = "DoAnim";
const int kHintMessages[] = {NG_MSG_BTN_HINT_PRESS, NG_MSG_GET_HINT_TIMER, NG_MSG_SKIP_USED,
                             NG_MSG_CHEAT_HINT,     NG_MSG_GAME_MODE,      NG_MSG_SET_HINT_TIMER,
                             NG_MSG_SWITCH_ROOM};
const int kSkipMessages[] = {NG_MSG_SHOW_MINIGAME,  NG_MSG_HIDE_MINIGAME, NG_MSG_BTN_SKIP_PRESS,
                             NG_MSG_GET_SKIP_TIMER, NG_MSG_CHEAT_SKIP,    NG_MSG_GAME_MODE};
const nE_Rect kButtonRect{-70.0f, -60.0f, 140.0f, 120.0f};
// Fade rate of the skip button, per second.
const float kSkipFade = 1.2f;

nE_Sprite* AddLight(nE_Object* holder, const std::string& name, const std::string& res)
{
    nE_Sprite* light = nG_AddSprite(holder, name, res, 30.0f);
    if (!light) return nullptr;
    light->SetY(-10.0f);
    light->GetRenderState().blendMode = 2;
    return light;
}

nE_ObjectHandle HandleOf(nE_Object* object)
{
    return object ? object->GetHandle() : nE_ObjectHandle();
}

void Subscribe(nE_Listener* listener, const int* ids, size_t count)
{
    if (!g_mediator) return;
    for (size_t i = 0; i < count; ++i)
        g_mediator->Subscribe(listener, ids[i]);
}

void SetAlphaOf(nE_Object* object, float alpha)
{
    if (object) object->SetAlpha(alpha);
}

void SetVisibleActive(nE_Object* object, bool on)
{
    if (!object) return;
    object->SetVisible(on);
    object->SetActive(on);
}
} // namespace

// ---- shared ----

nG_InterfButton* nG_ChargeButton::GetButton() const
{
    return static_cast<nG_InterfButton*>(m_button.Get());
}

nE_AnimSprite* nG_ChargeButton::Anim(int i) const
{
    return static_cast<nE_AnimSprite*>(m_anim[i].Get());
}

float nG_ChargeButton::Clamp01(float value)
{
    return std::isnan(value) ? 0.0f : std::max(0.0f, std::min(1.0f, value));
}

void nG_ChargeButton::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    DoAnim();
}

void nG_ChargeButton::LoadResources()
{
    DoAnim();
}

void nG_ChargeButton::BuildCommon(const std::string& chargeRes, int pressId)
{
    auto dummy = std::make_unique<nE_Sprite>(m_name + "_dummy");
    dummy->SetY(670.0f);
    nE_Sprite* holder = nG_Attach(this, std::move(dummy));
    if (!holder) return;
    m_holder = holder->GetHandle();

    auto owned = std::make_unique<nG_InterfButton>(m_name + "_b");
    nG_InterfButton* button = owned.get();
    nG_BuildButton(button, "", "", "", 4, "", "", 20, nullptr, nullptr, nullptr, nullptr, false);
    button->SetInputRect(kButtonRect);
    button->pressId = pressId;
    m_button = nE_ObjectHandle(nG_Attach(holder, std::move(owned)));

    for (int i = 0; i < 2; ++i)
        m_anim[i] = HandleOf(nG_AddAnim(holder, m_name + "_anim_" + std::to_string(i), chargeRes, 20.0f + i));
    nE_Sprite* blocked =
        nG_AddSprite(holder, m_name + "_blocked", "assets/interface/hint/hardcore_mode", 30.0f);
    if (blocked)
    {
        blocked->SetPos(4.0f, 7.0f);
        blocked->SetVisible(m_mode > 1);
    }
    m_blocked = HandleOf(blocked);
    nE_Sprite* end = AddLight(holder, m_name + "_eff_0", "assets/interface/hint/hint_charge_end_light");
    // Lit only by the ready flash.
    if (end) end->SetAlpha(0.0f);
    m_endLight = HandleOf(end);
    nE_Sprite* full = AddLight(holder, m_name + "_eff_1", "assets/interface/hint/hint_full_light");
    nG_Tween(full, NE_TWEEN_ALPHA, {0.0f, 0, 0.0f, 1.0f, 0, 1.0f, 2.0f, 0, 0.0f}, true);
    m_fullLight = HandleOf(full);
}

void nG_ChargeButton::SetMode(int mode)
{
    m_mode = mode;
    m_duration = mode == 0 ? 40.0f : 60.0f;
    if (nE_Object* blocked = m_blocked.Get()) blocked->SetVisible(mode > 1);
    for (nE_ObjectHandle* light : {&m_fullLight, &m_endLight})
        if (nE_Object* object = light->Get()) object->SetVisible(mode < 2);
}

void nG_ChargeButton::ReadyFlash()
{
    nE_Object* light = m_endLight.Get();
    nG_Tween(light, NE_TWEEN_ALPHA, {0.0f, 0, 1.0f, 0.66f, 0, 0.0f});
    nG_Tween(light, NE_TWEEN_SCALE_XY, {0.0f, 0, 1, 1, 0.66f, 0, 2, 2});
}

void nG_ChargeButton::PlaceAndLight()
{
    SetX(nG_WideX(79.0f, -100.0f));
    SetVisibleActive(m_fullLight.Get(), m_charge == 0.0f);
}

void nG_ChargeButton::CrossFade(bool fullAtCharge1)
{
    nE_AnimSprite* anim0 = Anim(0);
    nE_AnimSprite* anim1 = Anim(1);
    int n = anim0 ? anim0->GetFrameCount(kClip) : 0;
    // An animation without frames is left as it is.
    if (n <= 0 || !anim1) return;
    if (fullAtCharge1 && m_charge * m_duration >= m_duration)
    {
        nG_ShowClipFrame(anim0, kClip, n - 1);
        anim1->SetAlpha(0.0f);
        return;
    }
    float p = (1.0f - m_charge) * static_cast<float>(n - 1);
    float low = std::floor(p);
    nG_ShowClipFrame(anim0, kClip, static_cast<int>(low));
    nG_ShowClipFrame(anim1, kClip, static_cast<int>(std::ceil(p)));
    anim1->SetAlpha(p - low);
}

// ---- hint ----

nG_BtnHint::nG_BtnHint(const std::string& name) : nG_ChargeButton(name)
{
    nG_BtnHint::SetDefaults();
    Subscribe(this, kHintMessages, sizeof(kHintMessages) / sizeof(kHintMessages[0]));
}

nG_BtnHint::~nG_BtnHint()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_BtnHint::SetDefaults()
{
    m_duration = 5.0f;
    if (!m_holder.IsAlive())
    {
        BuildCommon("assets/interface/hint/hint_charge", nG_ButtonMsg<NG_MSG_BTN_HINT_PRESS>());
        nG_Tween(m_holder.Get(), NE_TWEEN_ALPHA, {0.0f, 3, 0.0f, 0.4f, 3, 1.0f});
    }
    m_charge = 0.0f;
    m_state = 0;
    DoAnim();
}

void nG_BtnHint::DoAnim()
{
    PlaceAndLight();
    CrossFade(true);
    if (nG_InterfButton* button = GetButton()) button->SetEnabled(m_state == 0);
}

// The base update is not run: the widget's own tweens stand still.
void nG_BtnHint::Update(const nE_TimeStep* step)
{
    float dt = step ? step->step : 0.0f;
    if (m_state == 1 && m_charge > 0.0f)
    {
        m_charge = std::max(0.0f, m_charge - dt / m_duration);
        DoAnim();
        if (m_charge == 0.0f)
        {
            ReadyFlash();
            m_state = 0;
            DoAnim();
        }
    }
    for (size_t i = 0; i < m_effects.size();)
    {
        nG_HoHintEffect* effect = static_cast<nG_HoHintEffect*>(m_effects[i].Get());
        if (effect && effect->IsActive())
        {
            ++i;
            continue;
        }
        m_effects.erase(m_effects.begin() + static_cast<long>(i));
        delete effect;
    }
}

bool nG_BtnHint::PointAtTask()
{
    nG_MsgBool shown;
    nE_Send<NG_MSG_GET_TASKS_STATE>(shown);
    nG_MsgObject room;
    if (shown.value && m_mode < 2) nE_Send<NG_MSG_GET_CURRENT_ROOM>(room);
    if (!room.object) return false;
    nG_MsgString task;
    nE_Send<NG_MSG_GET_HINT_TASK>(task);
    // No unfinished task: nothing to point at (an empty name would match all).
    if (task.value.size() <= 2) return false;
    std::string base = task.value.substr(2);
    std::vector<nE_ObjectHandle> targets;
    for (int i = 0; i < room.object->GetChildCount(); ++i)
    {
        nE_Object* child = room.object->GetChild(i);
        if (child && child->IsInput() && child->GetName().find(base) != std::string::npos)
            targets.push_back(child->GetHandle());
    }
    if (targets.empty()) return false;
    for (const nE_ObjectHandle& handle : targets)
    {
        nE_Object* target = handle.Get();
        if (!target) continue;
        // The glow lives under this widget, so it is placed in its space.
        nE_Vec3 at = nG_PositionIn(target, this);
        auto glow = std::make_unique<nG_HoHintEffect>(m_name + "_eff" + target->GetName());
        glow->SetZ(500.0f);
        if (nG_HoHintEffect* effect = nG_Attach(this, std::move(glow)))
        {
            effect->Start(at.x, at.y);
            m_effects.push_back(effect->GetHandle());
        }
        if (target->GetName().find(base + "_mul") != std::string::npos) break;
    }
    return true;
}

void nG_BtnHint::UseHint()
{
    nG_PlaySfx("assets/levels/common/audio/ad_hint");
    if (!PointAtTask()) nG_PostCall(m_name, "ng_show_hint");
}

void nG_BtnHint::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_GAME_MODE:
        if (auto* msg = nE_MsgAs<NG_MSG_GAME_MODE>(id, record)) SetMode(msg->value);
        break;
    case NG_MSG_BTN_HINT_PRESS:
        if (m_mode < 2)
        {
            m_charge = 1.0f;
            m_state = 1;
            DoAnim();
        }
        UseHint();
        break;
    case NG_MSG_SKIP_USED:
        if (auto* msg = nE_MsgAs<NG_MSG_SKIP_USED>(id, record))
            if (m_holder.Get()) m_holder.Get()->SetAlpha(msg->value);
        break;
    case NG_MSG_SET_HINT_TIMER:
    {
        const nG_MsgFloat* msg = nE_MsgAs<NG_MSG_SET_HINT_TIMER>(id, record);
        if (!msg) break;
        float value = Clamp01(msg->value);
        m_state = value != 0.0f ? 1 : 0;
        m_charge = static_cast<float>(m_state);
        DoAnim();
        m_charge = value;
        DoAnim();
        break;
    }
    case NG_MSG_SWITCH_ROOM:
        if (auto* msg = nE_MsgAs<NG_MSG_SWITCH_ROOM>(id, record); msg && !msg->subroom)
            for (nE_ObjectHandle& handle : m_effects)
                if (nE_Object* effect = handle.Get()) static_cast<nG_HoHintEffect*>(effect)->FadeOut();
        break;
    case NG_MSG_CHEAT_HINT:
        m_charge = 0.0f;
        m_state = 0;
        DoAnim();
        break;
    case NG_MSG_GET_HINT_TIMER:
        if (auto* msg = nE_MsgAs<NG_MSG_GET_HINT_TIMER>(id, record)) msg->value = m_charge;
        break;
    default:
        break;
    }
}

// ---- skip ----

nG_BtnSkip::nG_BtnSkip(const std::string& name) : nG_ChargeButton(name)
{
    nG_BtnSkip::SetDefaults();
    Subscribe(this, kSkipMessages, sizeof(kSkipMessages) / sizeof(kSkipMessages[0]));
}

nG_BtnSkip::~nG_BtnSkip()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_BtnSkip::SetDefaults()
{
    m_state = 0;
    m_mode = 0;
    m_level = 0.0f;
    m_code.clear();
    if (!m_holder.IsAlive())
    {
        BuildCommon("assets/interface/minigame/skip_charge", nG_ButtonMsg<NG_MSG_BTN_SKIP_PRESS>());
        if (nE_Object* holder = m_holder.Get())
        {
            holder->SetInputRect(kButtonRect);
            m_full =
                HandleOf(nG_AddAnim(holder, m_name + "_anim_1", "assets/interface/minigame/skip_full", 21));
            for (int i = 2; i < 4; ++i)
                if (nE_Sprite* glow = nG_AddSprite(holder, m_name + "_eff_" + std::to_string(i),
                                                   "assets/interface/hint/hint_effect", 7.0f + i))
                {
                    glow->GetRenderState().blendMode = 2;
                    glow->SetVisible(false);
                }
        }
    }
    // Hidden until a mini-game shows it: its holder's input rectangle would
    // otherwise take the hint's clicks.
    nG_SetShown(this, false);
    DoAnim();
}

void nG_BtnSkip::DoAnim()
{
    PlaceAndLight();
    if (nE_Object* holder = m_holder.Get())
    {
        holder->SetAlpha(m_level);
        holder->SetActive(m_level > 0.0f);
    }
    nE_AnimSprite* full = static_cast<nE_AnimSprite*>(m_full.Get());
    if (m_mode >= 2)
    {
        SetAlphaOf(Anim(0), 0.0f);
        SetAlphaOf(Anim(1), 1.0f);
        nG_ShowClipFrame(Anim(1), "DoAnim", 0);
    }
    else if (m_charge > 0.0f)
    {
        SetAlphaOf(Anim(0), 1.0f);
        CrossFade(false);
    }
    else
    {
        SetAlphaOf(Anim(0), 0.0f);
        SetAlphaOf(Anim(1), 0.0f);
    }
    SetVisibleActive(full, m_charge == 0.0f);
    if (full && m_charge == 0.0f && m_mode < 2 && !full->IsPlaying()) full->Play("DoAnim", "");
    if (nG_InterfButton* button = GetButton()) button->SetEnabled(m_charge == 0.0f);
    nG_MsgFloat used;
    used.value = 1.0f - m_level;
    nE_Send<NG_MSG_SKIP_USED>(used);
}

void nG_BtnSkip::Discharge(float dt)
{
    if (m_level != 1.0f || m_charge <= 0.0f) return;
    m_charge = std::max(0.0f, m_charge - dt / m_duration);
    DoAnim();
    if (m_charge == 0.0f) ReadyFlash();
}

void nG_BtnSkip::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    float dt = step ? step->step : 0.0f;
    if (nG_SlideLevel(this, m_level, m_state == 1, kSkipFade, dt)) DoAnim();
    Discharge(dt);
}

void nG_BtnSkip::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_GAME_MODE:
        if (auto* msg = nE_MsgAs<NG_MSG_GAME_MODE>(id, record)) SetMode(msg->value);
        break;
    case NG_MSG_SHOW_MINIGAME:
    {
        const nG_MsgShowMinigame* show = nE_MsgAs<NG_MSG_SHOW_MINIGAME>(id, record);
        if (!show || show->skipCode.empty()) break;
        m_charge = Clamp01(show->skipTime);
        m_code = show->skipCode;
        m_state = 1;
        SetVisible(true);
        SetActive(true);
        DoAnim();
        break;
    }
    case NG_MSG_HIDE_MINIGAME:
        m_state = 0;
        m_code.clear();
        SetInput(false);
        break;
    case NG_MSG_BTN_SKIP_PRESS:
        nG_PlaySfx("assets/levels/common/audio/ad_skip");
        nG_PostCall(m_name, m_code);
        break;
    case NG_MSG_CHEAT_SKIP:
        if (m_state != 1 || m_charge <= 0.0f) break;
        m_charge = 0.0f;
        ReadyFlash();
        DoAnim();
        break;
    case NG_MSG_GET_SKIP_TIMER:
        if (auto* msg = nE_MsgAs<NG_MSG_GET_SKIP_TIMER>(id, record)) msg->value = m_charge;
        break;
    default:
        break;
    }
}
