#include "game/interface/nG_Inventory.h"

#include "engine/core/nE_Scene.h"
#include "engine/platform/nE_Cursor.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_InventoryObject.h"
#include "game/interface/nG_WidgetUtil.h"
#include "game/messages/nG_Messages.h"

#include <algorithm>
#include <cmath>

bool nG_Inventory::s_overInventory = false;
bool nG_Inventory::s_overNeighbour = false;

namespace
{
const int kMessages[] = {NG_MSG_INV_ADD,          NG_MSG_INV_DELETE,       NG_MSG_TASKS_CHANGED,
                         NG_MSG_INV_SCROLL_RIGHT, NG_MSG_INV_SCROLL_LEFT,  NG_MSG_HAS_INV_OBJECT,
                         NG_MSG_INV_BUTTON_HOVER, NG_MSG_INV_BUTTON_LEAVE, NG_MSG_ADD_CARD,
                         NG_MSG_BTN_LOCK_PRESS,   NG_MSG_BTN_LOCK_CHANGED};
const int kWindow = 576;
const char* const kItemPrefix = "ng_invobj_";

int Truncated(const nG_InventoryObj* item)
{
    return static_cast<int>(item->width);
}

nE_ObjectHandle MakeArrow(nE_Object* bar, const std::string& name, float x, int press)
{
    auto owned = std::make_unique<nG_InterfButton>(name);
    nG_InterfButton* arrow = owned.get();
    const float origin[3] = {0, 0, 0};
    nG_BuildButton(arrow, "assets/interface/inventory_tasks/arrow",
                   "assets/interface/inventory_tasks/arrow_over",
                   "assets/interface/inventory_tasks/arrow_disabled", 1, "", "", 20, origin, nullptr, nullptr,
                   nullptr, false);
    arrow->SetPos(x, 20.0f);
    arrow->SetZ(20.0f);
    arrow->pressId = press;
    return nE_ObjectHandle(nG_Attach(bar, std::move(owned)));
}
} // namespace

nG_Inventory::nG_Inventory(const std::string& name) : nE_Object(name)
{
    nG_Inventory::SetDefaults();
    if (!g_mediator) return;
    for (int id : kMessages)
        g_mediator->Subscribe(this, id);
}

nG_Inventory::~nG_Inventory()
{
    m_items.clear();
    if (g_mediator) g_mediator->UnsubscribeAll(this);
}

void nG_Inventory::SetDefaults()
{
    if (!m_background.IsAlive())
    {
        if (nE_Sprite* back =
                nG_AddSprite(this, m_name + "_bg", "assets/interface/inventory_tasks/back", 0.0f))
        {
            back->SetInput(true); // the pointer over the back raises the bar
            m_background = back->GetHandle();
        }
        const float colour[3] = {182 / 255.0f, 223 / 255.0f, 232 / 255.0f};
        if (nE_Text* header = nG_AddText(this, "ng_inventory_header", "assets/fonts/benguat", 18, colour,
                                         0.0f, -31.0f, 1.0f))
        {
            header->SetText("interface_inventory_header", "", "", "", "", "");
            m_header = header->GetHandle();
        }
        m_left = MakeArrow(this, "ng_inventory_btn_left", -320.0f, nG_ButtonMsg<NG_MSG_INV_SCROLL_LEFT>());
        m_right = MakeArrow(this, "ng_inventory_btn_right", 320.0f, nG_ButtonMsg<NG_MSG_INV_SCROLL_RIGHT>());
        // The same image points the other way.
        if (nE_Object* right = m_right.Get())
            for (int i = 0; i < 3 && i < right->GetChildCount(); ++i)
                right->GetChild(i)->SetScale(-1.0f, right->GetChild(i)->GetScaleY());
    }
    SetX(512.0f);
    m_open = 0.0f;
    m_slideState = 1;
    m_visible = 0;
    m_first = 0;
    m_autoHide = true;
    NotifyChanged();
    LayoutItems();
}

nG_InterfButton* nG_Inventory::Arrow(bool right) const
{
    return static_cast<nG_InterfButton*>((right ? m_right : m_left).Get());
}

void nG_Inventory::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    NotifyChanged();
}

void nG_Inventory::LoadResources()
{
    NotifyChanged();
}

std::vector<nG_InventoryObj*> nG_Inventory::Items()
{
    // A script may have deleted an item; forget it.
    m_items.erase(
        std::remove_if(m_items.begin(), m_items.end(), [](const nE_ObjectHandle& h) { return !h.Get(); }),
        m_items.end());
    std::vector<nG_InventoryObj*> items;
    for (const nE_ObjectHandle& h : m_items)
        items.push_back(static_cast<nG_InventoryObj*>(h.Get()));
    return items;
}

nG_InventoryObj* nG_Inventory::FindItem(const std::string& name)
{
    for (nG_InventoryObj* item : Items())
        if (item->GetName() == kItemPrefix + name) return item;
    return nullptr;
}

void nG_Inventory::NotifyChanged()
{
    float y = 786.0f - 78.0f * std::sin(m_open * 1.570796f);
    SetY(y);
    nG_MsgInvChanged record;
    record.barY = y;
    record.x = GetX();
    record.y = y;
    record.z = GetZ();
    nE_Send<NG_MSG_INV_CHANGED>(record);
}

bool nG_Inventory::AnySliding()
{
    for (nG_InventoryObj* item : Items())
        if (item->IsSliding()) return true;
    return false;
}

bool nG_Inventory::Needed()
{
    if (!m_autoHide && IsInput()) return true;
    for (nG_InventoryObj* item : Items())
    {
        int state = item->GetState();
        if (state == nG_InventoryObj::APPEARING || state == nG_InventoryObj::RETURNING ||
            item->GetFlightCount() > 0)
            return true;
    }
    return false;
}

void nG_Inventory::Update(const nE_TimeStep* step)
{
    nE_Object::Update(step);
    float dt = step ? step->step : 0.0f;
    if (m_slideState == 0 && m_open < 1.0f)
    {
        m_open = std::min(1.0f, m_open + 1.5f * dt);
        NotifyChanged();
    }
    else if (m_slideState == 1 && m_open > 0.0f)
    {
        m_open = std::max(0.0f, m_open - 1.5f * dt);
        NotifyChanged();
    }
    m_slideState = (Needed() || s_overInventory || s_overNeighbour) ? 0 : 1;
}

bool nG_Inventory::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState&)
{
    nE_Object* parent = found ? found->GetParent() : nullptr;
    bool ours = parent && (parent == this || parent->GetParent() == this);
    if (event && event->kind == NE_INPUT_MOUSEMOVE && ours)
    {
        s_overInventory = true;
        if (!g_draggedObject) nG_SelectCursor(1);
        return true;
    }
    s_overInventory = false;
    return false;
}

int nG_Inventory::CountFitting(int first)
{
    std::vector<nG_InventoryObj*> items = Items();
    int sum = 0, n = 0;
    for (int i = std::max(0, first); i < static_cast<int>(items.size()); ++i, ++n)
    {
        sum += Truncated(items[i]);
        if (sum > kWindow) break;
    }
    return n;
}

void nG_Inventory::LayoutItems()
{
    std::vector<nG_InventoryObj*> items = Items();
    int total = static_cast<int>(items.size());
    if (nG_InterfButton* left = Arrow(false)) left->SetEnabled(total > 0 && m_first > 0);
    if (nG_InterfButton* right = Arrow(true)) right->SetEnabled(total > 0 && m_first + m_visible < total);
    unsigned gap = 0;
    if (m_first + m_visible < total && m_visible >= 2)
    {
        unsigned used = 0;
        for (int i = m_first; i < m_first + m_visible; ++i)
            used += static_cast<unsigned>(Truncated(items[i]));
        gap = (static_cast<unsigned>(kWindow) - used) / static_cast<unsigned>(m_visible - 1);
    }
    float offset = 0.0f;
    for (int i = 0; i < total; ++i)
    {
        nG_InventoryObj* item = items[i];
        float target;
        if (i < m_first)
            target = -kWindow / 2 - item->width / 2;
        else if (i < m_first + m_visible)
        {
            target = -kWindow / 2 + offset + item->width / 2;
            offset += static_cast<float>(Truncated(item)) + static_cast<float>(gap);
        }
        else
            target = kWindow / 2 + item->width / 2;
        item->slideProgress = 0.0f;
        item->slideTarget = target;
        if (item->GetState() == nG_InventoryObj::CREATED) item->slotX = item->slideStart = target;
        if (item->slotX != target)
        {
            item->slideStart = item->slotX;
            item->slideProgress = 1.0f;
        }
    }
}

void nG_Inventory::ScrollRight()
{
    int total = static_cast<int>(Items().size());
    if (m_first + m_visible >= total || AnySliding()) return;
    int oldEnd = m_first + m_visible;
    do
    {
        ++m_first;
        m_visible = CountFitting(m_first);
    } while (m_first + m_visible <= oldEnd && m_first < total);
    LayoutItems();
}

void nG_Inventory::ScrollLeft()
{
    if (m_first == 0 || AnySliding()) return;
    --m_first;
    m_visible = CountFitting(m_first);
    int end = m_first + m_visible;
    for (int start = m_first - 1; start >= 0; --start)
    {
        int fits = CountFitting(start);
        if (start + fits != end) break;
        m_first = start;
        m_visible = fits;
    }
    LayoutItems();
}

void nG_Inventory::AddItem(const std::string& name, const std::string& flyName, const std::string& call)
{
    nE_Object* object = nG_FindObject(name);
    if (!object) return;
    nG_InventoryObj* item = FindItem(name);
    if (item)
    {
        ++item->count;
        if (nG_IsLevelStarting()) item->SetCount();
    }
    else
    {
        auto made = std::make_unique<nG_InventoryObj>(kItemPrefix + name, object);
        made->SetZ(100.0f);
        item = nG_Attach(this, std::move(made));
        if (!item) return;
        m_items.push_back(item->GetHandle());
    }
    std::vector<nG_InventoryObj*> items = Items();
    int i = static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin());
    if (i <= m_first)
    {
        m_first = i;
        m_visible = CountFitting(i);
    }
    else
    {
        m_visible = CountFitting(m_first);
        while (i >= m_first + m_visible && m_first < i)
        {
            ++m_first;
            m_visible = CountFitting(m_first);
        }
    }
    LayoutItems();
    item->AddFlight(flyName, call);
}

void nG_Inventory::RemoveItem(const std::string& name)
{
    nG_InventoryObj* item = FindItem(name);
    if (!nG_FindObject(name) || !item) return;
    std::vector<nG_InventoryObj*> items = Items();
    int total = static_cast<int>(items.size());
    int index = static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin());
    bool showedEnd = total > m_visible && index >= m_first && m_first + m_visible == total;
    item->SetState(nG_InventoryObj::RESTING);
    delete item;
    items = Items();
    if (showedEnd)
    {
        int sum = 0;
        m_first = 0;
        for (int i = static_cast<int>(items.size()) - 1; i >= 0; --i)
        {
            sum += Truncated(items[i]);
            if (sum > kWindow)
            {
                m_first = i + 1;
                break;
            }
        }
    }
    m_visible = CountFitting(m_first);
    LayoutItems();
    if (g_cursor && g_cursor->GetCurrent() == 0) g_cursor->SetCursor(1);
}

void nG_Inventory::OnMessage(int id, void* record)
{
    switch (id)
    {
    case NG_MSG_INV_ADD:
        if (const nG_MsgThreeStrings* add = nE_MsgAs<NG_MSG_INV_ADD>(id, record))
            AddItem(add->s1, add->s2, add->s3);
        break;
    case NG_MSG_INV_DELETE:
        if (auto* msg = nE_MsgAs<NG_MSG_INV_DELETE>(id, record)) RemoveItem(msg->value);
        break;
    case NG_MSG_TASKS_CHANGED:
        if (!record) break;
        SetInput(nE_MsgAs<NG_MSG_TASKS_CHANGED>(id, record)->value);
        // Input off: the pointer can no longer be reported leaving.
        if (!IsInput()) ResetPointerFlags();
        break;
    case NG_MSG_INV_SCROLL_RIGHT:
        ScrollRight();
        break;
    case NG_MSG_INV_SCROLL_LEFT:
        ScrollLeft();
        break;
    case NG_MSG_BTN_LOCK_CHANGED:
        if (auto* msg = nE_MsgAs<NG_MSG_BTN_LOCK_CHANGED>(id, record)) m_autoHide = msg->value;
        break;
    case NG_MSG_INV_BUTTON_HOVER:
        if (m_slideState == 0) s_overNeighbour = true;
        break;
    case NG_MSG_INV_BUTTON_LEAVE:
        s_overNeighbour = false;
        break;
    case NG_MSG_ADD_CARD:
        NotifyChanged();
        break;
    case NG_MSG_BTN_LOCK_PRESS:
        m_autoHide = !m_autoHide;
        break;
    case NG_MSG_HAS_INV_OBJECT:
        if (nG_MsgObjectQuery* query = nE_MsgAs<NG_MSG_HAS_INV_OBJECT>(id, record))
            query->answer = FindItem(query->object);
        break;
    default:
        break;
    }
}
