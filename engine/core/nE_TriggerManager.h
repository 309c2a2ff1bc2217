#pragma once
// Triggers: named blocks of Lua code, and the manager that turns call texts
// ("name(p0, p1, ...)" or "*lua code") into calls, runs them at once or queues
// them for the next tick, and exposes the running call's parameters to Lua as
// the global table "ne_params".

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct lua_State;

class nE_Trigger
{
public:
    nE_Trigger(const std::string& name, const std::string& code);
    virtual ~nE_Trigger();
    nE_Trigger(const nE_Trigger&) = delete;
    nE_Trigger& operator=(const nE_Trigger&) = delete;

    // Runs the code; a Lua error is logged. The Lua stack is left as found.
    // `table`, when not 0, is the stack index of the state's trigger table,
    // which the manager holds during a call (it spares a lookup).
    virtual void Execute(lua_State* L, int table = 0);

    const std::string& GetName() const { return m_name; }
    std::string GetCode() const { return m_code; }
    void SetCode(const std::string& code);
    // Drops the compiled code kept in that state and keeps none from now on:
    // for a trigger that left the manager (queued calls may still run it).
    void ForgetChunk(lua_State* L);

private:
    bool PushChunk(lua_State* L, int table);

    std::string m_name;
    std::string m_code;
    int m_number;                      // slot of the compiled code in a state's chunk table
    lua_State* m_chunkState = nullptr; // where the compiled current code is kept
    bool m_keepChunk = true;
};

// One call. The trigger is shared so that a call queued or running keeps its
// code alive even when the trigger is deleted meanwhile; null for inline code.
struct nE_TriggerCall
{
    std::shared_ptr<nE_Trigger> trigger;
    std::string params; // for inline code: the Lua code itself
    std::string sender;
};

class nE_TriggerManager
{
public:
    // The Lua state may be handed over later (the context creates it last).
    explicit nE_TriggerManager(lua_State* L = nullptr);
    ~nE_TriggerManager();

    void SetLuaState(lua_State* L) { m_lua = L; }
    lua_State* GetLuaState() const { return m_lua; }

    // Takes ownership; when a trigger of that name exists the new one is
    // deleted and false is returned.
    bool AddTrigger(std::unique_ptr<nE_Trigger> trigger);
    nE_Trigger* GetTrigger(const std::string& name) const;
    // Frees the trigger once no queued or running call uses it any more.
    bool RemoveTrigger(const std::string& name);

    bool PrepareCall(nE_TriggerCall& out, const std::string& sender, const std::string& text) const;
    // Queue for the next Update.
    bool Post(const std::string& sender, const std::string& text);
    // Run at once.
    bool Call(const std::string& sender, const std::string& text);
    void Run(const nE_TriggerCall& call);
    // Runs the calls queued before this point; calls posted meanwhile wait.
    void Update();
    // Deletes every trigger and drops every queued call (including the rest
    // of a batch that Update is running).
    void Clear();

    size_t GetQueueSize() const { return m_queue.size(); }
    // Whether a call posted by this sender still waits for its tick.
    bool HasQueuedCallFrom(const std::string& sender) const;
    size_t GetTriggerCount() const { return m_triggers.size(); }
    // The innermost running call, or null.
    const nE_TriggerCall* GetRunningCall() const { return m_stack.empty() ? nullptr : m_stack.back(); }

private:
    class ParamWords;
    // Run without a copy, for a call nothing the Lua code does can reach.
    void RunCall(const nE_TriggerCall& call);
    void RunCode(const nE_TriggerCall& call, int table);
    void PushTriggerTable(int lastKey);
    void PushParams(const nE_TriggerCall& call, int keys, const ParamWords& words);
    void ParseParam(const nE_TriggerCall& call, int keys, int table, int index, std::string_view word);

    std::map<std::string, std::shared_ptr<nE_Trigger>, std::less<>> m_triggers;
    std::vector<nE_TriggerCall> m_queue;
    std::vector<const nE_TriggerCall*> m_stack;
    lua_State* m_lua = nullptr;
    unsigned m_generation = 0; // bumped by Clear
    lua_State* m_tableState = nullptr; // the state m_tableRef belongs to
    int m_tableRef = 0;
    int m_keysMade = 0;
};
