#pragma once
// The two roots of the engine ("ne_origin", the live scene, and "ne_storage",
// objects that exist but are not shown) and the pointer state: the hovered
// object and the dragged object, with a drag-and-drop whose drop a script can
// cancel.

#include "engine/core/nE_TimeStep.h"

#include <cstdint>
#include <memory>
#include <string>

class nE_Object;

enum nE_InputKind
{
    NE_INPUT_KEYDOWN = 0,
    NE_INPUT_CHAR = 1,
    NE_INPUT_KEY_OTHER = 2,
    NE_INPUT_MOUSEDOWN = 3,
    NE_INPUT_MOUSEUP = 4,
    NE_INPUT_MOUSEMOVE = 5
};

// Key code carried by every mouse event.
const uint32_t NE_MOUSE_KEYCODE = 0xF00;

struct nE_InputEvent
{
    uint32_t kind = 0;
    uint32_t key = 0;
    uint32_t character = 0;
    float x = 0.0f;
    float y = 0.0f;
};

// Where the pointer is, in screen units. The cursor service installs its own
// reader; without one the pointer reads as (0, 0).
typedef void (*nE_CursorPosFunc)(float* x, float* y);
void nE_SetCursorPosFunc(nE_CursorPosFunc func);
void nE_GetCursorPos(float* x, float* y);

class nE_Scene
{
public:
    nE_Scene();
    ~nE_Scene();
    nE_Scene(const nE_Scene&) = delete;
    nE_Scene& operator=(const nE_Scene&) = delete;

    nE_Object* GetOrigin() const { return m_origin; }
    nE_Object* GetStorage() const { return m_storage; }
    bool IsRoot(const nE_Object* object) const;
    // Deletes "ne_origin" and then "ne_storage" with their subtrees.
    void DeleteRoots();

    nE_Object* FindObject(const std::string& name) const;
    // Attaches a new object (AddChild) and then loads or releases its
    // resources by the root the parent hangs under. A refused child, or any
    // child when there is no parent, is deleted. Answers whether it was attached.
    bool AttachObject(nE_Object* parent, std::unique_ptr<nE_Object> child);
    // The same for an object already in the tree (MoveChild), which a refusal
    // leaves where it was: the raw form for objects reached by name.
    bool MoveObject(nE_Object* parent, nE_Object* child);

    void DispatchInput(const nE_InputEvent* event);
    void StartDrag(nE_Object* object);
    void StopDrag();
    void SetDoNotDrop(bool on) { m_doNotDrop = on; }
    bool IsDoNotDrop() const { return m_doNotDrop; }
    bool IsDropPending() const { return m_dropPending; }

    void Update(const nE_TimeStep* step);

private:
    void FollowRoot(nE_Object* parent, nE_Object* child);
    void CompleteDrop();
    void UpdateHover(nE_Object* hit);

    nE_Object* m_origin = nullptr;
    nE_Object* m_storage = nullptr;
    bool m_dropPending = false;
    bool m_doNotDrop = false;
};

// Through g_scene when there is one, else a plain AddChild or MoveChild: game
// objects are also built without an engine context. nE_Attach answers the
// attached child, or null when it was refused (and so deleted).
nE_Object* nE_AttachObject(nE_Object* parent, std::unique_ptr<nE_Object> child);
template <class T> T* nE_Attach(nE_Object* parent, std::unique_ptr<T> child)
{
    return static_cast<T*>(nE_AttachObject(parent, std::move(child)));
}
bool nE_MoveObject(nE_Object* parent, nE_Object* child);

// Non-owning; an object clears them when it is destroyed.
extern nE_Object* g_hoveredObject;
extern nE_Object* g_draggedObject;
