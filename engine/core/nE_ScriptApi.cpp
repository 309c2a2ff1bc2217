#include "engine/core/nE_ScriptApi.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_Log.h"
#include "engine/core/nE_Module.h"
#include "engine/core/nE_Object.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/core/nE_Tween.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

namespace
{
const nE_ScriptFunction kObjectFunctions[] = {
    {"ObjSet", nE_ScriptApi::ObjSet},
    {"ObjGet", nE_ScriptApi::ObjGet},
    {"ObjAttach", nE_ScriptApi::ObjAttach},
    {"ObjDetach", nE_ScriptApi::ObjDetach},
    {"ObjDelete", nE_ScriptApi::ObjDetach},
    {"ObjIntersect", nE_ScriptApi::ObjIntersect},
    {"ObjAnimate", nE_ScriptApi::ObjAnimate},
    {"ObjStopAnimate", nE_ScriptApi::ObjStopAnimate},
    {"ObjDoNotDrop", nE_ScriptApi::ObjDoNotDrop},
    {"ObjStopDrag", nE_ScriptApi::ObjStopDrag},
    {"ObjStartDrag", nE_ScriptApi::ObjStartDrag},
    {"ObjCreate", nE_ScriptApi::ObjCreate},
    {"TrgExecute", nE_ScriptApi::TrgExecute},
    {"TrgGet", nE_ScriptApi::TrgGet},
    {"TrgSet", nE_ScriptApi::TrgSet},
    {"TrgDelete", nE_ScriptApi::TrgDelete},
    {"DbgTrace", nE_ScriptApi::DbgTrace},
    {"ModLoad", nE_ScriptApi::ModLoad},
};

const nE_ScriptFunction kTimerFunctions[] = {
    {"TimerStart", nE_ScriptApi::TimerStart},           {"TimerStop", nE_ScriptApi::TimerStop},
    {"TimerStopByTag", nE_ScriptApi::TimerStopByTag},   {"TimerPause", nE_ScriptApi::TimerPause},
    {"TimerPauseByTag", nE_ScriptApi::TimerPauseByTag}, {"TimerGetTime", nE_ScriptApi::TimerGetTime},
    {"TimerAddTag", nE_ScriptApi::TimerAddTag},         {"TimerRemoveTag", nE_ScriptApi::TimerRemoveTag},
};

// Every function listed so far, in the order of its latest registration;
// lives for the process, as the kinds' registrations do.
std::vector<nE_ScriptFunction>& Listed()
{
    static std::vector<nE_ScriptFunction> functions;
    return functions;
}

bool IsListed(const char* name)
{
    const std::vector<nE_ScriptFunction>& listed = Listed();
    return std::any_of(listed.begin(), listed.end(),
                       [name](const nE_ScriptFunction& f) { return std::string(f.name) == name; });
}

void List(const nE_ScriptFunction* functions, size_t count)
{
    std::vector<nE_ScriptFunction>& listed = Listed();
    for (size_t i = 0; i < count; ++i)
    {
        const nE_ScriptFunction& f = functions[i];
        auto same = [&f](const nE_ScriptFunction& g) { return std::string(g.name) == f.name; };
        listed.erase(std::remove_if(listed.begin(), listed.end(), same), listed.end());
        listed.push_back(f);
    }
}

// The core's own functions that nothing listed, into the state.
void RegisterUnlisted(lua_State* L, const nE_ScriptFunction* functions, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!IsListed(functions[i].name))
            nE_RegisterScriptFunction(L, functions[i].name, functions[i].handler);
}

int Done(lua_State* L)
{
    lua_settop(L, 0);
    return 0;
}

// Reads the two string arguments of the timer functions and clears the stack.
void ReadTwoStrings(lua_State* L, std::string& a, std::string& b)
{
    a = nE_ArgString(L, 1);
    b = nE_ArgString(L, 2);
    lua_settop(L, 0);
}

// The numbers of the array at `index`, from field 1 up to the first field
// that is not a number. Raw access: no metamethod can raise an error here.
std::vector<float> ReadNumberArray(lua_State* L, int index)
{
    std::vector<float> values;
    size_t length = lua_objlen(L, index);
    for (size_t i = 1; i <= length; ++i)
    {
        lua_rawgeti(L, index, static_cast<int>(i));
        bool isNumber = lua_type(L, -1) == LUA_TNUMBER;
        if (isNumber) values.push_back(static_cast<float>(lua_tonumber(L, -1)));
        lua_pop(L, 1);
        if (!isNumber) break;
    }
    return values;
}

void PushStringField(lua_State* L, const char* key, const std::string& value)
{
    lua_pushstring(L, key);
    lua_pushlstring(L, value.data(), value.size());
    lua_rawset(L, -3);
}
} // namespace

// ---- registration ----

void nE_AddScriptFunctions(const nE_ScriptFunction* functions, size_t count)
{
    List(functions, count);
    if (lua_State* L = nE_GetLua())
        for (size_t i = 0; i < count; ++i)
            nE_RegisterScriptFunction(L, functions[i].name, functions[i].handler);
}

const nE_ScriptFunction* nE_GetScriptApiTable(size_t* count)
{
    if (count) *count = Listed().size();
    return Listed().data();
}

void nE_RegisterObjectScriptFunctions()
{
    nE_AddScriptFunctions(kObjectFunctions);
}

void nE_RegisterTimerScriptFunctions()
{
    nE_AddScriptFunctions(kTimerFunctions);
}

void nE_RegisterScriptFunction(lua_State* L, const char* name, lua_CFunction handler)
{
    if (!L || !name || !handler) return;
    lua_pushstring(L, name);
    lua_pushcclosure(L, handler, 0);
    lua_rawset(L, LUA_GLOBALSINDEX);
}

void nE_RegisterScriptFunction(const char* name, lua_CFunction handler)
{
    nE_RegisterScriptFunction(nE_GetLua(), name, handler);
}

void nE_RegisterScriptApi(lua_State* L)
{
    // A program that never ran the engine's list still has the core's own.
    RegisterUnlisted(L, kObjectFunctions, std::size(kObjectFunctions));
    RegisterUnlisted(L, kTimerFunctions, std::size(kTimerFunctions));
    for (const nE_ScriptFunction& f : Listed())
        nE_RegisterScriptFunction(L, f.name, f.handler);
}

void nE_RegisterScriptApi()
{
    nE_RegisterScriptApi(nE_GetLua());
}

// ---- argument readers ----

bool nE_HasArg(lua_State* L, int index)
{
    return lua_type(L, index) != LUA_TNONE;
}

std::string nE_ArgString(lua_State* L, int index)
{
    size_t length = 0;
    const char* text = lua_tolstring(L, index, &length);
    return text ? std::string(text, length) : std::string();
}

int nE_ArgInt(lua_State* L, int index)
{
    return nE_TruncateToInt(lua_tonumber(L, index));
}

float nE_ArgFloat(lua_State* L, int index)
{
    return static_cast<float>(lua_tonumber(L, index));
}

bool nE_ArgBool(lua_State* L, int index)
{
    // Lua truth: 0 and "0" are true. An author who passed one meant false, so say why it did not.
    int type = lua_type(L, index);
    if (type == LUA_TNUMBER || type == LUA_TSTRING)
    {
        lua_pushvalue(L, index); // a copy, so the argument itself is not converted in place
        std::string value = nE_ArgString(L, -1);
        lua_pop(L, 1);
        if (type == LUA_TSTRING) value = "\"" + value + "\"";
        std::string function = nE_CalledName(L), argument = std::to_string(index);
        nE_WarnOnce("boolarg:" + function + ":" + argument,
                    "Warning: " + function + ": argument " + argument + " is the " + lua_typename(L, type) + " " +
                        value + ", which Lua reads as true; pass true or false");
    }
    return lua_toboolean(L, index) != 0;
}

// The name the running handler was called by, as Lua knows it.
std::string nE_CalledName(lua_State* L)
{
    lua_Debug ar;
    if (lua_getstack(L, 0, &ar) && lua_getinfo(L, "n", &ar) && ar.name) return ar.name;
    return "a script function";
}

nE_Object* nE_ArgObject(lua_State* L, int index)
{
    if (!g_scene) return nullptr;
    std::string name = nE_ArgString(L, index);
    nE_Object* object = g_scene->FindObject(name);
    // An empty name is an argument left out; only a name that finds nothing is a mistake to report.
    if (!object && !name.empty())
        nE_WarnOnce("object:" + name, "Warning: " + nE_CalledName(L) + ": no object named \"" + name +
                                          "\"; the call does nothing");
    return object;
}

// ---- objects ----

namespace nE_ScriptApi
{
int ObjSet(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    if (object && lua_istable(L, 2))
    {
        lua_settop(L, 2);
        nE_SLHelper_Lua sl(L);
        object->Load(sl);
    }
    return Done(L);
}

int ObjGet(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    lua_settop(L, 0);
    lua_newtable(L);
    if (object)
    {
        nE_SLHelper_Lua sl(L, true);
        object->Save(sl);
    }
    return 1;
}

int ObjAttach(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    nE_Object* parent = nE_ArgObject(L, 2);
    lua_settop(L, 0);
    if (object && parent) g_scene->MoveObject(parent, object);
    return 0;
}

int ObjDetach(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    lua_settop(L, 0);
    if (object) g_scene->MoveObject(g_scene->GetStorage(), object);
    return 0;
}

int ObjIntersect(lua_State* L)
{
    nE_Object* a = nE_ArgObject(L, 1);
    nE_Object* b = nE_ArgObject(L, 2);
    lua_settop(L, 0);
    lua_pushboolean(L, a && b && a->Intersects(b));
    return 1;
}

int ObjAnimate(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    int kind = nE_ArgInt(L, 2);
    bool loop = nE_ArgInt(L, 3) != 0;
    bool relative = nE_ArgInt(L, 4) != 0;
    int triggerType = lua_type(L, 5);
    std::string trigger = " ";
    if (triggerType == LUA_TSTRING || triggerType == LUA_TNUMBER) trigger = nE_ArgString(L, 5);
    // The end trigger may be left out, and the array then comes fifth.
    int arrayIndex = lua_istable(L, 6) ? 6 : (lua_istable(L, 5) ? 5 : 0);
    if (!object) return Done(L);
    // An unknown kind still runs its keys and posts its end; no array makes an
    // empty tween, which stops the running one of that kind.
    std::vector<float> values;
    if (arrayIndex) values = ReadNumberArray(L, arrayIndex);
    lua_settop(L, 0);
    object->Animate(kind, loop, relative, trigger, values.data(), static_cast<unsigned>(values.size()));
    return 0;
}

int ObjStopAnimate(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    int kind = nE_ArgInt(L, 2);
    lua_settop(L, 0);
    if (object) object->StopAnimate(kind);
    return 0;
}

int ObjDoNotDrop(lua_State* L)
{
    lua_settop(L, 0);
    if (g_scene) g_scene->SetDoNotDrop(true);
    return 0;
}

int ObjStopDrag(lua_State* L)
{
    lua_settop(L, 0);
    if (g_scene) g_scene->StopDrag();
    return 0;
}

int ObjStartDrag(lua_State* L)
{
    nE_Object* object = nE_ArgObject(L, 1);
    lua_settop(L, 0);
    if (object) g_scene->StartDrag(object);
    return 0;
}

int ObjCreate(lua_State* L)
{
    std::string type = nE_ArgString(L, 1);
    std::string name = nE_ArgString(L, 2);
    lua_settop(L, 0);
    if (g_scene) g_scene->AttachObject(g_scene->GetStorage(), nE_CreateObject(type, name));
    return 0;
}

// ---- triggers, log, modules ----

int TrgExecute(lua_State* L)
{
    std::string text = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_triggerManager) g_triggerManager->Call("ne_undef", text);
    return 0;
}

int TrgGet(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    nE_Trigger* trigger = g_triggerManager ? g_triggerManager->GetTrigger(name) : nullptr;
    if (!trigger)
    {
        lua_pushnil(L);
        return 1;
    }
    lua_newtable(L);
    PushStringField(L, "name", trigger->GetName());
    PushStringField(L, "code", trigger->GetCode());
    return 1;
}

int TrgSet(lua_State* L)
{
    nE_Trigger* trigger = g_triggerManager ? g_triggerManager->GetTrigger(nE_ArgString(L, 1)) : nullptr;
    if (trigger && lua_istable(L, 2))
    {
        lua_pushstring(L, "code");
        lua_rawget(L, 2);
        int type = lua_type(L, -1);
        if (type == LUA_TSTRING || type == LUA_TNUMBER) trigger->SetCode(nE_ArgString(L, -1));
    }
    return Done(L);
}

int TrgDelete(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_triggerManager) g_triggerManager->RemoveTrigger(name);
    return 0;
}

int DbgTrace(lua_State* L)
{
    std::string text = nE_ArgString(L, 1);
    lua_settop(L, 0);
    nE_Log(text);
    return 0;
}

int ModLoad(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    nE_LoadModule(name, "ModLoad");
    return 0;
}

// ---- timers ----

int TimerStart(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    std::string trigger = nE_ArgString(L, 2);
    float seconds = nE_ArgFloat(L, 3);
    lua_settop(L, 0);
    if (g_timerManager) g_timerManager->Start(name, trigger, seconds);
    return 0;
}

int TimerStop(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_timerManager) g_timerManager->Stop(name);
    return 0;
}

int TimerStopByTag(lua_State* L)
{
    std::string tag = nE_ArgString(L, 1);
    lua_settop(L, 0);
    if (g_timerManager) g_timerManager->StopByTag(tag);
    return 0;
}

int TimerPause(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    bool pause = nE_ArgInt(L, 2) != 0;
    lua_settop(L, 0);
    if (g_timerManager) g_timerManager->Pause(name, pause);
    return 0;
}

int TimerPauseByTag(lua_State* L)
{
    std::string tag = nE_ArgString(L, 1);
    bool pause = nE_ArgInt(L, 2) != 0;
    lua_settop(L, 0);
    if (g_timerManager) g_timerManager->PauseByTag(tag, pause);
    return 0;
}

int TimerGetTime(lua_State* L)
{
    std::string name = nE_ArgString(L, 1);
    lua_settop(L, 0);
    lua_pushnumber(L, g_timerManager ? g_timerManager->GetTime(name) : 0.0f);
    return 1;
}

int TimerAddTag(lua_State* L)
{
    std::string name, tag;
    ReadTwoStrings(L, name, tag);
    if (g_timerManager) g_timerManager->AddTag(name, tag);
    return 0;
}

int TimerRemoveTag(lua_State* L)
{
    std::string name, tag;
    ReadTwoStrings(L, name, tag);
    if (g_timerManager) g_timerManager->RemoveTag(name, tag);
    return 0;
}
} // namespace nE_ScriptApi
