#pragma once
// The map button: hovering plays the opening sound and animation, leaving
// the closing ones; the clips queue so that each plays through in turn.

#include "game/interface/nG_HudButton.h"

#include <string>

class nG_BtnMap : public nG_HudButton
{
public:
    explicit nG_BtnMap(const std::string& name);
    static nE_Object* Create(const std::string& name) { return new nG_BtnMap(name); }
    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void Relayout() override;
    void OnMessage(int id, void* record) override;
    const std::string& GetPending() const { return m_pending; }

private:
    void Request(const std::string& clip);

    std::string m_pending;
    std::string m_last;
    nE_ObjectHandle m_button, m_arrow;
};
