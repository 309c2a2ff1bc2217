#include "game/interface/nG_InventoryObject.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_WidgetUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
const float kHalfWindow = 288.0f;

bool InSlot(int state)
{
    return state == nG_InventoryObj::RESTING || state == nG_InventoryObj::HOVER_IN ||
           state == nG_InventoryObj::HOVERED || state == nG_InventoryObj::HOVER_OUT;
}

float Clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}
} // namespace

nG_InventoryObj::nG_InventoryObj(const std::string& name, nE_Object* sceneObject)
{
    m_sceneObject = sceneObject ? sceneObject->GetHandle() : nE_ObjectHandle();
    m_name = name;
    nG_InventoryObj::SetDefaults();
}

nG_InventoryObj::~nG_InventoryObj()
{
    // Objects still flying in are kept, not deleted: a script may want them.
    for (nG_InvFlight& flight : m_flights)
        if (g_scene) nG_Move(g_scene->GetStorage(), flight.object.Get());
    m_flights.clear();
}

void nG_InventoryObj::SetDefaults()
{
    m_state = CREATED;
    m_timer = 0.0f;
    m_duration = 1.0f;
    slotX = 0.0f;
    slotY = 22.0f;
    count = 1;
    width = 72.0f;
    slideProgress = slideStart = slideTarget = 0.0f;
    if (nE_Object* object = m_sceneObject.Get())
    {
        object->SetZ(1000.0f);
        object->SetInput(true);
    }
    if (m_glow.IsAlive()) return;
    if (nE_Sprite* glow = nG_AddSprite(this, m_name + "_bg ", "assets/interface/inventory_tasks/glow", 1.0f))
    {
        glow->SetAlpha(0.0f);
        glow->SetScale(width / 72.0f, glow->GetScaleY());
        m_glow = glow->GetHandle();
    }
}

void nG_InventoryObj::MoveSceneObject(nE_Object* parent)
{
    nG_Move(parent, m_sceneObject.Get());
}

void nG_InventoryObj::SetState(int state)
{
    m_state = state;
    m_timer = 1.0f;
    m_duration = 1.0f;
    nE_Object* object = m_sceneObject.Get();
    switch (state)
    {
    case RESTING:
        m_timer = 0.0f;
        SetCount();
        if (object) object->SetInput(true);
        MoveSceneObject(this);
        break;
    case APPEARING:
        m_duration = 0.4f;
        SetCount();
        MoveSceneObject(this);
        break;
    case HOVER_IN:
    case HOVER_OUT:
        m_duration = 0.1f;
        break;
    case LIFTING:
        m_duration = 0.4f;
        StartLift();
        break;
    case DRAGGED:
        if (object) object->SetInput(true);
        break;
    case RETURNING:
        StartReturn();
        break;
    case LANDED:
        m_timer = 0.0f;
        MoveSceneObject(this);
        SetState(RESTING);
        break;
    default:
        break;
    }
}

void nG_InventoryObj::StartLift()
{
    nE_Object* object = m_sceneObject.Get();
    if (!object) return;
    // Where it stands in the slot, not where the drag put it.
    nE_Object* dragged = g_draggedObject;
    g_draggedObject = nullptr;
    nE_Matrix world = object->GetWorldMatrix();
    g_draggedObject = dragged;
    m_liftX = world.At(3, 0);
    m_liftY = world.At(3, 1);
    m_liftZ = 0.0f;
    object->SetDragPos(m_liftX, m_liftY, 0.0f);
    nG_SelectCursor(0);
    object->SetInput(false);
    MoveSceneObject(LayerNode());
}

void nG_InventoryObj::StartReturn()
{
    nG_SelectCursor(1);
    nE_Vec3 cursor = nG_CursorPos();
    float dx = cursor.x - m_liftX, dy = cursor.y - m_liftY;
    m_duration = std::sqrt(dx * dx + dy * dy) / 1500.0f + 0.2f;
    // The flight runs in the layer's space: screen pixels must go through the
    // layer's inverse, or a scaled or offset screen makes the item jump.
    nE_Vec3 lift = nG_ScreenToFrame(cursor.x, cursor.y, LayerNode());
    m_liftX = lift.x;
    m_liftY = lift.y;
    if (nE_Object* object = m_sceneObject.Get()) object->SetInput(false);
}

bool nG_InventoryObj::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    if (g_draggedObject || !event) return false;
    nE_ObjectHandle self = GetHandle();
    nE_Object::HandleInput(event, found, state);
    if (!self.IsAlive() || event->kind != NE_INPUT_MOUSEMOVE) return false;
    nE_Object* object = m_sceneObject.Get();
    if (object && found == object && m_state == RESTING && slideStart == slideTarget)
    {
        m_state = HOVER_IN;
        m_timer = 1.0f;
        m_duration = 0.1f;
    }
    else if (found != object && m_state == HOVERED)
    {
        m_state = HOVER_OUT;
        m_timer = 1.0f;
        m_duration = 0.1f;
    }
    return false;
}

void nG_InventoryObj::AddFlight(const std::string& flyName, const std::string& call)
{
    bool restoring = nG_IsLevelStarting();
    if (count == 1) SetState(restoring ? RESTING : APPEARING);
    nE_Object* fly = nG_FindObject(flyName);
    // The held object itself must never fly in and be deleted on landing.
    if (fly == m_sceneObject.Get()) fly = nullptr;
    if (restoring)
    {
        delete fly;
        return;
    }
    nG_InvFlight flight;
    flight.duration = m_duration;
    flight.call = call;
    nE_Object* layer = LayerNode();
    if (fly && layer)
    {
        nE_Vec3 at = nG_PositionIn(fly, layer);
        float dx = at.x - slotX, dy = at.y - slotY;
        flight.duration = std::sqrt(dx * dx + dy * dy) / 900.0f + 0.5f;
        if (count == 1) m_duration = 0.5f * m_duration + flight.duration;
        fly->SetPos(at.x, at.y);
        fly->SetZ(99999.0f);
        fly->SetInput(false);
        nG_Move(layer, fly);
        flight.object = fly->GetHandle();
        flight.startX = at.x;
        flight.startY = at.y;
        flight.startZ = 99999.0f;
    }
    m_flights.push_back(flight);
    // The display shows what has arrived, never what is still on its way.
    SetCount();
}

void nG_InventoryObj::SetCount()
{
    m_shownCount = count - static_cast<int>(m_flights.size());
    nE_Object* object = m_sceneObject.Get();
    if (!object || object->GetTypeName() != "anim") return;
    char function[32];
    std::snprintf(function, sizeof(function), "SetCount%d", m_shownCount);
    static_cast<nE_AnimSprite*>(object)->Play(function, "");
}

void nG_InventoryObj::UpdateState(float dt, Look& look)
{
    (void)dt;
    nE_Object* object = m_sceneObject.Get();
    bool dragged = object && g_draggedObject == object;
    float t = 1.0f - m_timer;
    switch (m_state)
    {
    case APPEARING:
    {
        float remaining = m_duration * m_timer;
        float k = remaining < 0.4f ? 1.0f - remaining / 0.4f : 0.0f;
        look.objectAlpha *= k;
        look.glowAlpha *= k;
        look.objectScale = 0.7f * k;
        look.glowScale = k;
        if (m_timer == 0.0f) SetState(RESTING);
        break;
    }
    case HOVER_IN:
        look.objectScale = 0.7f + 0.1f * t;
        if (m_timer == 0.0f)
        {
            m_state = HOVERED;
            m_timer = m_duration = 1.0f;
        }
        break;
    case HOVERED:
        look.objectScale = 0.8f;
        break;
    case HOVER_OUT:
        look.objectScale = 0.7f + 0.1f * m_timer;
        if (m_timer == 0.0f) SetState(RESTING);
        break;
    case LIFTING:
    case DRAGGED:
    {
        nE_Vec3 cursor = nG_CursorPos();
        if (m_state == LIFTING)
        {
            if (object)
                object->SetDragPos(nG_EaseLerp(m_liftX, cursor.x, t), nG_EaseLerp(m_liftY, cursor.y, t), 0);
            look.objectScale = 0.8f + 0.2f * t;
            look.glowAlpha = 1.0f - t;
        }
        else
        {
            look.objectScale = 1.0f;
            look.glowAlpha = 0.0f;
        }
        if (!dragged)
        {
            nE_Vec3 at = nG_ScreenToFrame(cursor.x, cursor.y, LayerNode());
            look.x = at.x;
            look.y = at.y;
            SetState(RETURNING);
        }
        else if (m_state == LIFTING && m_timer == 0.0f)
        {
            m_state = DRAGGED;
            m_timer = m_duration = 1.0f;
            if (object) object->SetInput(true);
        }
        break;
    }
    case RETURNING:
    {
        nE_Vec3 target = nG_ThroughLocal(Bar(), slotX, slotY);
        float e = nG_Ease(t);
        look.x = nG_EaseLerp(m_liftX, target.x, e);
        look.y = m_liftY + (target.y - m_liftY) * e;
        look.objectScale = 1.0f - 0.3f * t;
        look.glowAlpha = Clamp01(4.0f * t - 3.0f);
        if (m_timer == 0.0f)
        {
            look.x = slotX;
            look.y = slotY;
            SetState(LANDED);
        }
        break;
    }
    default:
        break;
    }
}

void nG_InventoryObj::UpdateSlide(float dt, Look& look)
{
    if (slideProgress <= 0.0f || slideStart == slideTarget) return;
    slideProgress = std::max(0.0f, slideProgress - 2.5f * dt);
    float x = nG_EaseLerp(slideStart, slideTarget, 1.0f - slideProgress);
    float k = 1.0f;
    if (slideTarget < -kHalfWindow || slideStart < -kHalfWindow)
        k = Clamp01(1.0f - ((width / 2 - kHalfWindow) - x) / (0.7f * width));
    if (slideTarget > kHalfWindow || slideStart > kHalfWindow)
        k = Clamp01(1.0f - (x - (kHalfWindow - width / 2)) / (0.7f * width));
    look.objectAlpha *= k;
    look.glowAlpha *= k;
    look.objectScale *= k;
    look.glowScale *= k;
    if (slideProgress == 0.0f) slideStart = slideTarget;
    slotX = x;
    if (InSlot(m_state) || m_state == APPEARING) look.x = x;
}

void nG_InventoryObj::UpdateFlights(float dt)
{
    nE_Object* object = m_sceneObject.Get();
    for (nG_InvFlight& flight : m_flights)
    {
        flight.progress = std::max(0.0f, flight.progress - dt / flight.duration);
        nE_Object* fly = flight.object.Get();
        if (!fly) continue;
        float t = 1.0f - flight.progress, e1 = nG_Ease(t), e2 = nG_Ease(e1);
        nE_Vec3 target = nG_ThroughLocal(Bar(), slotX, slotY);
        fly->SetPos(flight.startX + (target.x - flight.startX) * e2,
                    flight.startY + (target.y - flight.startY) * e1);
        float s = 1.0f;
        if (object && fly->GetTexture() == object->GetTexture())
            s = 1.0f - 0.3f * e1;
        else
        {
            s = t < 0.3f ? 1.0f + 0.5f * t / 0.3f : 1.0f + 0.5f * (1.0f - (t - 0.3f) / 0.7f);
            if (t > 0.7f)
            {
                float f = (1.0f - t) / 0.3f;
                s *= f;
                fly->SetAlpha(f);
            }
        }
        fly->SetScale(s, s);
    }
}

void nG_InventoryObj::LandFlights()
{
    nE_ObjectHandle self = GetHandle();
    for (size_t i = m_flights.size(); i-- > 0;)
    {
        if (i >= m_flights.size() || m_flights[i].progress > 0.0f) continue;
        nG_InvFlight flight = m_flights[i];
        m_flights.erase(m_flights.begin() + static_cast<long>(i));
        delete flight.object.Get();
        if (!self.IsAlive()) return;
        if (g_triggerManager && !flight.call.empty()) g_triggerManager->Post(m_name, flight.call);
        SetCount();
    }
}

void nG_InventoryObj::Update(const nE_TimeStep* step)
{
    float dt = step ? step->step : 0.0f;
    float inside = (slotX >= -kHalfWindow && slotX <= kHalfWindow) ? 1.0f : 0.0f;
    Look look{slotX, slotY, 0.7f, 1.0f, inside, inside};
    if (m_timer > 0.0f) m_timer = std::max(0.0f, m_timer - dt / m_duration);
    nE_Object* object = m_sceneObject.Get();
    if (object && g_draggedObject == object && InSlot(m_state)) SetState(LIFTING);
    UpdateState(dt, look);
    UpdateSlide(dt, look);
    UpdateFlights(dt);
    nE_ObjectHandle self = GetHandle();
    LandFlights();
    if (!self.IsAlive()) return;
    SetInput(look.objectAlpha == 1.0f && InSlot(m_state));
    if ((object = m_sceneObject.Get()))
    {
        object->SetPos(look.x, look.y);
        object->SetAlpha(look.objectAlpha);
        object->SetScale(look.objectScale, look.objectScale);
    }
    if (nE_Object* glow = m_glow.Get())
    {
        glow->SetPos(look.x, look.y);
        glow->SetScale(look.glowScale, look.glowScale);
        glow->SetAlpha(look.glowAlpha);
    }
}
