#pragma once
// The engine's global Lua functions. Every handler follows one convention:
// arguments by position (a missing or non-text string reads as "", an
// optional argument takes its default only when absent), objects by scene
// name, a failed lookup does nothing silently, the handler's stack is cleared
// before results are pushed. No handler raises a Lua error.

#include "engine/core/nE_Math.h"

#include <cstddef>
#include <lua.hpp>
#include <string>

class nE_Object;

struct nE_ScriptFunction
{
    const char* name;
    lua_CFunction handler;
};

// The engine's functions live beside what they drive: each kind and service
// adds its own to one list, and nE_CreateEngine's list of kinds adds them all,
// in the order scripts have always seen them registered. A name added again
// moves to the end with its new handler, so the list is in the order of the
// latest registrations; functions added while the engine context's Lua state
// is open are registered into it at once.
void nE_AddScriptFunctions(const nE_ScriptFunction* functions, size_t count);
template <size_t N> void nE_AddScriptFunctions(const nE_ScriptFunction (&functions)[N])
{
    nE_AddScriptFunctions(functions, N);
}
// The listed functions in registration order.
const nE_ScriptFunction* nE_GetScriptApiTable(size_t* count);

// The core's own functions: "ObjSet" to "ModLoad" (objects, triggers, modules,
// the log), and the "Timer" functions.
void nE_RegisterObjectScriptFunctions();
void nE_RegisterTimerScriptFunctions();

// Registers every listed function into the engine context's Lua state (or
// into the given state), in list order, after those of the core's own that
// nothing listed (a program that never ran the engine's list has the core's
// functions all the same). The context calls it when it opens its state.
void nE_RegisterScriptApi();
void nE_RegisterScriptApi(lua_State* L);
// One global function; the game registers its own functions the same way.
void nE_RegisterScriptFunction(const char* name, lua_CFunction handler);
void nE_RegisterScriptFunction(lua_State* L, const char* name, lua_CFunction handler);

// Argument readers for handlers. They never raise a Lua error; a number read
// as a string is converted in place on the stack, as lua_tolstring does.
bool nE_HasArg(lua_State* L, int index);
std::string nE_ArgString(lua_State* L, int index);
// An argument truncated toward zero and clamped to the int range
// (nE_TruncateToInt); 0 for NaN and non-numbers.
int nE_ArgInt(lua_State* L, int index);
float nE_ArgFloat(lua_State* L, int index);
// Lua truth (only nil and false are false), with one warning per function and
// argument when a number or a string is passed.
bool nE_ArgBool(lua_State* L, int index);
// The scene object named by the argument, or null (with a warning, once per
// name, when a non-empty name finds nothing).
nE_Object* nE_ArgObject(lua_State* L, int index);
// The global name the running handler was called by.
std::string nE_CalledName(lua_State* L);

// The core's handlers, in registration order.
namespace nE_ScriptApi
{
int ObjSet(lua_State* L);
int ObjGet(lua_State* L);
int ObjAttach(lua_State* L);
int ObjDetach(lua_State* L); // also registered as ObjDelete
int ObjIntersect(lua_State* L);
int ObjAnimate(lua_State* L);
int ObjStopAnimate(lua_State* L);
int ObjDoNotDrop(lua_State* L);
int ObjStopDrag(lua_State* L);
int ObjStartDrag(lua_State* L);
int ObjCreate(lua_State* L);
int TrgExecute(lua_State* L);
int TrgGet(lua_State* L);
int TrgSet(lua_State* L);
int TrgDelete(lua_State* L);
int DbgTrace(lua_State* L);
int ModLoad(lua_State* L);
int TimerStart(lua_State* L);
int TimerStop(lua_State* L);
int TimerStopByTag(lua_State* L);
int TimerPause(lua_State* L);
int TimerPauseByTag(lua_State* L);
int TimerGetTime(lua_State* L);
int TimerAddTag(lua_State* L);
int TimerRemoveTag(lua_State* L);
} // namespace nE_ScriptApi
