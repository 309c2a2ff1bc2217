#include "game/interface/nG_CharacterDialog.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const float kTextColour[3] = {220 / 255.0f, 209 / 255.0f, 180 / 255.0f};
const float kContinueColour[3] = {112 / 255.0f, 126 / 255.0f, 93 / 255.0f};
const float kSkipColour[3] = {220 / 255.0f, 216 / 255.0f, 182 / 255.0f};

// Shown 0 fades the HUD out, 1 brings it back; either way it fades.
void FadeHud(bool shown)
{
    nG_MsgInterfaceShow fade;
    fade.shown = shown;
    fade.fade = true;
    nE_Send<NG_MSG_INTERFACE_FADE>(fade);
}

void Post(const std::string& sender, const std::string& call)
{
    if (g_triggerManager && !call.empty()) g_triggerManager->Post(sender, call);
}
} // namespace

nG_CharacterDialog::nG_CharacterDialog(const std::string& name) : nE_Object(name)
{
    SetVisible(false);
    SetInput(false);
    nE_Sprite* window = nG_AddSprite(this, name + "_bg_0", "assets/interface/dialogs/talkwindow", 0.0f);
    if (window) m_window = window->GetHandle();

    auto owned = std::make_unique<nG_InterfButton>(name + "_skip_btn");
    nG_InterfButton* skip = owned.get();
    const float caption[3] = {0, 6, 0};
    nG_BuildButton(skip, "assets/interface/videoframe/skip", "assets/interface/videoframe/skip_over", "", 4,
                   "interface_character_dialog_skip", "assets/fonts/benguat", 18, caption, kSkipColour, nullptr,
                   nullptr, false);
    skip->SetPos(0, 36);
    skip->SetZ(5);
    skip->SetInputRect(nE_Rect{-30, -15, 60, 30});
    skip->SetAttachType(2);
    skip->pressId = nG_ButtonMsg<NG_MSG_CHARACTER_DIALOG_SKIP>();
    m_skip = nE_ObjectHandle(nG_Attach(this, std::move(owned)));

    if (nE_Text* text = nG_AddText(window, name + "_text", "assets/fonts/times", 20, kTextColour, 0, 0, 1))
    {
        text->SetMaxWidth(400);
        text->SetDispRawText(true); // empty, not a missing key, until the first line
        m_text = text->GetHandle();
    }
    if (nE_Text* more =
            nG_AddText(window, name + "_text_continue", "assets/fonts/times", 18, kContinueColour, 150, 77, 1))
        more->SetText("interface_character_dialog_continue");
    if (!g_mediator) return;
    g_mediator->Subscribe(this, NG_MSG_CHARACTER_DIALOG);
    g_mediator->Subscribe(this, NG_MSG_CHARACTER_DIALOG_SKIP);
}

nG_CharacterDialog::~nG_CharacterDialog()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_CharacterDialog::Layout()
{
    if (nE_Object* skip = m_skip.Get()) skip->SetX(nG_AppWidth() / 2 + 512 - 90);
}

void nG_CharacterDialog::LoadResources()
{
    nE_Object::LoadResources();
    Layout();
}

void nG_CharacterDialog::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    Layout();
}

void nG_CharacterDialog::OnMessage(int id, void* record)
{
    if (id == NG_MSG_CHARACTER_DIALOG_SKIP)
    {
        if (m_timer == 0.0f) Post(m_name, m_skipCall);
        return;
    }
    const nG_MsgDialog* dialog = nE_MsgAs<NG_MSG_CHARACTER_DIALOG>(id, record);
    if (!dialog) return;
    if (dialog->show)
        Open(*dialog);
    else
        SetState(CLOSING);
}

void nG_CharacterDialog::Open(const nG_MsgDialog& record)
{
    nE_Object* portrait = nG_FindObject(record.character);
    if (portrait && portrait != m_portrait.Get() && !IsSelfOrAncestor(portrait))
    {
        if (nE_Object* old = m_portrait.Get()) nG_Move(g_scene ? g_scene->GetStorage() : nullptr, old);
        portrait->SetZ(-1.0f);
        nG_Move(this, portrait);
        m_portrait = portrait->GetHandle();
    }
    nE_Object* window = m_window.Get();
    if (window && record.x != 0 && record.y != 0) window->SetPos(static_cast<float>(record.x), static_cast<float>(record.y));
    m_textKey = record.text;
    m_continueCall = record.continueCall;
    m_skipCall = record.skipCall;
    if (m_state == OPENING && m_timer > 0.0f)
    {
        // Still fading in: the new line takes the old one's place and the fade
        // runs on, so the window ends fully shown.
        if (nE_Text* text = static_cast<nE_Text*>(m_text.Get())) text->SetText(m_textKey);
        return;
    }
    SetState(m_state != CLOSING ? TEXT_OUT : OPENING);
}

void nG_CharacterDialog::SetState(int state)
{
    m_state = state;
    m_timer = 1.0f;
    nE_Text* text = static_cast<nE_Text*>(m_text.Get());
    switch (state)
    {
    case OPENING:
        if (text) text->SetDispRawText(false);
        if (text) text->SetText(m_textKey);
        SetActive(true);
        SetVisible(true);
        SetInput(true);
        FadeHud(false);
        break;
    case TEXT_IN:
        if (text) text->SetText(m_textKey);
        break;
    case CLOSING:
        SetInput(false);
        FadeHud(true);
        break;
    default:
        break;
    }
}

void nG_CharacterDialog::SetTextAlpha(float alpha)
{
    if (nE_Object* text = m_text.Get()) text->SetAlpha(alpha);
}

void nG_CharacterDialog::Update(const nE_TimeStep* step)
{
    nE_ObjectHandle self = GetHandle();
    nE_Object::Update(step);
    if (!self.IsAlive() || m_timer <= 0.0f) return;
    const float dt = step ? step->step : 0.0f;
    const float rate = (m_state == TEXT_OUT || m_state == TEXT_IN) ? 3.0f : 2.0f;
    m_timer = std::max(0.0f, m_timer - rate * dt);
    switch (m_state)
    {
    case OPENING:
        SetAlpha(1.0f - m_timer);
        break;
    case TEXT_OUT:
        SetTextAlpha(m_timer);
        if (m_timer == 0.0f) SetState(TEXT_IN);
        break;
    case TEXT_IN:
        SetTextAlpha(1.0f - m_timer);
        break;
    default:
        SetAlpha(m_timer);
        if (m_timer > 0.0f) break;
        SetActive(false);
        SetVisible(false);
        SetInput(false);
        if (nE_Object* portrait = m_portrait.Get())
            if (g_scene) nG_Move(g_scene->GetStorage(), portrait);
        m_portrait = nE_ObjectHandle();
    }
}

bool nG_CharacterDialog::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState&)
{
    nE_Object* skip = m_skip.Get();
    bool onSkip = found && skip && (found == skip || found->GetParent() == skip);
    if (event && event->kind == NE_INPUT_MOUSEDOWN && m_timer == 0.0f && !onSkip) Post(m_name, m_continueCall);
    return true;
}
