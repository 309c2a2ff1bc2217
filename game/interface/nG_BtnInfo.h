#pragma once
// The info and reset buttons that slide in from the left edge while a
// mini-game runs. Info opens a dialog with the mini-game's text; reset plays
// a sound and runs the mini-game's reset code.

#include "game/interface/nG_HudButton.h"

#include <string>

// The slide both share: level 0 (out of sight left) .. 1 (shown).
class nG_SlideButton : public nG_HudButton
{
public:
    void Update(const nE_TimeStep* step) override;
    void Relayout() override;
    int GetState() const { return m_state; }
    float GetLevel() const { return m_level; }

protected:
    nG_SlideButton(const std::string& name, float y, const std::string& image, const std::string& key,
                   int pressId);
    // Starts the slide in (state 1) and turns the widget on.
    void SlideIn();

    int m_state = 0;
    float m_level = 0.0f;
};

class nG_BtnInfo : public nG_SlideButton
{
public:
    explicit nG_BtnInfo(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnInfo(name); }
    void OnMessage(int id, void* record) override;

private:
    std::string m_text;
};

class nG_BtnReset : public nG_SlideButton
{
public:
    explicit nG_BtnReset(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnReset(name); }
    void OnMessage(int id, void* record) override;

private:
    std::string m_code;
};
