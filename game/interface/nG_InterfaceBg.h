#pragma once
// The left and right HUD panel images at the bottom of the screen, moved
// outwards on a wide screen.

#include "engine/core/nE_Object.h"

#include <string>

class nG_InterfacePanel : public nE_Object
{
public:
    void Restore(bool recursive) override;
    void LoadResources() override;
    void Relayout();
    nE_Object* GetPanel() const { return m_panel.Get(); }

protected:
    nG_InterfacePanel(const std::string& name, const char* image, float y, float base, float k);

private:
    nE_ObjectHandle m_panel;
    float m_base;
    float m_k;
};

class nG_InterfaceBg0 : public nG_InterfacePanel
{
public:
    explicit nG_InterfaceBg0(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_InterfaceBg0(name); }
};

class nG_InterfaceBg1 : public nG_InterfacePanel
{
public:
    explicit nG_InterfaceBg1(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_InterfaceBg1(name); }
};
