#include "game/app/nG_Level.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Tween.h"
#include "engine/platform/nE_Cursor.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/app/nG_CheatHighlight.h"
#include "game/app/nG_ProfileList.h"
#include "game/app/nG_Room.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_Interface.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
const float kDesignWidth = 1024.0f;
const float kDesignHeight = 768.0f;
const float kCentreX = 512.0f;
const float kCentreY = 384.0f;

const int kMessages[] = {
    NG_MSG_SWITCH_ROOM,      NG_MSG_BLOCK_SUBROOM_CLOSE, NG_MSG_PAUSE_LEVEL,       NG_MSG_LEVEL_BLUR,
    NG_MSG_GET_CURRENT_ROOM, NG_MSG_CLOSE_SUBROOM_NOW,   NG_MSG_IS_LEVEL_STARTING, NG_MSG_AUTO_SAVE};

struct CursorConstant
{
    const char* name;
    int index;
};
const CursorConstant kCursors[] = {
    {"CURSOR_NULL", 0}, {"CURSOR_DEFAULT", 1}, {"CURSOR_LOUPE", 2}, {"CURSOR_GET", 3},  {"CURSOR_HAND", 4},
    {"CURSOR_USE", 5},  {"CURSOR_DOWN", 6},    {"CURSOR_UP", 7},    {"CURSOR_LEFT", 8}, {"CURSOR_RIGHT", 9}};
const int kDownCursor = 6;

void SelectCursor(int index)
{
    if (g_cursor) g_cursor->SetCursor(index);
}

// The visible design width; 1024 when nobody answers or the answer is unusable.
float AppWidth()
{
    nG_MsgFloat query;
    query.value = kDesignWidth;
    nE_Send<NG_MSG_GET_APP_WIDTH>(query);
    return std::isfinite(query.value) && query.value >= 1.0f && query.value < 65536.0f ? query.value
                                                                                       : kDesignWidth;
}

// The close button with its full-screen rectangle around its own position: a
// click beside the open subroom closes it, and the pointer there shows the way out.
std::unique_ptr<nG_InterfButton> MakeCloseButton(const std::string& name)
{
    auto owned = std::make_unique<nG_InterfButton>(name);
    nG_InterfButton* button = owned.get();
    nG_BuildButton(button, "", "", "", kDownCursor, "", "", 20, nullptr, nullptr, nullptr, nullptr, false);
    button->pressId = nG_ButtonMsg<NG_MSG_CLOSE_SUBROOM_NOW>();
    button->SetInputRect(nE_Rect(-683.0f, -384.0f, 1366.0f, 768.0f));
    return owned;
}

template <class T> T* As(const nE_ObjectHandle& handle)
{
    return dynamic_cast<T*>(handle.Get());
}

// A room must wait under the hub to be shown; an object of that name
// elsewhere is the usual slip (a module's rooms not attached to the hub).
void WarnNoRoom(const char* function, const std::string& name)
{
    nE_Object* elsewhere = g_scene && !name.empty() ? g_scene->FindObject(name) : nullptr;
    std::string hint = elsewhere ? " (an object of that name exists: attach it with ObjAttach(\"" + name +
                                       "\", \"ng_rooms_hub\"))"
                                 : "";
    nE_WarnOnce(std::string("room:") + function + ":" + name, std::string("Warning: ") + function +
                                                                  ": no room named \"" + name +
                                                                  "\" in ng_rooms_hub" + hint);
}

void SetFadeTween(nE_Object* object, float from, float to, float seconds)
{
    const float keys[] = {0.0f, 3.0f, from, seconds, 3.0f, to};
    object->Animate(NE_TWEEN_ALPHA, false, false, "", keys, 6);
}
} // namespace

nG_Level::nG_Level(const std::string& module, const std::string& startTrigger) : nE_Object("ng_level")
{
    nG_Level::SetDefaults();
    nE_LoadModule(module);
    m_startTrigger = startTrigger;
    if (g_triggerManager) g_triggerManager->Post(m_name, startTrigger);
}

nG_Level::~nG_Level()
{
    if (m_startCounter >= 2 && g_profileList) g_profileList->SaveGame();
    if (g_mediator) g_mediator->UnsubscribeAll(this);
    // The hub lives under the storage root, not under the level, yet its
    // rooms belong to this level.
    delete m_roomsHub.Get();
}

// ---- accessors ----

nG_Room* nG_Level::GetCurrentRoom() const
{
    return As<nG_Room>(m_currentRoom);
}

nG_Room* nG_Level::GetPreviousRoom() const
{
    return As<nG_Room>(m_previousRoom);
}

nG_SubRoom* nG_Level::GetOpenSubRoom() const
{
    return As<nG_SubRoom>(m_openSubRoom);
}

nG_Interface* nG_Level::GetInterface() const
{
    return As<nG_Interface>(m_interface);
}

nE_Sprite* nG_Level::GetBlackCover() const
{
    return As<nE_Sprite>(m_blackCover);
}

nE_Text* nG_Level::GetLoadingText() const
{
    return As<nE_Text>(m_loadingText);
}

nE_Sprite* nG_Level::GetBlurSprite() const
{
    return As<nE_Sprite>(m_blurSprite);
}

nG_CheatHighlight* nG_Level::GetCheatHighlight() const
{
    return As<nG_CheatHighlight>(m_cheatHighlight);
}

// ---- building ----

void nG_Level::SetDefaults()
{
    if (g_mediator)
        for (int id : kMessages)
        {
            g_mediator->Unsubscribe(id, this); // a second call must not listen twice
            g_mediator->Subscribe(this, id);
        }
    PublishScriptGlobals();
    m_currentRoom = m_previousRoom = m_openSubRoom = nE_ObjectHandle();
    m_blockSubRoomClose = false;
    m_autoSave = false;
    m_startCounter = 0;
    m_captureBlur = false;
    m_blurLevel = 0.0f;
    // Built once; a second call must not leave a second set.
    if (!m_innerScene.Get()) BuildFurniture();
}

void nG_Level::PublishScriptGlobals()
{
    nE_EngineContext::Instance();
    lua_State* L = nE_GetLua();
    if (!L) return;
    lua_pushvalue(L, LUA_GLOBALSINDEX);
    lua_createtable(L, 0, 0);
    lua_setfield(L, -2, "ng_global");
    lua_createtable(L, 0, 0);
    lua_setfield(L, -2, "ng_var");
    for (const CursorConstant& c : kCursors)
    {
        lua_pushinteger(L, c.index);
        lua_setfield(L, -2, c.name);
    }
    lua_pop(L, 1);
}

void nG_Level::BuildFurniture()
{
    auto hub = std::make_unique<nE_Object>("ng_rooms_hub");
    auto inner = std::make_unique<nE_Object>("ng_level_internal");
    inner->SetZ(0.0f);
    auto hud = std::make_unique<nG_Interface>();
    hud->SetZ(1.0f);
    m_roomsHub = hub->GetHandle();
    m_innerScene = inner->GetHandle();
    m_interface = hud->GetHandle();

    auto black = std::make_unique<nE_Sprite>("ng_level_black");
    black->SetResourceName("assets/interface/main/black");
    black->SetScale(683.0f, 512.0f);
    black->SetPos(kCentreX, kCentreY);
    black->SetZ(1000.0f);
    black->SetInput(false);
    black->SetAlpha(1.0f);
    // The cover lifts over 0.4 s rather than vanishing in the first tick.
    SetFadeTween(black.get(), 1.0f, 0.0f, 0.4f);
    m_blackCover = nE_ObjectHandle(nE_Attach(this, std::move(black)));

    auto loading = std::make_unique<nE_Text>(m_name + "_loading_text");
    loading->SetResourceName("assets/fonts/times");
    nE_RenderState& colour = loading->GetRenderState();
    colour.r = colour.g = colour.b = 1.0f;
    loading->SetInput(false);
    loading->SetMaxWidth(950);
    loading->SetFontSize(30);
    loading->SetText("interface_game_loading", "", "", "", "", "");
    loading->SetPos(kCentreX, kCentreY);
    loading->SetZ(1001.0f);
    loading->SetAlpha(0.0f);
    m_loadingText = nE_ObjectHandle(nE_Attach(this, std::move(loading)));

    auto blur = std::make_unique<nE_Sprite>("ng_level_blur");
    blur->SetPos(kCentreX, kCentreY);
    blur->SetZ(2.0f);
    blur->SetScale(2.0f, 2.0f);
    blur->SetInput(false);
    blur->SetActive(false);
    blur->SetVisible(false);
    m_blurSprite = nE_ObjectHandle(nE_Attach(inner.get(), std::move(blur)));

    std::unique_ptr<nG_InterfButton> close = MakeCloseButton("ng_level_close_sub_btn");
    close->SetPos(kCentreX, kCentreY);
    close->SetZ(0.0f);
    close->SetInput(false);
    m_closeButton = nE_ObjectHandle(nE_Attach(inner.get(), std::move(close)));

    auto highlight = std::make_unique<nG_CheatHighlight>("ng_cheat_highlight");
    m_cheatHighlight = nE_ObjectHandle(nE_Attach(inner.get(), std::move(highlight)));

    nE_Attach(this, std::move(hud));
    nE_Attach(this, std::move(inner));
    // Rooms wait unseen under the storage root; without a scene the level
    // keeps them itself, hidden.
    if (!g_scene) hub->SetVisible(false);
    nE_Attach(g_scene ? g_scene->GetStorage() : this, std::move(hub));
}

// ---- messages ----

void nG_Level::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_SWITCH_ROOM:
        if (const nG_MsgSwitchRoom* msg = nE_MsgAs<NG_MSG_SWITCH_ROOM>(id, record)) OnSwitchRoom(*msg);
        break;
    case NG_MSG_CLOSE_SUBROOM_NOW:
        CloseSubRoom(true);
        break;
    case NG_MSG_BLOCK_SUBROOM_CLOSE:
        if (auto* msg = nE_MsgAs<NG_MSG_BLOCK_SUBROOM_CLOSE>(id, record)) m_blockSubRoomClose = msg->value;
        break;
    case NG_MSG_LEVEL_BLUR:
        if (!record) break;
        m_captureBlur = nE_MsgAs<NG_MSG_LEVEL_BLUR>(id, record)->value;
        if (m_captureBlur) CaptureBlur();
        break;
    case NG_MSG_PAUSE_LEVEL:
        if (record && m_innerScene.Get())
            m_innerScene.Get()->SetActive(!nE_MsgAs<NG_MSG_PAUSE_LEVEL>(id, record)->value);
        break;
    case NG_MSG_AUTO_SAVE:
        if (auto* msg = nE_MsgAs<NG_MSG_AUTO_SAVE>(id, record)) m_autoSave = msg->value;
        break;
    case NG_MSG_GET_CURRENT_ROOM:
        if (record)
        {
            nE_Object* sub = GetOpenSubRoom();
            nE_MsgAs<NG_MSG_GET_CURRENT_ROOM>(id, record)->object = sub ? sub : GetCurrentRoom();
        }
        break;
    case NG_MSG_IS_LEVEL_STARTING:
        if (auto* msg = nE_MsgAs<NG_MSG_IS_LEVEL_STARTING>(id, record)) msg->value = m_startCounter < 2;
        break;
    default:
        break;
    }
}

void nG_Level::OnSwitchRoom(const nG_MsgSwitchRoom& msg)
{
    if (!msg.subroom)
        SwitchToRoom(msg.room, msg.animated);
    else if (!msg.close)
        OpenSubRoom(msg.room, msg.startX, msg.startY, msg.endX, msg.endY, msg.animated);
    else
        CloseSubRoom(msg.animated);
}

// ---- rooms ----

void nG_Level::SetHighlightTarget(nE_Object* target)
{
    if (nG_CheatHighlight* highlight = GetCheatHighlight()) highlight->SetTarget(target);
}

void nG_Level::AutoSave()
{
    if (m_autoSave && g_profileList) g_profileList->SaveGame();
}

void nG_Level::SwitchToRoom(const std::string& name, bool animated)
{
    nE_Object* hub = GetRoomsHub();
    nG_Room* room = hub ? dynamic_cast<nG_Room*>(hub->FindChild(name, false)) : nullptr;
    if (!room) WarnNoRoom("SwitchRoom", name);
    if (room)
    {
        nE_ObjectHandle target = room->GetHandle();
        if (nG_Room* current = GetCurrentRoom())
        {
            nG_Room* previous = GetPreviousRoom();
            if (previous && previous != current) nE_MoveObject(hub, previous);
            m_previousRoom = current->GetHandle();
            current->SetZ(0.0f);
            // A room under an open subroom was switched off; it must run to
            // close, or it would stay half-shown for good.
            current->SetActive(true);
            current->Close(animated);
        }
        nG_SubRoom* sub = GetOpenSubRoom();
        if (sub && !m_blockSubRoomClose && sub->GetRoomState() == NG_ROOM_OPEN)
        {
            sub->Close(false);
            OnSubRoomClosed();
        }
        // Trigger code above may have deleted the room.
        room = As<nG_Room>(target);
        if (room)
        {
            m_currentRoom = target;
            // Re-opening the room in view: it is not closing any more.
            if (m_previousRoom.Get() == room) m_previousRoom = nE_ObjectHandle();
            nE_MoveObject(GetInnerScene(), room);
            room->SetZ(1.0f);
            room->Open(animated);
            if (animated) SetInput(false);
            SetHighlightTarget(GetCurrentRoom());
        }
    }
    AutoSave();
}

void nG_Level::OpenSubRoom(const std::string& name, int32_t startX, int32_t startY, int32_t endX,
                           int32_t endY, bool animated)
{
    nG_SubRoom* open = GetOpenSubRoom();
    // The open subroom has left the rooms hub: asking for it again changes nothing.
    if (open && open->GetName() == name) return;
    nE_Object* hub = GetRoomsHub();
    nG_SubRoom* sub = hub ? dynamic_cast<nG_SubRoom*>(hub->FindChild(name, false)) : nullptr;
    if (!sub)
    {
        WarnNoRoom("OpenSubRoom", name);
        return;
    }
    nE_ObjectHandle target = sub->GetHandle();
    // Only one subroom shows at a time: the one in view goes at once, when it may.
    if (open)
    {
        if (m_blockSubRoomClose || open->GetRoomState() != NG_ROOM_OPEN)
        {
            nE_LogFmt2("Warning: subroom %s is not opened: subroom %s cannot close now.", name,
                       open->GetName());
            return;
        }
        open->Close(false);
        OnSubRoomClosed();
    }
    sub = As<nG_SubRoom>(target);
    if (!sub) return;
    m_openSubRoom = target;
    nE_MoveObject(GetInnerScene(), sub);
    sub->SetZ(4.0f);
    sub->OpenFrom(static_cast<uint32_t>(startX), static_cast<uint32_t>(startY), static_cast<uint32_t>(endX),
                  static_cast<uint32_t>(endY), animated);
    if (nE_Object* close = GetCloseButton())
    {
        close->SetZ(3.0f);
        close->SetInput(true);
    }
    if (nG_Room* current = GetCurrentRoom())
    {
        current->SetInput(false);
        current->SetActive(false);
        m_captureBlur = true;
        CaptureBlur();
    }
    if (animated) SetInput(false);
    SetHighlightTarget(GetOpenSubRoom());
}

void nG_Level::CloseSubRoom(bool animated)
{
    nG_SubRoom* sub = GetOpenSubRoom();
    if (!sub || m_blockSubRoomClose || sub->GetRoomState() != NG_ROOM_OPEN) return;
    sub->Close(animated);
    if (animated)
        m_captureBlur = false;
    else
        OnSubRoomClosed();
    SetHighlightTarget(GetCurrentRoom());
}

void nG_Level::OnSubRoomClosed()
{
    m_blurLevel = 0.0f;
    m_captureBlur = false;
    if (nE_Sprite* blur = GetBlurSprite())
    {
        blur->SetAlpha(0.0f);
        blur->SetVisible(false);
    }
    if (nG_Room* current = GetCurrentRoom())
    {
        current->SetInput(true);
        current->SetActive(true);
    }
    if (nE_Object* close = GetCloseButton())
    {
        close->SetInput(false);
        close->SetZ(-1.0f);
    }
    if (nG_SubRoom* sub = GetOpenSubRoom()) nE_MoveObject(GetRoomsHub(), sub);
    m_openSubRoom = nE_ObjectHandle();
    SelectCursor(1);
}

void nG_Level::CaptureBlur()
{
    float width = AppWidth();
    nE_Sprite* blur = GetBlurSprite();
    if (blur) blur->SetVisible(true);
    nE_Render* render = g_currentRender;
    nG_Room* room = GetCurrentRoom();
    if (!render || !room) return;
    nE_RenderState state;
    nE_Matrix::BuildObjectTransform(state.matrix, (width - kDesignWidth) * 0.5f, 0.0f, 0.0f, 1.0f, 1.0f);
    render->BeginRenderTarget(static_cast<unsigned>(width), static_cast<unsigned>(kDesignHeight));
    room->DrawTree(render, state);
    std::shared_ptr<nE_Texture> picture = render->EndRenderTarget();
    std::shared_ptr<nE_Texture> blurred = render->BlurTexture(picture, static_cast<int>(width / 2.0f),
                                                              static_cast<int>(kDesignHeight / 2.0f), 1.0f);
    // The room's draw may run script code that removes the sprite.
    blur = GetBlurSprite();
    if (blurred && blur) blur->SetTexture(blurred);
}

// ---- per tick ----

void nG_Level::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    if (m_captureBlur) CaptureBlur();
}

void nG_Level::UpdateRooms()
{
    nG_Room* previous = GetPreviousRoom();
    if (previous && previous->GetRoomState() == NG_ROOM_CLOSED)
    {
        nE_MoveObject(GetRoomsHub(), previous);
        m_previousRoom = nE_ObjectHandle();
    }
    nG_SubRoom* sub = GetOpenSubRoom();
    if (sub && sub->GetRoomState() == NG_ROOM_CLOSED)
    {
        OnSubRoomClosed();
        sub = nullptr;
    }
    nG_Room* current = GetCurrentRoom();
    bool settled =
        sub ? sub->GetRoomState() == NG_ROOM_OPEN : current && current->GetRoomState() == NG_ROOM_OPEN;
    if (settled && !IsInput()) SetInput(true);
}

void nG_Level::UpdateBlur(float step)
{
    nE_Sprite* blur = GetBlurSprite();
    if (m_captureBlur && m_blurLevel < NG_LEVEL_MAX_BLUR)
        m_blurLevel = std::min(m_blurLevel + step, NG_LEVEL_MAX_BLUR);
    else if (!m_captureBlur && m_blurLevel > 0.0f)
    {
        m_blurLevel = std::max(m_blurLevel - step, 0.0f);
        if (m_blurLevel == 0.0f && blur) blur->SetVisible(false);
    }
    else
        return;
    if (blur) blur->SetAlpha(m_blurLevel / NG_LEVEL_MAX_BLUR);
}

void nG_Level::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    nE_Sprite* black = GetBlackCover();
    if (black && black->GetTweenCount() == 0)
    {
        black->SetVisible(false);
        black->SetActive(false);
    }
    UpdateRooms();
    UpdateBlur(step ? step->step : 0.0f);
    // A level made by SwitchLevel in the middle of a tick is walked once before its
    // start call runs: the start has not happened yet.
    if (m_startCounter == 0 && g_triggerManager && g_triggerManager->HasQueuedCallFrom(m_name)) return;
    // The start trigger ran in this tick's trigger step, before this walk.
    if (m_startCounter == 0 && !GetCurrentRoom() && !GetOpenSubRoom())
        nE_Log("Warning: no room is shown after the start trigger \"" + m_startTrigger +
               "\": the screen stays black until a script calls SwitchRoom");
    if (m_startCounter < 2) ++m_startCounter;
}

// ---- developer keys ----

bool nG_Level::HandleInput(const nE_InputEvent* event, nE_Object*, const nE_RenderState&)
{
    if (!event || event->kind != NE_INPUT_KEYDOWN || !nG_IsCheatMode()) return true;
    uint32_t key = event->key;
    uint32_t upper = key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key;
    switch (upper)
    {
    case 13:
        nE_Send<NG_MSG_CHEAT_COLLECT_RANDOM_TASK>();
        break;
    case 9:
        nE_Send<NG_MSG_CHEAT_HIGHLIGHT>();
        break;
    case 'H':
        nE_Send<NG_MSG_CHEAT_HINT>();
        break;
    case 'S':
        nE_Send<NG_MSG_CHEAT_SKIP>();
        break;
    case 32:
        nE_Send<NG_MSG_CHEAT_COLLECT_TASKS>();
        break;
    default:
    {
        char call[64];
        std::snprintf(call, sizeof(call), "ng_cheatkeypressed(%d)", static_cast<int>(key));
        if (g_triggerManager) g_triggerManager->Call("", call);
        break;
    }
    }
    return true;
}
