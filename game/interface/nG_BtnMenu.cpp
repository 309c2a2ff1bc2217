#include "game/interface/nG_BtnMenu.h"

#include "game/app/nG_Messages.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_WidgetUtil.h"

nG_BtnMenu::nG_BtnMenu(const std::string& name) : nG_HudButton(name)
{
    nG_BtnMenu::SetDefaults();
    Subscribe({NG_MSG_BTN_MENU_PRESS});
}

void nG_BtnMenu::SetDefaults()
{
    SetY(739.0f);
    if (GetChildCount() > 0) return;
    if (nG_InterfButton* button =
            AddButton(this, "_b", "interface/main/menu_button", "interface/main/menu_button_over",
                      "interface_button_menu", "assets/fonts/benguat", 8.0f))
        button->pressId = NG_MSG_BTN_MENU_PRESS;
}

void nG_BtnMenu::Relayout()
{
    SetX(nG_WideX(954.0f, 90.0f));
}

void nG_BtnMenu::OnMessage(int id, void* record)
{
    (void)record;
    if (id == NG_MSG_BTN_MENU_PRESS) nG_PostCall(m_name, "int_btn_menu_down");
}

nG_BtnGuide::nG_BtnGuide(const std::string& name) : nG_HudButton(name)
{
    nG_BtnGuide::SetDefaults();
    Subscribe({NG_MSG_BTN_GUIDE_PRESS});
}

void nG_BtnGuide::SetDefaults()
{
    SetY(745.0f);
    if (GetChildCount() > 0) return;
    if (nG_InterfButton* button =
            AddButton(this, "_b", "interface/main/guide_button", "interface/main/guide_button_over",
                      "interface_button_guide", "assets/fonts/times"))
        button->pressId = NG_MSG_BTN_GUIDE_PRESS;
}

void nG_BtnGuide::Relayout()
{
    SetX(nG_WideX(80.0f, -100.0f));
}

void nG_BtnGuide::OnMessage(int id, void* record)
{
    (void)record;
    if (id == NG_MSG_BTN_GUIDE_PRESS) nG_PostCall(m_name, "int_btn_guide_down");
}
