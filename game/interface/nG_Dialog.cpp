#include "game/interface/nG_Dialog.h"

#include "engine/core/nE_Scene.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const float kTextColour[3] = {220 / 255.0f, 209 / 255.0f, 180 / 255.0f};
const float kRate = 3.0f;
} // namespace

nG_Dialog::nG_Dialog(const std::string& name) : nE_Object(name)
{
    SetActive(false);
    SetVisible(false);
    SetInput(false);
    m_box.Build(this, "assets/interface/dialogs/", true);
    if (nE_Text* text = nG_AddText(this, name + "_text", "assets/fonts/times", 21, kTextColour, 0, 0, 1))
    {
        text->SetVisible(false);
        text->SetActive(false);
        text->SetMaxWidth(500);
        text->SetDispRawText(true); // empty, not a missing key, until the first text
        m_text = text->GetHandle();
    }
    if (!g_mediator) return;
    g_mediator->Subscribe(this, NG_MSG_SHOW_DIALOG);
    g_mediator->Subscribe(this, NG_MSG_CLOSE_DIALOG);
}

nG_Dialog::~nG_Dialog()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_Dialog::OnMessage(int id, void* record)
{
    if (id == NG_MSG_CLOSE_DIALOG)
        Layout(CLOSING);
    else if (id == NG_MSG_SHOW_DIALOG && record)
    {
        const nG_MsgShowDialog* show = nE_MsgAs<NG_MSG_SHOW_DIALOG>(id, record);
        Show(show->text, show->x, show->y, 300, 94);
    }
}

void nG_Dialog::Show(const std::string& key, int x, int y, unsigned minWidth, unsigned minHeight)
{
    if (key == m_key && m_state == OPEN)
    {
        Layout(CLOSING);
        return;
    }
    m_key = key;
    m_x = static_cast<float>(x);
    m_y = static_cast<float>(y);
    m_minWidth = minWidth;
    m_minHeight = minHeight;
    m_left = m_top = m_width = m_height = 0.0f;
    Layout(m_state == CLOSING && m_fade == 0.0f ? OPEN : CHANGING);
}

void nG_Dialog::Layout(int mode)
{
    m_state = mode;
    if (mode != OPEN) return;
    SetActive(true);
    SetVisible(true);
    SetInput(true);
    SetPos(m_x, m_y);
    nE_Rect rect;
    if (nE_Text* text = static_cast<nE_Text*>(m_text.Get()))
    {
        text->SetDispRawText(false);
        text->SetText(m_key);
        rect = text->GetLocalRect();
    }
    m_width = static_cast<float>(nG_EvenSize(rect.w + 32, static_cast<int>(m_minWidth)));
    m_height = static_cast<float>(nG_EvenSize(rect.h + 16, static_cast<int>(m_minHeight)));
    m_left = -m_width / 2;
    m_top = -m_height / 2;
    m_box.PlaceDialog(m_left, m_top, m_width, m_height);
    Render();
}

void nG_Dialog::Render()
{
    if (m_state != OPEN) return;
    std::vector<nE_Object*> content;
    if (nE_Object* text = m_text.Get()) content.push_back(text);
    m_box.Render(static_cast<unsigned>(m_width + 72), static_cast<unsigned>(m_height + 76), content);
}

void nG_Dialog::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    Render();
}

void nG_Dialog::Update(const nE_TimeStep* step)
{
    nE_ObjectHandle self = GetHandle();
    nE_Object::Update(step);
    if (!self.IsAlive()) return;
    const float dt = step ? step->step : 0.0f;
    if (m_state == OPEN)
        m_fade = std::min(1.0f, m_fade + kRate * dt);
    else
    {
        m_fade = std::max(0.0f, m_fade - kRate * dt);
        if (m_fade == 0.0f && m_state == CHANGING)
            Layout(OPEN);
        else if (m_fade == 0.0f)
        {
            // Its picture would otherwise go on swallowing clicks unseen.
            SetVisible(false);
            SetActive(false);
            SetInput(false);
        }
    }
    SetAlpha(m_fade);
}

bool nG_Dialog::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    nE_ObjectHandle self = GetHandle();
    nE_Object::HandleInput(event, found, state);
    if (!self.IsAlive() || !event || g_draggedObject) return false;
    const bool click = event->kind == NE_INPUT_MOUSEDOWN && m_state == OPEN && m_fade == 1.0f;
    if (found && found->GetParent() == this)
    {
        if (click)
            Layout(CLOSING);
        else if (event->kind == NE_INPUT_MOUSEMOVE && m_state == OPEN)
            nG_SelectCursor(1);
        return true;
    }
    if (click) Layout(CLOSING);
    return false;
}
