// Trigger call texts ("name(p0, p1, ...)" or "*code"), prepared and run
// against a trigger that reads its parameters, queued and run again.
#include "engine/core/nE_TriggerManager.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static lua_State* L = fuzz::BoundedLua();
    fuzz::ResetBudget(L);
    nE_TriggerManager triggers(L);
    triggers.AddTrigger(std::make_unique<nE_Trigger>("t", "for k, v in pairs(ne_params) do seen = v end"));
    const std::string text(reinterpret_cast<const char*>(data), size);
    triggers.Call("fuzz", text);
    triggers.Post("fuzz", text);
    triggers.Update();
    lua_settop(L, 0);
    return 0;
}
