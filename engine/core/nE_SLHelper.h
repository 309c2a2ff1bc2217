#pragma once
// Named-value persistence. An object's Load/Save is written once against
// nE_SLHelper and then serves two stores: XML attributes (object trees) and
// the fields of a Lua table (script access to properties).

#include "engine/core/nE_Math.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <lua.hpp>
#include <string>
#include <string_view>
#include <tinyxml.h>
#include <vector>

// Two floats x, y; three-float values are nE_Vec3.
using nE_SLVec2 = std::array<float, 2>;

// A fixed list of key names, numbered in order and found by name without a
// scan, so that a source searched key by key can tell in one pass over what
// it holds which keys a table would find.
class nE_SLKeys
{
public:
    // Keys from this number on are never ruled out.
    static const size_t kMaxRuledOut = 64;

    explicit nE_SLKeys(std::vector<const char*> names);
    // The key's number, or -1.
    int Find(std::string_view name) const;
    // Whether key `index` may be held, by the answer of nE_SLHelper::MayHold.
    static bool Maybe(uint64_t held, size_t index) { return index >= kMaxRuledOut || (held >> index & 1u); }
    // Bits of the keys that repeat an earlier one (Find answers the first).
    uint64_t Repeated() const { return m_repeated; }

private:
    std::vector<const char*> m_names;
    std::vector<int> m_slots; // open addressing by hash; -1 empty
    uint64_t m_repeated = 0;
};

class nE_SLHelper
{
public:
    explicit nE_SLHelper(bool infoMode) : m_infoMode(infoMode) {}
    virtual ~nE_SLHelper() = default;

    // Writes create or overwrite the named value. Reads answer false and leave
    // the target untouched when the value is absent or cannot be read as asked.
    virtual void WriteVec3(const char* name, const nE_Vec3& v) = 0;
    virtual void WriteVec2(const char* name, const nE_SLVec2& v) = 0;
    virtual void WriteString(const char* name, const std::string& v) = 0;
    virtual void WriteFloat(const char* name, const float& v) = 0;
    virtual void WriteInt(const char* name, const int& v) = 0;
    virtual void WriteUInt(const char* name, const uint32_t& v) = 0;
    virtual void WriteBool(const char* name, const bool& v) = 0;

    virtual bool ReadVec3(const char* name, nE_Vec3& v) = 0;
    virtual bool ReadVec2(const char* name, nE_SLVec2& v) = 0;
    virtual bool ReadString(const char* name, std::string& v) = 0;
    virtual bool ReadFloat(const char* name, float& v) = 0;
    virtual bool ReadInt(const char* name, int& v) = 0;
    virtual bool ReadUInt(const char* name, uint32_t& v) = 0;
    virtual bool ReadBool(const char* name, bool& v) = 0;

    virtual void BeginWriteChild(const char* name) = 0;
    virtual void EndWriteChild() = 0;
    virtual bool BeginReadChild(const char* name, int index) = 0;
    virtual void EndReadChild() = 0;

    // Bit i clear: reading key i of `keys` would find nothing. A source that
    // cannot tell cheaply rules nothing out.
    virtual uint64_t MayHold(const nE_SLKeys&) { return ~uint64_t(0); }

    // Info values are reports rather than state (sizes derived from content);
    // they are written only when the helper was made in info mode.
    bool GetInfoMode() const { return m_infoMode; }
    bool GetInfoValue() const { return m_infoValue; }
    void SetInfoValue(bool on) { m_infoValue = on; }

protected:
    bool CanWrite() const { return m_infoMode || !m_infoValue; }

private:
    bool m_infoMode = false;
    bool m_infoValue = false;
};

// Values are attributes of the current element. Child elements nest; the
// helper never climbs above the element it was made on. Owns nothing.
class nE_SLHelper_XML : public nE_SLHelper
{
public:
    explicit nE_SLHelper_XML(TiXmlElement* element, bool infoMode = false);

    void WriteVec3(const char* name, const nE_Vec3& v) override;
    void WriteVec2(const char* name, const nE_SLVec2& v) override;
    void WriteString(const char* name, const std::string& v) override;
    void WriteFloat(const char* name, const float& v) override;
    void WriteInt(const char* name, const int& v) override;
    void WriteUInt(const char* name, const uint32_t& v) override;
    void WriteBool(const char* name, const bool& v) override;

    bool ReadVec3(const char* name, nE_Vec3& v) override;
    bool ReadVec2(const char* name, nE_SLVec2& v) override;
    bool ReadString(const char* name, std::string& v) override;
    bool ReadFloat(const char* name, float& v) override;
    bool ReadInt(const char* name, int& v) override;
    bool ReadUInt(const char* name, uint32_t& v) override;
    bool ReadBool(const char* name, bool& v) override;

    void BeginWriteChild(const char* name) override;
    void EndWriteChild() override;
    bool BeginReadChild(const char* name, int index) override;
    void EndReadChild() override;
    // One look at each attribute instead of a search per key.
    uint64_t MayHold(const nE_SLKeys& keys) override;

    TiXmlElement* GetElement() const { return m_element; }
    TiXmlElement* GetCurrent() const { return m_current; }
    // For content read from the file `source`: a float or vector that is not
    // finite (nan, inf, out of range) is not taken (the value stays as it
    // was; the read still answers that the name is there), and the file is
    // named once.
    void RefuseNonFinite(const std::string& source) { m_source = source; }

private:
    void SetText(const char* name, const std::string& text);
    const char* GetText(const char* name) const;
    void Climb();
    // Whether the values may be taken; false (named once per file) when refused.
    bool Acceptable(const char* name, std::initializer_list<float> values) const;

    TiXmlElement* m_element;
    TiXmlElement* m_current;
    std::string m_source; // empty: every value is taken
};

// Values are fields of the table at the top of the Lua stack when each
// operation runs. Every operation leaves the stack as it found it and never
// raises a Lua error; access is raw (metamethods are not run).
class nE_SLHelper_Lua : public nE_SLHelper
{
public:
    explicit nE_SLHelper_Lua(lua_State* L, bool infoMode = false);

    void WriteVec3(const char* name, const nE_Vec3& v) override;
    void WriteVec2(const char* name, const nE_SLVec2& v) override;
    void WriteString(const char* name, const std::string& v) override;
    void WriteFloat(const char* name, const float& v) override;
    void WriteInt(const char* name, const int& v) override;
    void WriteUInt(const char* name, const uint32_t& v) override;
    void WriteBool(const char* name, const bool& v) override;

    bool ReadVec3(const char* name, nE_Vec3& v) override;
    bool ReadVec2(const char* name, nE_SLVec2& v) override;
    bool ReadString(const char* name, std::string& v) override;
    bool ReadFloat(const char* name, float& v) override;
    bool ReadInt(const char* name, int& v) override;
    bool ReadUInt(const char* name, uint32_t& v) override;
    bool ReadBool(const char* name, bool& v) override;

    // A table has no named children here: reading one always fails, and
    // the other three do nothing.
    void BeginWriteChild(const char* name) override;
    void EndWriteChild() override;
    bool BeginReadChild(const char* name, int index) override;
    void EndReadChild() override;

private:
    lua_State* m_L;
};
