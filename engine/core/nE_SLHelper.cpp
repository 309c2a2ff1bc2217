#include "engine/core/nE_SLHelper.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>

namespace
{
// Narrowing an out-of-range double to float is undefined; saturate to the
// infinities instead, which is what the hardware gives anyway.
float ToFloat(double d)
{
    if (d > FLT_MAX) return HUGE_VALF;
    if (d < -FLT_MAX) return -HUGE_VALF;
    return float(d);
}

// Truncates toward zero and keeps the low 32 bits, so values stored through
// the signed path come back with the same bits whichever way they are read.
uint32_t ToBits32(double d)
{
    if (std::isnan(d)) return 0;
    const double limit = 9.0e18; // inside int64 range
    if (d > limit) d = limit;
    if (d < -limit) d = -limit;
    return uint32_t(uint64_t(int64_t(d)));
}

// Reads "x;y[;z]" the way sscanf("%f;%f;%f") does: stops at the first
// component that does not parse and leaves it and the rest unchanged.
using Floats = std::initializer_list<float>;
using FloatRefs = std::initializer_list<float*>;

// Reads "x;y[;z]" the way sscanf("%f;%f;%f") does: stops at the first
// component that does not parse and leaves it and the rest unchanged.
void ParseVec(const char* text, FloatRefs v)
{
    const char* p = text;
    for (float* component : v)
    {
        const char* end = p;
        double d = nE_ParseFloat(p, &end);
        if (end == p) return;
        *component = ToFloat(d);
        p = end;
        if (*p != ';') return;
        ++p;
    }
}

std::string FormatVec(Floats v)
{
    std::string text;
    for (float component : v)
    {
        if (!text.empty()) text += ';';
        text += nE_FormatFixed(component, 6);
    }
    return text;
}
} // namespace

// ---------------------------------------------------------------- keys

namespace
{
uint32_t HashKey(std::string_view name)
{
    uint32_t h = 2166136261u;
    for (char c : name)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}
} // namespace

nE_SLKeys::nE_SLKeys(std::vector<const char*> names) : m_names(std::move(names))
{
    size_t size = 8;
    while (size < m_names.size() * 3)
        size *= 2;
    m_slots.assign(size, -1);
    for (size_t i = 0; i < m_names.size(); ++i)
    {
        if (Find(m_names[i]) >= 0)
        {
            if (i < kMaxRuledOut) m_repeated |= uint64_t(1) << i;
            continue;
        }
        size_t slot = HashKey(m_names[i]) & (size - 1);
        while (m_slots[slot] >= 0)
            slot = (slot + 1) & (size - 1);
        m_slots[slot] = int(i);
    }
}

int nE_SLKeys::Find(std::string_view name) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = HashKey(name) & mask; m_slots[slot] >= 0; slot = (slot + 1) & mask)
        if (name == m_names[size_t(m_slots[slot])]) return m_slots[slot];
    return -1;
}

// ---------------------------------------------------------------- XML

nE_SLHelper_XML::nE_SLHelper_XML(TiXmlElement* element, bool infoMode)
    : nE_SLHelper(infoMode), m_element(element), m_current(element)
{
}

void nE_SLHelper_XML::SetText(const char* name, const std::string& text)
{
    if (m_current && name && CanWrite()) m_current->SetAttribute(name, text.c_str());
}

const char* nE_SLHelper_XML::GetText(const char* name) const
{
    return (m_current && name) ? m_current->Attribute(name) : nullptr;
}

void nE_SLHelper_XML::WriteVec3(const char* name, const nE_Vec3& v)
{
    SetText(name, FormatVec({v.x, v.y, v.z}));
}

void nE_SLHelper_XML::WriteVec2(const char* name, const nE_SLVec2& v)
{
    SetText(name, FormatVec({v[0], v[1]}));
}

void nE_SLHelper_XML::WriteString(const char* name, const std::string& v)
{
    SetText(name, v);
}

void nE_SLHelper_XML::WriteFloat(const char* name, const float& v)
{
    SetText(name, nE_FormatG(v, 6));
}

void nE_SLHelper_XML::WriteInt(const char* name, const int& v)
{
    SetText(name, std::to_string(v));
}

void nE_SLHelper_XML::WriteUInt(const char* name, const uint32_t& v)
{
    // Stored signed: values from 2^31 up appear negative and read back to the same bits.
    SetText(name, std::to_string(int32_t(v)));
}

void nE_SLHelper_XML::WriteBool(const char* name, const bool& v)
{
    SetText(name, v ? "1" : "0");
}

bool nE_SLHelper_XML::Acceptable(const char* name, std::initializer_list<float> values) const
{
    if (m_source.empty()) return true;
    for (float value : values)
        if (!std::isfinite(value))
        {
            const char* object = m_current ? m_current->Attribute("name") : nullptr;
            nE_WarnOnce("nonfinite:" + m_source,
                        "Warning: " + m_source + ": \"" + name + "\" of <" +
                            (m_current ? m_current->ValueStr() : std::string()) + " name=\"" +
                            (object ? object : "") + "\"> (line " +
                            std::to_string(m_current ? m_current->Row() : 0) +
                            ") is not a finite number (\"" + GetText(name) +
                            "\"); it is not taken (only the first such value of a file is named)");
            return false;
        }
    return true;
}

bool nE_SLHelper_XML::ReadVec3(const char* name, nE_Vec3& v)
{
    const char* text = GetText(name);
    nE_Vec3 read = v;
    if (text) ParseVec(text, {&read.x, &read.y, &read.z});
    if (text && Acceptable(name, {read.x, read.y, read.z})) v = read;
    return text != nullptr;
}

bool nE_SLHelper_XML::ReadVec2(const char* name, nE_SLVec2& v)
{
    const char* text = GetText(name);
    nE_SLVec2 read = v;
    if (text) ParseVec(text, {&read[0], &read[1]});
    if (text && Acceptable(name, {read[0], read[1]})) v = read;
    return text != nullptr;
}

bool nE_SLHelper_XML::ReadString(const char* name, std::string& v)
{
    const char* text = GetText(name);
    if (text) v = text;
    return text != nullptr;
}

bool nE_SLHelper_XML::ReadFloat(const char* name, float& v)
{
    const char* text = GetText(name);
    const float read = text ? ToFloat(nE_ParseFloat(text)) : v;
    if (text && Acceptable(name, {read})) v = read;
    return text != nullptr;
}

bool nE_SLHelper_XML::ReadInt(const char* name, int& v)
{
    const char* text = GetText(name);
    if (text) v = nE_ParseInt(text);
    return text != nullptr;
}

bool nE_SLHelper_XML::ReadUInt(const char* name, uint32_t& v)
{
    const char* text = GetText(name);
    if (text) v = uint32_t(nE_ParseInt(text));
    return text != nullptr;
}

bool nE_SLHelper_XML::ReadBool(const char* name, bool& v)
{
    const char* text = GetText(name);
    if (text) v = nE_ParseInt(text) != 0;
    return text != nullptr;
}

void nE_SLHelper_XML::BeginWriteChild(const char* name)
{
    if (!m_current || !name) return;
    m_current = m_current->LinkEndChild(new TiXmlElement(name))->ToElement();
}

bool nE_SLHelper_XML::BeginReadChild(const char* name, int index)
{
    if (!m_current || !name || index < 0) return false;
    TiXmlElement* child = m_current->FirstChildElement(name);
    for (; child && index > 0; --index)
        child = child->NextSiblingElement(name);
    if (!child) return false;
    m_current = child;
    return true;
}

uint64_t nE_SLHelper_XML::MayHold(const nE_SLKeys& keys)
{
    uint64_t held = keys.Repeated();
    if (!m_current) return held;
    for (const TiXmlAttribute* a = m_current->FirstAttribute(); a; a = a->Next())
    {
        const int key = keys.Find(a->NameTStr());
        if (key >= 0 && size_t(key) < nE_SLKeys::kMaxRuledOut) held |= uint64_t(1) << key;
    }
    return held;
}

void nE_SLHelper_XML::Climb()
{
    if (!m_current || m_current == m_element) return;
    TiXmlNode* parent = m_current->Parent();
    if (parent && parent->ToElement()) m_current = parent->ToElement();
}

void nE_SLHelper_XML::EndWriteChild()
{
    Climb();
}

void nE_SLHelper_XML::EndReadChild()
{
    Climb();
}

// ---------------------------------------------------------------- Lua

namespace
{
// Restores the stack height on every path out of an operation.
class StackGuard
{
public:
    explicit StackGuard(lua_State* L) : m_L(L), m_top(L ? lua_gettop(L) : 0) {}
    ~StackGuard()
    {
        if (m_L) lua_settop(m_L, m_top);
    }
    StackGuard(const StackGuard&) = delete;
    StackGuard& operator=(const StackGuard&) = delete;

private:
    lua_State* m_L;
    int m_top;
};

// Absolute index of the table at the top of the stack with room for `slots`
// more values, or 0 when there is no such table.
int TopTable(lua_State* L, int slots)
{
    if (!L || lua_gettop(L) < 1 || !lua_istable(L, -1) || !lua_checkstack(L, slots)) return 0;
    return lua_gettop(L);
}

// Pushes the named field of the top table and answers its type, or pushes
// nothing and answers LUA_TNONE. Raw access: no metamethod can raise.
int PushField(lua_State* L, const char* name)
{
    int table = TopTable(L, 3);
    if (!table || !name) return LUA_TNONE;
    lua_pushstring(L, name);
    lua_rawget(L, table);
    return lua_type(L, -1);
}

// Numeric reads take lua_tonumber of any value that is set: booleans,
// non-numeric text and tables read as 0.
bool IsSet(int type)
{
    return type != LUA_TNONE && type != LUA_TNIL;
}

template <class Push> void SetField(lua_State* L, const char* name, Push push)
{
    StackGuard guard(L);
    int table = TopTable(L, 4);
    if (!table || !name) return;
    lua_pushstring(L, name);
    push();
    lua_rawset(L, table);
}

void WriteVecField(lua_State* L, const char* name, Floats v)
{
    SetField(L, name,
             [&]
             {
                 lua_createtable(L, int(v.size()), 0);
                 int index = 0;
                 for (float component : v)
                 {
                     lua_pushnumber(L, component);
                     lua_rawseti(L, -2, ++index);
                 }
             });
}

bool ReadVecField(lua_State* L, const char* name, FloatRefs v)
{
    StackGuard guard(L);
    if (PushField(L, name) != LUA_TTABLE) return false;
    int table = lua_gettop(L);
    int index = 0;
    for (float* component : v)
    {
        lua_rawgeti(L, table, ++index);
        if (IsSet(lua_type(L, -1))) *component = ToFloat(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    return true;
}

// Reads a field that is set as a double.
bool ReadNumberField(lua_State* L, const char* name, double& out)
{
    StackGuard guard(L);
    if (!IsSet(PushField(L, name))) return false;
    out = lua_tonumber(L, -1);
    return true;
}
} // namespace

nE_SLHelper_Lua::nE_SLHelper_Lua(lua_State* L, bool infoMode) : nE_SLHelper(infoMode), m_L(L) {}

void nE_SLHelper_Lua::WriteVec3(const char* name, const nE_Vec3& v)
{
    if (CanWrite()) WriteVecField(m_L, name, {v.x, v.y, v.z});
}

void nE_SLHelper_Lua::WriteVec2(const char* name, const nE_SLVec2& v)
{
    if (CanWrite()) WriteVecField(m_L, name, {v[0], v[1]});
}

void nE_SLHelper_Lua::WriteString(const char* name, const std::string& v)
{
    if (CanWrite()) SetField(m_L, name, [&] { lua_pushlstring(m_L, v.data(), v.size()); });
}

void nE_SLHelper_Lua::WriteFloat(const char* name, const float& v)
{
    if (CanWrite()) SetField(m_L, name, [&] { lua_pushnumber(m_L, v); });
}

void nE_SLHelper_Lua::WriteInt(const char* name, const int& v)
{
    if (CanWrite()) SetField(m_L, name, [&] { lua_pushinteger(m_L, v); });
}

void nE_SLHelper_Lua::WriteUInt(const char* name, const uint32_t& v)
{
    if (CanWrite()) SetField(m_L, name, [&] { lua_pushinteger(m_L, lua_Integer(v)); });
}

void nE_SLHelper_Lua::WriteBool(const char* name, const bool& v)
{
    if (CanWrite()) SetField(m_L, name, [&] { lua_pushboolean(m_L, v); });
}

bool nE_SLHelper_Lua::ReadVec3(const char* name, nE_Vec3& v)
{
    return ReadVecField(m_L, name, {&v.x, &v.y, &v.z});
}

bool nE_SLHelper_Lua::ReadVec2(const char* name, nE_SLVec2& v)
{
    return ReadVecField(m_L, name, {&v[0], &v[1]});
}

bool nE_SLHelper_Lua::ReadString(const char* name, std::string& v)
{
    StackGuard guard(m_L);
    int type = PushField(m_L, name);
    if (!IsSet(type)) return false;
    // Any value but text or a number (false, a table) reads as "".
    size_t length = 0;
    const char* text = "";
    if (type == LUA_TSTRING || type == LUA_TNUMBER) text = lua_tolstring(m_L, -1, &length); // our copy
    v.assign(text, length);
    return true;
}

bool nE_SLHelper_Lua::ReadFloat(const char* name, float& v)
{
    double d = 0;
    if (!ReadNumberField(m_L, name, d)) return false;
    v = ToFloat(d);
    return true;
}

bool nE_SLHelper_Lua::ReadInt(const char* name, int& v)
{
    double d = 0;
    if (!ReadNumberField(m_L, name, d)) return false;
    v = int32_t(ToBits32(d));
    return true;
}

bool nE_SLHelper_Lua::ReadUInt(const char* name, uint32_t& v)
{
    double d = 0;
    if (!ReadNumberField(m_L, name, d)) return false;
    v = ToBits32(d);
    return true;
}

bool nE_SLHelper_Lua::ReadBool(const char* name, bool& v)
{
    StackGuard guard(m_L);
    int type = PushField(m_L, name);
    if (type == LUA_TBOOLEAN)
        v = lua_toboolean(m_L, -1) != 0;
    else if (type == LUA_TNUMBER || type == LUA_TSTRING)
        v = nE_ParseInt(lua_tostring(m_L, -1)) != 0; // integer part of the text form
    else
        return false;
    return true;
}

void nE_SLHelper_Lua::BeginWriteChild(const char*) {}
void nE_SLHelper_Lua::EndWriteChild() {}
bool nE_SLHelper_Lua::BeginReadChild(const char*, int)
{
    return false;
}

void nE_SLHelper_Lua::EndReadChild() {}
