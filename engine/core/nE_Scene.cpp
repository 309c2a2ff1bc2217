#include "engine/core/nE_Scene.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Object.h"

nE_Object* g_hoveredObject = nullptr;
nE_Object* g_draggedObject = nullptr;

namespace
{
nE_CursorPosFunc s_cursorPos = nullptr;
} // namespace

void nE_SetCursorPosFunc(nE_CursorPosFunc func)
{
    s_cursorPos = func;
}

void nE_GetCursorPos(float* x, float* y)
{
    float cx = 0.0f, cy = 0.0f;
    if (s_cursorPos) s_cursorPos(&cx, &cy);
    if (x) *x = cx;
    if (y) *y = cy;
}

nE_Scene::nE_Scene()
{
    m_origin = new nE_Object("ne_origin");
    m_origin->m_isRoot = true;
    m_storage = new nE_Object("ne_storage");
    m_storage->m_isRoot = true;
    m_origin->LoadResourcesTree();
}

nE_Scene::~nE_Scene()
{
    DeleteRoots();
}

void nE_Scene::DeleteRoots()
{
    delete m_origin;
    m_origin = nullptr;
    delete m_storage;
    m_storage = nullptr;
}

bool nE_Scene::IsRoot(const nE_Object* object) const
{
    return object && (object == m_origin || object == m_storage);
}

nE_Object* nE_Scene::FindObject(const std::string& name) const
{
    for (nE_Object* root : {m_origin, m_storage})
    {
        if (!root) continue;
        if (root->GetName() == name) return root;
        if (nE_Object* found = root->FindChild(name, true)) return found;
    }
    return nullptr;
}

bool nE_Scene::AttachObject(nE_Object* parent, std::unique_ptr<nE_Object> child)
{
    nE_Object* taken = child.get();
    if (!parent || !parent->AddChild(std::move(child))) return false;
    FollowRoot(parent, taken);
    return true;
}

bool nE_Scene::MoveObject(nE_Object* parent, nE_Object* child)
{
    if (!parent || !parent->MoveChild(child)) return false;
    FollowRoot(parent, child);
    return true;
}

void nE_Scene::FollowRoot(nE_Object* parent, nE_Object* child)
{
    // Where the parent really hangs decides, not what it is called.
    nE_Object* root = parent->GetRoot();
    if (root == m_origin)
        child->LoadResourcesTree();
    else if (root == m_storage)
        child->ReleaseResourcesTree();
}

nE_Object* nE_AttachObject(nE_Object* parent, std::unique_ptr<nE_Object> child)
{
    nE_Object* taken = child.get();
    if (!parent) return nullptr;
    bool attached =
        g_scene ? g_scene->AttachObject(parent, std::move(child)) : parent->AddChild(std::move(child));
    return attached ? taken : nullptr;
}

bool nE_MoveObject(nE_Object* parent, nE_Object* child)
{
    if (!parent) return false;
    return g_scene ? g_scene->MoveObject(parent, child) : parent->MoveChild(child);
}

void nE_Scene::DispatchInput(const nE_InputEvent* event)
{
    if (!event || !m_origin) return;
    // The walk itself may run Lua in an object's input handler; keep only
    // what is still alive afterwards.
    nE_ObjectHandle hit(m_origin->HandleInputTree(event, nullptr, nE_RenderState()));
    switch (event->kind)
    {
    case NE_INPUT_MOUSEDOWN:
        if (g_draggedObject)
            StopDrag();
        else if (hit.Get() && hit.Get()->IsDrag())
            StartDrag(hit.Get());
        break;
    case NE_INPUT_MOUSEUP:
        if (g_draggedObject && g_draggedObject->IsRealDrag()) StopDrag();
        break;
    case NE_INPUT_MOUSEMOVE:
        if (g_draggedObject && !m_dropPending)
        {
            g_draggedObject->SetDragPos(event->x, event->y, 0.0f);
            g_draggedObject->PostEvent(NE_EVENT_DRAG);
        }
        UpdateHover(hit.Get());
        break;
    default:
        break;
    }
}

void nE_Scene::UpdateHover(nE_Object* hit)
{
    if (hit == g_hoveredObject) return;
    bool dragging = g_draggedObject != nullptr;
    if (g_hoveredObject) g_hoveredObject->PostEvent(dragging ? NE_EVENT_MLEAVE_DRAG : NE_EVENT_MLEAVE);
    g_hoveredObject = hit;
    if (hit) hit->PostEvent(dragging ? NE_EVENT_MENTER_DRAG : NE_EVENT_MENTER);
}

void nE_Scene::StartDrag(nE_Object* object)
{
    if (!object) return;
    if (object == g_hoveredObject)
    {
        object->PostEvent(NE_EVENT_MLEAVE);
        g_hoveredObject = nullptr;
    }
    // Dragged first: the drag position is kept only for the dragged object.
    g_draggedObject = object;
    float x = 0.0f, y = 0.0f;
    nE_GetCursorPos(&x, &y);
    object->SetDragPos(x, y, 0.0f);
}

void nE_Scene::StopDrag()
{
    // One drop per drag: a second stop while the first is pending would post
    // "event_dragdrop" twice.
    if (!g_draggedObject || m_dropPending) return;
    g_draggedObject->PostEvent(NE_EVENT_DRAGDROP);
    m_dropPending = true;
}

void nE_Scene::CompleteDrop()
{
    if (!g_draggedObject) return;
    if (m_doNotDrop)
    {
        m_doNotDrop = false;
        return;
    }
    g_draggedObject = nullptr;
    if (g_hoveredObject) g_hoveredObject->PostEvent(NE_EVENT_MENTER);
}

void nE_Scene::Update(const nE_TimeStep* step)
{
    if (m_dropPending)
    {
        m_dropPending = false;
        CompleteDrop();
    }
    if (m_origin) m_origin->UpdateTree(step);
}
