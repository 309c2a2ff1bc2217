#pragma once
// The text dialog: a framed text box sized to its text, drawn once into a
// texture (nG_FramedBox) and faded as one picture. Any click closes it; the
// click that closes it outside the box goes on to the scene.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"
#include "game/interface/nG_FramedBox.h"

#include <string>

class nG_Dialog : public nE_Object, public nE_Listener
{
public:
    enum
    {
        OPEN = 0,
        CLOSING = 1,
        CHANGING = 2
    };

    explicit nG_Dialog(const std::string& name);
    ~nG_Dialog() override;
    static nE_Object* Create(const std::string& name) { return new nG_Dialog(name); }

    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;
    void Restore(bool recursive) override;

    void Show(const std::string& key, int x, int y, unsigned minWidth, unsigned minHeight);
    void Layout(int mode);
    int GetState() const { return m_state; }
    float GetFade() const { return m_fade; }
    float GetBoxWidth() const { return m_width; }
    float GetBoxHeight() const { return m_height; }

private:
    void Render();

    int m_state = CLOSING;
    float m_fade = 0.0f;
    std::string m_key;
    float m_x = 0.0f, m_y = 0.0f;
    unsigned m_minWidth = 0, m_minHeight = 0;
    float m_left = 0.0f, m_top = 0.0f, m_width = 0.0f, m_height = 0.0f;
    nE_ObjectHandle m_text;
    nG_FramedBox m_box;
};
