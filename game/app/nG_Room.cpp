#include "game/app/nG_Room.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Properties.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_TriggerManager.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cmath>
#include <tinyxml.h>

namespace
{
const float kDesignWidth = 1024.0f;
const float kDesignHeight = 768.0f;

// The visible design width; 1024 when nobody answers or the answer is unusable.
float AppWidth()
{
    nG_MsgFloat query;
    query.value = kDesignWidth;
    nE_Send<NG_MSG_GET_APP_WIDTH>(query);
    return std::isfinite(query.value) && query.value >= 1.0f ? query.value : kDesignWidth;
}

// A render-target side: truncated, 0 for anything that is not a positive size.
unsigned ToSize(float v)
{
    return std::isfinite(v) && v >= 1.0f && v < 65536.0f ? static_cast<unsigned>(v) : 0u;
}

bool IsUsable(const nE_Rect& r)
{
    return r.w > 0.0f && r.h > 0.0f;
}

// Zoom points are stored unsigned, but a click in the wide-screen margin left
// of the design space is negative: read the bits back as the signed value.
float Coord(uint32_t v)
{
    return static_cast<float>(static_cast<int32_t>(v));
}
} // namespace

float nG_RoomEase(float a, float b, float t)
{
    const float pi = 3.1415920257568359375f;
    const float halfPi = 1.57079601287841796875f;
    return a + (b - a) * (1.0f + std::sin(t * pi * 0.5f - halfPi));
}

void nG_RegisterRoomTypes()
{
    nE_RegisterObjectType("room", nG_Room::Create);
    nE_RegisterObjectType("subroom", nG_SubRoom::Create);
}

// ---- nG_Room ----

nE_Object* nG_Room::Create()
{
    return new nG_Room();
}

nG_Room::nG_Room()
{
    m_name = "ng_room";
    ResetRoom();
}

nG_Room::~nG_Room() = default;

void nG_Room::ResetRoom()
{
    m_timer = 0.0f;
    m_state.offsetX = 512.0f;
    m_state.offsetY = 384.0f;
    m_drawn = true;
    SetRoomState(NG_ROOM_CLOSED);
}

// The object base's defaults are left alone: they would also cut the link to
// the parent of a room that hangs in a tree.
void nG_Room::SetDefaults()
{
    ResetRoom();
}

std::string nG_Room::GetTypeName() const
{
    return "room";
}

const nE_PropertyTable<nG_Room>& nG_Room::Properties()
{
    static const nE_PropertyTable<nG_Room> table = {
        {"trg_open", NE_PROPERTY_AT(m_trgOpen)},
        {"trg_close", NE_PROPERTY_AT(m_trgClose)},
        {"trg_preopen", NE_PROPERTY_AT(m_trgPreopen)},
        {"trg_preclose", NE_PROPERTY_AT(m_trgPreclose)},
    };
    return table;
}

void nG_Room::Load(nE_SLHelper& sl)
{
    nG_RoomBase::Load(sl);
    nE_LoadProperties(sl, Properties(), *this);
}

void nG_Room::Save(nE_SLHelper& sl)
{
    nG_RoomBase::Save(sl);
    nE_SaveProperties(sl, Properties(), *this);
}

void nG_Room::FindTextInTriggers(TiXmlElement* report, const std::string& text, bool recursive)
{
    FindText(report, text, recursive);
    if (!report) return;
    const std::string* texts[] = {&m_trgOpen, &m_trgClose, &m_trgPreopen, &m_trgPreclose};
    for (const std::string* trigger : texts)
    {
        if (trigger->find(text) == std::string::npos) continue;
        TiXmlElement hit(m_name.c_str());
        hit.SetAttribute("place", "event");
        report->InsertEndChild(hit);
    }
}

void nG_Room::CallTrigger(const std::string& text) const
{
    if (g_triggerManager) g_triggerManager->Call(m_name, text);
}

void nG_Room::PostTrigger(const std::string& text) const
{
    if (g_triggerManager) g_triggerManager->Post(m_name, text);
}

void nG_Room::SetRoomState(int state)
{
    switch (state)
    {
    case NG_ROOM_CLOSED:
        PostTrigger(m_trgClose);
        SetAlpha(0.0f);
        m_childrenUpdate = false;
        m_input = false;
        break;
    case NG_ROOM_OPENING:
        m_timer = 0.0f;
        m_input = false;
        break;
    case NG_ROOM_OPEN:
        PostTrigger(m_trgOpen);
        m_input = true;
        m_childrenUpdate = true;
        m_snapshot.reset();
        SetAlpha(1.0f);
        break;
    case NG_ROOM_CLOSING:
        m_childrenUpdate = false;
        m_timer = 0.0f;
        m_input = false;
        break;
    default:
        return;
    }
    m_roomState = state;
}

void nG_Room::Open(bool animated)
{
    nE_ObjectHandle self = GetHandle();
    CallTrigger(m_trgPreopen);
    // The trigger's Lua may have deleted the room.
    if (!self.IsAlive()) return;
    if (!animated)
    {
        m_drawn = false;
        SetRoomState(NG_ROOM_OPEN);
        return;
    }
    SetAlpha(1.0f);
    RenderSnapshot();
    SetAlpha(0.0f);
    // Rendering the snapshot is not a frame on screen: the fade waits for one.
    m_drawn = false;
    SetRoomState(NG_ROOM_OPENING);
}

void nG_Room::Close(bool animated)
{
    nE_ObjectHandle self = GetHandle();
    CallTrigger(m_trgPreclose);
    if (!self.IsAlive()) return;
    SetRoomState(animated ? NG_ROOM_CLOSING : NG_ROOM_CLOSED);
}

void nG_Room::Update(const nE_TimeStep* step)
{
    if (!m_drawn) return;
    nG_RoomBase::Update(step);
    if (m_roomState != NG_ROOM_OPENING && m_roomState != NG_ROOM_CLOSING) return;
    float dt = step ? step->step : 0.0f;
    m_timer = std::min(m_timer + dt, NG_ROOM_TRANSITION_TIME);
    if (m_timer < NG_ROOM_TRANSITION_TIME) return;
    SetRoomState(m_roomState == NG_ROOM_OPENING ? NG_ROOM_OPEN : NG_ROOM_CLOSED);
}

void nG_Room::DrawPicture(nE_Render* render, const nE_RenderState& state, bool snapshot)
{
    if (snapshot && m_snapshot)
    {
        if (render) render->DrawTexture(m_snapshot, state);
    }
    else
        nG_RoomBase::Draw(render, state);
    m_drawn = true;
}

void nG_Room::Draw(nE_Render* render, const nE_RenderState& state)
{
    bool fading = m_roomState == NG_ROOM_OPENING && m_snapshot;
    nE_RenderState faded = state;
    if (fading) faded.alpha = m_timer / NG_ROOM_TRANSITION_TIME;
    DrawPicture(render, faded, fading);
}

std::shared_ptr<nE_Texture> nG_Room::RenderTree(unsigned width, unsigned height, const nE_RenderState& state)
{
    nE_Render* render = g_currentRender;
    if (!render || width == 0 || height == 0) return nullptr;
    render->BeginRenderTarget(width, height);
    DrawTree(render, state);
    return render->EndRenderTarget();
}

void nG_Room::RenderSnapshot()
{
    m_snapshot.reset();
    float width = AppWidth();
    // A room without an input rectangle is taken as full height.
    float height = m_inputRect.h >= 1.0f ? m_inputRect.h : kDesignHeight;
    nE_RenderState state;
    nE_Matrix::BuildObjectTransform(state.matrix, (width - kDesignWidth) * 0.5f, 0.0f, 0.0f, 1.0f, 1.0f);
    m_snapshot = RenderTree(ToSize(width), ToSize(height), state);
}

// ---- nG_SubRoom ----

nE_Object* nG_SubRoom::Create()
{
    return new nG_SubRoom();
}

nG_SubRoom::nG_SubRoom()
{
    m_name = "ng_subroom";
    m_state.offsetX = 0.0f;
    m_state.offsetY = 0.0f;
}

nG_SubRoom::~nG_SubRoom() = default;

void nG_SubRoom::SetDefaults()
{
    nG_Room::SetDefaults();
    m_state.offsetX = 0.0f;
    m_state.offsetY = 0.0f;
    nE_ResetProperties(Properties(), *this);
}

std::string nG_SubRoom::GetTypeName() const
{
    return "subroom";
}

const nE_PropertyTable<nG_SubRoom>& nG_SubRoom::Properties()
{
    using P = nE_Property<nG_SubRoom>;
    static const nE_PropertyTable<nG_SubRoom> table = {
        P("start_x", NE_PROPERTY_AT(m_startX)).Reset(0u),
        P("start_y", NE_PROPERTY_AT(m_startY)).Reset(0u),
        P("end_x", NE_PROPERTY_AT(m_endX)).Reset(0u),
        P("end_y", NE_PROPERTY_AT(m_endY)).Reset(0u),
    };
    return table;
}

void nG_SubRoom::Load(nE_SLHelper& sl)
{
    nG_Room::Load(sl);
    nE_LoadProperties(sl, Properties(), *this);
}

void nG_SubRoom::Save(nE_SLHelper& sl)
{
    nG_Room::Save(sl);
    nE_SaveProperties(sl, Properties(), *this);
}

// The picture's frame is where the subroom takes clicks.
void nG_SubRoom::LoadResources()
{
    nG_Room::LoadResources();
    if (!GetTexture()) return;
    nE_Rect frame = GetLocalRect();
    if (IsUsable(frame)) SetInputRect(frame);
}

void nG_SubRoom::FollowFrame()
{
    nE_Send<NG_MSG_SUBROOM_FRAME_FOLLOW>(*this);
}

void nG_SubRoom::SetRoomState(int state)
{
    nG_Room::SetRoomState(state);
    if (m_roomState != state) return;
    switch (state)
    {
    case NG_ROOM_CLOSED:
        SetPos(Coord(m_endX), Coord(m_endY));
        SetScale(0.0f, 0.0f);
        SetAlpha(0.0f);
        FollowFrame();
        m_snapshot.reset();
        break;
    case NG_ROOM_OPENING:
    case NG_ROOM_CLOSING:
        // Only the snapshot shows during the zoom.
        m_childrenDraw = false;
        break;
    case NG_ROOM_OPEN:
        m_childrenDraw = true;
        SetPos(Coord(m_endX), Coord(m_endY));
        SetScale(1.0f, 1.0f);
        SetAlpha(1.0f);
        FollowFrame();
        break;
    default:
        break;
    }
}

void nG_SubRoom::OpenFrom(uint32_t startX, uint32_t startY, uint32_t endX, uint32_t endY, bool animated)
{
    if (startX || startY || endX || endY)
    {
        m_startX = startX;
        m_startY = startY;
        m_endX = endX;
        m_endY = endY;
    }
    nE_ObjectHandle self = GetHandle();
    Open(animated);
    if (!self.IsAlive()) return;
    nE_Rect rect = GetLocalRect();
    nE_Send<NG_MSG_SUBROOM_FRAME_LAYOUT>(rect);
}

void nG_SubRoom::Close(bool animated)
{
    if (animated && m_roomState != NG_ROOM_CLOSING) RenderSnapshot();
    nG_Room::Close(animated);
}

void nG_SubRoom::Update(const nE_TimeStep* step)
{
    nG_Room::Update(step);
    float t = 0.0f;
    if (m_roomState == NG_ROOM_OPENING)
        t = m_timer / NG_ROOM_TRANSITION_TIME;
    else if (m_roomState == NG_ROOM_CLOSING)
        t = (NG_ROOM_TRANSITION_TIME - m_timer) / NG_ROOM_TRANSITION_TIME;
    if (t == 0.0f) return;
    SetPos(nG_RoomEase(Coord(m_startX), Coord(m_endX), t), nG_RoomEase(Coord(m_startY), Coord(m_endY), t));
    float s = nG_RoomEase(0.0f, 1.0f, t);
    SetScale(s, s);
    SetAlpha(s);
    FollowFrame();
}

void nG_SubRoom::Draw(nE_Render* render, const nE_RenderState& state)
{
    // The zoom and fade come from the subroom's own position, scale and alpha.
    DrawPicture(render, state, m_roomState == NG_ROOM_OPENING || m_roomState == NG_ROOM_CLOSING);
}

// Renders the subroom at full size with its picture's top left at the target's
// origin, then shrinks it to nothing for the zoom to grow from.
void nG_SubRoom::RenderSnapshot()
{
    m_snapshot.reset();
    nE_Rect frame = GetLocalRect();
    if (!IsUsable(frame)) frame = m_inputRect;
    SetPos(frame.w * 0.5f, frame.h * 0.5f);
    m_childrenDraw = true;
    SetScale(1.0f, 1.0f);
    m_snapshot = RenderTree(ToSize(m_inputRect.w), ToSize(m_inputRect.h), nE_RenderState());
    SetScale(0.0f, 0.0f);
}
