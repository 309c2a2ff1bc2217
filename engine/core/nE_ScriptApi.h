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

// Registers the engine's functions into the engine context's Lua state (or
// into the given state).
void nE_RegisterScriptApi();
void nE_RegisterScriptApi(lua_State* L);
// One global function; the game registers its own functions the same way.
void nE_RegisterScriptFunction(const char* name, lua_CFunction handler);
void nE_RegisterScriptFunction(lua_State* L, const char* name, lua_CFunction handler);

struct nE_ScriptFunction
{
    const char* name;
    lua_CFunction handler;
};
// The engine's functions in registration order.
const nE_ScriptFunction* nE_GetScriptApiTable(size_t* count);

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

// The frame rate comes from the engine shell; without a source GetFPS reads 0.
typedef float (*nE_FpsFunc)();
void nE_SetFpsFunc(nE_FpsFunc func);

// Forces shared by every at-effect; scripts set them with AtGlobalForceSet.
struct nE_AtGlobalForces
{
    nE_Vec3 gravityForce{0.0f, 9.8f, 0.0f};
    nE_Vec3 windForce{0.0f, 0.0f, 0.0f};
    float airCounterforce = 0.05f;
    float randWindMinForce = 0.0f;
    float randWindMaxForce = 10.0f;
    float randWindMinWaitTime = 0.0f;
    float randWindMaxWaitTime = 10.0f;
    float randWindMinChangeTime = 0.5f;
    float randWindMaxChangeTime = 2.0f;
    nE_Vec3 gust{0.0f, 0.0f, 0.0f};
};
extern nE_AtGlobalForces g_atGlobalForces;

// Services and object kinds that live outside the core reach the script
// functions through these hooks; a null hook makes its function do nothing.
// Object hooks receive whatever object the name found and act only when it
// is of their kind.
struct nE_ScriptMediaHooks
{
    void (*playSound)(const std::string& name, const std::string& channel, bool play, bool lookup,
                      const std::string& trigger, float fadeIn) = nullptr;
    void (*stopSound)(const std::string& name, float fadeOut) = nullptr;
    void (*pauseAllSounds)(bool pause) = nullptr;
    void (*anmPlay)(nE_Object* object, const std::string& animation, const std::string& trigger) = nullptr;
    void (*anmStop)(nE_Object* object) = nullptr;
    void (*anmPause)(nE_Object* object, bool pause) = nullptr;
    void (*flashAnmPlay)(nE_Object* object, const std::string& trigger) = nullptr;
    void (*flashAnmStop)(nE_Object* object) = nullptr;
    void (*flashAnmPause)(nE_Object* object, bool pause) = nullptr;
    void (*vidPlay)(nE_Object* object, const std::string& trigger) = nullptr;
    void (*vidStop)(nE_Object* object) = nullptr;
    void (*vidPause)(nE_Object* object, bool pause) = nullptr;
    void (*psSetMaskObj)(nE_Object* system, nE_Object* mask) = nullptr;
    void (*psStart)(nE_Object* system) = nullptr;
    void (*psPause)(nE_Object* system, bool pause) = nullptr;
    void (*psStop)(nE_Object* system, bool now) = nullptr;
    void (*setCursor)(int index) = nullptr;
};
extern nE_ScriptMediaHooks g_scriptMediaHooks;

// The handlers, in registration order.
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
int SndPlay(lua_State* L);
int SndStop(lua_State* L);
int SndPauseAll(lua_State* L);
int AnmPlay(lua_State* L);
int AnmStop(lua_State* L);
int AnmPause(lua_State* L);
int FlashAnmPlay(lua_State* L);
int FlashAnmStop(lua_State* L);
int FlashAnmPause(lua_State* L);
int VidPlay(lua_State* L);
int VidStop(lua_State* L);
int VidPause(lua_State* L);
int PsSetMaskObj(lua_State* L);
int PsStart(lua_State* L);
int PsPause(lua_State* L);
int PsStop(lua_State* L);
int PartSysRestart(lua_State* L);
int SetCursor(lua_State* L);
int CursorPosX(lua_State* L);
int CursorPosY(lua_State* L);
int TimerStart(lua_State* L);
int TimerStop(lua_State* L);
int TimerStopByTag(lua_State* L);
int TimerPause(lua_State* L);
int TimerPauseByTag(lua_State* L);
int TimerGetTime(lua_State* L);
int TimerAddTag(lua_State* L);
int TimerRemoveTag(lua_State* L);
int AtGlobalForceSet(lua_State* L);
int GetEngineVersion(lua_State* L);
int GetFPS(lua_State* L);
int CheaterReset(lua_State* L);
} // namespace nE_ScriptApi
