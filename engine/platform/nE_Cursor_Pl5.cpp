#include "engine/platform/nE_Cursor_Pl5.h"

#include "de50/de50_platform.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Math.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"

#include <tinyxml.h>

namespace
{

// The sprite kinds live above this layer; they are reached through the object
// type registry so that the platform library does not depend on them.
std::unique_ptr<nE_Object> MakeCursorObject(const char* type, const std::string& name)
{
    std::unique_ptr<nE_Object> object(nE_CreateObject(type, std::string()));
    if (!object)
    {
        nE_LogFmt2("Warning: cursor %s needs object kind \"%s\", which is not registered", name, type);
        return nullptr;
    }
    object->SetResourceName(name);
    object->LoadResourcesTree();
    return object;
}

// An animated cursor plays its "DoAnim" function from the start, set the way
// content starts an animation.
void StartCursorAnimation(nE_Object* object)
{
    TiXmlElement properties("anim");
    nE_SLHelper_XML sl(&properties);
    sl.WriteBool("playing", true);
    sl.WriteString("animfunc", "DoAnim");
    sl.WriteString("endtrig", "");
    object->Load(sl);
}

void ReadCursorPos(float* x, float* y)
{
    *x = g_cursor ? g_cursor->GetX() : 0.0f;
    *y = g_cursor ? g_cursor->GetY() : 0.0f;
}

} // namespace

void nE_InstallCursorHooks()
{
    nE_SetCursorPosFunc(ReadCursorPos);
}

nE_Cursor_Pl5::nE_Cursor_Pl5()
{
    DE50::TPlatform::GetInstance()->ShowCursor(false);
    nE_InstallCursorHooks();
}

nE_Cursor_Pl5::~nE_Cursor_Pl5()
{
    m_cursors.clear();
}

const nE_CursorRecord* nE_Cursor_Pl5::GetRecord(int index) const
{
    if (index < 0 || index >= GetCursorCount()) return nullptr;
    return &m_cursors[index];
}

int nE_Cursor_Pl5::AddCursor(const std::string& name, int hotX, int hotY, unsigned short systemId)
{
    nE_CursorRecord record;
    record.hotX = hotX;
    record.hotY = hotY;
    if (!name.empty() && nE_FileExists(nE_MakePath(name, ".xml")))
    {
        record.sprite = MakeCursorObject("anim", name);
        if (record.sprite) StartCursorAnimation(record.sprite.get());
        record.animated = record.sprite != nullptr;
    }
    else if (!name.empty() && nE_FileExists(nE_MakePath(name, ".png")))
        record.sprite = MakeCursorObject("spr", name);
    else if (!name.empty())
        nE_WarnOnce("cursor:" + name, "Warning: cursor image " + nE_MakePath(name, ".png") +
                                          " is missing: no pointer is drawn while cursor " +
                                          std::to_string(GetCursorCount()) + " is selected");
    record.systemCursor = DE50::LoadSystemCursor(systemId);
    m_cursors.push_back(std::move(record));
    return GetCursorCount() - 1;
}

void nE_Cursor_Pl5::ShowSystemShape(const nE_CursorRecord* record) const
{
    if (record && record->systemCursor != DE50::kSystemCursorNone)
        DE50::SetSystemCursor(record->systemCursor);
}

void nE_Cursor_Pl5::SetSystemCursor(bool on)
{
    m_systemCursor = on;
    // The drawn cursor takes over again only when the system pointer goes.
    if (on)
        ShowSystemShape(CurrentRecord());
    else
        DE50::SetSystemCursor(DE50::kSystemCursorNone);
}

void nE_Cursor_Pl5::SetCursor(int index)
{
    if (index < 0 || index >= GetCursorCount() || index == m_current) return;
    m_current = index;
    if (m_systemCursor) ShowSystemShape(CurrentRecord());
}

void nE_Cursor_Pl5::SetPosition(int x, int y)
{
    nE_Cursor::SetPosition(x, y);
    // A pointer that came back into the window without a shape gets it again.
    if (m_systemCursor && DE50::GetSystemCursor() == DE50::kSystemCursorNone)
        ShowSystemShape(CurrentRecord());
    m_hiddenUntilMoved = false;
}

void nE_Cursor_Pl5::Draw(nE_Render* render)
{
    const nE_CursorRecord* record = CurrentRecord();
    if (!render || !record || m_systemCursor || m_hiddenUntilMoved || !record->sprite) return;
    render->Begin2D();
    record->sprite->SetPos(m_x + static_cast<float>(record->hotX), m_y + static_cast<float>(record->hotY));
    record->sprite->DrawTree(render, nE_RenderState());
    render->End2D();
}

void nE_Cursor_Pl5::Update(const nE_TimeStep* step)
{
    const nE_CursorRecord* record = CurrentRecord();
    if (!record || m_systemCursor || !record->animated || !record->sprite) return;
    record->sprite->UpdateTree(step);
}
