#include "game/app/nG_ProfileList.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_LuaXml.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Xml.h"
#include "engine/platform/nE_File.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

nG_ProfileList* g_profileList = nullptr;

namespace
{
const char kListFile[] = "profile_list.xml";
const char kCheatWord[] = "zavozez";
const char kLoadError[] = "Error: while loading profile data!";
const char kGlobalTable[] = "ng_global";

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string Print(const TiXmlDocument& doc, bool oneLine)
{
    TiXmlPrinter printer;
    if (oneLine)
    {
        printer.SetIndent("");
        printer.SetLineBreak("");
    }
    doc.Accept(&printer);
    return printer.Str();
}

// ---------------------------------------------------------------- game data

// The checksum comment "<!--n-->" at the very start, n read as a decimal
// number is: white space around it and a sign allowed, nothing else. It may be
// written negative, so it is compared as 32 bits.
bool ReadChecksum(const std::string& text, uint32_t& sum)
{
    if (text.compare(0, 4, "<!--") != 0) return false;
    size_t end = text.find("-->", 4);
    if (end == std::string::npos || end - 4 > 63) return false;
    const std::string number = text.substr(4, end - 4);
    const char* spaces = " \t\r\n\v\f";
    size_t first = number.find_first_not_of(spaces);
    if (first == std::string::npos) return false;
    size_t last = number.find_last_not_of(spaces);
    size_t digit = first + ((number[first] == '-' || number[first] == '+') ? 1 : 0);
    if (digit > last) return false;
    for (size_t i = digit; i <= last; ++i)
        if (number[i] < '0' || number[i] > '9') return false;
    sum = static_cast<uint32_t>(nE_ParseInt(number.c_str()));
    return true;
}

bool ChecksumMatches(const std::string& text)
{
    uint32_t expected = 0;
    if (!ReadChecksum(text, expected)) return false;
    size_t body = text.find('<', 1);
    if (body == std::string::npos) return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data()) + body;
    return nE_ByteSum(bytes, static_cast<int>(text.size() - body)) == expected;
}

TiXmlElement* FindData(TiXmlDocument& doc)
{
    TiXmlHandle handle(&doc);
    return handle.FirstChildElement("profile")
        .FirstChildElement("game_data")
        .FirstChildElement("data")
        .ToElement();
}

// Pushes "ng_global" when it is a table; otherwise leaves the stack as it was.
bool PushGlobalTable(lua_State* L)
{
    if (!L) return false;
    lua_getfield(L, LUA_GLOBALSINDEX, kGlobalTable);
    if (lua_istable(L, -1)) return true;
    lua_pop(L, 1);
    return false;
}

// The one-line document "profile" > "game_data" > "data"; empty when there is
// no table to save.
std::string GameDataXml(lua_State* L)
{
    if (!PushGlobalTable(L))
    {
        nE_Log("Warning: no Lua table to save");
        return std::string();
    }
    std::unique_ptr<TiXmlElement> data = nE_LuaTableToXml("data", L);
    lua_pop(L, 1);
    TiXmlDocument doc;
    TiXmlElement* profile = new TiXmlElement("profile");
    doc.LinkEndChild(profile);
    TiXmlElement* gameData = new TiXmlElement("game_data");
    profile->LinkEndChild(gameData);
    gameData->LinkEndChild(data.release());
    return Print(doc, true);
}

// The text must read back as the document it stands for before it may
// replace the player's old file.
bool ParsesBack(const std::string& xml, const std::string& file)
{
    TiXmlDocument doc;
    return nE_XmlParse(doc, xml, file) == nE_XmlResult::Ok && FindData(doc);
}

// Room left in a file name for the save's temporary suffix and a ".bad" copy.
const size_t kMaxFileName = 200;

uint64_t NameHash(const std::string& name)
{
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : name)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// Too long a name keeps a readable head (never cut inside an escape) and
// stays unique through a hash of the whole name.
std::string Shortened(const std::string& body, const std::string& name)
{
    char tail[24];
    std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(NameHash(name)));
    size_t keep = kMaxFileName - std::strlen("p_.xml") - std::strlen(tail);
    if (keep >= 1 && body[keep - 1] == '%')
        keep -= 1;
    else if (keep >= 2 && body[keep - 2] == '%')
        keep -= 2;
    return body.substr(0, keep) + tail;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The profile name a game-data file belongs to; empty for any other file.
std::string NameOfGameData(const std::string& file)
{
    const size_t fixed = std::strlen("p_.xml");
    if (file.size() <= fixed || file.compare(0, 2, "p_") != 0 ||
        file.compare(file.size() - 4, 4, ".xml") != 0)
        return std::string();
    const std::string body = file.substr(2, file.size() - fixed);
    std::string name;
    for (size_t i = 0; i < body.size(); ++i)
    {
        if (body[i] != '%')
        {
            name += body[i];
            continue;
        }
        int high = i + 2 < body.size() ? HexDigit(body[i + 1]) : -1;
        int low = high >= 0 ? HexDigit(body[i + 2]) : -1;
        if (low < 0) return std::string();
        name += char(high * 16 + low);
        i += 2;
    }
    // Only a name that gives this very file back is one of ours.
    return nG_GameDataFileName(name) == file ? name : std::string();
}
} // namespace

std::string nG_GameDataFileName(const std::string& name)
{
    if (name.empty()) return std::string();
    std::string body;
    for (unsigned char c : name)
    {
        if (c == '/' || c == '\\' || c == ':' || c == '%' || IsControl(c))
        {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            body += escaped;
        }
        else
            body += char(c);
    }
    if (body.size() + std::strlen("p_.xml") > kMaxFileName) body = Shortened(body, name);
    return "p_" + body + ".xml";
}

nG_ProfileList::nG_ProfileList()
{
    Load();
}

void nG_ProfileList::Load()
{
    std::string text;
    if (!nE_ReadUserFile(kListFile, text)) return;
    m_names.clear();
    m_current = -1;
    ReadList(text);
}

void nG_ProfileList::ReadList(const std::string& text)
{
    TiXmlDocument doc;
    nE_XmlResult result = nE_XmlParse(doc, text, kListFile);
    TiXmlElement* root = result == nE_XmlResult::Ok ? doc.FirstChildElement("profiles") : nullptr;
    if (!root)
    {
        // Read as an empty list, it would be overwritten at exit.
        m_current = -2;
        if (result == nE_XmlResult::Malformed)
            nE_LogFmt2("Error: profile list %s could not be parsed: %s", kListFile, doc.ErrorDesc());
        else if (result == nE_XmlResult::Ok)
            nE_LogFmt("Error: profile list %s has no \"profiles\" element.", kListFile);
        nE_KeepRefusedUserFile(kListFile, text);
        RebuildFromGameData();
        return;
    }
    int current = -1;
    bool hasCurrent = root->QueryIntAttribute("current", &current) == TIXML_SUCCESS;
    int skippedBefore = 0;
    for (TiXmlElement* e = root->FirstChildElement("profile"); e; e = e->NextSiblingElement("profile"))
    {
        const char* name = e->Attribute("name");
        if (name && *name)
        {
            m_names.push_back(name);
            continue;
        }
        nE_LogFmt("Warning: profile list %s holds a profile without a name; it is dropped.", kListFile);
        if (static_cast<int>(m_names.size()) + skippedBefore < current) ++skippedBefore;
    }
    m_current = current - skippedBefore;
    // A list without "current" starts at its first profile.
    if (!hasCurrent) m_current = m_names.empty() ? -1 : 0;
    if (m_current >= static_cast<int>(m_names.size()) && !m_names.empty()) m_current = 0;
    // Past the end of an empty list is no profile; a negative index is kept as
    // read (no name, no game data saved).
    if (m_current >= static_cast<int>(m_names.size())) m_current = -1;
}

// The players' names come back from their game-data files (in name order);
// the one saved last is current. With none found the list stays refused (-2).
void nG_ProfileList::RebuildFromGameData()
{
    std::vector<nE_UserFileInfo> files;
    if (!nE_ListUserFiles(std::string(), files)) return;
    std::sort(files.begin(), files.end(),
              [](const nE_UserFileInfo& a, const nE_UserFileInfo& b) { return a.name < b.name; });
    int64_t newest = 0;
    std::string names;
    for (const nE_UserFileInfo& file : files)
    {
        std::string name = NameOfGameData(file.name);
        if (name.empty()) continue;
        if (m_names.empty() || file.modified > newest)
        {
            newest = file.modified;
            m_current = static_cast<int>(m_names.size());
        }
        m_names.push_back(name);
        names += (names.empty() ? "\"" : ", \"") + name + "\"";
    }
    if (m_names.empty()) return;
    nE_LogFmt2("Warning: profile list %s was rebuilt from the game data in the user folder: %s.", kListFile,
               names);
}

bool nG_ProfileList::Save()
{
    TiXmlDocument doc;
    TiXmlElement* root = new TiXmlElement("profiles");
    doc.LinkEndChild(root);
    // A stored -2 would claim a broken list on the next run.
    root->SetAttribute("current", m_current == -2 ? -1 : m_current);
    for (const std::string& name : m_names)
    {
        TiXmlElement* e = new TiXmlElement("profile");
        e->SetAttribute("name", name);
        root->LinkEndChild(e);
    }
    if (nE_WriteUserFile(kListFile, Print(doc, false))) return true;
    nE_LogFmt("Error: could not save profile list %s; the old file is kept.", kListFile);
    return false;
}

std::string nG_ProfileList::GetName(int index) const
{
    if (index >= 0 && index < static_cast<int>(m_names.size())) return m_names[size_t(index)];
    if (index == -1) return "ng_noprofiles";
    if (index == -2) return "ng_error";
    return std::string();
}

std::string nG_ProfileList::GetCurrentName() const
{
    return GetName(m_current);
}

bool nG_ProfileList::SetCurrent(const std::string& name)
{
    for (size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i] == name)
        {
            m_current = static_cast<int>(i);
            return true;
        }
    return false;
}

bool nG_ProfileList::IsCheatProfile() const
{
    std::string name = GetCurrentName();
    for (char& c : name)
        c = AsciiLower(c);
    return name == kCheatWord;
}

bool nG_ProfileList::Add(const std::string& name)
{
    bool usable = !name.empty();
    for (unsigned char c : name)
        usable = usable && c != '/' && c != '\\' && !IsControl(c);
    if (!usable)
    {
        nE_LogFmt(
            "Warning: profile name \"%s\" is empty or holds \"/\", \"\\\" or control characters; refused.",
            name);
        return false;
    }
    for (const std::string& existing : m_names)
        if (existing == name) return false;
    m_names.push_back(name);
    return true;
}

void nG_ProfileList::Delete(const std::string& name)
{
    int index = -1;
    for (size_t i = 0; i < m_names.size() && index < 0; ++i)
        if (m_names[i] == name) index = static_cast<int>(i);
    if (index < 0) return;
    nE_CreateFile(nG_GameDataFileName(name))->Delete();
    m_names.erase(m_names.begin() + index);
    if (m_current == index)
        m_current = m_names.empty() ? -1 : 0;
    else if (m_current > index)
        --m_current; // keeps naming the same profile
    Save();
}

bool nG_ProfileList::SaveGame()
{
    Save();
    if (!HasCurrent()) return false;
    const std::string file = nG_GameDataFileName(m_names[size_t(m_current)]);
    std::string xml = GameDataXml(nE_GetLua());
    if (xml.empty()) return false;
    if (!ParsesBack(xml, file))
    {
        nE_LogFmt("Error: game data for %s does not read back; the old file is kept.", file);
        return false;
    }
    uint32_t sum =
        nE_ByteSum(reinterpret_cast<const unsigned char*>(xml.data()), static_cast<int>(xml.size()));
    char line[32];
    std::snprintf(line, sizeof line, "<!--%d-->\n", static_cast<int>(sum));
    if (nE_WriteUserFile(file, line + xml)) return true;
    nE_LogFmt("Error: could not save game data %s; the old file is kept.", file);
    return false;
}

bool nG_ProfileList::LoadGame()
{
    if (!HasCurrent()) return false;
    const std::string file = nG_GameDataFileName(m_names[size_t(m_current)]);
    std::string text;
    if (!nE_ReadUserFile(file, text)) return false;
    TiXmlDocument doc;
    TiXmlElement* data = nullptr;
    if (ChecksumMatches(text) && nE_XmlParse(doc, text, file) == nE_XmlResult::Ok) data = FindData(doc);
    if (!data)
    {
        nE_Log(kLoadError);
        nE_KeepRefusedUserFile(file, text);
        return false;
    }
    lua_State* L = nE_GetLua();
    if (!PushGlobalTable(L))
    {
        nE_Log("Warning: no Lua table to read saved data into");
        return false;
    }
    nE_XmlToLuaTableRecursive(data, L);
    lua_pop(L, 1);
    return true;
}
