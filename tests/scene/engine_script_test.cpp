// The engine's script functions as nE_CreateEngine's list registers them:
// every kind's and service's own, in the order scripts have always seen.

#include "core/core_test_util.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Cursor.h"
#include "engine/platform/nE_SoundHub.h"
#include "engine/platform/notEngine_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_AtEffect.h"
#include "engine/scene/nE_Engine.h"
#include "engine/scene/nE_ParticleSystem.h"
#include "support/script_probe.h"

#include <limits>
#include <memory>

namespace
{
Lines g_calls;

// Each service and kind records what reaches it, one line per call.
struct SoundRecorder : nE_SoundHub
{
    void PlaySound(const std::string& name, const std::string& channel, bool play, bool lookup,
                   const std::string& trigger, float fade) override
    {
        g_calls.push_back("play " + name + "|" + channel + "|" + char('0' + play) + char('0' + lookup) + "|" +
                          trigger + "|" + std::to_string(fade));
    }
    void SetMuted(bool) override {}
};

struct CursorRecorder : nE_Cursor
{
    void SetCursor(int index) override { g_calls.push_back("cursor " + std::to_string(index)); }
    int AddCursor(const std::string&, int, int, unsigned short) override { return -1; }
};

struct AnimRecorder : nE_AnimSprite
{
    using nE_AnimSprite::nE_AnimSprite;
    void Play(const std::string& name, const std::string& trigger) override
    {
        g_calls.push_back(GetName() + "|" + name + "|" + trigger);
    }
};

// A particle system whose implementation draws nothing and stays whatever its resource.
struct QuietImpl : nE_PartSysImpl
{
    bool Load(const std::string&) override { return true; }
    bool LoadDocument(const TiXmlDocument&, const std::string&) override { return true; }
    void LoadResources() override {}
    void ReleaseResources() override {}
    void Update(const nE_TimeStep*) override {}
    void Draw(nE_Render*, const nE_RenderState*) override {}
};
struct QuietSystem : nE_ParticleSystem
{
    explicit QuietSystem(const std::string& name) : nE_ParticleSystem(name)
    {
        m_impl = std::make_unique<QuietImpl>();
        m_impl->SetOwner(this);
    }
};

// A shell that has measured no time: its rate is 1 / 0.
struct NoTimeShell : notEngine_Pl5
{
    float GetFps() override { return std::numeric_limits<float>::infinity(); }
};

// The names, in the order the engine registers them.
const char* const kEngineOrder[] = {
    "ObjSet",         "ObjGet",           "ObjAttach",        "ObjDetach",    "ObjDelete",
    "ObjIntersect",   "ObjAnimate",       "ObjStopAnimate",   "ObjDoNotDrop", "ObjStopDrag",
    "ObjStartDrag",   "ObjCreate",        "TrgExecute",       "TrgGet",       "TrgSet",
    "TrgDelete",      "DbgTrace",         "ModLoad",          "SndPlay",      "SndStop",
    "SndPauseAll",    "AnmPlay",          "AnmStop",          "AnmPause",     "FlashAnmPlay",
    "FlashAnmStop",   "FlashAnmPause",    "VidPlay",          "VidStop",      "VidPause",
    "PsSetMaskObj",   "PsStart",          "PsPause",          "PsStop",       "PartSysRestart",
    "SetCursor",      "CursorPosX",       "CursorPosY",       "TimerStart",   "TimerStop",
    "TimerStopByTag", "TimerPause",       "TimerPauseByTag",  "TimerGetTime", "TimerAddTag",
    "TimerRemoveTag", "AtGlobalForceSet", "GetEngineVersion", "GetFPS",       "CheaterReset"};

struct EngineScript : testing::Test
{
    LogCapture log;
    SoundRecorder sounds;
    nE_SoundHub* keptHub = nullptr; // the global hub before this test's recorder
    lua_State* L = nullptr;

    void SetUp() override
    {
        nE_RegisterEngineKinds();
        keptHub = g_soundHub;
        g_soundHub = &sounds; // never a device of its own
        g_calls.clear();
        L = nE_EngineContext::Instance()->GetLua();
        ASSERT_NE(nullptr, L);
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        g_soundHub = keptHub;
        g_cursor = nullptr;
        g_engine = nullptr;
        g_atGlobalForces = nE_AtGlobalForces();
        nE_SetCursorPosFunc(nullptr);
    }
    void Run(const std::string& code) { LuaRun(L, code); }
    std::string Eval(const std::string& expression) { return LuaEval(L, expression); }
    nE_Object* Find(const std::string& name) { return g_scene->FindObject(name); }
    template <class T = nE_Object> T* Make(const std::string& name)
    {
        return nE_Attach(g_scene->GetOrigin(), std::make_unique<T>(name));
    }
};

// All 50 functions are registered under their names and survive bad arguments.
TEST_F(EngineScript, EveryFunctionSurvivesMissingNilAndWrongArguments)
{
    Make("box");
    size_t count = 0;
    const nE_ScriptFunction* table = nE_GetScriptApiTable(&count);
    ASSERT_EQ(50u, count);
    for (size_t i = 0; i < count; ++i, lua_pop(L, 1))
    {
        lua_getglobal(L, table[i].name);
        EXPECT_EQ(table[i].handler, lua_tocfunction(L, -1)) << table[i].name;
    }
    script_probe::EveryFunction(L, table, count);
    EXPECT_NE(nullptr, Find("box"));
}

std::vector<std::string> ListedNames()
{
    size_t count = 0;
    const nE_ScriptFunction* table = nE_GetScriptApiTable(&count);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back(table[i].name);
    return names;
}

// The list is in the order of the latest registrations: a kind registered on
// its own first (as a kind's own tests do) takes its place when the whole
// list runs. A state opened later, or open while functions are added, gets
// every one of them.
TEST_F(EngineScript, TheListKeepsItsOrderAndReachesEveryState)
{
    const std::vector<std::string> order(std::begin(kEngineOrder), std::end(kEngineOrder));
    nE_RegisterAnimType();
    nE_RegisterEngineKinds();
    EXPECT_EQ(order, ListedNames());

    nE_EngineContext::Destroy();
    L = nE_EngineContext::Instance()->GetLua();
    for (const char* name : kEngineOrder)
        EXPECT_EQ("function", Eval(std::string("type(") + name + ")")) << name;

    // Added again while the state is open: in the state at once, and last in the list.
    const nE_ScriptFunction again[] = {{"GetEngineVersion", [](lua_State* S)
                                        {
                                            lua_settop(S, 0);
                                            lua_pushstring(S, "probe");
                                            return 1;
                                        }}};
    nE_AddScriptFunctions(again);
    EXPECT_EQ("probe", Eval("GetEngineVersion()"));
    EXPECT_EQ("GetEngineVersion", ListedNames().back());
    nE_RegisterEngineKinds();
    EXPECT_EQ(order, ListedNames());
    EXPECT_EQ("0.3", Eval("GetEngineVersion()"));
}

TEST_F(EngineScript, GlobalForcesFrameRateAndCursor)
{
    // Only a table is read; absent fields keep their values.
    Run("AtGlobalForceSet('air_counterforce'); AtGlobalForceSet(nil, {air_counterforce = 1})");
    EXPECT_FLOAT_EQ(0.05f, g_atGlobalForces.airCounterforce);
    Run("AtGlobalForceSet({air_counterforce = 0.5, gravity_force = {1, 2, 3}})");
    EXPECT_TRUE(g_atGlobalForces.airCounterforce == 0.5f && g_atGlobalForces.gravityForce.z == 3.0f &&
                g_atGlobalForces.randWindMaxChangeTime == 2.0f);

    EXPECT_EQ("0 0", Eval("GetFPS() .. ' ' .. CursorPosX()")); // no shell: no frame rate
    NoTimeShell shell;
    g_engine = &shell;
    EXPECT_EQ("0", Eval("GetFPS()"));
    g_engine = nullptr;
    nE_SetCursorPosFunc([](float* x, float* y) { *x = 100.7f, *y = -3.9f; });
    EXPECT_EQ("100 -3", Eval("CursorPosX() .. ' ' .. CursorPosY()")); // truncated
}

// Missing or boolean string arguments read as ""; object functions act only
// on an object that is found and is of their kind.
TEST_F(EngineScript, MediaFunctionsFollowTheScriptConvention)
{
    Make<AnimRecorder>("anim");
    QuietSystem* ps = Make<QuietSystem>("ps");
    Make("mask");
    CursorRecorder cursor;
    g_cursor = &cursor;
    Run("SndPlay('door', 'sfx', '1', '0', 'end'); SndPlay('door', true, true, {}, false, 2); SndPlay();"
        "AnmPlay('nobody', 'walk', 'e'); AnmPlay('anim', 'walk', 'e'); AnmPlay('ps', 'walk', 'e');"
        "AnmStop('nobody'); VidPlay('nobody');"
        "PsSetMaskObj('ps', 'nobody'); PsSetMaskObj('anim', 'mask'); PsPause('nobody', 1); SetCursor()");
    EXPECT_EQ(nullptr, ps->GetImpl()->GetMask());
    Run("PsSetMaskObj('ps', 'mask')");
    EXPECT_EQ(Find("mask"), ps->GetImpl()->GetMask());
    // A name that finds nothing is named once, by the first function given it.
    EXPECT_EQ(Lines{"Warning: AnmPlay: no object named \"nobody\"; the call does nothing"}, log.lines);
    log.lines.clear();
    Run("SetCursor(nil); SetCursor(3); SetCursor('2')");
    EXPECT_EQ(Lines{"Warning: SetCursor try set cursor to nil!\n"}, log.lines);
    EXPECT_EQ((Lines{"play door|sfx|10|end|0.000000", "play door||00||2.000000", "play ||00||0.000000",
                     "anim|walk|e", "cursor 3", "cursor 2"}),
              g_calls);
    g_cursor = nullptr;
    Run("SetCursor(4)"); // no cursor service: nothing
}
} // namespace
