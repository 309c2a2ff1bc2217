#include "game/interface/nG_BtnCard.h"

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Tween.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

namespace
{
// The hover layer of a button glows additively.
void GlowingHover(nG_InterfButton* button)
{
    if (nE_Object* hover = button ? button->FindChild(button->GetName() + "_layer_1", false) : nullptr)
        hover->GetRenderState().blendMode = 2;
}

void SetIds(nG_InterfButton* button, int press)
{
    button->pressId = press;
    button->hoverId = nG_ButtonMsg<NG_MSG_INV_BUTTON_HOVER>();
    button->leaveId = nG_ButtonMsg<NG_MSG_INV_BUTTON_LEAVE>();
}
} // namespace

// ---- cards ----

nG_BtnCard::nG_BtnCard(const std::string& name) : nG_HudButton(name)
{
    nG_BtnCard::SetDefaults();
    Subscribe({NG_MSG_ADD_CARD, NG_MSG_INV_CHANGED, NG_MSG_TASKS_CHANGED});
}

void nG_BtnCard::SetDefaults()
{
    m_cards = 0;
    if (m_anim.IsAlive()) return;
    if (nE_AnimSprite* anim =
            nG_AddAnim(this, m_name + "_anim", "assets/interface/inventory_tasks/cards", 0.0f))
    {
        anim->SetPos(221.0f, 0.0f);
        anim->SetFrame(1);
        nG_Tween(anim, NE_TWEEN_ALPHA, {0.0f, 3, 0.0f, 0.4f, 3, 1.0f});
        m_anim = anim->GetHandle();
    }
    nG_InterfButton* button = AddButton(this, "_b", "", "interface/inventory_tasks/cards_over");
    if (!button) return;
    GlowingHover(button);
    button->SetPos(221.0f, 0.0f);
    button->SetInputRect(nE_Rect{-35.0f, -35.0f, 70.0f, 70.0f});
    SetIds(button, nG_ButtonMsg<NG_MSG_CARDS_SCREEN>());
    // No particle kind registered: no burst.
    if (std::unique_ptr<nE_Object> effect = nE_CreateObject("partsys", m_name + "_eff"))
    {
        effect->SetResourceName("assets/interface/inventory_tasks/cards_add");
        effect->SetPos(-2.0f, -16.0f);
        effect->SetZ(10.0f);
        effect->SetInput(false);
        if (nE_Object* attached = nG_Attach(button, std::move(effect)))
        {
            nE_PsStop(attached, true);
            m_effect = attached->GetHandle();
        }
    }
}

void nG_BtnCard::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_TASKS_CHANGED:
        if (auto* msg = nE_MsgAs<NG_MSG_TASKS_CHANGED>(id, record)) SetInput(msg->value);
        break;
    case NG_MSG_ADD_CARD:
        if (!nG_IsLevelStarting()) nE_PsStart(m_effect.Get());
        ++m_cards;
        if (nE_AnimSprite* anim = nG_As<nE_AnimSprite>(m_anim)) anim->SetFrame(m_cards);
        break;
    case NG_MSG_INV_CHANGED:
        if (auto* msg = nE_MsgAs<NG_MSG_INV_CHANGED>(id, record)) SetY(msg->barY - 61.0f);
        break;
    default:
        break;
    }
}

// ---- lock ----

nG_BtnLock::nG_BtnLock(const std::string& name) : nG_HudButton(name)
{
    nG_BtnLock::SetDefaults();
    Subscribe({NG_MSG_ADD_CARD, NG_MSG_INV_CHANGED, NG_MSG_BTN_LOCK_PRESS, NG_MSG_TASKS_CHANGED,
               NG_MSG_GET_BTN_LOCK_VALUE, NG_MSG_SET_BTN_LOCK_VALUE});
}

void nG_BtnLock::SetDefaults()
{
    if (m_lock[0].IsAlive()) return;
    const char* const faces[2] = {"interface/inventory_tasks/lock", "interface/inventory_tasks/lock_enabled"};
    for (int i = 0; i < 2; ++i)
    {
        nG_InterfButton* button =
            AddButton(this, "_lock" + std::to_string(i), faces[i], "interface/inventory_tasks/lock_over");
        if (!button) continue;
        GlowingHover(button);
        button->SetPos(816.0f, -40.0f);
        button->SetZ(20.0f);
        SetIds(button, nG_ButtonMsg<NG_MSG_BTN_LOCK_PRESS>());
        m_lock[i] = button->GetHandle();
    }
    if (nE_Object* unlocked = m_lock[1].Get())
    {
        unlocked->SetVisible(false);
        unlocked->SetInput(false);
    }
}

bool nG_BtnLock::GetValue() const
{
    nE_Object* unlocked = m_lock[1].Get();
    return !unlocked || !unlocked->IsVisible();
}

void nG_BtnLock::ShowFaces(bool lockInput, bool unlockedFace)
{
    if (nE_Object* lock = m_lock[0].Get()) lock->SetInput(lockInput);
    if (nE_Object* unlocked = m_lock[1].Get())
    {
        unlocked->SetVisible(unlockedFace);
        unlocked->SetInput(unlockedFace);
    }
}

void nG_BtnLock::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_TASKS_CHANGED:
        if (auto* msg = nE_MsgAs<NG_MSG_TASKS_CHANGED>(id, record)) SetInput(msg->value);
        break;
    case NG_MSG_INV_CHANGED:
        if (auto* msg = nE_MsgAs<NG_MSG_INV_CHANGED>(id, record)) SetY(msg->barY - 6.0f);
        break;
    case NG_MSG_BTN_LOCK_PRESS:
    {
        bool unlockedShown = !GetValue();
        ShowFaces(unlockedShown, !unlockedShown);
        break;
    }
    case NG_MSG_SET_BTN_LOCK_VALUE:
    {
        if (!record) break;
        bool value = nE_MsgAs<NG_MSG_SET_BTN_LOCK_VALUE>(id, record)->value;
        ShowFaces(value, !value);
        nG_MsgBool changed;
        changed.value = value;
        nE_Send<NG_MSG_BTN_LOCK_CHANGED>(changed);
        break;
    }
    case NG_MSG_GET_BTN_LOCK_VALUE:
        if (auto* msg = nE_MsgAs<NG_MSG_GET_BTN_LOCK_VALUE>(id, record)) msg->value = GetValue();
        break;
    default:
        break;
    }
}
