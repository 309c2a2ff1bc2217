#pragma once
// The hidden-object dialog: shows one object with a title, a text and an OK
// button over the blurred scene, and runs the content's call on OK.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nG_HoDialog : public nE_Object, public nE_Listener
{
public:
    explicit nG_HoDialog(const std::string& name);
    ~nG_HoDialog() override;
    static nE_Object* Create(const std::string& name) { return new nG_HoDialog(name); }

    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void Show(const std::string& object, const std::string& call);
    void OnOk();
    bool IsShown() const { return !(m_state == 1 && m_fade == 0.0f); }
    float GetFade() const { return m_fade; }
    nE_Object* GetShownObject() const { return m_object.Get(); }

private:
    void Blur(bool on);

    int m_state = 1; // 0 open, 1 closing or closed
    float m_fade = 0.0f;
    std::string m_okCall;
    nE_ObjectHandle m_background, m_ok, m_object;
};
