#pragma once
// A caption on a dark bar across the top of the screen. A new caption waits
// until the one shown has faded out; a click once it is fully shown fades it
// away (the click still reaches what lies underneath).

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nG_BlackBarText : public nE_Object, public nE_Listener
{
public:
    explicit nG_BlackBarText(const std::string& name);
    ~nG_BlackBarText() override;
    static nE_Object* Create(const std::string& name) { return new nG_BlackBarText(name); }

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void SetText(const std::string& key);
    int GetState() const { return m_state; }
    float GetLevel() const { return m_alpha; }
    const std::string& GetCurrent() const { return m_current; }

private:
    void Show();

    nE_ObjectHandle m_text, m_bar;
    int m_state = 1;
    float m_alpha = 0.0f;
    std::string m_current;
    std::string m_queued;
};
