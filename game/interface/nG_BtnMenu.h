#pragma once
// The menu and strategy-guide buttons of the bottom bar: a press becomes the
// trigger call "int_btn_menu_down" or "int_btn_guide_down".

#include "game/interface/nG_HudButton.h"

class nG_BtnMenu : public nG_HudButton
{
public:
    explicit nG_BtnMenu(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnMenu(name); }
    void SetDefaults() override;
    void Relayout() override;
    void OnMessage(int id, void* record) override;
};

class nG_BtnGuide : public nG_HudButton
{
public:
    explicit nG_BtnGuide(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnGuide(name); }
    void SetDefaults() override;
    void Relayout() override;
    void OnMessage(int id, void* record) override;
};
