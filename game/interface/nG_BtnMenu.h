#pragma once
// The menu and strategy-guide buttons of the bottom bar: a press becomes the
// trigger call "int_btn_menu_down" or "int_btn_guide_down".

#include "game/interface/nG_HudButton.h"

// A captioned button anchored to a screen edge whose press posts a call.
class nG_BarButton : public nG_HudButton
{
public:
    struct Look
    {
        const char* image; // under "assets/interface/main/"; "_over" is the hover one
        const char* key;
        const char* font;
        float textY;
        float y;
        float base, k; // the wide-screen placement
        int pressId;
        const char* call;
    };
    void Relayout() override;
    void OnMessage(int id, void* record) override;

protected:
    nG_BarButton(const std::string& name, const Look& look);

private:
    const Look& m_look;
};

class nG_BtnMenu : public nG_BarButton
{
public:
    explicit nG_BtnMenu(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnMenu(name); }
};

class nG_BtnGuide : public nG_BarButton
{
public:
    explicit nG_BtnGuide(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnGuide(name); }
};
