#include "game/app/nG_Config.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_StringTable.h"
#include "engine/core/nE_Xml.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdio>

nG_Config* g_config = nullptr;
const std::string g_gameName = "Vesperlyn";
const std::string g_publisherName = "Quillfen Games";

namespace
{
void ReadString(const TiXmlElement* e, const char* name, std::string& out)
{
    if (const char* text = e->Attribute(name)) out = text;
}

void ReadInt(const TiXmlElement* e, const char* name, int& out)
{
    if (const char* text = e->Attribute(name)) out = nE_ParseInt(text);
}

// Only 1 counts as on.
void ReadFlag(const TiXmlElement* e, const char* name, bool& out)
{
    if (const char* text = e->Attribute(name)) out = nE_ParseInt(text) == 1;
}

void ReadFloat(const TiXmlElement* e, const char* name, float& out)
{
    const char* text = e->Attribute(name);
    if (!text) return;
    const char* end = text;
    double value = nE_ParseFloat(text, &end);
    if (end == text || !std::isfinite(value))
    {
        nE_LogFmt2("Warning: config attribute %s has the bad value \"%s\"; the default stays.", name, text);
        return;
    }
    out = static_cast<float>(value);
}

void ReadDefaults(const TiXmlElement* e, nG_SettingsValues& s)
{
    ReadFlag(e, "fullscreen", s.fullScreen);
    ReadFlag(e, "widescreen", s.wideScreen);
    ReadFlag(e, "syscursor", s.sysCursor);
    ReadFloat(e, "env_volume", s.envVolume);
    ReadFloat(e, "sfx_volume", s.sfxVolume);
    ReadFloat(e, "soundtrack_volume", s.soundtrackVolume);
    ReadFloat(e, "voice_volume", s.voiceVolume);
    ReadInt(e, "performance", s.performance);
}

// Why the name cannot be one folder of the user folder's path; null when it can.
const char* FolderNameFault(const std::string& name)
{
    const size_t kMaxBytes = 100;
    if (name.find_first_not_of(' ') == std::string::npos) return "it is empty";
    if (name.size() > kMaxBytes) return "it is longer than 100 bytes";
    if (name == "." || name == "..") return "it is \".\" or \"..\"";
    for (unsigned char c : name)
    {
        if (c == '/' || c == '\\') return "it holds a path separator";
        if (c < 0x20 || c == 0x7F) return "it holds a control character";
    }
    return nullptr;
}

// The name as a log line may show it: control characters as '?', at most 64 bytes.
std::string Shown(const std::string& name)
{
    std::string shown = name.substr(0, 64);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return name.size() > shown.size() ? shown + "..." : shown;
}

void ReadFolderName(const TiXmlElement* e, const char* name, std::string& out)
{
    const char* text = e->Attribute(name);
    if (!text) return;
    if (const char* fault = FolderNameFault(text))
    {
        char line[512];
        std::snprintf(line, sizeof line,
                      "Warning: config <game> %s \"%s\" cannot name the user folder (%s); \"%s\" is used.",
                      name, Shown(text).c_str(), fault, out.c_str());
        nE_Log(line);
        return;
    }
    out = text;
}

// The base table first, then each listed file in document order.
void LoadStringTables(const TiXmlElement* root)
{
    if (!g_stringTable)
    {
        nE_Log("Warning: no string table to load the config's strings into.");
        return;
    }
    g_stringTable->Load("assets/strings");
    const TiXmlElement* list = root->FirstChildElement("strings_list");
    if (!list) return;
    for (const TiXmlElement* s = list->FirstChildElement("strings"); s; s = s->NextSiblingElement("strings"))
    {
        if (const char* res = s->Attribute("res"))
            g_stringTable->ParseWorkbook(res);
        else
            nE_Log("Warning: config strings entry without \"res\" skipped.");
    }
}

void LogParseError(const std::string& path, const TiXmlDocument& doc)
{
    char line[512];
    std::snprintf(line, sizeof line, "Error: could not parse config file %s at row %d, column %d: %s",
                  path.c_str(), doc.ErrorRow(), doc.ErrorCol(), doc.ErrorDesc() ? doc.ErrorDesc() : "");
    nE_Log(line);
}
} // namespace

void nG_Config::Load()
{
    const std::string path = nE_MakePath("assets/config", ".xml");
    if (!nE_FileExists(path))
    {
        nE_LogFmt("Error: could not find config file %s.", path);
        return;
    }
    TiXmlDocument doc;
    nE_XmlResult result = nE_XmlLoadFile(doc, path);
    if (result != nE_XmlResult::Ok)
    {
        if (result == nE_XmlResult::Malformed) LogParseError(path, doc);
        if (result == nE_XmlResult::Missing) nE_LogFmt("Error: could not read config file %s.", path);
        return;
    }
    const TiXmlElement* root = doc.FirstChildElement("config");
    if (!root)
    {
        nE_LogFmt("Error: config file %s has no \"config\" element.", path);
        return;
    }
    if (const TiXmlElement* e = root->FirstChildElement("start_point"))
    {
        ReadString(e, "module", m_startModule);
        ReadString(e, "trigger", m_startTrigger);
    }
    if (const TiXmlElement* e = root->FirstChildElement("default_settings")) ReadDefaults(e, m_defaults);
    if (const TiXmlElement* e = root->FirstChildElement("publisher_settings"))
    {
        ReadString(e, "url", m_publisher.url);
        ReadString(e, "guide_url", m_publisher.guideUrl);
    }
    if (const TiXmlElement* e = root->FirstChildElement("game"))
    {
        ReadFolderName(e, "publisher", m_publisherName);
        ReadFolderName(e, "name", m_gameName);
    }
    LoadStringTables(root);
}
