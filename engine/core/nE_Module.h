#pragma once
// A module file bundles object trees, named triggers and a block of Lua code.
// Running it stores its objects under "ne_storage", hands its triggers to the
// trigger manager and runs its code.

#include <memory>
#include <string>
#include <vector>

struct lua_State;
class nE_Object;
class nE_Scene;
class nE_Trigger;
class nE_TriggerManager;

class nE_Module
{
public:
    // Reads and parses "<name>.xml"; a missing file gives an empty module.
    explicit nE_Module(const std::string& name);
    ~nE_Module();
    nE_Module(const nE_Module&) = delete;
    nE_Module& operator=(const nE_Module&) = delete;

    // Runs against the engine context's scene, trigger manager and Lua state.
    void Run();
    // Any of the three may be null; that part of the module is then dropped.
    void Run(nE_Scene* scene, nE_TriggerManager* triggers, lua_State* L);

    const std::string& GetName() const { return m_name; }
    nE_Object* GetHolder() const { return m_holder.get(); }
    size_t GetTriggerCount() const { return m_triggers.size(); }
    const std::string& GetCode() const { return m_code; }

private:
    void Parse(const std::string& path);
    void RunCode(lua_State* L);

    std::string m_name;
    std::unique_ptr<nE_Object> m_holder;
    std::vector<std::unique_ptr<nE_Trigger>> m_triggers;
    std::string m_code;
};

// Loads and runs the module of that name (ModLoad, the level, rooms, map).
void nE_LoadModule(const std::string& name);
