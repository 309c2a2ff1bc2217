#include "game/interface/nG_HoDialog.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Tween.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const float kColour[3] = {220 / 255.0f, 209 / 255.0f, 180 / 255.0f};
const float kRate = 2.0f;
} // namespace

nG_HoDialog::nG_HoDialog(const std::string& name) : nE_Object(name)
{
    SetPos(512, 354);
    SetAlpha(0.0f);
    SetActive(false);
    SetVisible(false);
    SetInput(false);
    if (nE_Text* header = nG_AddText(this, name + "_text_header", "assets/fonts/times", 27, kColour, 0, -130, 9))
        header->SetText("interface_ho_dialog_title");
    if (nE_Text* text = nG_AddText(this, name + "_text", "assets/fonts/times", 18, kColour, 0, -100, 9))
        text->SetText("interface_ho_dialog_text");
    auto back = std::make_unique<nE_Sprite>(name + "_bg");
    back->SetResourceName("assets/interface/hodialog/back");
    m_background = nE_ObjectHandle(nG_Attach(this, std::move(back)));
    auto owned = std::make_unique<nG_InterfButton>(name + "_ok_btn");
    nG_InterfButton* ok = owned.get();
    const float caption[3] = {0, 0, 0};
    nG_BuildButton(ok, "assets/interface/hodialog/ok", "assets/interface/hodialog/ok_over", "", 4,
                   "interface_ho_dialog_ok", "assets/fonts/benguat", 18, caption, kColour, nullptr, nullptr, false);
    ok->SetPos(0, 170);
    ok->SetZ(5);
    m_ok = nE_ObjectHandle(nG_Attach(this, std::move(owned)));
    if (!g_mediator) return;
    g_mediator->Subscribe(this, NG_MSG_HO_DIALOG);
    g_mediator->Subscribe(this, NG_MSG_IS_HO_DIALOG_SHOWN);
    g_mediator->Subscribe(this, NG_MSG_GET_HO_DIALOG_OBJECT);
}

nG_HoDialog::~nG_HoDialog()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_HoDialog::OnMessage(int id, void* record)
{
    if (!record) return;
    switch (id)
    {
    case NG_MSG_HO_DIALOG:
    {
        const nG_MsgHoDialog* dialog = nE_MsgAs<NG_MSG_HO_DIALOG>(id, record);
        Show(dialog->object, dialog->call);
        break;
    }
    case NG_MSG_IS_HO_DIALOG_SHOWN:
        nE_MsgAs<NG_MSG_IS_HO_DIALOG_SHOWN>(id, record)->value = IsShown();
        break;
    case NG_MSG_GET_HO_DIALOG_OBJECT:
        nE_MsgAs<NG_MSG_GET_HO_DIALOG_OBJECT>(id, record)->value =
            m_object.Get() ? m_object.Get()->GetName() : std::string();
        break;
    default:
        break;
    }
}

void nG_HoDialog::Blur(bool on)
{
    nG_MsgBool blur;
    blur.value = on;
    nE_Send<NG_MSG_LEVEL_BLUR>(blur);
}

void nG_HoDialog::Show(const std::string& name, const std::string& call)
{
    nE_Object* object = nG_FindObject(name);
    if (!object || IsSelfOrAncestor(object)) return;
    // The object of an earlier dialog still under it goes back to storage.
    nE_Object* previous = m_object.Get();
    if (previous && previous != object && previous->GetParent() == this && g_scene)
        nG_Move(g_scene->GetStorage(), previous);
    m_object = object->GetHandle();
    object->SetPos(0, 26);
    object->SetZ(20);
    object->SetVisible(true);
    object->SetInput(false);
    // The reward is shown whole: a fade still running on it (the collector's,
    // when it was the room's last find) would take it away again.
    object->StopAnimate(NE_TWEEN_ALPHA);
    object->SetAlpha(1.0f);
    nG_Move(this, object);
    m_okCall = call;
    m_state = 0;
    SetActive(true);
    SetInput(true);
    SetVisible(true);
    Blur(true);
}

void nG_HoDialog::OnOk()
{
    nG_SelectCursor(1);
    if (!m_okCall.empty() && g_triggerManager) g_triggerManager->Post(m_name, m_okCall);
    m_state = 1;
    SetInput(false);
    Blur(false);
}

void nG_HoDialog::Update(const nE_TimeStep* step)
{
    nE_ObjectHandle self = GetHandle();
    nE_Object::Update(step);
    if (!self.IsAlive()) return;
    const float dt = step ? step->step : 0.0f;
    if (m_state == 0)
    {
        m_fade = std::min(1.0f, m_fade + kRate * dt);
        SetAlpha(m_fade);
        SetScale(0.3f + 0.7f * m_fade, 0.3f + 0.7f * m_fade);
        return;
    }
    if (m_fade <= 0.0f) return;
    m_fade = std::max(0.0f, m_fade - kRate * dt);
    SetAlpha(m_fade);
    if (m_fade > 0.0f) return;
    // A later dialog must not show this object beside its own.
    if (nE_Object* object = m_object.Get())
        if (object->GetParent() == this && g_scene) nG_Move(g_scene->GetStorage(), object);
    m_object = nE_ObjectHandle();
    SetVisible(false);
    SetActive(false);
}

bool nG_HoDialog::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    nE_ObjectHandle self = GetHandle();
    nE_Object::HandleInput(event, found, state);
    if (!self.IsAlive() || !event || g_draggedObject) return false;
    nE_Object* ok = m_ok.Get();
    const bool onBox = found && (found == m_background.Get() || found == m_object.Get());
    const bool open = m_state == 0;
    if (event->kind == NE_INPUT_MOUSEMOVE)
    {
        if (onBox) nG_SelectCursor(1);
        if (!found && open) nG_SelectCursor(6);
        return onBox || (!found && open);
    }
    if (event->kind != NE_INPUT_MOUSEDOWN || !open || m_fade != 1.0f) return false;
    const bool onOk = found && ok && found->GetParent() == ok;
    if (!found || onBox || onOk)
    {
        OnOk();
        return true;
    }
    return false;
}
