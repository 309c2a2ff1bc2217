#include "game/interface/nG_Interface.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Scene.h"
#include "game/interface/nG_BlackBarText.h"
#include "game/interface/nG_BtnCard.h"
#include "game/interface/nG_BtnHint.h"
#include "game/interface/nG_BtnInfo.h"
#include "game/interface/nG_BtnMap.h"
#include "game/interface/nG_BtnMenu.h"
#include "game/interface/nG_CardsScreen.h"
#include "game/interface/nG_CharacterDialog.h"
#include "game/interface/nG_Dialog.h"
#include "game/interface/nG_FrameSubroom.h"
#include "game/interface/nG_HoCollector.h"
#include "game/interface/nG_HoDialog.h"
#include "game/interface/nG_InterfaceBg.h"
#include "game/interface/nG_Inventory.h"
#include "game/interface/nG_Map.h"
#include "game/interface/nG_ModalWindow.h"
#include "game/interface/nG_Popup.h"
#include "game/interface/nG_Tasks.h"
#include "game/interface/nG_VideoFrame.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>

namespace
{
// In registration order, which is also creation order and so the order in
// which widgets sharing a message id receive it. There is no id 23.
nG_InterfaceRow* Rows(size_t* count)
{
    static nG_InterfaceRow rows[] = {
        {6, "INT_BG0", "ng_interface_bg0", 2, nG_InterfaceBg0::Create},
        {14, "INT_BG1", "ng_interface_bg1", 2, nG_InterfaceBg1::Create},
        {16, "INT_BLACKBAR", "ng_black_bar", 2, nG_BlackBarText::Create},
        {20, "INT_BTN_MENU", "ng_int_btn_menu", 2, nG_BtnMenu::Create},
        {24, "INT_MODALWINDOW", "ng_modalwindow", 0, nG_ModalWindow::Create},
        {17, "INT_DIALOG", "ng_dialog", 2, nG_Dialog::Create},
        {1, "INT_FRAMESUBROOM", "ng_frame_subroom", 2, nG_FrameSubroom::Create},
        {2, "INT_INVENTORY", "ng_inventory", 2, nG_Inventory::Create},
        {5, "INT_TASKS", "ng_tasks", 2, nG_Tasks::Create},
        {8, "INT_HO_DIALOG", "ng_ho_dialog", 2, nG_HoDialog::Create},
        {21, "INT_HO_COLLECTOR", "ng_ho_collector", 2, nG_HoCollector::Create},
        {25, "INT_POPUP", "ng_popup", 0, nG_Popup::Create},
        {9, "INT_BTN_SKIP", "ng_int_btn_skip", 2, nG_BtnSkip::Create},
        {10, "INT_BTN_RESET", "ng_int_btn_reset", 2, nG_BtnReset::Create},
        {11, "INT_BTN_INFO", "ng_int_btn_info", 2, nG_BtnInfo::Create},
        {7, "INT_BTN_HINT", "ng_int_btn_hint", 2, nG_BtnHint::Create},
        {22, "INT_VIDEOFRAME", "ng_videoframe", 1, nG_VideoFrame::Create},
        {13, "INT_BTN_GUIDE", "ng_btn_guide", 2, nG_BtnGuide::Create},
        {18, "INT_CHARACTER_DIALOG", "ng_character_dlg", 1, nG_CharacterDialog::Create},
        {15, "INT_BTN_MAP", "ng_btn_map", 2, nG_BtnMap::Create},
        {26, "INT_COLLECTOR", "ng_collector", 1, nG_Collector::Create},
        {12, "INT_MAP", "ng_map", 2, nG_Map::Create},
        {3, "INT_BTN_CARD", "ng_btn_card", 2, nG_BtnCard::Create},
        {19, "INT_CARDS_SCREEN", "ng_cards_screen", 2, nG_CardsScreen::Create},
        {4, "INT_BTN_LOCK", "ng_btn_lock", 2, nG_BtnLock::Create},
    };
    *count = sizeof(rows) / sizeof(rows[0]);
    return rows;
}

const int kMessages[] = {NG_MSG_ADD_INTERFACE_CHILD, NG_MSG_REMOVE_INTERFACE_CHILD, NG_MSG_INTERFACE_SHOW,
                         NG_MSG_INTERFACE_FADE,      NG_MSG_INTERFACE_CHILD_INPUT,  NG_MSG_PAUSE_LEVEL,
                         NG_MSG_DISPLAY_CHANGED};

// A fade from one end to the other takes a quarter of a second.
const float kFadeRate = 4.0f;

nE_Object* AddLayer(nE_Object* hud, const std::string& name, float z)
{
    auto layer = std::make_unique<nE_Object>(name);
    layer->SetZ(z);
    return nE_Attach(hud, std::move(layer));
}

void SetLuaInteger(const char* name, int value)
{
    lua_State* L = nE_GetLua();
    if (!L) return;
    lua_pushinteger(L, value);
    lua_setfield(L, LUA_GLOBALSINDEX, name);
}
} // namespace

const nG_InterfaceRow* nG_Interface::GetChildTable(size_t* count)
{
    return Rows(count);
}

nG_InterfaceCreator nG_Interface::SetChildCreator(int id, nG_InterfaceCreator creator)
{
    size_t count = 0;
    nG_InterfaceRow* rows = Rows(&count);
    for (size_t i = 0; i < count; ++i)
    {
        if (rows[i].id != id) continue;
        nG_InterfaceCreator previous = rows[i].creator;
        rows[i].creator = creator;
        return previous;
    }
    return nullptr;
}

nG_Interface::nG_Interface() : nE_Object("ng_interface")
{
    nG_Interface::SetDefaults();
    if (!g_mediator) return;
    for (int id : kMessages)
        g_mediator->Subscribe(this, id);
}

nG_Interface::~nG_Interface()
{
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_Interface::SetDefaults()
{
    m_hudAlpha = 1.0f;
    m_fadingOut = false;
    // Built once; a second call must not leave a second set of layers.
    if (m_layer0) return;
    m_layer2 = AddLayer(this, m_name + "_l0", 0.0f);
    m_layer1 = AddLayer(this, m_name + "_l1", 1.0f);
    m_layer0 = AddLayer(this, m_name + "_l2", 2.0f);

    size_t count = 0;
    const nG_InterfaceRow* rows = GetChildTable(&count);
    for (size_t i = 0; i < count; ++i)
    {
        nG_InterfaceChild record;
        record.name = rows[i].name;
        record.creator = rows[i].creator;
        record.layer = rows[i].layer;
        m_children[rows[i].id] = record;
        SetLuaInteger(rows[i].global, rows[i].id);
        CreateChild(rows[i].id);
    }
}

nE_Object* nG_Interface::GetLayerNode(int layer) const
{
    switch (layer)
    {
    case 0:
        return m_layer0;
    case 1:
        return m_layer1;
    case 2:
        return m_layer2;
    default:
        return nullptr;
    }
}

const nG_InterfaceChild* nG_Interface::GetChildRecord(int id) const
{
    auto it = m_children.find(id);
    return it == m_children.end() ? nullptr : &it->second;
}

void nG_Interface::CreateChild(int id)
{
    const nG_InterfaceChild* record = GetChildRecord(id);
    if (!record || !record->creator) return;
    if (FindChild(record->name, true))
    {
        nE_LogFmt("Warning: interface child \"%s\" is already exist.", record->name);
        return;
    }
    nE_Object* layer = GetLayerNode(record->layer);
    if (!layer) return;
    std::unique_ptr<nE_Object> child(record->creator(record->name));
    if (!child) return;
    child->SetZ(static_cast<float>(id));
    nE_Attach(layer, std::move(child));
}

void nG_Interface::DestroyChild(int id)
{
    const nG_InterfaceChild* record = GetChildRecord(id);
    if (!record) return;
    // The destructor detaches it from its layer node.
    delete FindChild(record->name, true);
}

void nG_Interface::SetChildInput(int id, bool on)
{
    const nG_InterfaceChild* record = GetChildRecord(id);
    if (!record) return;
    if (nE_Object* child = FindChild(record->name, true)) child->SetInput(on);
}

void nG_Interface::SetHudAlpha(float alpha)
{
    m_hudAlpha = alpha;
    if (m_layer2) m_layer2->SetAlpha(alpha);
}

// Only the main HUD layer fades; the container's own tweens are not run.
void nG_Interface::Update(const nE_TimeStep* step)
{
    float dt = step ? step->step : 0.0f;
    if (m_fadingOut)
    {
        if (m_hudAlpha > 0.0f) SetHudAlpha(std::max(0.0f, m_hudAlpha - kFadeRate * dt));
        return;
    }
    if (m_hudAlpha < 1.0f) SetHudAlpha(std::min(1.0f, m_hudAlpha + kFadeRate * dt));
}

void nG_Interface::OnMessage(int id, void* record)
{
    if (id == NG_MSG_DISPLAY_CHANGED)
    {
        Restore(true);
        return;
    }
    if (!record) return;
    switch (id)
    {
    case NG_MSG_INTERFACE_SHOW:
        if (m_layer2) m_layer2->SetInput(nE_MsgAs<NG_MSG_INTERFACE_SHOW>(id, record)->input);
        break;
    case NG_MSG_INTERFACE_FADE:
    {
        const nG_MsgInterfaceShow* show = nE_MsgAs<NG_MSG_INTERFACE_FADE>(id, record);
        m_fadingOut = !show->shown;
        if (!show->fade) SetHudAlpha(m_fadingOut ? 0.0f : 1.0f);
        break;
    }
    case NG_MSG_PAUSE_LEVEL:
    {
        bool paused = nE_MsgAs<NG_MSG_PAUSE_LEVEL>(id, record)->value;
        if (m_layer2) m_layer2->SetActive(!paused);
        if (m_layer1) m_layer1->SetActive(!paused);
        break;
    }
    case NG_MSG_ADD_INTERFACE_CHILD:
        CreateChild(nE_MsgAs<NG_MSG_ADD_INTERFACE_CHILD>(id, record)->value);
        break;
    case NG_MSG_REMOVE_INTERFACE_CHILD:
        DestroyChild(nE_MsgAs<NG_MSG_REMOVE_INTERFACE_CHILD>(id, record)->value);
        break;
    case NG_MSG_INTERFACE_CHILD_INPUT:
    {
        const nG_MsgInterfaceChildInput* input = nE_MsgAs<NG_MSG_INTERFACE_CHILD_INPUT>(id, record);
        SetChildInput(input->child, input->input);
        break;
    }
    default:
        break;
    }
}
