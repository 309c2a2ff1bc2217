#pragma once
// One slot of the inventory bar: wraps a game object the scripts put into the
// inventory, shows it shrunk with a glow behind it, counts how many are held,
// flies objects into the slot, grows the object under the pointer, lets the
// player drag it out onto the scene and flies it back when the drop did not
// take it. Its parent is the bar, whose parent is an interface layer node.

#include "engine/core/nE_Object.h"

#include <string>
#include <vector>

struct nG_InvFlight
{
    float progress = 1.0f; // 1 down to 0
    float duration = 1.0f;
    nE_ObjectHandle object; // may be empty; deleted when the flight lands
    float startX = 0.0f, startY = 0.0f, startZ = 0.0f;
    std::string call; // posted when the flight lands
};

class nG_InventoryObj : public nE_Object
{
public:
    enum State
    {
        CREATED = 0,
        RESTING = 1,
        APPEARING = 2,
        HOVER_IN = 4,
        HOVERED = 5,
        HOVER_OUT = 6,
        LIFTING = 7,
        DRAGGED = 8,
        RETURNING = 9,
        LANDED = 10
    };

    nG_InventoryObj(const std::string& name, nE_Object* sceneObject);
    ~nG_InventoryObj() override;

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;

    void SetState(int state);
    int GetState() const { return m_state; }
    void AddFlight(const std::string& flyName, const std::string& call);
    // Shows count minus the flights under way (animations only).
    void SetCount();

    int count = 1;
    float width = 72.0f;
    float slotX = 0.0f, slotY = 22.0f;
    float slideProgress = 0.0f, slideStart = 0.0f, slideTarget = 0.0f;

    nE_Object* GetSceneObject() const { return m_sceneObject.Get(); }
    size_t GetFlightCount() const { return m_flights.size(); }
    bool IsSliding() const { return slideProgress > 0.0f; }
    // The last count the display was given; -1 before any.
    int GetShownCount() const { return m_shownCount; }

private:
    nE_Object* Bar() const { return GetParent(); }
    nE_Object* LayerNode() const { return GetParent() ? GetParent()->GetParent() : nullptr; }
    // Puts the scene object under parent without ever deleting it.
    void MoveSceneObject(nE_Object* parent);
    void StartLift();
    void StartReturn();
    struct Look
    {
        float x, y, objectScale, glowScale, objectAlpha, glowAlpha;
    };
    void UpdateState(float dt, Look& look);
    void UpdateSlide(float dt, Look& look);
    void UpdateFlights(float dt);
    void LandFlights();

    int m_state = CREATED;
    float m_timer = 0.0f;
    float m_duration = 1.0f;
    nE_ObjectHandle m_sceneObject;
    nE_ObjectHandle m_glow;
    float m_liftX = 0.0f, m_liftY = 0.0f, m_liftZ = 0.0f;
    std::vector<nG_InvFlight> m_flights;
    int m_shownCount = -1;
};
