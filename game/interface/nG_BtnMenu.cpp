#include "game/interface/nG_BtnMenu.h"

#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

namespace
{
const nG_BarButton::Look kMenu = {
    "menu_button", "interface_button_menu", "assets/fonts/benguat", 8.0f, 739.0f, 954.0f, 90.0f,
    nG_ButtonMsg<NG_MSG_BTN_MENU_PRESS>(), "int_btn_menu_down"};
const nG_BarButton::Look kGuide = {
    "guide_button", "interface_button_guide", "assets/fonts/times", 0.0f, 745.0f, 80.0f, -100.0f,
    nG_ButtonMsg<NG_MSG_BTN_GUIDE_PRESS>(), "int_btn_guide_down"};
} // namespace

nG_BarButton::nG_BarButton(const std::string& name, const Look& look) : nG_HudButton(name), m_look(look)
{
    SetY(look.y);
    std::string image = std::string("interface/main/") + look.image;
    if (nG_InterfButton* button =
            AddButton(this, "_b", image, image + "_over", look.key, look.font, look.textY))
        button->pressId = look.pressId;
    Subscribe({look.pressId});
}

void nG_BarButton::Relayout()
{
    SetX(nG_WideX(m_look.base, m_look.k));
}

void nG_BarButton::OnMessage(int id, void* record)
{
    (void)record;
    if (id == m_look.pressId) nG_PostCall(m_name, m_look.call);
}

nG_BtnMenu::nG_BtnMenu(const std::string& name) : nG_BarButton(name, kMenu) {}

nG_BtnGuide::nG_BtnGuide(const std::string& name) : nG_BarButton(name, kGuide) {}
