#include "game/interface/nG_BlackBarText.h"

#include "engine/core/nE_Scene.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const float kFadeRate = 3.0f;
const float kTextColour[3] = {220.0f / 255.0f, 209.0f / 255.0f, 180.0f / 255.0f};
} // namespace

nG_BlackBarText::nG_BlackBarText(const std::string& name) : nE_Object(name)
{
    nG_BlackBarText::SetDefaults();
    if (g_mediator) g_mediator->Subscribe(this, NG_MSG_BLACK_BAR_TEXT);
}

nG_BlackBarText::~nG_BlackBarText()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_BlackBarText::SetDefaults()
{
    m_alpha = 0.0f;
    m_state = 1;
    m_current.clear();
    m_queued.clear();
    if (!m_bar.IsAlive())
    {
        if (nE_Sprite* bar = nG_AddSprite(this, m_name + "_bg0", "assets/interface/bbtext/back", 0.0f))
        {
            bar->SetPos(512.0f, 28.0f);
            bar->SetScale(683.0f, 28.0f);
            m_bar = bar->GetHandle();
        }
        if (nE_Text* text = nG_AddText(this, m_name + "_text", "assets/fonts/times", 24, kTextColour, 512.0f,
                                       28.0f, 1.0f))
        {
            text->SetMaxWidth(980);
            // No key yet: shown raw, the empty text is nothing to look up.
            text->SetDispRawText(true);
            m_text = text->GetHandle();
        }
    }
    nG_SetShown(this, false);
}

void nG_BlackBarText::Show()
{
    m_state = 0;
    if (nE_Text* text = static_cast<nE_Text*>(m_text.Get()))
    {
        text->SetDispRawText(false);
        text->SetText(m_current, "", "", "", "", "");
    }
    nG_SetShown(this, true);
}

void nG_BlackBarText::SetText(const std::string& key)
{
    if (m_state == 1 && m_alpha == 0.0f)
    {
        // Nothing shown: an empty key has nothing to hide and shows no bar.
        if (key.empty()) return;
        m_current = key;
        Show();
    }
    else if (key == m_current)
        Show();
    else
    {
        m_queued = key;
        m_state = 1;
    }
}

void nG_BlackBarText::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    float dt = step ? step->step : 0.0f;
    if (m_state == 0 && m_alpha < 1.0f)
        m_alpha = std::min(1.0f, m_alpha + kFadeRate * dt);
    else if (m_state == 1 && m_alpha > 0.0f)
    {
        m_alpha = std::max(0.0f, m_alpha - kFadeRate * dt);
        if (m_alpha == 0.0f)
        {
            nG_SetShown(this, false);
            if (!m_queued.empty())
            {
                m_current = m_queued;
                m_queued.clear();
                Show();
            }
        }
    }
    SetAlpha(m_alpha);
}

bool nG_BlackBarText::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    nE_Object::HandleInput(event, found, state);
    if (event && event->kind == NE_INPUT_MOUSEDOWN && m_state == 0 && m_alpha == 1.0f) m_state = 1;
    return false;
}

void nG_BlackBarText::OnMessage(int id, void* record)
{
    if (auto* msg = nE_MsgAs<NG_MSG_BLACK_BAR_TEXT>(id, record)) SetText(msg->value);
}
