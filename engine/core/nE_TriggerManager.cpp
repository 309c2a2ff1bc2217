#include "engine/core/nE_TriggerManager.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_LuaGuard.h"

#include <cstring>
#include <lua.hpp>

namespace
{
// Plain loops: the standard finders go through memchr once per character.
bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsBlank(std::string_view text)
{
    for (char c : text)
        if (!IsSpace(c)) return false;
    return true;
}

// Raw access: a metatable on the globals table must not raise errors
// through our frames.
void GetGlobalRaw(lua_State* L, const char* name)
{
    lua_pushstring(L, name);
    lua_rawget(L, LUA_GLOBALSINDEX);
}

// Loads and runs a chunk, keeping none of its results; on failure leaves
// the error text on the stack and answers the status.
int RunChunk(lua_State* L, const std::string& code)
{
    const int status = luaL_loadstring(L, code.c_str());
    return status != 0 ? status : nE_LuaCall(L, 0, 0);
}

// Each state keeps one trigger table, in a registry slot whose number is
// filed under our tag: at slot 1 the compiled code of every trigger, by its
// number (also "ne_trigger_chunks" in the registry, for looking into); then
// the key strings a call sets: "ne_params", "sender", "param_0", "param_1"...
// Fetched by number, so that a call neither compiles nor hashes anything.
const char kTableTag = 0;
enum
{
    kChunksSlot = 1,
    kParamsKey,
    kSenderKey,
    kFirstParamKey
};

// The registry slot of the state's trigger table, made the first time.
int TriggerTableRef(lua_State* L)
{
    lua_pushlightuserdata(L, const_cast<char*>(&kTableTag));
    lua_rawget(L, LUA_REGISTRYINDEX);
    int ref = int(lua_tointeger(L, -1));
    lua_pop(L, 1);
    if (ref > 0)
    {
        lua_rawgeti(L, LUA_REGISTRYINDEX, ref);
        bool found = lua_istable(L, -1);
        lua_pop(L, 1);
        if (found) return ref;
    }
    lua_createtable(L, 8, 0);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, "ne_trigger_chunks");
    lua_rawseti(L, -2, kChunksSlot);
    ref = luaL_ref(L, LUA_REGISTRYINDEX);
    lua_pushlightuserdata(L, const_cast<char*>(&kTableTag));
    lua_pushinteger(L, ref);
    lua_rawset(L, LUA_REGISTRYINDEX);
    return ref;
}

// Pushes the compiled-code table; answers its index.
int PushChunkTable(lua_State* L, int table)
{
    if (!table)
    {
        lua_rawgeti(L, LUA_REGISTRYINDEX, TriggerTableRef(L));
        table = lua_gettop(L);
    }
    lua_rawgeti(L, table, kChunksSlot);
    return lua_gettop(L);
}

// Adds the key strings up to slot `last` to the trigger table on top;
// answers the last slot made.
int MakeKeys(lua_State* L, int last)
{
    int slot = int(lua_objlen(L, -1)) + 1;
    for (; slot <= last; ++slot)
    {
        if (slot == kParamsKey)
            lua_pushliteral(L, "ne_params");
        else if (slot == kSenderKey)
            lua_pushliteral(L, "sender");
        else
            lua_pushstring(L, ("param_" + std::to_string(slot - kFirstParamKey)).c_str());
        lua_rawseti(L, -2, slot);
    }
    return slot - 1;
}
} // namespace

// The first words of the pieces of a parameter text, in one pass: pieces end
// at commas outside parentheses; a piece left inside an unclosed parenthesis
// is dropped. Views into the text.
class nE_TriggerManager::ParamWords
{
public:
    explicit ParamWords(const std::string& text)
    {
        const char* begin = text.data();
        const char* end = begin + text.size();
        int open = 0;
        for (const char* p = begin; p != end; ++p)
        {
            if (*p == '(')
                ++open;
            else if (*p == ')')
                open -= open > 0;
            else if (*p == ',' && open == 0)
            {
                Add(begin, p);
                begin = p + 1;
            }
        }
        if (open == 0 && !text.empty()) Add(begin, end);
    }
    int Count() const { return m_count; }
    std::string_view operator[](int i) const
    {
        return i < kInline ? std::string_view(m_inline[i].data, m_inline[i].size) : m_more[i - kInline];
    }

private:
    // Keeps the piece's first white-space separated word (empty for a blank
    // piece); like the C string it once went through, a word ends at a NUL.
    void Add(const char* begin, const char* end)
    {
        while (begin != end && IsSpace(*begin))
            ++begin;
        const char* word = begin;
        while (word != end && *word != '\0' && !IsSpace(*word))
            ++word;
        size_t size = size_t(word - begin);
        if (m_count < kInline)
            m_inline[m_count] = {begin, size};
        else
            m_more.emplace_back(begin, size);
        ++m_count;
    }

    // Left unset until used: a call pays only for its own parameters.
    struct Word
    {
        const char* data;
        size_t size;
    };
    static const int kInline = 8;
    Word m_inline[kInline];
    std::vector<std::string_view> m_more;
    int m_count = 0;
};

namespace
{
// Live triggers are numbered densely; a trigger's compiled code sits in a
// state's chunk table at its number (an array slot: cheaper to reach than a
// key made of its address). A number is reused only after its trigger is
// gone, and a trigger trusts its slot only once it filled it itself.
std::vector<int>& FreeNumbers()
{
    static auto* numbers = new std::vector<int>(); // outlives static triggers
    return *numbers;
}

int TakeNumber()
{
    static int next = 0;
    std::vector<int>& free = FreeNumbers();
    if (free.empty()) return ++next;
    int number = free.back();
    free.pop_back();
    return number;
}
} // namespace

nE_Trigger::nE_Trigger(const std::string& name, const std::string& code)
    : m_name(name), m_code(code), m_number(TakeNumber())
{
}

nE_Trigger::~nE_Trigger()
{
    FreeNumbers().push_back(m_number);
}

void nE_Trigger::SetCode(const std::string& code)
{
    m_code = code;
    m_chunkState = nullptr;
}

void nE_Trigger::Execute(lua_State* L, int table)
{
    if (m_code.empty() || !L) return;
    int top = lua_gettop(L);
    const int status = PushChunk(L, table) ? nE_LuaCall(L, 0, LUA_MULTRET) : LUA_ERRSYNTAX;
    if (status != 0 && !nE_LogIfStopped(L, status, m_name))
        nE_LogFmt2("Error: trigger %s try to execute - lua error: %s", m_name, lua_tostring(L, -1));
    lua_settop(L, top);
}

// The compiled code on top, or the compile error (false); what lies below
// it is for Execute to drop with the rest.
bool nE_Trigger::PushChunk(lua_State* L, int table)
{
    if (!m_keepChunk) return luaL_loadstring(L, m_code.c_str()) == 0;
    int chunks = PushChunkTable(L, table);
    if (m_chunkState == L)
    {
        lua_rawgeti(L, chunks, m_number);
        if (lua_isfunction(L, -1)) return true;
        lua_pop(L, 1);
    }
    m_chunkState = nullptr;
    if (luaL_loadstring(L, m_code.c_str()) != 0) return false;
    lua_pushvalue(L, -1);
    lua_rawseti(L, chunks, m_number);
    m_chunkState = L;
    return true;
}

void nE_Trigger::ForgetChunk(lua_State* L)
{
    m_keepChunk = false;
    if (!L || m_chunkState != L || !lua_checkstack(L, 4)) return;
    m_chunkState = nullptr;
    int top = lua_gettop(L);
    int chunks = PushChunkTable(L, 0);
    lua_pushnil(L);
    lua_rawseti(L, chunks, m_number);
    lua_settop(L, top);
}

nE_TriggerManager::nE_TriggerManager(lua_State* L) : m_lua(L) {}

// The Lua state may be closed already: only the C++ side is dropped.
nE_TriggerManager::~nE_TriggerManager()
{
    m_triggers.clear();
    m_queue.clear();
}

bool nE_TriggerManager::AddTrigger(std::unique_ptr<nE_Trigger> trigger)
{
    if (!trigger) return false;
    std::string name = trigger->GetName();
    if (m_triggers.count(name)) return false;
    m_triggers[name] = std::shared_ptr<nE_Trigger>(std::move(trigger));
    return true;
}

nE_Trigger* nE_TriggerManager::GetTrigger(const std::string& name) const
{
    auto it = m_triggers.find(name);
    return it == m_triggers.end() ? nullptr : it->second.get();
}

bool nE_TriggerManager::RemoveTrigger(const std::string& name)
{
    auto it = m_triggers.find(name);
    if (it == m_triggers.end()) return false;
    it->second->ForgetChunk(m_lua);
    m_triggers.erase(it);
    return true;
}

bool nE_TriggerManager::PrepareCall(nE_TriggerCall& out, const std::string& sender,
                                    const std::string& text) const
{
    if (IsBlank(text)) return false;
    const char* paren = static_cast<const char*>(std::memchr(text.data(), '(', text.size()));
    size_t open = paren ? size_t(paren - text.data()) : std::string::npos;
    std::string_view name = std::string_view(text).substr(0, open);
    auto it = m_triggers.find(name);
    if (it != m_triggers.end())
    {
        if (open == std::string::npos)
            out.params.clear();
        else if (text.back() != ')') // only the last character closes; anything after it drops the call
            return false;
        else
            out.params.assign(text.data() + open + 1, text.size() - open - 2);
        out.trigger = it->second;
        out.sender = sender;
        return true;
    }
    if (text[0] == '*')
    {
        out.trigger.reset();
        out.params.assign(text, 1);
        out.sender = sender;
        return true;
    }
    nE_LogFmt2("Error: object %s try to call trigger %s - no such trigger", sender, std::string(name));
    return false;
}

bool nE_TriggerManager::Post(const std::string& sender, const std::string& text)
{
    nE_TriggerCall call;
    if (!PrepareCall(call, sender, text)) return false;
    m_queue.push_back(std::move(call));
    return true;
}

bool nE_TriggerManager::Call(const std::string& sender, const std::string& text)
{
    nE_TriggerCall call;
    if (!PrepareCall(call, sender, text)) return false;
    RunCall(call);
    return true;
}

void nE_TriggerManager::Update()
{
    if (m_queue.empty()) return;
    std::vector<nE_TriggerCall> batch;
    batch.swap(m_queue);
    unsigned generation = m_generation;
    for (const nE_TriggerCall& call : batch)
    {
        if (generation != m_generation) break; // cleared by a call of this batch
        RunCall(call);
    }
}

bool nE_TriggerManager::HasQueuedCallFrom(const std::string& sender) const
{
    for (const nE_TriggerCall& call : m_queue)
        if (call.sender == sender) return true;
    return false;
}

void nE_TriggerManager::Clear()
{
    for (auto& entry : m_triggers)
        entry.second->ForgetChunk(m_lua);
    m_triggers.clear();
    m_queue.clear();
    ++m_generation;
}

// The call is copied so that it (and its trigger) outlive anything the Lua
// code does to the queue or the trigger map.
void nE_TriggerManager::Run(const nE_TriggerCall& call)
{
    const nE_TriggerCall running = call;
    RunCall(running);
}

// The enclosing call's "ne_params" table is kept on the stack and put back
// afterwards, untouched; the outermost call leaves its own in place.
void nE_TriggerManager::RunCall(const nE_TriggerCall& call)
{
    lua_State* L = m_lua;
    if (!L || !lua_checkstack(L, 12)) return;
    // Also for a nested call: a memory error here would jump over this frame.
    const nE_LuaOwnPushes own(L);
    int base = lua_gettop(L), table = base + 1;
    ParamWords words(call.params);
    PushTriggerTable(kFirstParamKey + words.Count() - 1);
    bool nested = !m_stack.empty();
    if (nested)
    {
        lua_rawgeti(L, table, kParamsKey);
        lua_rawget(L, LUA_GLOBALSINDEX);
    }
    m_stack.push_back(&call);
    PushParams(call, table, words);
    RunCode(call, table);
    m_stack.pop_back();
    if (nested)
    {
        lua_rawgeti(L, table, kParamsKey);
        lua_pushvalue(L, table + 1);
        lua_rawset(L, LUA_GLOBALSINDEX);
    }
    lua_settop(L, base);
}

// The manager keeps the table's registry slot for its state, and how many
// keys it knows are made (other managers of the state may add more).
void nE_TriggerManager::PushTriggerTable(int lastKey)
{
    lua_State* L = m_lua;
    if (m_tableState == L)
    {
        lua_rawgeti(L, LUA_REGISTRYINDEX, m_tableRef);
        if (lua_istable(L, -1))
        {
            if (lastKey > m_keysMade) m_keysMade = MakeKeys(L, lastKey);
            return;
        }
        lua_pop(L, 1);
    }
    m_tableRef = TriggerTableRef(L);
    m_tableState = L;
    lua_rawgeti(L, LUA_REGISTRYINDEX, m_tableRef);
    m_keysMade = MakeKeys(L, lastKey);
}

void nE_TriggerManager::RunCode(const nE_TriggerCall& call, int table)
{
    if (call.trigger)
    {
        call.trigger->Execute(m_lua, table);
        return;
    }
    // An error text left on the stack goes with RunCall's own reset.
    const int status = RunChunk(m_lua, call.params);
    if (status != 0 && !nE_LogIfStopped(m_lua, status, call.sender))
        nE_LogFmt2("Error: object %s try to execute code at event - lua error: %s", call.sender,
                   lua_tostring(m_lua, -1));
}

// Sized up front, keys taken from the trigger table at `keys`: no rehash, no hashing.
void nE_TriggerManager::PushParams(const nE_TriggerCall& call, int keys, const ParamWords& words)
{
    lua_State* L = m_lua;
    lua_rawgeti(L, keys, kParamsKey);
    lua_createtable(L, 0, words.Count() + 1);
    int table = lua_gettop(L);
    for (int i = 0; i < words.Count(); ++i)
        ParseParam(call, keys, table, i, words[i]);
    lua_rawgeti(L, keys, kSenderKey);
    lua_pushlstring(L, call.sender.data(), call.sender.size());
    lua_rawset(L, table);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

// Sets the parameter from its word; a word starting with "~" is a Lua
// expression, evaluated now.
void nE_TriggerManager::ParseParam(const nE_TriggerCall& call, int keys, int table, int index,
                                   std::string_view word)
{
    lua_State* L = m_lua;
    lua_rawgeti(L, keys, kFirstParamKey + index);
    lua_pushlstring(L, word.data(), word.size());
    lua_rawset(L, table);
    if (word.empty() || word[0] != '~') return;
    std::string chunk = "_G[\"ne_temp_eq\"]=";
    chunk.append(word.substr(1)).append(";");
    const int status = RunChunk(L, chunk);
    // Inline code has no trigger: name its sender instead.
    const std::string& name = call.trigger ? call.trigger->GetName() : call.sender;
    if (status != 0 && !nE_LogIfStopped(L, status, name))
        nE_LogFmt2(call.trigger ? "Error: trigger %s try to use params - bad params: %s"
                                : "Error: object %s try to use params - bad params: %s",
                   name, lua_tostring(L, -1));
    lua_settop(L, table);
    if (status != 0) return;
    lua_rawgeti(L, keys, kFirstParamKey + index);
    GetGlobalRaw(L, "ne_temp_eq");
    lua_rawset(L, table);
}
