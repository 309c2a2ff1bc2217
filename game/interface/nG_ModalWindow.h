#pragma once
// The holder of modal windows: content objects shown on top of each other by
// z, each asked for by module and object name. While any is shown the holder
// takes the mouse, so nothing beneath reacts unless a window is non-blocking.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nG_ModalWindow : public nE_Object, public nE_Listener
{
public:
    explicit nG_ModalWindow(const std::string& name);
    ~nG_ModalWindow() override;
    static nE_Object* Create(const std::string& name) { return new nG_ModalWindow(name); }

    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void ShowWindow(const std::string& module, const std::string& object, const std::string& code, bool blocking);
    void CloseWindow(const std::string& object);
    bool IsBlocking() const { return m_blocking; }

private:
    void SetShown(bool on);

    bool m_blocking = true;
};
