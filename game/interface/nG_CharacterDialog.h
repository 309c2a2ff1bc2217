#pragma once
// The talk window: a character's portrait, a line of text, a "continue" hint
// and a skip button. A click anywhere runs the content's continue call; a new
// line fades the text out and in; the HUD fades out while it is open.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>

class nG_CharacterDialog : public nE_Object, public nE_Listener
{
public:
    enum
    {
        OPENING = 0,
        TEXT_OUT = 1,
        TEXT_IN = 2,
        CLOSING = 3
    };

    explicit nG_CharacterDialog(const std::string& name);
    ~nG_CharacterDialog() override;
    static nE_Object* Create(const std::string& name) { return new nG_CharacterDialog(name); }

    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;
    void LoadResources() override;
    void Restore(bool recursive) override;

    void SetState(int state);
    int GetState() const { return m_state; }
    float GetTimer() const { return m_timer; }

private:
    void Open(const struct nG_MsgDialog& record);
    void Layout();
    void SetTextAlpha(float alpha);

    int m_state = CLOSING;
    float m_timer = 0.0f;
    std::string m_textKey, m_continueCall, m_skipCall;
    nE_ObjectHandle m_portrait, m_window, m_text, m_skip;
};
