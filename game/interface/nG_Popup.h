#pragma once
// The popup: a short framed text that grows out of the pointer, eased in
// scale, alpha and position, and goes away on the next click or when a
// script hides it. Its frame and content are drawn once into a texture when
// it opens (nG_FramedBox). The map popup reuses its timing and placement
// with other content.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "game/interface/nG_FramedBox.h"
#include "game/messages/nG_Messages.h"

#include <string>
#include <vector>

class nE_Text;

// min(max(v, lo), hi): a lower limit above the upper one gives the upper.
float nG_ClampMaxMin(float v, float lo, float hi);

class nG_Popup : public nE_Object, public nE_Listener
{
public:
    enum
    {
        WAITING = 0,
        OPEN = 1,
        CLOSING = 2
    };

    explicit nG_Popup(const std::string& name);
    ~nG_Popup() override;
    static nE_Object* Create(const std::string& name) { return new nG_Popup(name); }

    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void Show(const nG_MsgPopup& record);
    void SetState(int state);
    int GetState() const { return m_state; }
    float GetT() const { return m_t; }
    int GetFrameWidth() const { return m_width; }
    int GetFrameHeight() const { return m_height; }
    const nE_Vec3& GetStart() const { return m_start; }
    const nE_Vec3& GetEnd() const { return m_end; }
    const nG_FramedBox& GetBox() const { return m_box; }

protected:
    // For popups with other content: no text child, no subscription.
    nG_Popup(const std::string& name, bool withText);
    // Builds the content, answers the frame size and the objects drawn over the frame.
    virtual void Layout(int* width, int* height, std::vector<nE_Object*>* content);
    virtual bool HasPending() const { return !m_pending.text.empty(); }
    virtual void ClearPending() { m_pending = nG_MsgPopup(); }
    // Whether the popup is closed or still waiting, so that new content can start at once.
    bool IsIdle() const { return m_state == WAITING || (m_state == CLOSING && m_t == 0.0f); }

private:
    void ApplyEase(float t);
    void Open();

    int m_state = CLOSING;
    float m_t = 0.0f;
    float m_wait = 0.0f;
    int m_width = 0, m_height = 0;
    nG_MsgPopup m_pending;
    nE_Vec3 m_start{0, 0, 0}, m_end{0, 0, 0};
    nG_FramedBox m_box;
    nE_ObjectHandle m_text;
};
