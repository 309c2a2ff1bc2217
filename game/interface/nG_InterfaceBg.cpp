#include "game/interface/nG_InterfaceBg.h"

#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_WidgetUtil.h"

nG_InterfacePanel::nG_InterfacePanel(const std::string& name, const char* image, float y, float base, float k)
    : nE_Object(name), m_base(base), m_k(k)
{
    // A still image: nothing to update.
    SetActive(false);
    nE_Sprite* panel = nG_AddSprite(this, name + "_l0", std::string("assets/interface/main/") + image, 0.0f);
    if (!panel) return;
    panel->SetPos(0.0f, y);
    panel->SetInput(true);
    m_panel = panel->GetHandle();
}

void nG_InterfacePanel::Relayout()
{
    if (nE_Object* panel = m_panel.Get()) panel->SetX(nG_WideX(m_base, m_k));
}

void nG_InterfacePanel::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    Relayout();
}

void nG_InterfacePanel::LoadResources()
{
    Relayout();
}

nG_InterfaceBg0::nG_InterfaceBg0(const std::string& name)
    : nG_InterfacePanel(name, "main_left", 686.0f, 46.0f, -100.0f)
{
}

nG_InterfaceBg1::nG_InterfaceBg1(const std::string& name)
    : nG_InterfacePanel(name, "main_right", 699.0f, 984.0f, 90.0f)
{
}
