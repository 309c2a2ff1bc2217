#pragma once
// The scene node: every drawable and every game object derives from it. An
// object owns its children (kept in z order) and its tweens, persists its
// properties by name through nE_SLHelper, and runs the three per-frame walks
// (update, input hit search, draw).

#include "engine/core/nE_ChildList.h"
#include "engine/core/nE_Math.h"
#include "engine/core/nE_TimeStep.h"
#include "engine/core/nE_Tween.h"

#include <memory>
#include <string>
#include <vector>

class nE_Object;
class nE_SLHelper;
template <class Owner> class nE_PropertyTable;
class nE_Render;
class nE_Texture;
struct nE_InputEvent;
class TiXmlElement;

// Event texts by index, as the scene fires them.
enum nE_EventIndex
{
    NE_EVENT_MDOWN = 0,
    NE_EVENT_MUP = 1,
    NE_EVENT_MENTER = 2,
    NE_EVENT_MLEAVE = 3,
    NE_EVENT_MENTER_DRAG = 4,
    NE_EVENT_MLEAVE_DRAG = 5,
    NE_EVENT_DRAGDROP = 6,
    NE_EVENT_DRAG = 7,
    NE_EVENT_COUNT = 8
};

// A weak reference to an object: Get() answers null once the object has been
// destroyed. Lua can delete or move objects in the middle of any walk or
// widget call, so code that keeps a pointer across such a call checks it here.
// The token is shared by the object and its handles and counted without
// atomics: objects live on the engine's one thread, and every walk makes a
// handle per child, so this count is on the per-frame path.
struct nE_LifeToken
{
    bool alive = true;
    unsigned refs = 1;
};

class nE_ObjectHandle
{
public:
    nE_ObjectHandle() = default;
    explicit nE_ObjectHandle(const nE_Object* object);
    nE_ObjectHandle(const nE_ObjectHandle& other) : m_object(other.m_object), m_token(other.m_token)
    {
        if (m_token) ++m_token->refs;
    }
    nE_ObjectHandle(nE_ObjectHandle&& other) noexcept : m_object(other.m_object), m_token(other.m_token)
    {
        other.m_object = nullptr;
        other.m_token = nullptr;
    }
    nE_ObjectHandle& operator=(nE_ObjectHandle other) noexcept
    {
        std::swap(m_object, other.m_object);
        std::swap(m_token, other.m_token);
        return *this;
    }
    ~nE_ObjectHandle() { nE_ReleaseLifeToken(m_token); }

    nE_Object* Get() const { return IsAlive() ? m_object : nullptr; }
    bool IsAlive() const { return m_token && m_token->alive; }

    static void nE_ReleaseLifeToken(nE_LifeToken* token)
    {
        if (token && --token->refs == 0) delete token;
    }

private:
    nE_Object* m_object = nullptr;
    nE_LifeToken* m_token = nullptr;
};

class nE_Object
{
public:
    nE_Object();
    explicit nE_Object(const std::string& name);
    nE_Object(const nE_Object&) = delete;
    nE_Object& operator=(const nE_Object&) = delete;

    virtual ~nE_Object();
    virtual std::string GetResourceName() const;
    virtual void SetResourceName(const std::string& name);
    virtual std::shared_ptr<nE_Texture> GetTexture();
    virtual void Load(nE_SLHelper& sl);
    virtual void Save(nE_SLHelper& sl);
    virtual std::string GetTypeName() const;
    virtual nE_Rect GetLocalRect();
    virtual bool HitTest(float x, float y, const nE_RenderState& state);
    virtual void Restore(bool recursive);
    // Appends to `report` one element per place (name, event text, resource)
    // where `text` occurs. Nothing in the program calls the FindText family:
    // it is API kept for content and tools that search a scene.
    virtual void FindText(TiXmlElement* report, const std::string& text, bool recursive);
    virtual void SetDefaults();
    virtual void LoadResources() {}
    virtual void ReleaseResources() {}
    virtual void Update(const nE_TimeStep* step);
    virtual bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state);
    virtual void Draw(nE_Render* render, const nE_RenderState& state);

    // Tree. AddChild takes over a new object (in no tree yet). It refuses
    // null, this object, one of its ancestors and the scene roots; a refused
    // child dies with its unique_ptr. Answers whether the child was taken.
    bool AddChild(std::unique_ptr<nE_Object> child);
    // Moves an object that already hangs in a tree (its parent owns it) under
    // this one; refused as AddChild refuses, and also for an object in no
    // tree, which is left as it is. The raw pointer serves objects that
    // content made and scripts name: the script functions ObjAttach and
    // ObjDetach, a module handing its objects to storage, and the game moving
    // rooms, hidden objects, portraits, videos and modal windows by name.
    bool MoveChild(nE_Object* child);
    // Hands the child back to the caller; null when it is not found.
    std::unique_ptr<nE_Object> RemoveChild(nE_Object* child, bool recursive);
    void DeleteChildren();
    nE_Object* FindChild(const std::string& name, bool recursive) const;
    nE_Object* GetChild(int index) const;
    int GetChildCount() const { return static_cast<int>(m_children.size()); }
    nE_Object* GetParent() const { return m_parent; }
    // Whether `other` is this object or lies above it in the tree.
    bool IsSelfOrAncestor(const nE_Object* other) const;
    nE_Object* GetRoot();

    void LoadResourcesTree();
    void ReleaseResourcesTree();
    bool AreResourcesLoaded() const { return m_resourcesLoaded; }

    // Walks.
    void UpdateTree(const nE_TimeStep* step);
    nE_Object* HandleInputTree(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& parent);
    void DrawTree(nE_Render* render, const nE_RenderState& parent);

    // Transforms. Mode 0 full local transform, 1 without rotation, 2 only the
    // translation, anything else none.
    nE_RenderState& ComposeRenderState(nE_RenderState& out, const nE_RenderState& parent, int mode);
    nE_Matrix GetLocalMatrix();
    nE_Matrix GetWorldMatrix();
    const nE_Matrix& GetLastWorldMatrix() const { return m_lastWorld; }
    bool Intersects(nE_Object* other);

    // Tweens.
    void Animate(int kind, bool loop, bool relative, const std::string& trigger, const float* values,
                 unsigned count);
    void AddTween(nE_TweenEntry entry);
    void StopAnimate(int kind);
    int GetTweenCount() const { return static_cast<int>(m_tweens.size()); }

    // Drag position is kept only while this object is the scene's dragged one.
    void SetDragPos(float x, float y, float z);
    float GetDragX() const { return m_dragX; }
    float GetDragY() const { return m_dragY; }

    nE_ObjectHandle GetHandle() const { return nE_ObjectHandle(this); }

    // Queues event text `index` with this object's name as sender; an empty
    // text posts nothing.
    void PostEvent(int index) const;

    // Properties.
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    std::string GetEventCode(int index) const;
    void SetEventCode(int index, const std::string& text);

    float GetX() const { return m_x; }
    float GetY() const { return m_y; }
    float GetZ() const { return m_z; }
    void SetX(float x) { m_x = x; }
    void SetY(float y) { m_y = y; }
    void SetZ(float z)
    {
        m_z = z;
        MarkZChanged();
    }
    void SetPos(float x, float y)
    {
        m_x = x;
        m_y = y;
    }
    float GetAngle() const { return m_angle; }
    void SetAngle(float angle) { m_angle = angle; }
    float GetScaleX() const { return m_scaleX; }
    float GetScaleY() const { return m_scaleY; }
    void SetScale(float sx, float sy)
    {
        m_scaleX = sx;
        m_scaleY = sy;
    }
    nE_RenderState& GetRenderState() { return m_state; }
    const nE_RenderState& GetRenderState() const { return m_state; }
    float GetAlpha() const { return m_state.alpha; }
    void SetAlpha(float alpha) { m_state.alpha = alpha; }
    unsigned GetAttachType() const { return m_attachType; }
    void SetAttachType(unsigned type) { m_attachType = type; }

    bool IsActive() const { return m_active; }
    bool IsInput() const { return m_input; }
    bool IsVisible() const { return m_visible; }
    bool IsDrag() const { return m_drag; }
    bool IsRealDrag() const { return m_realDrag; }
    void SetActive(bool on) { m_active = on; }
    void SetInput(bool on) { m_input = on; }
    void SetVisible(bool on) { m_visible = on; }
    void SetDrag(bool on) { m_drag = on; }
    void SetRealDrag(bool on) { m_realDrag = on; }
    bool IsChildrenUpdate() const { return m_childrenUpdate; }
    bool IsChildrenInput() const { return m_childrenInput; }
    bool IsChildrenDraw() const { return m_childrenDraw; }
    void SetChildrenUpdate(bool on) { m_childrenUpdate = on; }
    void SetChildrenInput(bool on) { m_childrenInput = on; }
    void SetChildrenDraw(bool on) { m_childrenDraw = on; }

    bool HasInputRect() const { return m_inputRectOn; }
    const nE_Rect& GetInputRect() const { return m_inputRect; }
    void SetInputRect(const nE_Rect& rect)
    {
        m_inputRectOn = true;
        m_inputRect = rect;
    }
    bool HasCropRect() const { return m_cropRectOn; }
    const nE_Rect& GetCropRect() const { return m_cropRect; }
    void SetCropRect(bool on, const nE_Rect& rect)
    {
        m_cropRectOn = on;
        m_cropRect = rect;
    }

protected:
    void SortChildren();
    void MarkZChanged()
    {
        if (m_parent) m_parent->m_childrenSorted = false;
    }
    void ApplyTween(const nE_TweenEntry& entry, float c1, float c2, float c3);

    bool m_resourcesLoaded = false;
    std::string m_resourceName;
    std::string m_name;
    bool m_inputRectOn = false;
    nE_Rect m_inputRect{};
    bool m_cropRectOn = false;
    nE_Rect m_cropRect{};
    bool m_active = true;
    bool m_input = true;
    bool m_visible = true;
    bool m_drag = false;
    bool m_realDrag = false;
    bool m_childrenUpdate = true;
    bool m_childrenInput = true;
    bool m_childrenDraw = true;
    nE_ChildList m_children;
    nE_Object* m_parent = nullptr;
    std::string m_events[NE_EVENT_COUNT];
    std::vector<nE_TweenEntry> m_tweens;
    float m_x = 0.0f, m_y = 0.0f, m_z = 0.0f;
    float m_angle = 0.0f;
    float m_scaleX = 1.0f, m_scaleY = 1.0f;
    nE_RenderState m_state;
    float m_animX = 0.0f, m_animY = 0.0f, m_animZ = 0.0f;
    float m_animAngle = 0.0f;
    float m_animScaleX = 1.0f, m_animScaleY = 1.0f;
    nE_RenderState m_animState;
    bool m_animApplied = false; // the fields above may hold tween values
    float m_dragX = 0.0f, m_dragY = 0.0f, m_dragZ = 0.0f;
    unsigned m_attachType = 0;
    nE_Matrix m_lastWorld;

private:
    // The persisted properties, in the order Load reads and Save writes them.
    static const nE_PropertyTable<nE_Object>& Properties();
    void ComposeMatrix(nE_Matrix& out, const nE_Matrix& parentMatrix, int mode) const;
    void ComposeAttached(nE_Matrix& out, const nE_Matrix& parentMatrix, int mode) const;
    nE_Matrix LocalMatrix(int mode) const;
    std::vector<nE_ObjectHandle> ChildHandles() const;
    void DetachFromParent();
    bool CanTake(const nE_Object* child) const;
    void InsertChild(std::unique_ptr<nE_Object> child);

    friend class nE_ObjectHandle;
    friend class nE_Scene;

    // Alive while the object is; handles watch it.
    nE_LifeToken* m_token;
    // False once a child was added or changed its z, until the next sort.
    bool m_childrenSorted = true;
    // Set by the scene on its two roots, which never become anyone's child.
    bool m_isRoot = false;
};
