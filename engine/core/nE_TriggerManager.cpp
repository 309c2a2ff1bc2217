#include "engine/core/nE_TriggerManager.h"

#include "engine/core/nE_Log.h"

#include <lua.hpp>

namespace
{
const char kWhiteSpace[] = " \t\r\n\v\f";

bool IsBlank(const std::string& text)
{
    return text.find_first_not_of(kWhiteSpace) == std::string::npos;
}

// The first white-space separated word; empty for a blank piece.
std::string FirstWord(const std::string& piece)
{
    size_t begin = piece.find_first_not_of(kWhiteSpace);
    if (begin == std::string::npos) return std::string();
    size_t end = piece.find_first_of(kWhiteSpace, begin);
    return piece.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// Splits at commas outside parentheses; a piece left inside an unclosed
// parenthesis is dropped.
std::vector<std::string> SplitParams(const std::string& text)
{
    std::vector<std::string> pieces;
    std::string piece;
    int open = 0;
    for (char c : text)
    {
        if (c == '(')
            ++open;
        else if (c == ')' && open > 0)
            --open;
        if (c == ',' && open == 0)
        {
            pieces.push_back(piece);
            piece.clear();
            continue;
        }
        piece += c;
    }
    if (open == 0) pieces.push_back(piece);
    return pieces;
}

// Raw access: a metatable on the globals table must not raise errors
// through our frames.
void SetGlobalRaw(lua_State* L, const char* name, int valueIndex)
{
    lua_pushstring(L, name);
    lua_pushvalue(L, valueIndex);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

void GetGlobalRaw(lua_State* L, const char* name)
{
    lua_pushstring(L, name);
    lua_rawget(L, LUA_GLOBALSINDEX);
}

// Loads and runs a chunk; on failure leaves the error text on the stack
// and answers false.
bool RunChunk(lua_State* L, const std::string& code)
{
    return luaL_loadstring(L, code.c_str()) == 0 && lua_pcall(L, 0, LUA_MULTRET, 0) == 0;
}

// A trigger runs the same code each time: its compiled chunk is kept in the registry under
// the code itself, so that a call no longer compiles. The values are weak: code that was
// replaced or deleted (scripts may make trigger code on the fly) goes with the next collection
// instead of piling up. On failure the error is on top.
bool RunTriggerChunk(lua_State* L, const std::string& code)
{
    lua_getfield(L, LUA_REGISTRYINDEX, "ne_trigger_chunks");
    if (!lua_istable(L, -1))
    {
        lua_pop(L, 1);
        lua_newtable(L);
        lua_newtable(L);
        lua_pushliteral(L, "v");
        lua_setfield(L, -2, "__mode");
        lua_setmetatable(L, -2);
        lua_pushvalue(L, -1);
        lua_setfield(L, LUA_REGISTRYINDEX, "ne_trigger_chunks");
    }
    lua_pushlstring(L, code.data(), code.size());
    lua_rawget(L, -2);
    if (!lua_isfunction(L, -1))
    {
        lua_pop(L, 1);
        if (luaL_loadstring(L, code.c_str()) != 0) return false;
        lua_pushlstring(L, code.data(), code.size());
        lua_pushvalue(L, -2);
        lua_rawset(L, -4);
    }
    lua_remove(L, -2);
    return lua_pcall(L, 0, LUA_MULTRET, 0) == 0;
}
} // namespace

nE_Trigger::nE_Trigger(const std::string& name, const std::string& code) : m_name(name), m_code(code) {}

nE_Trigger::~nE_Trigger() = default;

void nE_Trigger::Execute(lua_State* L)
{
    if (m_code.empty() || !L) return;
    int top = lua_gettop(L);
    if (!RunTriggerChunk(L, m_code))
        nE_LogFmt2("Error: trigger %s try to execute - lua error: %s", m_name, lua_tostring(L, -1));
    lua_settop(L, top);
}

nE_TriggerManager::nE_TriggerManager(lua_State* L) : m_lua(L) {}

nE_TriggerManager::~nE_TriggerManager()
{
    Clear();
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
    return m_triggers.erase(name) > 0;
}

bool nE_TriggerManager::PrepareCall(nE_TriggerCall& out, const std::string& sender,
                                    const std::string& text) const
{
    if (IsBlank(text)) return false;
    size_t open = text.find('(');
    std::string name = text.substr(0, open);
    auto it = m_triggers.find(name);
    if (it != m_triggers.end())
    {
        std::string params;
        if (open != std::string::npos)
        {
            // Only the last character closes; anything after it drops the call.
            if (text.back() != ')') return false;
            params = text.substr(open + 1, text.size() - open - 2);
        }
        out.trigger = it->second;
        out.params = params;
        out.sender = sender;
        return true;
    }
    if (text[0] == '*')
    {
        out.trigger.reset();
        out.params = text.substr(1);
        out.sender = sender;
        return true;
    }
    nE_LogFmt2("Error: object %s try to call trigger %s - no such trigger", sender, name);
    return false;
}

bool nE_TriggerManager::Post(const std::string& sender, const std::string& text)
{
    nE_TriggerCall call;
    if (!PrepareCall(call, sender, text)) return false;
    m_queue.push_back(call);
    return true;
}

bool nE_TriggerManager::Call(const std::string& sender, const std::string& text)
{
    nE_TriggerCall call;
    if (!PrepareCall(call, sender, text)) return false;
    Run(call);
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
        Run(call);
    }
}

void nE_TriggerManager::Clear()
{
    m_triggers.clear();
    m_queue.clear();
    ++m_generation;
}

// The call is copied so that it (and its trigger) outlive anything the Lua
// code does to the queue or the trigger map. The enclosing call's "ne_params"
// table is kept on the stack and put back afterwards, untouched.
void nE_TriggerManager::Run(const nE_TriggerCall& call)
{
    lua_State* L = m_lua;
    if (!L || !lua_checkstack(L, 8)) return;
    const nE_TriggerCall running = call;
    int base = lua_gettop(L);
    GetGlobalRaw(L, "ne_params");
    m_stack.push_back(&running);
    PushParams(running);
    RunCode(running);
    m_stack.pop_back();
    if (!m_stack.empty()) SetGlobalRaw(L, "ne_params", base + 1);
    lua_settop(L, base);
}

void nE_TriggerManager::RunCode(const nE_TriggerCall& call)
{
    if (call.trigger)
    {
        call.trigger->Execute(m_lua);
        return;
    }
    int top = lua_gettop(m_lua);
    if (!RunChunk(m_lua, call.params))
        nE_LogFmt2("Error: object %s try to execute code at event - lua error: %s", call.sender,
                   lua_tostring(m_lua, -1));
    lua_settop(m_lua, top);
}

void nE_TriggerManager::PushParams(const nE_TriggerCall& call)
{
    lua_State* L = m_lua;
    lua_newtable(L);
    int table = lua_gettop(L);
    if (!call.params.empty())
    {
        std::vector<std::string> pieces = SplitParams(call.params);
        for (size_t i = 0; i < pieces.size(); ++i)
        {
            ParseParam(call, static_cast<int>(i), pieces[i]);
            lua_settop(L, table);
        }
    }
    lua_pushstring(L, call.sender.c_str());
    lua_setfield(L, table, "sender");
    SetGlobalRaw(L, "ne_params", table);
    lua_settop(L, table - 1);
}

// Expects the parameter table on top of the stack.
void nE_TriggerManager::ParseParam(const nE_TriggerCall& call, int index, const std::string& piece)
{
    lua_State* L = m_lua;
    int table = lua_gettop(L);
    std::string key = "param_" + std::to_string(index);
    std::string word = FirstWord(piece);
    lua_pushstring(L, word.c_str());
    lua_setfield(L, table, key.c_str());
    if (word.empty() || word[0] != '~') return;
    if (!RunChunk(L, "_G[\"ne_temp_eq\"]=" + word.substr(1) + ";"))
    {
        // Inline code has no trigger: name its sender instead.
        if (call.trigger)
            nE_LogFmt2("Error: trigger %s try to use params - bad params: %s", call.trigger->GetName(),
                       lua_tostring(L, -1));
        else
            nE_LogFmt2("Error: object %s try to use params - bad params: %s", call.sender,
                       lua_tostring(L, -1));
        lua_settop(L, table);
        return;
    }
    lua_settop(L, table);
    GetGlobalRaw(L, "ne_temp_eq");
    lua_setfield(L, table, key.c_str());
}
