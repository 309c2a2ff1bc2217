#include "game/interface/nG_InterfButton.h"

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Scene.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

nG_InterfButton* nG_InterfButton::s_hovered = nullptr;

nG_InterfButton::nG_InterfButton(const std::string& name)
{
    nG_InterfButton::SetDefaults();
    m_name = name;
}

nG_InterfButton::~nG_InterfButton()
{
    if (s_hovered == this) s_hovered = nullptr;
}

void nG_InterfButton::SetDefaults()
{
    m_glow = 0.0f;
    m_state = STATE_DISABLED;
    glowSpeed = 3.0f;
    hoverCursor = 1;
    pressId = hoverId = leaveId = -1;
}

void nG_BuildButton(nG_InterfButton* button, std::string res0, std::string res1, std::string res2,
                    int hoverCursor, std::string textKey, std::string font, int fontSize,
                    const float* position, const float* colour0, const float* colour1, const float* colour2,
                    bool rawText)
{
    if (!button) return;
    const std::string res[3] = {res0, res1, res2};
    const float* const colours[3] = {colour0, colour1, colour2};
    button->Build(res, hoverCursor, textKey, font, fontSize, position, colours, rawText);
}

void nG_InterfButton::Build(const std::string res[3], int cursor, const std::string& textKey,
                            const std::string& font, int fontSize, const float* position,
                            const float* const colours[3], bool rawText)
{
    DeleteChildren();
    for (int i = 0; i < 3; ++i)
    {
        m_layer[i] = nE_ObjectHandle();
        m_text[i] = nE_ObjectHandle();
        if (res[i].empty()) continue;
        auto layer = std::make_unique<nE_Sprite>(m_name + "_layer_" + std::to_string(i));
        layer->SetZ(static_cast<float>(i));
        layer->SetResourceName(res[i]);
        if (i == 1) layer->SetAlpha(0.0f);
        m_layer[i] = nE_ObjectHandle(nG_Attach(this, std::move(layer)));
    }
    // Without the normal caption there is no caption at all.
    for (int i = 0; i < 3 && !textKey.empty() && !font.empty(); ++i)
    {
        if (i > 0 && !colours[i]) continue;
        float x = position ? position[0] : 0.0f, y = position ? position[1] : 0.0f;
        nE_Text* text = nG_AddText(this, m_name + "_text_" + std::to_string(i), font, fontSize, colours[i], x,
                                   y, static_cast<float>(3 + i), rawText);
        if (!text) continue;
        text->SetInput(true);
        text->SetText(textKey, "", "", "", "", "");
        if (i == 1) text->SetAlpha(m_glow);
        m_text[i] = text->GetHandle();
    }
    hoverCursor = cursor;
    m_state = STATE_NORMAL;
    ShowLayers(false, false);
}

void nG_InterfButton::ShowLayers(bool hover, bool disabled)
{
    for (int i = 1; i < 3; ++i)
    {
        bool on = i == 1 ? hover : disabled;
        if (nE_Object* layer = m_layer[i].Get()) layer->SetVisible(on);
        if (nE_Object* text = m_text[i].Get()) text->SetVisible(on);
    }
}

void nG_InterfButton::SetGlowAlpha()
{
    if (nE_Object* layer = m_layer[1].Get()) layer->SetAlpha(m_glow);
    if (nE_Object* text = m_text[1].Get()) text->SetAlpha(m_glow);
}

void nG_InterfButton::SetInputRect(const nE_Rect& rect)
{
    nE_Object::SetInputRect(rect);
    SetChildrenInput(false);
    m_state = STATE_NORMAL;
    ShowLayers(false, false);
}

void nG_InterfButton::SetEnabled(bool enabled)
{
    m_state = enabled ? STATE_NORMAL : STATE_DISABLED;
    ShowLayers(false, !enabled);
}

// The one send whose id is chosen at run time: the owner named it through
// nG_ButtonMsg, so it is a button message and the record is the button's.
void nG_InterfButton::SendId(int id)
{
    if (id < 0 || !g_mediator) return;
    nG_MsgString record;
    record.value = m_name;
    g_mediator->Send(id, &record);
}

void nG_InterfButton::SetState(int state)
{
    if (m_state == STATE_DISABLED && state == STATE_LEAVING) return;
    m_state = state;
    switch (state)
    {
    case STATE_NORMAL:
        ShowLayers(false, false);
        break;
    case STATE_HOVER:
        ShowLayers(true, false);
        nG_SelectCursor(hoverCursor);
        SendId(hoverId);
        break;
    case STATE_LEAVING:
        nG_SelectCursor(1);
        SendId(leaveId);
        break;
    case STATE_DISABLED:
        ShowLayers(false, true);
        break;
    default:
        break;
    }
}

void nG_InterfButton::Leave()
{
    if (m_state != STATE_DISABLED) SetState(STATE_LEAVING);
}

bool nG_InterfButton::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    nE_ObjectHandle self = GetHandle();
    bool hit = nE_Object::HandleInput(event, found, state) || (found && found->GetParent() == this);
    if (!self.IsAlive() || !event || m_state == STATE_DISABLED || g_draggedObject) return false;
    if (event->kind == NE_INPUT_MOUSEDOWN)
    {
        if (!hit || pressId < 0) return false;
        SendId(pressId);
        nG_SelectCursor(1);
        return true;
    }
    if (event->kind != NE_INPUT_MOUSEMOVE) return false;
    if (hit)
    {
        // The leave of the button the pointer came from goes out first.
        if (s_hovered && s_hovered != this) s_hovered->Leave();
        s_hovered = this;
        SetState(STATE_HOVER);
        return true;
    }
    if (s_hovered == this)
    {
        Leave();
        s_hovered = nullptr;
    }
    return false;
}

void nG_InterfButton::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    float dt = step ? step->step : 0.0f;
    if (m_state == STATE_HOVER && m_glow < 1.0f)
    {
        m_glow = std::min(1.0f, m_glow + glowSpeed * dt);
        SetGlowAlpha();
    }
    else if (m_state == STATE_LEAVING && m_glow > 0.0f)
    {
        m_glow = std::max(0.0f, m_glow - glowSpeed * dt);
        SetGlowAlpha();
        if (m_glow == 0.0f)
        {
            m_state = STATE_NORMAL;
            ShowLayers(false, false);
        }
    }
}
