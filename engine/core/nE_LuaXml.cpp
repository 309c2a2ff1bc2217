#include "engine/core/nE_LuaXml.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Xml.h"

#include <cmath>
#include <string>
#include <vector>

namespace
{
// Slots one nesting level needs: key, value and a spare.
const int kLevelSlots = 4;
// Tables nested deeper are not saved, so that a saved file always parses.
const size_t kMaxSavedDepth = nE_kXmlMaxDepth / 2;
// A string holding a zero byte cannot stand in an attribute, and a lone space
// there stands for an empty string; such strings are stored in hexadecimal
// under this attribute instead of "v".
const char kHexAttribute[] = "x";

// What TinyXML accepts after a name's first character; the prefix supplies
// the first, so the key may start with a digit.
bool IsNameChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':' || c >= 0x80;
}

bool IsNameText(const std::string& text)
{
    for (unsigned char c : text)
        if (!IsNameChar(c)) return false;
    return true;
}

// ---------------------------------------------------------------- writing

// The key of the entry being visited (at `index`) as element-name text.
// Keys are never converted in place: that would break lua_next.
bool KeyText(lua_State* L, int index, std::string& out)
{
    int type = lua_type(L, index);
    if (type == LUA_TSTRING)
    {
        size_t length = 0;
        const char* text = lua_tolstring(L, index, &length);
        out.assign(text, length);
        return true;
    }
    if (type != LUA_TNUMBER)
    {
        nE_LogFmt("Warning: table key of type %s cannot be saved; entry skipped", lua_typename(L, type));
        return false;
    }
    double key = lua_tonumber(L, index);
    // Integral keys as plain decimals; anything else keeps its value as text
    // (and reads back as a string key) rather than colliding with an integer.
    if (std::floor(key) == key && std::fabs(key) < 1e15)
        out = std::to_string((long long)key);
    else
        out = nE_FormatG(key, 14);
    return true;
}

void AppendValue(TiXmlElement& parent, const std::string& name, const std::string& value)
{
    TiXmlElement* element = new TiXmlElement(name);
    element->SetAttribute("v", value);
    parent.LinkEndChild(element);
}

void AppendString(TiXmlElement& parent, const std::string& name, const std::string& value)
{
    if (value.find('\0') == std::string::npos && value != " ")
    {
        // An empty attribute would not survive every reader; a lone space stands for it.
        AppendValue(parent, name, value.empty() ? std::string(" ") : value);
        return;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : value)
    {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    TiXmlElement* element = new TiXmlElement(name);
    element->SetAttribute(kHexAttribute, hex);
    parent.LinkEndChild(element);
}

using Path = std::vector<const void*>;

void WriteTable(lua_State* L, int table, TiXmlElement& out, Path& path);

void WriteNested(lua_State* L, TiXmlElement& out, const std::string& key, Path& path)
{
    int value = lua_gettop(L);
    const void* id = lua_topointer(L, value);
    for (const void* p : path)
        if (p == id)
        {
            nE_LogFmt("Warning: table \"%s\" contains itself; the repeat is not saved", key);
            return;
        }
    if (path.size() >= kMaxSavedDepth || !lua_checkstack(L, kLevelSlots))
    {
        nE_LogFmt("Warning: table \"%s\" is nested too deeply to save", key);
        return;
    }
    TiXmlElement* element = new TiXmlElement("t_" + key);
    out.LinkEndChild(element);
    WriteTable(L, value, *element, path);
}

// Key at -2, value at -1; leaves both in place.
void WriteEntry(lua_State* L, TiXmlElement& out, Path& path)
{
    int type = lua_type(L, -1);
    if (type != LUA_TNUMBER && type != LUA_TBOOLEAN && type != LUA_TSTRING && type != LUA_TTABLE)
        return; // functions, userdata, threads: not data
    std::string key;
    if (!KeyText(L, -2, key)) return;
    if (!IsNameText(key))
    {
        nE_LogFmt("Warning: table key \"%s\" is not a valid XML name; entry skipped", key);
        return;
    }
    if (type == LUA_TNUMBER)
        AppendValue(out, "n_" + key, nE_FormatG(lua_tonumber(L, -1), 14));
    else if (type == LUA_TBOOLEAN)
        AppendValue(out, "b_" + key, lua_toboolean(L, -1) ? "1" : "0");
    else if (type == LUA_TSTRING)
    {
        size_t length = 0;
        const char* text = lua_tolstring(L, -1, &length);
        AppendString(out, "s_" + key, std::string(text, length));
    }
    else
        WriteNested(L, out, key, path);
}

void WriteTable(lua_State* L, int table, TiXmlElement& out, Path& path)
{
    path.push_back(lua_topointer(L, table));
    lua_pushnil(L);
    while (lua_next(L, table))
    {
        WriteEntry(L, out, path);
        lua_pop(L, 1);
    }
    path.pop_back();
}

// ---------------------------------------------------------------- reading

// Integer keys only from texts that are wholly an integer (and not 0, which
// has always come back as a string key).
void PushKey(lua_State* L, const std::string& text)
{
    bool negative = !text.empty() && text[0] == '-';
    size_t first = negative ? 1 : 0;
    bool whole = text.size() > first && text.size() - first <= 15; // exact in a Lua number
    long long value = 0;
    for (size_t i = first; whole && i < text.size(); ++i)
    {
        whole = text[i] >= '0' && text[i] <= '9';
        value = value * 10 + (text[i] - '0');
    }
    if (whole && value != 0)
        lua_pushnumber(L, lua_Number(negative ? -value : value));
    else
        lua_pushlstring(L, text.data(), text.size());
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Pairs that are not hexadecimal digits are dropped.
void PushHex(lua_State* L, const char* hex)
{
    std::string bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
    {
        int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
        if (high >= 0 && low >= 0) bytes += char(high * 16 + low);
    }
    lua_pushlstring(L, bytes.data(), bytes.size());
}

void ReadInto(const TiXmlElement* element, lua_State* L, bool merge);

// Stack: key on top of the target table at `table`.
void ReadNested(const TiXmlElement* child, lua_State* L, int table, bool merge)
{
    if (merge)
    {
        lua_pushvalue(L, -1);
        lua_rawget(L, table);
        if (lua_istable(L, -1))
        {
            ReadInto(child, L, true);
            lua_pop(L, 2);
            return;
        }
        lua_pop(L, 1); // a scalar or nil gives way to a fresh table
    }
    lua_newtable(L);
    ReadInto(child, L, false);
    lua_rawset(L, table);
}

void ReadEntry(const TiXmlElement* child, lua_State* L, int table, bool merge)
{
    const std::string& name = child->ValueStr();
    if (name.size() < 2) return;
    char kind = name[0];
    if (kind != 'n' && kind != 'b' && kind != 's' && kind != 't') return;
    const char* v = child->Attribute("v");
    const char* hex = kind == 's' ? child->Attribute(kHexAttribute) : nullptr;
    if (kind != 't' && !v && !hex) return;
    PushKey(L, name.substr(2));
    if (kind == 't') return ReadNested(child, L, table, merge);
    if (hex)
        PushHex(L, hex);
    else if (kind == 'n')
        lua_pushnumber(L, nE_ParseFloat(v));
    else if (kind == 'b')
        lua_pushboolean(L, nE_ParseInt(v) != 0);
    else if (v[0] == ' ' && v[1] == '\0')
        lua_pushliteral(L, "");
    else
        lua_pushstring(L, v);
    lua_rawset(L, table);
}

// Fills the table at the top of the stack; leaves the stack as it was.
void ReadInto(const TiXmlElement* element, lua_State* L, bool merge)
{
    if (!lua_checkstack(L, kLevelSlots))
    {
        nE_Log("Warning: saved table is nested too deeply; the rest is not read");
        return;
    }
    int table = lua_gettop(L);
    for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
        ReadEntry(child, L, table, merge);
}

bool HasTopTable(lua_State* L)
{
    return L && lua_gettop(L) > 0 && lua_istable(L, -1);
}

void ReadTop(const TiXmlElement* element, lua_State* L, bool merge)
{
    if (!element) return;
    if (!HasTopTable(L))
    {
        nE_Log("Warning: no Lua table to read saved data into");
        return;
    }
    ReadInto(element, L, merge);
}
} // namespace

std::unique_ptr<TiXmlElement> nE_LuaTableToXml(const char* name, lua_State* L)
{
    auto element = std::make_unique<TiXmlElement>(name ? name : "");
    if (!HasTopTable(L) || !lua_checkstack(L, kLevelSlots))
    {
        nE_Log("Warning: no Lua table to save");
        return element;
    }
    Path path;
    WriteTable(L, lua_gettop(L), *element, path);
    return element;
}

void nE_XmlToLuaTable(const TiXmlElement* element, lua_State* L)
{
    ReadTop(element, L, false);
}

void nE_XmlToLuaTableRecursive(const TiXmlElement* element, lua_State* L)
{
    ReadTop(element, L, true);
}

uint32_t nE_ByteSum(const unsigned char* data, int length)
{
    uint32_t sum = 0;
    if (!data) return 0;
    for (int i = 0; i < length; ++i)
        sum += data[i];
    return sum;
}
