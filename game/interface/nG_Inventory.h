#pragma once
// The inventory bar at the bottom of the screen: one slot per distinct object
// picked up, as many as fit a 576-unit window between two scroll arrows. It
// slides up when needed and down out of sight otherwise, and tells the card
// and lock buttons where it is. Scripts reach it through the bus only.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>
#include <vector>

class nG_InventoryObj;
class nG_InterfButton;

class nG_Inventory : public nE_Object, public nE_Listener
{
public:
    explicit nG_Inventory(const std::string& name);
    ~nG_Inventory() override;
    static nE_Object* Create(const std::string& name) { return new nG_Inventory(name); }

    void Restore(bool recursive) override;
    void SetDefaults() override;
    void LoadResources() override;
    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void OnMessage(int id, void* record) override;

    void NotifyChanged();
    void LayoutItems();
    int CountFitting(int first);
    void ScrollRight();
    void ScrollLeft();
    void AddItem(const std::string& name, const std::string& flyName, const std::string& call);
    void RemoveItem(const std::string& name);

    // The live items, in the order they were added.
    std::vector<nG_InventoryObj*> Items();
    int GetFirstVisible() const { return m_first; }
    int GetVisibleCount() const { return m_visible; }
    int GetSlideState() const { return m_slideState; }
    float GetOpen() const { return m_open; }
    bool IsAutoHide() const { return m_autoHide; }
    nG_InterfButton* Arrow(bool right) const;

    static void ResetPointerFlags() { s_overInventory = s_overNeighbour = false; }

private:
    nG_InventoryObj* FindItem(const std::string& name);
    bool AnySliding();
    bool Needed();

    std::vector<nE_ObjectHandle> m_items;
    nE_ObjectHandle m_background;
    nE_ObjectHandle m_left, m_right;
    nE_ObjectHandle m_header;
    int m_slideState = 1;
    float m_open = 0.0f;
    int m_visible = 0;
    int m_first = 0;
    bool m_autoHide = true;

    static bool s_overInventory;
    static bool s_overNeighbour;
};
