#pragma once
// The in-level HUD container. It owns a fixed registry of interface children
// (id -> object name, creator, layer), publishes every id to Lua as an "INT_"
// global, and creates every child under one of three layer nodes. Scripts add,
// remove and switch the input of children by id through the mediator; the
// container fades, blocks and pauses the HUD as a whole.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <cstddef>
#include <map>
#include <string>

typedef nE_Object* (*nG_InterfaceCreator)(const std::string& name);

struct nG_InterfaceChild
{
    std::string name;
    nG_InterfaceCreator creator = nullptr;
    int layer = 2; // 0 top (modal windows, popups), 1 middle, 2 the main HUD
};

// A row of the child registry: id, Lua global, object name, layer, creator.
struct nG_InterfaceRow
{
    int id;
    const char* global;
    const char* name;
    int layer;
    nG_InterfaceCreator creator;
};

class nG_Interface : public nE_Object, public nE_Listener
{
public:
    nG_Interface();
    ~nG_Interface() override;

    void SetDefaults() override;
    void Update(const nE_TimeStep* step) override;
    void OnMessage(int id, void* record) override;

    void CreateChild(int id);
    void DestroyChild(int id);
    void SetChildInput(int id, bool on);

    // The node of layer 0, 1 or 2; null for any other layer.
    nE_Object* GetLayerNode(int layer) const;
    float GetHudAlpha() const { return m_hudAlpha; }
    bool IsFadingOut() const { return m_fadingOut; }
    // The record of an id, or null when the table has no such id.
    const nG_InterfaceChild* GetChildRecord(int id) const;

    // The registry, in registration order (which is creation order); `count`
    // receives the number of rows.
    static const nG_InterfaceRow* GetChildTable(size_t* count);

    // Replaces the creator of a row for containers built from now on (each
    // widget installs its own when it lands); answers the previous one, or
    // null for an id the table does not hold (nothing is changed then).
    static nG_InterfaceCreator SetChildCreator(int id, nG_InterfaceCreator creator);

private:
    void SetHudAlpha(float alpha);

    std::map<int, nG_InterfaceChild> m_children;
    float m_hudAlpha = 1.0f;
    bool m_fadingOut = false;
    nE_Object* m_layer0 = nullptr; // name + "_l2", z 2
    nE_Object* m_layer1 = nullptr; // name + "_l1", z 1
    nE_Object* m_layer2 = nullptr; // name + "_l0", z 0
};
