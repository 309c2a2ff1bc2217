#include "engine/core/nE_Module.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_LuaGuard.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Xml.h"

#include <cstdio>
#include <initializer_list>
#include <lua.hpp>
#include <tinyxml.h>

namespace
{
void LogParseError(const TiXmlDocument& doc, const std::string& path, const nE_XmlPlace& place)
{
    char line[1024];
    std::snprintf(line, sizeof line, "Error while parsing xml file: %s. Description: %s, line: %d, pos: %d",
                  path.c_str(), doc.ErrorDesc() ? doc.ErrorDesc() : "", place.row, place.col);
    nE_Log(line);
}

// Elements the loader does not read are skipped; say so, since a misspelt
// "trigs" or a trigger outside it otherwise vanishes without a word.
void WarnUnknownChildren(const TiXmlNode* parent, std::initializer_list<const char*> known,
                         const std::string& path)
{
    for (const TiXmlElement* e = parent->FirstChildElement(); e; e = e->NextSiblingElement())
    {
        bool read = false;
        for (const char* name : known)
            read = read || e->ValueStr() == name;
        if (read || e->ValueStr() == "module") continue;
        nE_WarnOnce("module:" + path + ":" + e->ValueStr(),
                    "Warning: unknown element <" + e->ValueStr() + "> (line " + std::to_string(e->Row()) +
                        ") in " + path + ": it and its children are skipped");
    }
}
} // namespace

nE_Module::nE_Module(const std::string& name) : m_name(name), m_path(nE_MakePath(name, ".xml"))
{
    m_found = nE_FileExists(m_path);
    if (m_found) Parse(m_path);
}

nE_Module::~nE_Module() = default;

void nE_Module::Parse(const std::string& path)
{
    TiXmlDocument doc;
    nE_XmlPlace place;
    nE_XmlResult result = nE_XmlLoadFile(doc, path, &place);
    if (result != nE_XmlResult::Ok)
    {
        if (result == nE_XmlResult::Malformed) LogParseError(doc, path, place);
        return;
    }
    TiXmlNode* base = &doc;
    if (TiXmlElement* module = doc.FirstChildElement("module"))
    {
        if (const char* name = module->Attribute("name")) m_name = name;
        if (!module->NoChildren()) base = module;
    }
    if (TiXmlElement* objs = base->FirstChildElement("objs"))
        m_holder = nE_CreateObjectFromXml(objs->FirstChildElement(), path);
    if (TiXmlElement* trigs = base->FirstChildElement("trigs"))
    {
        for (TiXmlElement* trig = trigs->FirstChildElement("trig"); trig;
             trig = trig->NextSiblingElement("trig"))
        {
            m_triggers.emplace_back(nE_CreateTriggerFromXml(trig));
            m_triggerLines.push_back(trig->Row());
        }
        WarnUnknownChildren(trigs, {"trig"}, path);
    }
    WarnUnknownChildren(base, {"objs", "trigs", "code"}, path);
    if (TiXmlElement* code = base->FirstChildElement("code"))
        if (const TiXmlText* text = code->FirstChild() ? code->FirstChild()->ToText() : nullptr)
            m_code = text->ValueStr();
}

void nE_Module::Run()
{
    Run(g_scene, g_triggerManager, nE_GetLua());
}

void nE_Module::Run(nE_Scene* scene, nE_TriggerManager* triggers, lua_State* L)
{
    if (m_holder && scene)
    {
        // From a snapshot: a child that cannot move stays and dies with the holder.
        std::vector<nE_Object*> children;
        for (int i = 0; i < m_holder->GetChildCount(); ++i)
            children.push_back(m_holder->GetChild(i));
        for (nE_Object* child : children)
            scene->MoveObject(scene->GetStorage(), child);
    }
    m_holder.reset();
    for (size_t i = 0; i < m_triggers.size() && triggers; ++i)
    {
        std::string name = m_triggers[i]->GetName();
        if (triggers->AddTrigger(std::move(m_triggers[i]))) continue;
        std::string line = std::to_string(m_triggerLines[i]);
        nE_WarnOnce("trig:" + m_path + ":" + line,
                    "Warning: trigger \"" + name + "\" in " + m_path + " (line " + line +
                        ") is discarded: a trigger of that name is already loaded");
    }
    m_triggers.clear();
    m_triggerLines.clear();
    RunCode(L);
}

void nE_Module::RunCode(lua_State* L)
{
    if (!L || m_code.empty()) return;
    int top = lua_gettop(L);
    int status = luaL_loadbuffer(L, m_code.data(), m_code.size(), m_name.c_str());
    if (status == 0) status = nE_LuaCall(L, 0, LUA_MULTRET);
    if (status != 0 && !nE_LogIfStopped(L, status, m_name))
        nE_LogFmt2("Error: module %s try to execute code - lua error: %s", m_name, lua_tostring(L, -1));
    lua_settop(L, top);
}

bool nE_LoadModule(const std::string& name, const char* caller)
{
    nE_Module module(name);
    module.Run();
    if (!module.Found() && caller)
        nE_WarnOnce("modfile:" + module.GetPath(), std::string("Warning: ") + caller + ": no module file \"" +
                                                       module.GetPath() + "\"; nothing is loaded");
    return module.Found();
}
