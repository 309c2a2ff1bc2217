#include "engine/core/nE_Object.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Properties.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"

#include <algorithm>
#include <tinyxml.h>

namespace
{
void PostCall(const std::string& sender, const std::string& text)
{
    if (g_triggerManager && text.find_first_not_of(" \t\r\n") != std::string::npos)
        g_triggerManager->Post(sender, text);
}

// End triggers of tweens go to the queue like every other event text.
void PostTweenEnd(const std::string& trigger, const std::string& sender)
{
    PostCall(sender, trigger);
}

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}
} // namespace

nE_ObjectHandle::nE_ObjectHandle(const nE_Object* object)
{
    if (!object) return;
    m_object = const_cast<nE_Object*>(object);
    m_token = object->m_token;
    ++m_token->refs;
}

// ---- construction and destruction ----

nE_Object::nE_Object() : m_token(new nE_LifeToken)
{
    SetDefaults();
}

nE_Object::nE_Object(const std::string& name) : m_name(name), m_token(new nE_LifeToken)
{
    SetDefaults();
}

nE_Object::~nE_Object()
{
    // Handles see the object as dead from here on, so walks and widgets stop
    // touching it even while its subtree is being torn down.
    m_token->alive = false;
    nE_ObjectHandle::nE_ReleaseLifeToken(m_token);
    m_token = nullptr;
    ReleaseResourcesTree();
    if (g_hoveredObject == this)
    {
        PostEvent(NE_EVENT_MLEAVE);
        g_hoveredObject = nullptr;
    }
    if (g_draggedObject == this) g_draggedObject = nullptr;
    m_tweens.clear();
    DeleteChildren();
    DetachFromParent();
}

void nE_Object::SetDefaults()
{
    nE_ResetProperties(Properties(), *this);
    m_animAngle = 0.0f;
    m_animScaleX = m_animScaleY = 1.0f;
    m_parent = nullptr;
    m_childrenUpdate = m_childrenInput = m_childrenDraw = true;
    m_resourcesLoaded = false;
    m_lastWorld.SetIdentity();
}

// ---- simple virtuals ----

std::string nE_Object::GetResourceName() const
{
    return m_resourceName;
}

void nE_Object::SetResourceName(const std::string& name)
{
    if (name == m_resourceName) return;
    m_resourceName = name;
    if (m_resourcesLoaded)
    {
        ReleaseResources();
        LoadResources();
    }
}

std::shared_ptr<nE_Texture> nE_Object::GetTexture()
{
    return std::shared_ptr<nE_Texture>();
}

std::string nE_Object::GetTypeName() const
{
    return "obj";
}

nE_Rect nE_Object::GetLocalRect()
{
    return nE_Rect();
}

bool nE_Object::HitTest(float x, float y, const nE_RenderState& state)
{
    nE_Matrix m;
    nE_Matrix::Translate(m, state.offsetX, state.offsetY);
    nE_Matrix::MultiplyAssign(m, state.matrix);
    return nE_PointInTransformedRect(m_inputRect, x, y, &m);
}

void nE_Object::Restore(bool recursive)
{
    if (!recursive) return;
    for (nE_ObjectHandle& h : ChildHandles())
        if (nE_Object* child = h.Get()) child->Restore(true);
}

void nE_Object::FindText(TiXmlElement* report, const std::string& text, bool recursive)
{
    if (!report) return;
    auto add = [&](const char* place)
    {
        TiXmlElement hit(m_name.c_str());
        hit.SetAttribute("place", place);
        report->InsertEndChild(hit);
    };
    if (m_name.find(text) != std::string::npos) add("name");
    for (const std::string& event : m_events)
        if (event.find(text) != std::string::npos) add("event");
    if (GetResourceName().find(text) != std::string::npos) add("res");
    if (!recursive) return;
    for (auto& child : m_children)
        child->FindText(report, text, true);
}

// ---- properties ----

const nE_PropertyTable<nE_Object>& nE_Object::Properties()
{
    using P = nE_Property<nE_Object>;
    static const nE_PropertyTable<nE_Object> table = {
        {"name", NE_PROPERTY_AT(m_name)},
        {"pos_x", NE_PROPERTY_AT(m_x)},
        {"pos_y", NE_PROPERTY_AT(m_y)},
        P("pos_z", NE_PROPERTY_AT(m_z)).AfterRead([](nE_Object& o) { o.MarkZChanged(); }),
        P("ang", NE_PROPERTY_AT(m_angle)).Reset(0.0f),
        P("scale_x", NE_PROPERTY_AT(m_scaleX)).Reset(1.0f),
        P("scale_y", NE_PROPERTY_AT(m_scaleY)).Reset(1.0f),
        {"alp", NE_PROPERTY_AT(m_state.alpha)},
        {"color_r", NE_PROPERTY_AT(m_state.r)},
        {"color_g", NE_PROPERTY_AT(m_state.g)},
        {"color_b", NE_PROPERTY_AT(m_state.b)},
        {"blendmode", NE_PROPERTY_AT(m_state.blendMode)},
        P("attachtype", NE_PROPERTY_AT(m_attachType)).Reset(0u),
        P("active", NE_PROPERTY_AT(m_active)).Reset(true),
        P("input", NE_PROPERTY_AT(m_input)).Reset(true),
        P("visible", NE_PROPERTY_AT(m_visible)).Reset(true),
        P("drag", NE_PROPERTY_AT(m_drag)).Reset(false),
        P("realdrag", NE_PROPERTY_AT(m_realDrag)).Reset(false),
        P("inputrect_init", NE_PROPERTY_AT(m_inputRectOn)).Reset(false),
        P("inputrect_x", NE_PROPERTY_AT(m_inputRect.x)).OnlyWhen(NE_PROPERTY_IF(m_inputRectOn)),
        P("inputrect_y", NE_PROPERTY_AT(m_inputRect.y)).OnlyWhen(NE_PROPERTY_IF(m_inputRectOn)),
        P("inputrect_w", NE_PROPERTY_AT(m_inputRect.w)).OnlyWhen(NE_PROPERTY_IF(m_inputRectOn)),
        P("inputrect_h", NE_PROPERTY_AT(m_inputRect.h)).OnlyWhen(NE_PROPERTY_IF(m_inputRectOn)),
        P("croprect_init", NE_PROPERTY_AT(m_cropRectOn)).Reset(false),
        P("croprect_x", NE_PROPERTY_AT(m_cropRect.x)).OnlyWhen(NE_PROPERTY_IF(m_cropRectOn)),
        P("croprect_y", NE_PROPERTY_AT(m_cropRect.y)).OnlyWhen(NE_PROPERTY_IF(m_cropRectOn)),
        P("croprect_w", NE_PROPERTY_AT(m_cropRect.w)).OnlyWhen(NE_PROPERTY_IF(m_cropRectOn)),
        P("croprect_h", NE_PROPERTY_AT(m_cropRect.h)).OnlyWhen(NE_PROPERTY_IF(m_cropRectOn)),
        {"drawoff_x", NE_PROPERTY_AT(m_state.offsetX)},
        {"drawoff_y", NE_PROPERTY_AT(m_state.offsetY)},
        {"tiling_x", NE_PROPERTY_AT(m_state.tileX)},
        {"tiling_y", NE_PROPERTY_AT(m_state.tileY)},
        // The event texts in index order.
        {"event_mdown", NE_PROPERTY_AT(m_events[NE_EVENT_MDOWN])},
        {"event_mup", NE_PROPERTY_AT(m_events[NE_EVENT_MUP])},
        {"event_menter", NE_PROPERTY_AT(m_events[NE_EVENT_MENTER])},
        {"event_mleave", NE_PROPERTY_AT(m_events[NE_EVENT_MLEAVE])},
        {"event_menter_drag", NE_PROPERTY_AT(m_events[NE_EVENT_MENTER_DRAG])},
        {"event_mleave_drag", NE_PROPERTY_AT(m_events[NE_EVENT_MLEAVE_DRAG])},
        {"event_dragdrop", NE_PROPERTY_AT(m_events[NE_EVENT_DRAGDROP])},
        {"event_drag", NE_PROPERTY_AT(m_events[NE_EVENT_DRAG])},
    };
    return table;
}

void nE_Object::Load(nE_SLHelper& sl)
{
    nE_LoadProperties(sl, Properties(), *this);
}

// The drawn size goes out as info values: a report for ObjGet, never state.
void nE_Object::Save(nE_SLHelper& sl)
{
    nE_SaveProperties(sl, Properties(), *this);
    nE_Rect size = GetLocalRect();
    sl.SetInfoValue(true);
    sl.WriteFloat("draw_width", size.w);
    sl.WriteFloat("draw_height", size.h);
    sl.SetInfoValue(false);
}

std::string nE_Object::GetEventCode(int index) const
{
    if (index < 0 || index >= NE_EVENT_COUNT) return std::string();
    return m_events[index];
}

void nE_Object::SetEventCode(int index, const std::string& text)
{
    if (index >= 0 && index < NE_EVENT_COUNT) m_events[index] = text;
}

void nE_Object::PostEvent(int index) const
{
    if (index >= 0 && index < NE_EVENT_COUNT) PostCall(m_name, m_events[index]);
}

// ---- tree ----

bool nE_Object::IsSelfOrAncestor(const nE_Object* other) const
{
    for (const nE_Object* p = this; p; p = p->m_parent)
        if (p == other) return true;
    return false;
}

nE_Object* nE_Object::GetRoot()
{
    nE_Object* root = this;
    while (root->m_parent)
        root = root->m_parent;
    return root;
}

bool nE_Object::CanTake(const nE_Object* child) const
{
    if (!child) return false;
    if (child->m_isRoot || IsSelfOrAncestor(child))
    {
        nE_LogFmt2("Warning: object %s can not be attached to %s - it would make a loop or move a root",
                   child->m_name, m_name);
        return false;
    }
    return true;
}

void nE_Object::InsertChild(std::unique_ptr<nE_Object> child)
{
    child->m_parent = this;
    if (m_childrenSorted)
    {
        // After the children of equal z, as a stable sort would place it.
        auto at = std::upper_bound(m_children.begin(), m_children.end(), child->m_z,
                                   [](float z, const std::unique_ptr<nE_Object>& c) { return z < c->m_z; });
        m_children.insert(at, std::move(child));
        return;
    }
    m_children.push_back(std::move(child));
    SortChildren();
}

bool nE_Object::AddChild(std::unique_ptr<nE_Object> child)
{
    if (!CanTake(child.get())) return false;
    // Handed over while a parent still held it: the parent lets go, so that
    // one owner remains.
    if (child->m_parent) child->m_parent->RemoveChild(child.get(), false).release();
    InsertChild(std::move(child));
    return true;
}

bool nE_Object::MoveChild(nE_Object* child)
{
    if (!CanTake(child)) return false;
    if (!child->m_parent)
    {
        nE_LogFmt2("Warning: object %s can not be moved under %s - it hangs in no tree", child->m_name,
                   m_name);
        return false;
    }
    InsertChild(child->m_parent->RemoveChild(child, false));
    return true;
}

std::unique_ptr<nE_Object> nE_Object::RemoveChild(nE_Object* child, bool recursive)
{
    if (!child) return nullptr;
    for (auto it = m_children.begin(); it != m_children.end(); ++it)
    {
        if (it->get() != child) continue;
        std::unique_ptr<nE_Object> removed = std::move(*it);
        m_children.erase(it);
        removed->m_parent = nullptr;
        return removed;
    }
    if (!recursive) return nullptr;
    for (auto& c : m_children)
        if (std::unique_ptr<nE_Object> removed = c->RemoveChild(child, true)) return removed;
    return nullptr;
}

void nE_Object::DeleteChildren()
{
    while (!m_children.empty())
    {
        std::unique_ptr<nE_Object> child = m_children.pop_front();
        child->m_parent = nullptr;
    }
}

// From the destructor: this object is being deleted already, so the parent
// only lets go of it.
void nE_Object::DetachFromParent()
{
    if (m_parent) m_parent->RemoveChild(this, false).release();
}

nE_Object* nE_Object::FindChild(const std::string& name, bool recursive) const
{
    for (auto& c : m_children)
        if (c->m_name == name) return c.get();
    if (!recursive) return nullptr;
    for (auto& c : m_children)
        if (nE_Object* found = c->FindChild(name, true)) return found;
    return nullptr;
}

nE_Object* nE_Object::GetChild(int index) const
{
    if (index < 0 || index >= GetChildCount()) return nullptr;
    return m_children[index].get();
}

void nE_Object::SortChildren()
{
    // Walks ask every time; a child added or moved in z marks the order stale.
    if (m_childrenSorted) return;
    std::stable_sort(m_children.begin(), m_children.end(),
                     [](const std::unique_ptr<nE_Object>& a, const std::unique_ptr<nE_Object>& b)
                     { return a->m_z < b->m_z; });
    m_childrenSorted = true;
}

std::vector<nE_ObjectHandle> nE_Object::ChildHandles() const
{
    std::vector<nE_ObjectHandle> handles;
    handles.reserve(m_children.size());
    for (auto& c : m_children)
        handles.emplace_back(c.get());
    return handles;
}

void nE_Object::LoadResourcesTree()
{
    if (m_resourcesLoaded) return;
    for (size_t i = 0; i < m_children.size(); ++i)
        m_children[i]->LoadResourcesTree();
    LoadResources();
    m_resourcesLoaded = true;
    SortChildren();
}

void nE_Object::ReleaseResourcesTree()
{
    if (!m_resourcesLoaded) return;
    m_resourcesLoaded = false;
    ReleaseResources();
    for (size_t i = 0; i < m_children.size(); ++i)
        m_children[i]->ReleaseResourcesTree();
}

// ---- walks ----
// Lua can run inside any walk (widgets call triggers at once) and delete or
// move objects. Each walk therefore visits a snapshot of the children, skips
// those that died or moved away, and stops once the walking object itself has
// died.

void nE_Object::UpdateTree(const nE_TimeStep* step)
{
    if (!m_childrenSorted) SortChildren();
    if (!m_active) return;
    nE_ObjectHandle self = GetHandle();
    Update(step);
    if (!self.IsAlive() || !m_childrenUpdate || m_children.empty()) return;
    for (nE_ObjectHandle& h : ChildHandles())
    {
        nE_Object* child = h.Get();
        if (!child || child->m_parent != this) continue;
        child->UpdateTree(step);
        if (!self.IsAlive()) return;
    }
}

nE_Object* nE_Object::HandleInputTree(const nE_InputEvent* event, nE_Object* found,
                                      const nE_RenderState& parent)
{
    if (!m_input) return found;
    nE_RenderState state;
    ComposeRenderState(state, parent, 0);
    nE_ObjectHandle self = GetHandle();
    nE_ObjectHandle hit(found);
    if (m_childrenInput)
    {
        std::vector<nE_ObjectHandle> children = ChildHandles();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
        {
            nE_Object* child = it->Get();
            if (!child || child->m_parent != this) continue;
            hit = nE_ObjectHandle(child->HandleInputTree(event, hit.Get(), state));
            if (!self.IsAlive()) return hit.Get();
        }
    }
    bool took = HandleInput(event, hit.Get(), state);
    if (self.IsAlive() && took && !hit.Get()) hit = self;
    return hit.Get();
}

void nE_Object::DrawTree(nE_Render* render, const nE_RenderState& parent)
{
    if (!m_visible || !render) return;
    nE_RenderState state;
    ComposeRenderState(state, parent, 0);
    bool pushed = false;
    if (m_cropRectOn)
    {
        nE_Rect bounds = nE_TransformedRectBounds(m_cropRect, state.matrix);
        pushed = render->PushClipRect(bounds.x, bounds.y, bounds.w, bounds.h);
    }
    nE_ObjectHandle self = GetHandle();
    Draw(render, state);
    if (self.IsAlive() && m_childrenDraw && !m_children.empty())
    {
        for (nE_ObjectHandle& h : ChildHandles())
        {
            nE_Object* child = h.Get();
            if (child && child->m_parent == this) child->DrawTree(render, state);
            if (!self.IsAlive()) break;
        }
    }
    if (pushed) render->PopClipRect();
}

// ---- input and drawing of one object ----

bool nE_Object::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    if (!event || event->kind == NE_INPUT_KEYDOWN || event->kind == NE_INPUT_KEY_OTHER || found) return false;
    if (this == g_draggedObject || !HitTest(event->x, event->y, state)) return false;
    if (g_draggedObject) return true;
    if (event->kind == NE_INPUT_MOUSEDOWN)
        PostEvent(NE_EVENT_MDOWN);
    else if (event->kind == NE_INPUT_MOUSEUP)
        PostEvent(NE_EVENT_MUP);
    return true;
}

void nE_Object::Draw(nE_Render*, const nE_RenderState&) {}

// ---- transforms ----

// Inline, so that the product with the parent sees the constant half of the matrix.
inline nE_Matrix nE_Object::LocalMatrix(int mode) const
{
    nE_Matrix m;
    if (mode < 0 || mode > 2) return m;
    const float sx = mode != 2 ? m_animScaleX * m_scaleX : 1.0f;
    const float sy = mode != 2 ? m_animScaleY * m_scaleY : 1.0f;
    const float angle = mode == 0 ? m_animAngle + m_angle : 0.0f;
    nE_Matrix::BuildObjectTransform(m, m_animX + m_x, m_animY + m_y, angle, sx, sy);
    return m;
}

// ComposeMatrix for an attached or dragged object. It records nothing: the
// parent's partial transform for attach types 1 to 3 must not overwrite the
// parent's last world matrix, or the grandchildren would lose the ancestors'
// transform.
void nE_Object::ComposeAttached(nE_Matrix& out, const nE_Matrix& parentMatrix, int mode) const
{
    if (m_attachType == 0)
        nE_Matrix::Multiply(out, LocalMatrix(mode), parentMatrix);
    else if (m_attachType <= 3)
    {
        nE_Matrix inherited; // P x G
        if (m_parent)
        {
            // A parent with an attach type of its own already carries the
            // frame it inherits in P; only a fully attached parent needs the
            // grandparent's world added, or that world would count twice.
            nE_Matrix grand;
            if (m_parent->m_parent && m_parent->m_attachType == 0) grand = m_parent->m_parent->m_lastWorld;
            nE_Matrix partial;
            m_parent->ComposeMatrix(partial, nE_Matrix(), static_cast<int>(m_attachType));
            nE_Matrix::Multiply(inherited, partial, grand);
        }
        nE_Matrix::Multiply(out, LocalMatrix(mode), inherited);
    }
    else
        out = LocalMatrix(mode);
    if (this == g_draggedObject && mode != 3)
    {
        out.At(3, 0) = m_dragX;
        out.At(3, 1) = m_dragY;
    }
}

// The matrix part of ComposeRenderState, written into out (which may be
// parentMatrix). Inline, so that a plain object's product with its parent is
// made where the local matrix is built.
inline void nE_Object::ComposeMatrix(nE_Matrix& out, const nE_Matrix& parentMatrix, int mode) const
{
    if (m_attachType == 0 && this != g_draggedObject)
        nE_Matrix::Multiply(out, LocalMatrix(mode), parentMatrix);
    else
        ComposeAttached(out, parentMatrix, mode);
}

nE_RenderState& nE_Object::ComposeRenderState(nE_RenderState& out, const nE_RenderState& parent, int mode)
{
    // Field by field, and the matrix composed in place: every drawn object does this
    // every frame.
    out.frame = m_state.frame;
    out.offsetX = m_state.offsetX;
    out.offsetY = m_state.offsetY;
    out.offsetZ = m_state.offsetZ;
    out.blendMode = m_state.blendMode;
    out.tileX = m_state.tileX;
    out.tileY = m_state.tileY;
    ComposeMatrix(out.matrix, parent.matrix, mode);
    out.alpha = m_animState.alpha * m_state.alpha * parent.alpha;
    out.r = m_animState.r * m_state.r * parent.r;
    out.g = m_animState.g * m_state.g * parent.g;
    out.b = m_animState.b * m_state.b * parent.b;
    m_lastWorld = out.matrix;
    return out;
}

nE_Matrix nE_Object::GetLocalMatrix()
{
    nE_Matrix local;
    ComposeMatrix(local, nE_Matrix(), 0);
    return local;
}

nE_Matrix nE_Object::GetWorldMatrix()
{
    nE_Matrix parentWorld;
    if (m_parent) parentWorld = m_parent->GetWorldMatrix();
    ComposeMatrix(m_lastWorld, parentWorld, 0);
    return m_lastWorld;
}

bool nE_Object::Intersects(nE_Object* other)
{
    if (!other) return false;
    nE_Matrix mine = GetWorldMatrix();
    nE_Matrix theirs = other->GetWorldMatrix();
    return nE_TransformedRectsOverlap(m_inputRect, &mine, other->m_inputRect, &theirs);
}

void nE_Object::SetDragPos(float x, float y, float z)
{
    if (this != g_draggedObject) return;
    m_dragX = x;
    m_dragY = y;
    m_dragZ = z;
}

// ---- tweens ----

void nE_Object::Animate(int kind, bool loop, bool relative, const std::string& trigger, const float* values,
                        unsigned count)
{
    nE_TweenEntry entry;
    entry.kind = static_cast<uint32_t>(kind);
    entry.relative = relative;
    entry.tween = nE_MakeTween(kind, loop, trigger, m_name, values, count, PostTweenEnd);
    AddTween(std::move(entry));
}

void nE_Object::AddTween(nE_TweenEntry entry)
{
    if (!entry.tween) return;
    if (!entry.tween->HasPoster()) entry.tween->SetPoster(PostTweenEnd);
    StopAnimate(static_cast<int>(entry.kind));
    m_tweens.push_back(std::move(entry));
}

void nE_Object::StopAnimate(int kind)
{
    for (auto it = m_tweens.begin(); it != m_tweens.end(); ++it)
    {
        if (it->kind == static_cast<uint32_t>(kind))
        {
            m_tweens.erase(it);
            return;
        }
    }
}

void nE_Object::Update(const nE_TimeStep* step)
{
    // Most objects never tween: leave their neutral animation fields alone.
    if (m_tweens.empty() && !m_animApplied) return;
    m_animState = nE_RenderState();
    m_animAngle = 0.0f;
    m_animScaleX = m_animScaleY = 1.0f;
    m_animX = m_animY = m_animZ = 0.0f;
    m_animApplied = !m_tweens.empty();
    float dt = step ? step->step : 0.0f;
    for (nE_TweenEntry& entry : m_tweens)
    {
        // A tween born empty has no values to give.
        if (entry.tween->IsFinished()) continue;
        float c1 = 0.0f, c2 = 0.0f, c3 = 0.0f;
        entry.tween->Update(dt, &c1, &c2, &c3);
        ApplyTween(entry, c1, c2, c3);
    }
    m_tweens.erase(std::remove_if(m_tweens.begin(), m_tweens.end(),
                                  [](const nE_TweenEntry& e) { return e.tween->IsFinished(); }),
                   m_tweens.end());
}

void nE_Object::ApplyTween(const nE_TweenEntry& entry, float c1, float c2, float c3)
{
    nE_RenderState& a = m_animState;
    if (entry.relative)
    {
        switch (entry.kind)
        {
        case NE_TWEEN_X:
            m_animX += c1;
            break;
        case NE_TWEEN_Y:
            m_animY += c1;
            break;
        case NE_TWEEN_Z:
            m_animZ += c1;
            break;
        case NE_TWEEN_XY:
            m_animX += c1, m_animY += c2;
            break;
        case NE_TWEEN_SCALE_X:
            m_animScaleX *= c1;
            break;
        case NE_TWEEN_SCALE_Y:
            m_animScaleY *= c1;
            break;
        case NE_TWEEN_SCALE_XY:
            m_animScaleX *= c1, m_animScaleY *= c2;
            break;
        case NE_TWEEN_ANGLE:
            m_animAngle += c1;
            break;
        case NE_TWEEN_ALPHA:
            a.alpha *= c1;
            break;
        case NE_TWEEN_COLOR_R:
            a.r *= c1;
            break;
        case NE_TWEEN_COLOR_G:
            a.g *= c1;
            break;
        case NE_TWEEN_COLOR_B:
            a.b *= c1;
            break;
        case NE_TWEEN_COLOR_RGB:
            a.r *= c1, a.g *= c2, a.b *= c3;
            break;
        case NE_TWEEN_TILE_X:
            a.tileX *= c1;
            break;
        case NE_TWEEN_TILE_Y:
            a.tileY *= c1;
            break;
        default:
            break;
        }
        return;
    }
    switch (entry.kind)
    {
    case NE_TWEEN_X:
        m_x = c1;
        break;
    case NE_TWEEN_Y:
        m_y = c1;
        break;
    case NE_TWEEN_Z:
        SetZ(c1);
        break;
    case NE_TWEEN_XY:
        m_x = c1, m_y = c2;
        break;
    case NE_TWEEN_SCALE_X:
        m_scaleX = c1;
        break;
    case NE_TWEEN_SCALE_Y:
        m_scaleY = c1;
        break;
    case NE_TWEEN_SCALE_XY:
        m_scaleX = c1, m_scaleY = c2;
        break;
    case NE_TWEEN_ANGLE:
        m_angle = c1;
        break;
    case NE_TWEEN_ALPHA:
        m_state.alpha = Clamp01(c1);
        break;
    case NE_TWEEN_COLOR_R:
        m_state.r = Clamp01(c1);
        break;
    case NE_TWEEN_COLOR_G:
        m_state.g = Clamp01(c1);
        break;
    case NE_TWEEN_COLOR_B:
        m_state.b = Clamp01(c1);
        break;
    case NE_TWEEN_COLOR_RGB:
        m_state.r = Clamp01(c1), m_state.g = Clamp01(c2), m_state.b = Clamp01(c3);
        break;
    case NE_TWEEN_TILE_X:
        m_state.tileX = c1;
        break;
    case NE_TWEEN_TILE_Y:
        m_state.tileY = c1;
        break;
    default:
        break;
    }
}
