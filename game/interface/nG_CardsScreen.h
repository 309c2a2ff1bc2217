#pragma once
// The cards screen: a full-screen panel whose content is data. It loads the
// module "assets/interface/cards/module" once and shows and hides that
// module's object "cards", fading in and out; the module's own code, reached
// through the triggers "cards_init" and "cards_enter", fills and drives it.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nG_CardsScreen : public nE_Object, public nE_Listener
{
public:
    enum State
    {
        STATE_OPEN = 0,  // fading in or shown
        STATE_CLOSED = 1 // fading out or hidden
    };

    explicit nG_CardsScreen(const std::string& name);
    ~nG_CardsScreen() override;
    static nE_Object* Create(const std::string& name) { return new nG_CardsScreen(name); }

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void OnMessage(int id, void* record) override;

    int GetState() const { return m_state; }
    float GetFade() const { return m_alpha; }
    nE_Object* GetHub() const { return m_hub.Get(); }
    nE_Object* GetCards() const { return m_cards.Get(); }

private:
    void Toggle();
    void SendScreenState(bool open);

    int m_state = STATE_CLOSED;
    float m_alpha = 0.0f;
    nE_ObjectHandle m_hub;   // under "ne_storage": loaded, neither updated nor drawn
    nE_ObjectHandle m_cards; // the module's "cards"
};
