// Frame-list animations: loading the animation file, the frame clock, end
// triggers, the cross-fade and the script functions.

#include "core/recording_render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "scene/anim_fixture.h"
#include "scene/engine_scope.h"
#include "support/hostile.h"

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
    // Draws once and answers (frame, alpha) of each texture drawn.
    static std::vector<std::pair<int, float>> Drawn(nE_AnimSprite& anim, float alpha = 1.0f)
    {
        RecordingRender render;
        nE_RenderState state;
        state.alpha = alpha;
        state.frame = anim.GetFrame();
        anim.Draw(&render, state);
        std::vector<std::pair<int, float>> drawn;
        for (const auto& d : render.draws)
            drawn.push_back({d.state.frame, d.state.alpha});
        return drawn;
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
        EXPECT_TRUE(bad.GetFunctions().empty() && bad.GetFrameTextureName().empty()) << file;
        ASSERT_EQ(1u, log.lines.size()) << file;
        EXPECT_EQ(0u, log.lines[0].find(std::string("Error: animsprite bad ") + line)) << log.lines[0];
        bad.Play("a", "on_end");
        EXPECT_FALSE(bad.IsPlaying());
    }
}

// A damaged animation file is named in one line, once: a number that is none reads
// as 0 (an index that is none drops its frame), a frame its frame texture does
// not have shows nothing, stray text is ignored.
TEST_F(AnimTest, HostileFilesAreNamedOnce)
{
    nE_ResourceCache cache;
    g_resourceCache = &cache;
    nE_RegisterTextureCreators();
    const struct
    {
        const char* file;
        std::string line;
        std::vector<int> frames;
    } cases[] = {
        {"nonfinite",
         "\": \"frametime\" (line 2) is not a finite number (\"nan\"); it reads as 0 (and 1 more",
         {0}},
        {"outside",
         ": function \"f\" shows frame 7, but frame texture \"" + files.path + "strip_ft\" has 3 frames",
         {0, 7}},
        {"stray", "\": it holds stray text at line 2 (\"\\xDF\\x9C\\x90 idx=\"1\"/>\"); it is ignored", {0}},
    };
    for (const auto& c : cases)
    {
        hostile::CopyTo("anim", std::string(c.file) + ".xml", files.path + c.file + ".xml");
        log.lines.clear();
        nE_AnimSprite anim("bad"), again("bad"); // a second object reading the file names it no more
        anim.SetResourceName(files.path + c.file);
        anim.LoadResourcesTree();
        again.SetResourceName(files.path + c.file);
        again.LoadResourcesTree();
        ASSERT_EQ(1u, anim.GetFunctions().size()) << c.file;
        EXPECT_EQ(c.frames, anim.GetFunctions()[0].frames) << c.file;
        ASSERT_EQ(1u, log.lines.size()) << c.file;
        const std::string named = c.line[0] == ':' ? "" : " \"" + files.path + c.file + ".xml";
        EXPECT_EQ(0u, log.lines[0].find("Warning: animsprite bad" + named + c.line)) << log.lines[0];
    }
    cache.Clear();
    g_resourceCache = nullptr;
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
    typedef std::vector<std::pair<int, float>> Draws;
    auto anim = Door();
    anim->Play("spin", "");
    TickObject(*anim, 0.025f); // a quarter into frame 0
    const Draws first = Drawn(*anim, 0.8f);
    ASSERT_EQ(2u, first.size());
    EXPECT_EQ(Draws({{0, 0.8f}}), Draws(first.begin(), first.begin() + 1));
    EXPECT_EQ(1, first[1].first);
    EXPECT_NEAR(0.8f * 0.25f, first[1].second, 1e-6);
    TickObject(*anim, 0.075f);
    TickObject(*anim, 0.25f);
    EXPECT_EQ(Draws({{2, 0.8f}, {0, 0.8f}}), Drawn(*anim, 0.8f));
    anim->Play("fade_once", "");
    TickObject(*anim, 0.2f);
    EXPECT_EQ(Draws({{1, 1.0f}}), Drawn(*anim)); // last frame: nothing follows
    anim->Play("open", "");                      // no alpha flag
    EXPECT_EQ(Draws({{0, 1.0f}}), Drawn(*anim));
}

// Zero or negative frame times never give a non-finite alpha; functions
// without frames end (or loop) without failing and still draw.
TEST_F(AnimTest, DegenerateFunctionsNeitherFailNorGiveNonFiniteAlpha)
{
    for (const char* name : {"still", "backwards"})
    {
        auto anim = Door();
        anim->Play(name, "");
        for (int tick = 0; tick < 4; ++tick)
        {
            const auto drawn = Drawn(*anim);
            ASSERT_FALSE(drawn.empty());
            for (const auto& d : drawn) // a NaN fails both bounds
                EXPECT_TRUE(d.second >= 0.0f && d.second <= 1.0f) << name << " " << d.second;
            const int before = anim->GetFrame();
            TickObject(*anim, 1.0f / 60.0f);
            EXPECT_NE(before, anim->GetFrame()) << name << ": one frame per tick";
        }
    }
    auto anim = Door();
    anim->SetFrame(2);
    anim->Play("empty", "on_end");
    EXPECT_EQ(2, anim->GetFrame());
    TickObject(*anim, 0.05f);
    EXPECT_FALSE(anim->IsPlaying());
    g_triggerManager->Update();
    EXPECT_EQ("1", EngineScope::Global("ended"));
    anim->Play("empty_loop", "");
    TickObject(*anim, 0.05f, 3);
    EXPECT_TRUE(anim->IsPlaying());
    EXPECT_EQ(1u, Drawn(*anim).size());
}

TEST_F(AnimTest, ScriptFunctionsDriveAnimationsAndIgnoreOtherKinds)
{
    nE_RegisterAnimType();
    g_scene->AttachObject(g_scene->GetOrigin(), Door("lamp"));
    g_scene->AttachObject(g_scene->GetOrigin(), std::make_unique<nE_Object>("plain"));
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
}

} // namespace
