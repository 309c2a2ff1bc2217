// Frame-list animations: loading the animation file, the frame clock, end
// triggers, the cross-fade and the script functions.

#include "core/recording_render.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/scene/nE_AnimSprite.h"
#include "scene/anim_fixture.h"
#include "scene/engine_scope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{

class AnimTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(files.Make());
        engine.Start();
    }
    void TearDown() override { engine.Stop(); }

    std::unique_ptr<nE_AnimSprite> Door(const std::string& name = "door")
    {
        auto anim = std::make_unique<nE_AnimSprite>(name);
        anim->SetResourceName(files.path + "door");
        return anim;
    }

    animfixture::Folder files;
    EngineScope engine;
    de50test::LogCapture& log = engine.log;
};

// Functions are read in file order; only exactly 1 turns loop and alpha on and
// a frame without "idx" is skipped. Bad files leave no functions to play.
TEST_F(AnimTest, LoadingReadsFlagsAndLogsBadFiles)
{
    auto anim = Door();
    const auto& f = anim->GetFunctions();
    ASSERT_EQ(9u, f.size());
    EXPECT_EQ("open", f[0].name);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), f[0].frames);
    EXPECT_TRUE(f[1].loop && f[1].alpha);
    EXPECT_FALSE(f[7].loop || f[7].alpha);
    EXPECT_EQ(std::vector<int>{2}, f[7].frames);
    EXPECT_TRUE(log.Has("Warning: animsprite door: a frame of function \"gappy\" has no \"idx\""));
    EXPECT_EQ(files.path + "strip_ft", anim->GetFrameTextureName());
    for (auto [file, line] : {std::pair{"missing", "could not find \""},
                              {"broken", "could not parse \""},
                              {"blank", "could not parse \""},
                              {"noroot", "found no \"animation\" element"}})
    {
        log.lines.clear();
        nE_AnimSprite bad("bad");
        bad.SetResourceName(files.path + file);
        EXPECT_TRUE(bad.GetFunctions().empty()) << file;
        EXPECT_EQ("", bad.GetFrameTextureName()) << file;
        ASSERT_EQ(1u, log.lines.size()) << file;
        EXPECT_EQ(0u, log.lines[0].find(std::string("Error: animsprite bad ") + line)) << log.lines[0];
        bad.Play("a", "on_end");
        EXPECT_FALSE(bad.IsPlaying());
    }
}

// However long a step, one frame per tick; the time owed carries over.
TEST_F(AnimTest, OneFramePerTickAndTheRemainderCarries)
{
    auto anim = Door();
    anim->Play("spin", "");
    EXPECT_FLOAT_EQ(0.1f, anim->GetTimeLeft());
    for (auto [step, frame, left] :
         {std::tuple{0.25f, 1, -0.05f}, {0.0f, 2, 0.05f}, {0.04f, 2, 0.01f}, {0.01f, 0, 0.1f}})
    {
        TickObject(*anim, step);
        EXPECT_EQ(frame, anim->GetFrame()) << step;
        EXPECT_NEAR(left, anim->GetTimeLeft(), 1e-5) << step;
    }
}

// Non-looping functions end on their last frame and post the end trigger once;
// looping ones wrap and never end.
TEST_F(AnimTest, NonLoopingEndsOnceAndLoopingWraps)
{
    auto gate = Door("gate"), spin = Door();
    gate->Play("open", "on_end");
    spin->Play("spin", "on_end");
    std::vector<int> shown;
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(i < 3, gate->IsPlaying()) << i;
        EXPECT_EQ(0u, i < 3 ? g_triggerManager->GetQueueSize() : 0u);
        TickObject(*gate, 0.1f);
        TickObject(*spin, 0.1f);
        EXPECT_EQ(std::min(i + 1, 2), gate->GetFrame());
        shown.push_back(spin->GetFrame());
    }
    EXPECT_EQ(2, gate->GetPosition());
    EXPECT_EQ(0, gate->GetCurrent()); // kept after the end
    EXPECT_EQ((std::vector<int>{1, 2, 0, 1, 2, 0, 1, 2}), shown);
    EXPECT_TRUE(spin->IsPlaying());
    g_triggerManager->Update();
    EXPECT_EQ("1", EngineScope::Global("ended"));
    EXPECT_EQ("gate", EngineScope::Global("ended_by"));
}

// The next frame fades in over the current one; on the last frame of a loop
// frame 0 does, at full alpha when behind time; nothing follows the end of a
// non-looping function, and nothing fades without the alpha flag.
TEST_F(AnimTest, CrossFadeDrawsTheNextFrameFadingIn)
{
    auto anim = Door();
    anim->Play("spin", "");
    TickObject(*anim, 0.025f); // a quarter into frame 0
    nE_RenderState state;
    state.alpha = 0.8f;
    auto draw = [&](float firstAlpha, std::vector<std::pair<int, float>> expected)
    {
        RecordingRender render;
        state.frame = anim->GetFrame();
        anim->Draw(&render, state);
        ASSERT_EQ(expected.size(), render.draws.size());
        for (size_t i = 0; i < expected.size(); ++i)
        {
            EXPECT_EQ(expected[i].first, render.draws[i].state.frame) << i;
            EXPECT_NEAR(i ? expected[i].second : firstAlpha, render.draws[i].state.alpha, 1e-6) << i;
        }
    };
    draw(0.8f, {{0, 0.8f}, {1, 0.8f * 0.25f}});
    TickObject(*anim, 0.075f);
    TickObject(*anim, 0.25f);
    draw(0.8f, {{2, 0.8f}, {0, 0.8f}});
    state.alpha = 1.0f;
    anim->Play("fade_once", "");
    TickObject(*anim, 0.2f);
    draw(1.0f, {{1, 1.0f}}); // last frame: nothing follows
    anim->Play("open", "");  // no alpha flag
    draw(1.0f, {{0, 1.0f}});
}

TEST_F(AnimTest, ZeroOrNegativeFrameTimeNeverGivesANonFiniteAlpha)
{
    for (const char* name : {"still", "backwards"})
    {
        auto anim = Door();
        anim->Play(name, "");
        for (int tick = 0; tick < 4; ++tick)
        {
            RecordingRender render;
            anim->Draw(&render, nE_RenderState());
            ASSERT_FALSE(render.draws.empty());
            for (const auto& draw : render.draws) // a NaN fails both bounds
                EXPECT_TRUE(draw.state.alpha >= 0.0f && draw.state.alpha <= 1.0f)
                    << name << " " << draw.state.alpha;
            const int before = anim->GetFrame();
            TickObject(*anim, 1.0f / 60.0f);
            EXPECT_NE(before, anim->GetFrame()) << name << ": one frame per tick";
        }
    }
}

TEST_F(AnimTest, ScriptFunctionsDriveAnimationsAndIgnoreOtherKinds)
{
    nE_RegisterAnimType();
    g_scene->AttachObject(g_scene->GetOrigin(), Door("lamp").release());
    g_scene->AttachObject(g_scene->GetOrigin(), new nE_Object("plain"));
    lua_State* L = nE_GetLua();
    ASSERT_EQ(0, luaL_dostring(L, "AnmPlay('lamp', 'spin', 'on_end'); AnmPlay('plain', 'spin', '')"));
    auto* lamp = dynamic_cast<nE_AnimSprite*>(g_scene->FindObject("lamp"));
    ASSERT_NE(nullptr, lamp);
    EXPECT_TRUE(lamp->IsPlaying());
    EXPECT_EQ("on_end", lamp->GetEndTrigger());
    ASSERT_EQ(0, luaL_dostring(L, "AnmPause('lamp', 1)"));
    EXPECT_FALSE(lamp->IsPlaying());
    ASSERT_EQ(0, luaL_dostring(L, "AnmStop('lamp'); AnmStop('plain'); AnmStop('nobody')"));
    EXPECT_EQ(-1, lamp->GetCurrent());
    EXPECT_TRUE(nE_IsObjectTypeRegistered("anim"));
    g_scriptMediaHooks = nE_ScriptMediaHooks();
}

TEST_F(AnimTest, FunctionsWithoutFramesDoNotFail)
{
    auto anim = Door();
    anim->SetFrame(2);
    anim->Play("empty", "on_end");
    EXPECT_EQ(2, anim->GetFrame());
    TickObject(*anim, 0.05f);
    EXPECT_FALSE(anim->IsPlaying());
    g_triggerManager->Update();
    EXPECT_EQ("1", EngineScope::Global("ended"));

    anim->Play("empty_loop", "");
    for (int i = 0; i < 3; ++i)
        TickObject(*anim, 0.05f);
    EXPECT_TRUE(anim->IsPlaying());
    RecordingRender render;
    anim->Draw(&render, nE_RenderState());
    EXPECT_EQ(1u, render.draws.size());
}

} // namespace
