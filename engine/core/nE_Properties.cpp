#include "engine/core/nE_Properties.h"

#include <type_traits>

namespace
{
struct Reader
{
    nE_SLHelper& sl;
    const char* key;
    bool operator()(bool* v) const { return sl.ReadBool(key, *v); }
    bool operator()(int* v) const { return sl.ReadInt(key, *v); }
    bool operator()(uint32_t* v) const { return sl.ReadUInt(key, *v); }
    bool operator()(float* v) const { return sl.ReadFloat(key, *v); }
    bool operator()(std::string* v) const { return sl.ReadString(key, *v); }
    bool operator()(nE_SLVec2* v) const { return sl.ReadVec2(key, *v); }
    bool operator()(nE_Vec3* v) const { return sl.ReadVec3(key, *v); }
};

struct Writer
{
    nE_SLHelper& sl;
    const char* key;
    void operator()(bool* v) const { sl.WriteBool(key, *v); }
    void operator()(int* v) const { sl.WriteInt(key, *v); }
    void operator()(uint32_t* v) const { sl.WriteUInt(key, *v); }
    void operator()(float* v) const { sl.WriteFloat(key, *v); }
    void operator()(std::string* v) const { sl.WriteString(key, *v); }
    void operator()(nE_SLVec2* v) const { sl.WriteVec2(key, *v); }
    void operator()(nE_Vec3* v) const { sl.WriteVec3(key, *v); }
};

template <class Field, class Value> void Assign(Field* field, const Value& value)
{
    if constexpr (std::is_same_v<Field, Value>)
        *field = value;
    else if constexpr (std::is_arithmetic_v<Field> && std::is_arithmetic_v<Value>)
        *field = static_cast<Field>(value);
}
} // namespace

bool nE_ReadProperty(nE_SLHelper& sl, const char* key, const nE_PropertyRef& field)
{
    return std::visit(Reader{sl, key}, field);
}

void nE_WriteProperty(nE_SLHelper& sl, const char* key, const nE_PropertyRef& field)
{
    std::visit(Writer{sl, key}, field);
}

void nE_SetProperty(const nE_PropertyRef& field, const nE_PropertyValue& value)
{
    std::visit(
        [](auto* f, const auto& v)
        {
            if constexpr (!std::is_same_v<std::decay_t<decltype(v)>, std::monostate>) Assign(f, v);
        },
        field, value);
}
