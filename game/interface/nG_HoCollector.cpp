#include "game/interface/nG_HoCollector.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_Tween.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const char* const kEffectType = "partsys";
const char* const kEffectRes = "assets/levels/common/ho_collect_effect";

// Takes the object over without moving it on the screen: its position is
// re-expressed in the collector's space. Answers that position.
nE_Vec3 TakeOver(nE_Object* collector, nE_Object* object)
{
    nE_Vec3 at = nG_PositionIn(object, collector);
    object->SetInput(false);
    nG_Move(collector, object);
    object->SetPos(at.x, at.y);
    return at;
}

// Whether the collector already holds the object (a second collect of it).
bool Holds(nE_Object* collector, nE_Object* object)
{
    return object->GetParent() == collector;
}

// Whether `object` is one of the HUD's collectors or holds one.
bool HoldsACollector(nE_Object* object)
{
    if (dynamic_cast<nG_HoCollector*>(object) || dynamic_cast<nG_Collector*>(object)) return true;
    for (int i = 0; i < object->GetChildCount(); ++i)
        if (HoldsACollector(object->GetChild(i))) return true;
    return false;
}

// A collector, what holds one (the HUD, the level) or a scene root cannot be
// taken: a collector would end up deleting itself or the other. Logs the refusal.
bool Refused(nE_Object* collector, nE_Object* object, const char* call)
{
    bool refused = collector->IsSelfOrAncestor(object) || (g_scene && g_scene->IsRoot(object)) ||
                   HoldsACollector(object);
    if (!refused) return false;
    nE_LogFmt2("Warning: %s(\"%s\") refused: that object holds the HUD's collectors or is a scene root",
               std::string(call), object->GetName());
    return true;
}

void Tween(nE_Object* object, int kind, std::initializer_list<float> keys)
{
    object->Animate(kind, false, false, "", keys.begin(), static_cast<unsigned>(keys.size()));
}
} // namespace

// ---- hidden objects ----

nG_HoCollector::nG_HoCollector(const std::string& name) : nE_Object(name)
{
    if (!g_mediator) return;
    g_mediator->Subscribe(this, NG_MSG_COLLECT_HO_OBJECT);
    g_mediator->Subscribe(this, NG_MSG_COLLECT_HO_TASK_OBJECT);
}

nG_HoCollector::~nG_HoCollector()
{
    for (nG_HoCollectEntry& entry : m_entries)
        if (!entry.keep) delete entry.object.Get();
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_HoCollector::CollectHo(const std::string& name)
{
    nE_Object* object = nG_FindObject(name);
    if (!object || Holds(this, object) || Refused(this, object, "CollectHoObject")) return;
    nE_ObjectHandle handle = object->GetHandle();
    bool starting = nG_IsLevelStarting();
    nG_MsgObjectQuery query;
    query.object = name;
    nE_Send<NG_MSG_HO_OBJECT_COLLECTED>(query);
    object = handle.Get(); // a listener may have deleted it
    if (!object) return;
    if (starting && !query.answer)
    {
        delete object;
        return;
    }
    TakeOver(this, object);
    nG_HoCollectEntry entry;
    entry.object = handle;
    entry.keep = query.answer;
    if (m_effectOn)
    {
        // No particle system kind registered: no effect, the fade still runs.
        if (std::unique_ptr<nE_Object> effect = nE_CreateObject(kEffectType, m_name + "_effect_" + name))
        {
            effect->SetResourceName(kEffectRes);
            // The burst takes the shape of the object it replaces: the object and
            // the effect share the collector's space. An emitter file waits for a
            // start (a scripted effect runs already).
            nE_PsSetMask(effect.get(), object);
            nE_PsStart(effect.get());
            effect->SetZ(1000.0f);
            effect->GetRenderState().blendMode = 2;
            entry.effect = nE_ObjectHandle(nG_Attach(this, std::move(effect)));
        }
    }
    Tween(object, NE_TWEEN_ALPHA, {0.0f, 3, 1.0f, 1.0f, 3, 0.0f, 1.5f, 3, 0.0f});
    m_entries.push_back(entry);
}

void nG_HoCollector::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    for (size_t i = 0; i < m_entries.size();)
    {
        nG_HoCollectEntry& entry = m_entries[i];
        nE_Object* object = entry.object.Get();
        // A kept object taken away (by the hidden-object dialog, as its reward)
        // ends its entry at once: its effect would now sample a mask placed elsewhere.
        const bool taken = entry.keep && object && !Holds(this, object);
        if (object && !taken && object->GetTweenCount() > 0)
        {
            ++i;
            continue;
        }
        nG_HoCollectEntry done = entry;
        m_entries.erase(m_entries.begin() + static_cast<long>(i));
        if (!done.keep) delete done.object.Get();
        delete done.effect.Get();
    }
}

void nG_HoCollector::OnMessage(int id, void* record)
{
    if (const nG_MsgString* object = nE_MsgAs<NG_MSG_COLLECT_HO_OBJECT>(id, record))
        CollectHo(object->value);
    else if (const nG_MsgBool* effect = nE_MsgAs<NG_MSG_COLLECT_HO_TASK_OBJECT>(id, record))
        m_effectOn = effect->value;
}

// ---- flights to the HUD ----

nG_Collector::nG_Collector(const std::string& name) : nE_Object(name)
{
    if (g_mediator) g_mediator->Subscribe(this, NG_MSG_COLLECT_TO_INTERFACE);
}

nG_Collector::~nG_Collector()
{
    for (nE_ObjectHandle& flight : m_flights)
        delete flight.Get();
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_Collector::CollectToInterface(const std::string& name, int targetX, int targetY)
{
    nE_Object* object = nG_FindObject(name);
    if (!object || Holds(this, object) || Refused(this, object, "CollectObjectToInterface")) return;
    nE_ObjectHandle handle = object->GetHandle();
    bool starting = nG_IsLevelStarting();
    if (!(object = handle.Get())) return;
    if (starting)
    {
        delete object;
        return;
    }
    nE_Vec3 start = TakeOver(this, object);
    float tx = static_cast<float>(targetX), ty = static_cast<float>(targetY);
    Tween(object, NE_TWEEN_X, {0.0f, 3, start.x, 1.2f, 3, tx});
    Tween(object, NE_TWEEN_Y, {0.0f, 1, start.y, 1.2f, 1, ty});
    Tween(object, NE_TWEEN_ALPHA, {0.0f, 1, 1.0f, 0.96f, 1, 1.0f, 1.2f, 1, 0.0f});
    const std::initializer_list<float> scale = {0.0f, 1, 1.0f, 0.48f, 1, 1.2f, 0.96f, 1, 1.0f, 1.2f, 1, 0.0f};
    Tween(object, NE_TWEEN_SCALE_X, scale);
    Tween(object, NE_TWEEN_SCALE_Y, scale);
    m_flights.push_back(handle);
}

void nG_Collector::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    for (size_t i = 0; i < m_flights.size();)
    {
        nE_Object* object = m_flights[i].Get();
        if (object && object->GetTweenCount() > 0)
        {
            ++i;
            continue;
        }
        m_flights.erase(m_flights.begin() + static_cast<long>(i));
        delete object;
    }
}

void nG_Collector::OnMessage(int id, void* record)
{
    if (const nG_MsgCollectToInterface* collect = nE_MsgAs<NG_MSG_COLLECT_TO_INTERFACE>(id, record))
        CollectToInterface(collect->object, collect->a, collect->b);
}
