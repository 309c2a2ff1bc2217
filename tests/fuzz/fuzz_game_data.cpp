// The player's game data from Lua to file and back: a table "ng_global" built
// from the input (keys of every kind, numbers to their extremes, strings of
// any bytes, nested, cyclic and very deep tables, functions), saved by the
// profile list as the game saves it, then loaded into an empty "ng_global".
// Every entry the writer can store comes back with its key and value
// (numbers to their 14 saved digits); nothing else comes back.
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_NumText.h"
#include "fuzz_support.h"
#include "game/app/nG_ProfileList.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <map>

namespace
{
// Tables nested deeper than this are not saved.
const int kSavedDepth = 500;

const char* const kKeyWords[] = {"gold", "2nd_visit", "007", "1", "0", "-0", "-7", "a b", "", "é", "a:b", ".5",
                                 "inf", "nan", "<&>", "1e3", "123456789012345", "1234567890123456"};
const char* const kStrings[] = {"", " ", "  ", "\n", "\r\n", "\t", "a\0b", "&amp;", "<x/>", "\"'", "\xff\xfe",
                                "\xc3\xa9", "]]>", "-->"};

void PushKey(lua_State* L, FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 5))
    {
    case 0: lua_pushinteger(L, in.ConsumeIntegralInRange(-3, 20)); break;
    case 1: lua_pushnumber(L, 1e15 + in.ConsumeIntegralInRange(-2, 2)); break;
    case 2: lua_pushnumber(L, in.ConsumeFloatingPoint<double>()); break;
    case 3: lua_pushstring(L, kKeyWords[in.ConsumeIntegralInRange<size_t>(0, std::size(kKeyWords) - 1)]); break;
    case 4: lua_pushboolean(L, 1); break;
    default:
    {
        const std::string key = in.ConsumeRandomLengthString(12);
        lua_pushlstring(L, key.data(), key.size());
    }
    }
}

void PushTable(lua_State* L, FuzzedDataProvider& in, int depth);

// A value; `ancestors` holds the stack indices of the tables being filled.
void PushValue(lua_State* L, FuzzedDataProvider& in, int depth, const std::vector<int>& ancestors)
{
    switch (in.ConsumeIntegralInRange(0, 9))
    {
    case 0: lua_pushnumber(L, in.ConsumeFloatingPoint<double>()); break;
    case 1: lua_pushnumber(L, in.PickValueInArray({0.0, -0.0, 1e300, -1e-300, 5e-324, 0.1, 1.0 / 3.0})); break;
    case 2: lua_pushnumber(L, in.PickValueInArray({HUGE_VAL, -HUGE_VAL, std::nan("")})); break;
    case 3: lua_pushboolean(L, in.ConsumeBool()); break;
    case 4:
    {
        const std::string text = in.ConsumeRandomLengthString(40);
        lua_pushlstring(L, text.data(), text.size());
        break;
    }
    case 5:
    {
        const size_t i = in.ConsumeIntegralInRange<size_t>(0, std::size(kStrings) - 1);
        lua_pushlstring(L, kStrings[i], i == 6 ? 3 : std::strlen(kStrings[i]));
        break;
    }
    case 6:
        if (depth < 6)
        {
            PushTable(L, in, depth + 1);
            break;
        }
        [[fallthrough]];
    case 7: lua_pushvalue(L, ancestors[in.ConsumeIntegralInRange<size_t>(0, ancestors.size() - 1)]); break;
    case 8:
    {
        // A chain of tables around the saved depth, a number at its end.
        const int length = in.ConsumeIntegralInRange(kSavedDepth - 3, kSavedDepth + 3);
        lua_pushnumber(L, length);
        for (int i = 0; i < length; ++i)
        {
            lua_newtable(L);
            lua_insert(L, -2);
            lua_rawseti(L, -2, 1);
        }
        break;
    }
    default: lua_pushcfunction(L, [](lua_State*) { return 0; });
    }
}

std::vector<int> g_ancestors;

void PushTable(lua_State* L, FuzzedDataProvider& in, int depth)
{
    lua_newtable(L);
    g_ancestors.push_back(lua_gettop(L));
    for (int n = in.ConsumeIntegralInRange(0, 8); n > 0 && in.remaining_bytes() > 0; --n)
    {
        PushKey(L, in);
        PushValue(L, in, depth, g_ancestors);
        if (lua_type(L, -2) == LUA_TNUMBER && std::isnan(lua_tonumber(L, -2)))
            lua_pop(L, 2); // no table takes it
        else
            lua_rawset(L, -3);
    }
    g_ancestors.pop_back();
}

// ---- what comes back ----

bool IsNameText(const std::string& text)
{
    for (unsigned char c : text)
        if (!(std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':' || c >= 0x80)) return false;
    return true;
}

// The key as it reads back ("n" + number or "s" + text), or "" when not saved.
std::string SavedKey(lua_State* L, int index)
{
    std::string text;
    if (lua_type(L, index) == LUA_TSTRING)
    {
        size_t length = 0;
        const char* s = lua_tolstring(L, index, &length);
        text.assign(s, length);
    }
    else if (lua_type(L, index) == LUA_TNUMBER)
    {
        const double key = lua_tonumber(L, index);
        text = std::floor(key) == key && std::fabs(key) < 1e15 ? std::to_string((long long)key) : nE_FormatG(key, 14);
    }
    if (lua_type(L, index) != LUA_TSTRING && lua_type(L, index) != LUA_TNUMBER) return "";
    if (!IsNameText(text)) return "";
    const size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
    bool whole = text.size() > first && text.size() - first <= 15;
    for (size_t i = first; whole && i < text.size(); ++i)
        whole = std::isdigit(static_cast<unsigned char>(text[i]));
    if (whole && std::stoll(text) != 0) return "n" + std::to_string(std::stoll(text));
    return "s" + text;
}

bool Same(lua_State* L, int saved, int loaded, int depth, std::vector<const void*>& path);

// Whether the value at `loaded` is what the one at `saved` saves as.
bool SameValue(lua_State* L, int saved, int loaded, int depth, std::vector<const void*>& path)
{
    const int type = lua_type(L, saved);
    if (type != lua_type(L, loaded)) return false;
    if (type == LUA_TBOOLEAN) return lua_toboolean(L, saved) == lua_toboolean(L, loaded);
    if (type == LUA_TNUMBER)
    {
        const double want = nE_ParseFloat(nE_FormatG(lua_tonumber(L, saved), 14).c_str()),
                     got = lua_tonumber(L, loaded);
        return want == got || (std::isnan(want) && std::isnan(got));
    }
    if (type == LUA_TSTRING)
    {
        size_t a = 0, b = 0;
        const char* x = lua_tolstring(L, saved, &a);
        const char* y = lua_tolstring(L, loaded, &b);
        return std::string(x, a) == std::string(y, b);
    }
    return type == LUA_TTABLE && Same(L, saved, loaded, depth + 1, path);
}

// Whether an entry is saved: data, a key that names an element, and no
// table that holds itself or lies too deep.
bool Saved(lua_State* L, int value, int depth, const std::vector<const void*>& path)
{
    const int type = lua_type(L, value);
    if (type == LUA_TTABLE)
        return depth + 1 < kSavedDepth && std::find(path.begin(), path.end(), lua_topointer(L, value)) == path.end();
    return type == LUA_TNUMBER || type == LUA_TBOOLEAN || type == LUA_TSTRING;
}

// Every loaded entry is the saved value of a key that reads back so, and every
// such key came back. Keys that read back alike (1 and "1") share one entry,
// whose value is either's, or both tables merged: only its presence counts.
bool Same(lua_State* L, int saved, int loaded, int depth, std::vector<const void*>& path)
{
    saved = saved > 0 ? saved : lua_gettop(L) + saved + 1;
    loaded = loaded > 0 ? loaded : lua_gettop(L) + loaded + 1;
    path.push_back(lua_topointer(L, saved));
    std::map<std::string, std::vector<int>> expected; // key -> stack slots of candidate values
    const int base = lua_gettop(L);
    lua_pushnil(L);
    while (lua_next(L, saved))
    {
        if (!lua_checkstack(L, 8)) std::abort();
        const std::string key = Saved(L, -1, depth, path) ? SavedKey(L, -2) : "";
        if (!key.empty()) expected[key].push_back(lua_gettop(L));
        lua_pushvalue(L, -2); // the value stays as a candidate, the key goes on
    }
    bool same = true;
    size_t found = 0;
    lua_pushnil(L);
    while (same && lua_next(L, loaded))
    {
        const auto it = expected.find(SavedKey(L, -2));
        same = it != expected.end();
        bool any = same && it->second.size() > 1;
        for (size_t i = 0; same && !any && i < it->second.size(); ++i)
            any = SameValue(L, it->second[i], lua_gettop(L), depth, path);
        same = same && any;
        found += same;
        lua_pop(L, 1);
    }
    lua_settop(L, base);
    path.pop_back();
    return same && found == expected.size();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static nG_ProfileList* profiles = []
    {
        fuzz::Scratch();
        nE_EngineContext::Instance();
        auto* list = new nG_ProfileList();
        list->Add("Anna");
        list->SetCurrent("Anna");
        return list;
    }();
    lua_State* L = nE_GetLua();
    lua_settop(L, 0);
    if (!lua_checkstack(L, 4 * kSavedDepth)) std::abort();
    FuzzedDataProvider in(data, size);
    PushTable(L, in, 0);
    lua_pushvalue(L, 1);
    lua_setfield(L, LUA_GLOBALSINDEX, "ng_global");
    if (!profiles->SaveGame()) std::abort();
    lua_newtable(L);
    lua_setfield(L, LUA_GLOBALSINDEX, "ng_global");
    if (!profiles->LoadGame()) std::abort();
    lua_getfield(L, LUA_GLOBALSINDEX, "ng_global");
    std::vector<const void*> path;
    if (!Same(L, 1, 2, 0, path)) std::abort();
    lua_settop(L, 0);
    lua_pushnil(L);
    lua_setfield(L, LUA_GLOBALSINDEX, "ng_global");
    lua_gc(L, LUA_GCCOLLECT, 0);
    return 0;
}
