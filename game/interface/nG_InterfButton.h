#pragma once
// The interface's push button: up to three image layers (normal, hover,
// disabled) and three captions. It turns hover, leave and press into bus
// messages whose ids its owner chooses, with the button's name as the record.

#include "engine/core/nE_Object.h"

#include <string>

class nE_Sprite;
class nE_Text;

class nG_InterfButton : public nE_Object
{
public:
    enum State
    {
        STATE_NORMAL = 0,
        STATE_HOVER = 1,
        STATE_LEAVING = 2,
        STATE_DISABLED = 3
    };

    explicit nG_InterfButton(const std::string& name);
    ~nG_InterfButton() override;

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;

    void SetInputRect(const nE_Rect& rect);
    void SetEnabled(bool enabled);
    void SetState(int state);
    int GetState() const { return m_state; }
    float GetGlow() const { return m_glow; }

    // Owners name these ids through nG_ButtonMsg, which takes only the button
    // messages; -1 sends nothing.
    int pressId = -1;
    int hoverId = -1;
    int leaveId = -1;
    int hoverCursor = 1;
    float glowSpeed = 3.0f;

    // The button the pointer is over, or null.
    static nG_InterfButton* Hovered() { return s_hovered; }

    // See nG_BuildButton.
    void Build(const std::string res[3], int cursor, const std::string& textKey, const std::string& font,
               int fontSize, const float* position, const float* const colours[3], bool rawText);

private:
    void ShowLayers(bool hover, bool disabled);
    void SetGlowAlpha();
    // Leaves the hover: state 2, arrow cursor, leave id sent.
    void Leave();
    void SendId(int id);

    float m_glow = 0.0f;
    int m_state = STATE_DISABLED;
    nE_ObjectHandle m_layer[3];
    nE_ObjectHandle m_text[3];

    static nG_InterfButton* s_hovered;
};

// Builds (or rebuilds) the button: images res0..res2 (empty: none); captions
// only when both textKey and font are given, at position (x, y); each colour
// null or r, g, b.
void nG_BuildButton(nG_InterfButton* button, std::string res0, std::string res1, std::string res2,
                    int hoverCursor, std::string textKey, std::string font, int fontSize,
                    const float* position, const float* colour0, const float* colour1, const float* colour2,
                    bool rawText);
