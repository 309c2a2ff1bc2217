#pragma once
// A kind's persisted properties as one table that both Load and Save walk: a
// row names the key and where its value lives in the object, and the value's
// type picks the nE_SLHelper read and write that serve it. Load reads and Save
// writes the rows in table order, so a saved element lists its keys in that
// order, and a key cannot be read under one name and written under another.
// What does not fit a row (a value converted on the way, a key only read, a
// read with side effects) stays explicit in the kind's Load and Save.

#include "engine/core/nE_SLHelper.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

// Where a row's value lives in one object.
using nE_PropertyRef = std::variant<bool*, int*, uint32_t*, float*, std::string*, nE_SLVec2*, nE_Vec3*>;
// A value for a row's field; empty for none.
using nE_PropertyValue =
    std::variant<std::monostate, bool, int, uint32_t, float, std::string, nE_SLVec2, nE_Vec3>;

// The helper's read of the field's type; false (the field untouched) when
// the source lacks the key.
bool nE_ReadProperty(nE_SLHelper& sl, const char* key, const nE_PropertyRef& field);
void nE_WriteProperty(nE_SLHelper& sl, const char* key, const nE_PropertyRef& field);
// Numbers convert to the field's type; a value of another kind, or none,
// leaves the field as it is.
void nE_SetProperty(const nE_PropertyRef& field, const nE_PropertyValue& value);

template <class Owner> struct nE_Property
{
    using At = nE_PropertyRef (*)(Owner&);
    using When = bool (*)(const Owner&);
    using Then = void (*)(Owner&);

    nE_Property(const char* name, At field) : key(name), at(field) {}

    // Read and written only while `w` answers true, asked when the row's turn
    // comes (so after the rows above it were read).
    nE_Property OnlyWhen(When w) const
    {
        nE_Property row = *this;
        row.when = w;
        return row;
    }
    // Runs after Load found the key.
    nE_Property AfterRead(Then t) const
    {
        nE_Property row = *this;
        row.afterRead = t;
        return row;
    }
    // What the kind's SetDefaults sets the field to (nE_ResetProperties).
    template <class T> nE_Property Reset(T value) const
    {
        nE_Property row = *this;
        row.reset = value;
        return row;
    }
    nE_Property Reset(const char* value) const { return Reset(std::string(value)); }

    const char* key;
    At at;
    When when = nullptr;
    Then afterRead = nullptr;
    nE_PropertyValue reset; // empty: SetDefaults leaves the field alone
};

// The rows in order, with their keys indexed (so that a Load reads only the
// rows whose key the source may hold) and the rows SetDefaults sets listed.
template <class Owner> class nE_PropertyTable
{
public:
    using Row = nE_Property<Owner>;

    nE_PropertyTable(std::initializer_list<Row> rows) : m_rows(rows), m_keys(KeysOf(m_rows))
    {
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].reset.index() != 0) m_resets.push_back(i);
    }

    size_t size() const { return m_rows.size(); }
    const Row& operator[](size_t i) const { return m_rows[i]; }
    typename std::vector<Row>::const_iterator begin() const { return m_rows.begin(); }
    typename std::vector<Row>::const_iterator end() const { return m_rows.end(); }
    const nE_SLKeys& Keys() const { return m_keys; }
    const std::vector<size_t>& ResetRows() const { return m_resets; }

private:
    static std::vector<const char*> KeysOf(const std::vector<Row>& rows)
    {
        std::vector<const char*> keys;
        for (const Row& row : rows)
            keys.push_back(row.key);
        return keys;
    }

    std::vector<Row> m_rows;
    nE_SLKeys m_keys;
    std::vector<size_t> m_resets;
};

// A row's field: NE_PROPERTY_AT(m_x), NE_PROPERTY_AT(m_state.alpha). The
// table is built inside the kind's own scope, which may name its members.
#define NE_PROPERTY_AT(member) [](auto& o) -> nE_PropertyRef { return &o.member; }
// A row's condition: a flag of the owner.
#define NE_PROPERTY_IF(flag) [](const auto& o) { return bool(o.flag); }

// A row whose key the source surely lacks is passed over: its read would
// find nothing and change nothing.
template <class Owner>
void nE_LoadProperties(nE_SLHelper& sl, const nE_PropertyTable<Owner>& table, Owner& owner)
{
    const uint64_t held = sl.MayHold(table.Keys());
    for (size_t i = 0; i < table.size(); ++i)
    {
        if (!nE_SLKeys::Maybe(held, i)) continue;
        const nE_Property<Owner>& row = table[i];
        if ((!row.when || row.when(owner)) && nE_ReadProperty(sl, row.key, row.at(owner)) && row.afterRead)
            row.afterRead(owner);
    }
}

template <class Owner>
void nE_SaveProperties(nE_SLHelper& sl, const nE_PropertyTable<Owner>& table, Owner& owner)
{
    for (const nE_Property<Owner>& row : table)
        if (!row.when || row.when(owner)) nE_WriteProperty(sl, row.key, row.at(owner));
}

template <class Owner> void nE_ResetProperties(const nE_PropertyTable<Owner>& table, Owner& owner)
{
    for (size_t i : table.ResetRows())
        nE_SetProperty(table[i].at(owner), table[i].reset);
}
