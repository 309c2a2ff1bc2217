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
    // A trigger whose name is already loaded is discarded with a warning.
    void Run(nE_Scene* scene, nE_TriggerManager* triggers, lua_State* L);

    // Whether the module's file exists (a malformed one still counts).
    bool Found() const { return m_found; }
    const std::string& GetName() const { return m_name; }
    const std::string& GetPath() const { return m_path; }
    nE_Object* GetHolder() const { return m_holder.get(); }
    size_t GetTriggerCount() const { return m_triggers.size(); }
    const std::string& GetCode() const { return m_code; }

private:
    void Parse(const std::string& path);
    void RunCode(lua_State* L);

    std::string m_name;
    std::string m_path;
    bool m_found = false;
    std::unique_ptr<nE_Object> m_holder;
    std::vector<std::unique_ptr<nE_Trigger>> m_triggers;
    std::vector<int> m_triggerLines; // where each trigger stands in the file
    std::string m_code;
};

// Loads and runs the module of that name (ModLoad, the level, rooms, map).
// False when its file does not exist; with a `caller`, that is also logged
// once per file as "Warning: CALLER: no module file ...".
bool nE_LoadModule(const std::string& name, const char* caller = nullptr);
