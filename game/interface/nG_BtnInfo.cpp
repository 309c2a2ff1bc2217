#include "game/interface/nG_BtnInfo.h"

#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cmath>

namespace
{
const float kSlideRate = 1.2f;
}

nG_SlideButton::nG_SlideButton(const std::string& name, float y, const std::string& image,
                               const std::string& key, int pressId)
    : nG_HudButton(name)
{
    SetY(y);
    if (nG_InterfButton* button =
            AddButton(this, "_b", "interface/minigame/" + image, "interface/minigame/" + image + "_over", key,
                      "assets/fonts/benguat", -30.0f))
        button->pressId = pressId;
    // Hidden until a mini-game shows it.
    nG_SetShown(this, false);
    Subscribe({NG_MSG_SHOW_MINIGAME, NG_MSG_HIDE_MINIGAME, pressId});
}

void nG_SlideButton::SlideIn()
{
    m_state = 1;
    SetVisible(true);
    SetActive(true);
}

// From 67 units left of the screen's left edge (level 0) to 67 right of it.
void nG_SlideButton::Relayout()
{
    float width = nG_AppWidth();
    SetX(512.0f - width / 2.0f - 67.0f + 134.0f * std::sin(m_level * 3.141592f / 2.0f));
}

void nG_SlideButton::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    if (nG_SlideLevel(this, m_level, m_state == 1, kSlideRate, step ? step->step : 0.0f)) Relayout();
}

nG_BtnInfo::nG_BtnInfo(const std::string& name)
    : nG_SlideButton(name, 545.0f, "info", "interface_button_info", nG_ButtonMsg<NG_MSG_BTN_INFO_PRESS>())
{
}

void nG_BtnInfo::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_SHOW_MINIGAME:
    {
        const nG_MsgShowMinigame* show = nE_MsgAs<NG_MSG_SHOW_MINIGAME>(id, record);
        if (!show || show->infoText.empty()) break;
        m_text = show->infoText;
        SlideIn();
        break;
    }
    case NG_MSG_HIDE_MINIGAME:
        m_state = 0;
        nE_Send<NG_MSG_CLOSE_DIALOG>();
        SetInput(false);
        break;
    case NG_MSG_BTN_INFO_PRESS:
    {
        if (m_text.empty()) break;
        nG_MsgShowDialog dialog;
        dialog.text = m_text;
        dialog.x = 512;
        dialog.y = 384;
        nE_Send<NG_MSG_SHOW_DIALOG>(dialog);
        break;
    }
    default:
        break;
    }
}

nG_BtnReset::nG_BtnReset(const std::string& name)
    : nG_SlideButton(name, 465.0f, "reset", "interface_button_reset", nG_ButtonMsg<NG_MSG_BTN_RESET_PRESS>())
{
}

void nG_BtnReset::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_SHOW_MINIGAME:
    {
        const nG_MsgShowMinigame* show = nE_MsgAs<NG_MSG_SHOW_MINIGAME>(id, record);
        if (!show || show->resetCode.empty()) break;
        m_code = show->resetCode;
        SlideIn();
        break;
    }
    case NG_MSG_HIDE_MINIGAME:
        m_state = 0;
        SetInput(false);
        break;
    case NG_MSG_BTN_RESET_PRESS:
        nG_PlaySfx("assets/levels/common/audio/ad_reset");
        nG_PostCall(m_name, m_code);
        break;
    default:
        break;
    }
}
