#include "core/core_test_util.h"
#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/core/nE_Timer.h"
#include "engine/core/nE_TriggerManager.h"

#include <memory>

namespace
{
struct ScriptApiFixture : testing::Test
{
    LogCapture log;
    lua_State* L = nullptr;

    void SetUp() override
    {
        nE_RegisterObjectType("obj", MakePlain);
        L = nE_EngineContext::Instance()->GetLua();
        ASSERT_NE(nullptr, L);
        nE_RegisterScriptApi();
    }
    void TearDown() override
    {
        nE_EngineContext::Destroy();
        nE_SetCursorPosFunc(nullptr);
    }
    void Run(const std::string& code) { LuaRun(L, code); }
    std::string Eval(const std::string& expression) { return LuaEval(L, expression); }
    nE_Object* Find(const std::string& name) { return g_scene->FindObject(name); }
    nE_Object* Make(const std::string& name)
    {
        return nE_Attach(g_scene->GetOrigin(), std::make_unique<nE_Object>(name));
    }
    void Update(nE_Object* o, float dt)
    {
        nE_TimeStep step = Step(dt);
        o->Update(&step);
    }
};

TEST_F(ScriptApiFixture, CreateSetGetDeleteAndAttachBackKeepProperties)
{
    Run("ObjCreate('obj', 'box'); ObjCreate('nosuchtype', 'ghost'); ObjCreate(nil, 'ghost2')");
    EXPECT_FALSE(Find("ghost") || Find("ghost2"));
    nE_Object* box = Find("box");
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(g_scene->GetStorage() == box->GetParent() && !box->AreResourcesLoaded());

    Run("ObjSet('box', {pos_x = 5, pos_y = '7', visible = false, event_mdown = 'open(1)'})");
    EXPECT_FLOAT_EQ(7.0f, box->GetY());
    // Argument 2 must be a table.
    Run("ObjSet('box', 'pos_x'); ObjSet('box', 9, {pos_x = 4}); ObjSet('box'); ObjSet('box', {})");
    EXPECT_FLOAT_EQ(5.0f, box->GetX());

    Run("ObjAttach('box', 'ne_origin')");
    EXPECT_TRUE(box->AreResourcesLoaded());
    Run("ObjDelete('box')"); // moves to storage
    ASSERT_EQ(box, Find("box"));
    EXPECT_TRUE(g_scene->GetStorage() == box->GetParent() && !box->AreResourcesLoaded());
    Run("ObjAttach('box', 'ne_origin')");
    Run("g = ObjGet('box')");
    EXPECT_EQ("box 5 false open(1) 0",
              Eval("g.name .. ' ' .. g.pos_x .. ' ' .. tostring(g.visible) .. ' ' .. "
                   "g.event_mdown .. ' ' .. g.draw_width"));
    EXPECT_EQ("nil nil false", Eval("tostring(next(ObjGet('nobody'))) .. ' ' .. tostring(next(ObjGet())) .. "
                                    "' ' .. tostring(ObjIntersect('box', 'nobody'))"));
}

// Loops and roots are refused by the scene's attach; here only the functions
// that reach the roots without it.
TEST_F(ScriptApiFixture, RootsAreNeitherMovedNorDeleted)
{
    Run("ObjAttach('ne_origin', 'ne_storage'); ObjDelete('ne_origin'); ObjDetach('ne_storage')");
    EXPECT_FALSE(g_scene->GetOrigin()->GetParent() || g_scene->GetStorage()->GetParent());
    EXPECT_EQ(0, g_scene->GetStorage()->GetChildCount());
}

// Each call lands on "box" while a kind 0 tween holds x at 3. Kind 0 takes
// three numbers per key, read up to the first non-number (reading past "x"
// would make a key). An unknown kind runs its keys and posts its end; a call
// without an array makes an empty tween that replaces the running one. The
// default end text posts nothing and logs nothing.
TEST_F(ScriptApiFixture, AnimateReadsNumbersUpToTheFirstNonNumber)
{
    g_triggerManager->AddTrigger(std::make_unique<nE_Trigger>("done", "who = ne_params.sender"));
    const struct
    {
        const char* call;
        int tweens; // after one update
        float x;
        const char* ended; // sender of "done", or nil
    } cases[] = {
        {"ObjAnimate('box', 0, 0, 0, 'done', {1, 2, 'x', 4})", 0, 3, "nil"},
        {"ObjAnimate('box', 0, 0, 0, ' ', {0, 0, 7, 'x', 1, 0, 9})", 0, 7, "nil"},
        {"ObjAnimate('box', 15, 0, 0, 'done', {0, 0, 1})", 1, 3, "box"},
        {"ObjAnimate('box', 0, 0, 0, 'done', 'not a table')", 0, 3, "nil"},
        {"ObjAnimate('box', 0, 0, 0, 'done')", 0, 3, "nil"},
        {"ObjAnimate('nobody', 0, 0, 0, 'done')", 1, 3, "nil"},
        {"ObjStopAnimate('box', 0)", 0, 3, "nil"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.call);
        delete Find("box");
        nE_Object* box = Make("box");
        Run("who = nil; ObjAnimate('box', 0, 0, 0, 'done', {0, 0, 3, 10, 0, 3})");
        Update(box, 0.1f);
        Run(c.call);
        Update(box, 0.5f);
        g_triggerManager->Update();
        EXPECT_EQ(c.tweens, box->GetTweenCount());
        EXPECT_FLOAT_EQ(c.x, box->GetX());
        EXPECT_EQ(c.ended, Eval("tostring(who)"));
    }
    EXPECT_EQ(Lines{"Warning: ObjAnimate: no object named \"nobody\"; the call does nothing"}, log.lines);
}

TEST_F(ScriptApiFixture, TriggerAndTimerFunctions)
{
    g_triggerManager->AddTrigger(
        std::make_unique<nE_Trigger>("t1", "s = ne_params.sender; p = ne_params.param_0"));
    EXPECT_EQ("nil nil", Eval("tostring(TrgGet('nobody')) .. ' ' .. tostring(TrgGet())"));
    EXPECT_EQ("t1", Eval("TrgGet('t1').name"));
    // Only a string or number `code` changes the trigger.
    Run("TrgSet('t1', {code = true}); TrgSet('t1', {}); TrgSet('t1', 'x = 2')");
    EXPECT_EQ("s = ne_params.sender; p = ne_params.param_0", Eval("TrgGet('t1').code"));
    Run("TrgExecute('t1(abc)'); after = s");
    EXPECT_EQ("ne_undef abc", Eval("after .. ' ' .. p"));
    Run("TrgSet('t1', {code = 'x = 3'}); TrgExecute('t1'); TrgSet('t1', {code = 42})");
    EXPECT_EQ("3 42", Eval("x .. ' ' .. TrgGet('t1').code"));
    // Blank calls log nothing, a missing module once; a deleted trigger is missed.
    Run("TrgExecute(''); TrgExecute(nil); ModLoad('no/such/module'); ModLoad('no/such/module'); "
        "TrgDelete('t1')");
    Run("TrgExecute('t1(1)'); DbgTrace('hello ' .. 1)");
    EXPECT_EQ((Lines{"Warning: ModLoad: no module file \"no/such/module.xml\"; nothing is loaded",
                     "Error: object ne_undef try to call trigger t1 - no such trigger", "hello 1"}),
              log.lines);

    Run("TimerStart('watch', '', 0); TimerStart('count', 'nothing()', 5); TimerAddTag('count', 'room');"
        "TimerPauseByTag('room', 1)");
    g_timerManager->Advance(1.0f);
    EXPECT_EQ("1 5 0",
              Eval("TimerGetTime('watch') .. ' ' .. TimerGetTime('count') .. ' ' .. TimerGetTime()"));
    Run("TimerStopByTag('room'); TimerStop('watch')");
    g_timerManager->Advance(0.0f);
    EXPECT_EQ(0u, g_timerManager->GetCount());
}

} // namespace
