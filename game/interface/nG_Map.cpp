#include "game/interface/nG_Map.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_MapPopup.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
const char* const kModule = "assets/interface/map/module";
const float kRate = 2.0f;

void ScreenClosed(bool value)
{
    nG_MsgBool closed;
    closed.value = value;
    nE_Send<NG_MSG_SCREEN_CLOSED>(closed);
}

nE_ObjectHandle AddCloseButton(nE_Object* map, const std::string& name, const std::string& normal,
                               const std::string& hover, int cursor, float x, float y)
{
    auto owned = std::make_unique<nG_InterfButton>(name);
    nG_InterfButton* button = owned.get();
    nG_BuildButton(button, normal, hover, "", cursor, "", "", 20, nullptr, nullptr, nullptr, nullptr, false);
    button->pressId = nG_ButtonMsg<NG_MSG_CLOSE_MAP>();
    button->hoverId = nG_ButtonMsg<NG_MSG_MAP_CLOSE_HOVER>();
    button->leaveId = nG_ButtonMsg<NG_MSG_MAP_CLOSE_LEAVE>();
    button->SetPos(x, y);
    button->SetZ(20);
    return nE_ObjectHandle(nG_Attach(map, std::move(owned)));
}
} // namespace

nG_Map::nG_Map(const std::string& name) : nE_Object(name)
{
    auto popup = std::make_unique<nG_MapPopup>(name + "_popup");
    popup->SetZ(1000);
    m_popup = nE_ObjectHandle(nG_Attach(this, std::move(popup)));
    if (g_scene)
        m_hub = nE_ObjectHandle(nG_Attach(g_scene->GetStorage(), std::make_unique<nE_Object>(name + "_hub")));

    m_close = AddCloseButton(this, name + "_close_btn", "assets/interface/map/btn_close",
                             "assets/interface/map/btn_close_light", 4, 932, 54);
    if (nE_Object* close = m_close.Get()) close->SetInputRect(nE_Rect{-40, -45, 80, 70});
    m_closeBottom = AddCloseButton(this, name + "_close_btn_bottom", "", "assets/levels/common/gr_bottom_focus", 6,
                                   512, 728);
    // The bottom button has no normal image: its hover image is the first layer.
    if (nE_Object* bottom = m_closeBottom.Get())
        for (int i = 0; i < 3; ++i)
            if (nE_Object* layer = bottom->FindChild(bottom->GetName() + "_layer_" + std::to_string(i), false))
            {
                layer->GetRenderState().blendMode = 2;
                break;
            }

    nE_LoadModule(kModule);
    nE_Object* content = nG_FindObject("map");
    if (content && m_hub.Get())
    {
        content->SetZ(10);
        nG_Move(m_hub.Get(), content);
        m_content = content->GetHandle();
    }
    else
        nE_LogFmt("Error: the map module \"%s\" has no object \"map\".", std::string(kModule));
    if (g_mediator)
        for (int id : {NG_MSG_CLOSE_MAP, NG_MSG_MAP_POPUP, NG_MSG_MAP_CLOSE_HOVER, NG_MSG_MAP_CLOSE_LEAVE})
            g_mediator->Subscribe(this, id);
    Post("map_init");
    SetActive(false);
    SetVisible(false);
    SetInput(false);
}

// The hub lives in storage, outside the map's tree: it goes with the map.
nG_Map::~nG_Map()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
    delete m_hub.Get();
}

nG_MapPopup* nG_Map::GetPopup() const
{
    return static_cast<nG_MapPopup*>(m_popup.Get());
}

void nG_Map::Post(const char* call)
{
    if (g_triggerManager) g_triggerManager->Post(m_name, call);
}

void nG_Map::Layout()
{
    if (nE_Object* close = m_close.Get()) close->SetX(932 + (nG_AppWidth() - 1024) / 2);
}

void nG_Map::LoadResources()
{
    nE_Object::LoadResources();
    Layout();
}

void nG_Map::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    Layout();
}

void nG_Map::OnMessage(int id, void* /*record*/)
{
    switch (id)
    {
    case NG_MSG_CLOSE_MAP:
        SetOpen(m_state == 0 ? 1 : 0);
        break;
    case NG_MSG_MAP_CLOSE_HOVER:
        if (m_hover) break;
        m_hover = true;
        nG_PlaySfx("assets/levels/common/audio/ad_menu_focus");
        break;
    case NG_MSG_MAP_CLOSE_LEAVE:
        m_hover = false;
        break;
    default:
        break;
    }
}

void nG_Map::SetOpen(int state)
{
    m_state = state;
    if (state == 0)
    {
        nG_PlaySfx("assets/levels/common/audio/ad_open_map");
        Post("map_enter");
        SetActive(true);
        SetVisible(true);
        SetInput(true);
        nG_Move(this, m_content.Get());
        return;
    }
    nG_PlaySfx("assets/levels/common/audio/ad_menu_click");
    SetInput(false);
    Post("map_close");
    ScreenClosed(false);
}

void nG_Map::Update(const nE_TimeStep* step)
{
    const float dt = step ? step->step : 0.0f;
    if (m_state == 0 && m_fade < 1.0f)
    {
        m_fade = std::min(1.0f, m_fade + kRate * dt);
        if (m_fade == 1.0f) ScreenClosed(true);
    }
    else if (m_state == 1 && m_fade > 0.0f)
    {
        m_fade = std::max(0.0f, m_fade - kRate * dt);
        if (m_fade == 0.0f)
        {
            nG_Move(m_hub.Get(), m_content.Get());
            SetVisible(false);
            SetInput(false);
            SetActive(false);
        }
    }
    SetAlpha(m_fade);
}
