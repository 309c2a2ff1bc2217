#pragma once
// Lua table <-> XML element tree, for game state saved per profile. Each
// entry becomes one element named by a type prefix ("n_", "b_", "s_", "t_")
// followed by its key; scalar values sit in the attribute "v".

#include <cstdint>
#include <lua.hpp>
#include <memory>
#include <tinyxml.h>

// A new element called `name` holding the entries of the table at the top of
// the stack (the table stays on the stack). Entries that cannot be stored
// (functions, keys that are not XML names, a table inside itself) are left
// out with a warning.
std::unique_ptr<TiXmlElement> nE_LuaTableToXml(const char* name, lua_State* L);

// Fills the table at the top of the stack from the element's children; every
// nested table is made afresh.
void nE_XmlToLuaTable(const TiXmlElement* element, lua_State* L);

// The same, merging: a nested table that already exists is filled in place,
// so fields the XML does not mention keep their values.
void nE_XmlToLuaTableRecursive(const TiXmlElement* element, lua_State* L);

// Sum of the bytes taken unsigned, modulo 2^32; 0 for a length below 1.
uint32_t nE_ByteSum(const unsigned char* data, int length);
