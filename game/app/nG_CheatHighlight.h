#pragma once
// A developer overlay of the level: over the room or subroom in view it marks
// every object that reacts to the mouse, red for click code, green for only
// hover or drag code. Toggled by the cheat-highlight message.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

// Developer keys and the overlay need both the configuration's cheat flag and
// the cheat profile as the current one.
bool nG_IsCheatMode();

class nG_CheatHighlight : public nE_Object, public nE_Listener
{
public:
    explicit nG_CheatHighlight(const std::string& name);
    ~nG_CheatHighlight() override;

    void SetDefaults() override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    // Kept weakly: a script may delete the room while the overlay points at it.
    void SetTarget(nE_Object* target) { m_target = nE_ObjectHandle(target); }
    nE_Object* GetTarget() const { return m_target.Get(); }
    bool IsOn() const { return m_on; }

    static void BuildOutlines(nE_Render* render, const nE_RenderState& state, nE_Object* object);

private:
    nE_ObjectHandle m_target;
    bool m_on = false;
};
