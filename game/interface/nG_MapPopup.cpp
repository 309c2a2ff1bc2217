#include "game/interface/nG_MapPopup.h"

#include "engine/core/nE_StringTable.h"
#include "engine/scene/nE_Sprite.h"
#include "engine/scene/nE_Text.h"
#include "game/interface/nG_WidgetUtil.h"

#include <algorithm>

namespace
{
const float kTitleColour[3] = {214 / 255.0f, 182 / 255.0f, 99 / 255.0f};
const float kTextColour[3] = {220 / 255.0f, 209 / 255.0f, 180 / 255.0f};
const char* const kFont = "assets/fonts/times";

// The content of the previous opening goes first: it would pile up and draw
// over the new picture.
std::string Temp(nE_Object* popup, int index)
{
    std::string name = "ng_map_popup_temp_" + std::to_string(index);
    delete popup->FindChild(name, false);
    return name;
}

float Width(nE_Object* object)
{
    return object ? std::max(0.0f, object->GetLocalRect().w) : 0.0f;
}

float Height(nE_Object* object)
{
    return object ? object->GetLocalRect().h : 0.0f;
}

void Place(nE_Object* object, float x, float y)
{
    if (!object) return;
    object->SetPos(x, y);
    object->SetZ(1.0f);
}
} // namespace

nG_MapPopup::nG_MapPopup(const std::string& name) : nG_Popup(name, false)
{
    if (g_mediator) g_mediator->Subscribe(this, NG_MSG_MAP_POPUP);
}

nG_MapPopup::~nG_MapPopup() = default;

void nG_MapPopup::OnMessage(int id, void* record)
{
    const nG_MsgMapPopup* popup = nE_MsgAs<NG_MSG_MAP_POPUP>(id, record);
    if (!popup) return;
    if (popup->show)
    {
        static const std::vector<std::string> none;
        ShowRoom(popup->picture, popup->room, popup->tasks ? *popup->tasks : none);
        return;
    }
    ClearPending();
    SetState(CLOSING);
}

void nG_MapPopup::ShowRoom(const std::string& picture, const std::string& room,
                           const std::vector<std::string>& tasks)
{
    if (room == m_room) return;
    m_room = room;
    m_picture = picture;
    m_tasks = tasks;
    SetState(IsIdle() ? WAITING : CLOSING);
}

void nG_MapPopup::Layout(int* width, int* height, std::vector<nE_Object*>* content)
{
    nE_Sprite* picture = nG_AddSprite(this, Temp(this, 2), m_picture, 0.0f);
    if (picture && !picture->AreResourcesLoaded()) picture->LoadResourcesTree();
    nE_Text* title = nG_AddText(this, Temp(this, 0), kFont, 18, kTitleColour, 0, 0, 1);
    if (title) title->SetText("p_" + m_room);
    nE_Text* header = nullptr;
    nE_Text* lines = nullptr;
    Temp(this, 3);
    Temp(this, 1);
    if (!m_tasks.empty())
    {
        header = nG_AddText(this, "ng_map_popup_temp_3", kFont, 20, kTextColour, 0, 0, 1);
        if (header) header->SetText("interface_map_tasks_header");
        lines = nG_AddText(this, "ng_map_popup_temp_1", kFont, 18, kTextColour, 0, 0, 1);
        if (lines)
        {
            lines->SetAlign(0);
            lines->SetDispRawText(true);
            lines->SetMaxWidth(240);
            std::string joined;
            for (size_t i = 0; i < m_tasks.size(); ++i)
                joined += (i ? "\n" : "") + (g_stringTable ? g_stringTable->GetText(m_tasks[i]) : m_tasks[i]);
            lines->SetText(joined);
        }
    }
    const float p = Height(picture), t = Height(title), r = Height(header), l = Height(lines);
    const float w = std::max({Width(picture), Width(title), Width(header), Width(lines)});
    float h = p + 10 + t;
    if (!m_tasks.empty()) h += r + l + 6;
    Place(picture, 0, p / 2 - h / 2 + 6);
    Place(title, 0, p - h / 2 + 6 + t / 2);
    Place(header, 0, p - h / 2 + t + 10 + r / 2);
    Place(lines, -w / 2, p - h / 2 + t + r + 6 + l / 2);
    *width = nG_EvenSize(w, 100);
    *height = nG_EvenSize(h);
    for (nE_Object* object : {static_cast<nE_Object*>(picture), static_cast<nE_Object*>(title),
                              static_cast<nE_Object*>(header), static_cast<nE_Object*>(lines)})
        if (object) content->push_back(object);
}
