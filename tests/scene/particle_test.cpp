// Particle systems: the implementation chosen by the file, the script hooks,
// the mask, and the emitter-file form's bursts, motion, fades and drawing.

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/scene/nE_SceneTypes.h"
#include "engine/scene/nE_Sprite.h"
#include "scene/particle_fixture.h"

#include <cmath>

namespace
{

using pstest::Emitter;
using pstest::kFrame;
using pstest::MemTex;

class JanTest : public pstest::ParticleTest
{
protected:
    // Started, then stepped `ticks` frames of `seconds`.
    std::unique_ptr<nE_ParticleSystem> Run(const std::string& emitters, int ticks, float seconds = kFrame)
    {
        auto ps = System(Jan(emitters));
        ps->GetImpl()->Start();
        Tick(*ps, seconds, ticks);
        return ps;
    }
    static const std::vector<nE_JanParticle>& Particles(nE_ParticleSystem& ps, size_t emitter = 0)
    {
        return JanOf(ps)->GetEmitters().at(emitter).particles;
    }
};

TEST_F(JanTest, ImplementationFollowsTheRootType)
{
    enum Kind { NONE, COMPLEX, JAN };
    const struct
    {
        const char* text; // null: no file
        Kind kind;
        const char* log;
    } cases[] = {{"<ps/>", COMPLEX, ""},
                 {"<ps type=\"complex\"/>", COMPLEX, ""},
                 {"<ps type=\"jan\"/>", JAN, ""},
                 {"<ps type=\"Jan\"/>", NONE, "nE_ParticleSystem::Unknown type \"Jan\""},
                 {nullptr, NONE, "nE_ParticleSystem::Could not find"},
                 {"<ps type=\"jan\"><emit", NONE, "nE_ParticleSystem::Could not read"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text ? c.text : "missing");
        log.lines.clear();
        auto ps = System(c.text ? File("f", c.text) : dir.path + "nothing");
        EXPECT_EQ(c.kind == COMPLEX, ComplexOf(*ps) != nullptr);
        EXPECT_EQ(c.kind == JAN, JanOf(*ps) != nullptr);
        EXPECT_TRUE(*c.log ? log.Has(c.log) : log.lines.empty());
        Tick(*ps); // an object without implementation (or emitters) still steps and draws
        pstest::CaptureRender render;
        ps->DrawTree(&render, nE_RenderState());
    }
    nE_RegisterSceneObjectTypes();
    std::unique_ptr<nE_Object> made(nE_CreateObject("partsys", "x"));
    EXPECT_EQ("partsys", made->GetTypeName());
}

TEST_F(JanTest, SameResourceAgainGivesANewStoppedImplementation)
{
    auto ps = Run(Emitter({{"delay", "0"}}), 2);
    ASSERT_EQ(2u, Particles(*ps).size());
    ps->SetResourceName(ps->GetResourceName());
    EXPECT_FALSE(ps->GetImpl()->IsRunning());
    EXPECT_TRUE(Particles(*ps).empty());
    EXPECT_TRUE(JanOf(*ps)->GetEmitters()[0].texture); // resources were loaded, so the new one loads too
}

TEST_F(JanTest, ScriptHooksActOnlyOnSystemsWithAnImplementation)
{
    nE_RegisterParticleType();
    nE_Sprite sprite("spr");
    nE_ParticleSystem empty("empty");
    auto ps = System(Jan(Emitter()));
    const nE_ScriptMediaHooks& h = g_scriptMediaHooks;
    for (nE_Object* o : {static_cast<nE_Object*>(&sprite), static_cast<nE_Object*>(&empty)})
    {
        h.psStart(o);
        h.psPause(o, true);
        h.psStop(o, true);
        h.psSetMaskObj(o, &sprite);
    }
    h.psStart(ps.get());
    h.psPause(ps.get(), true);
    h.psSetMaskObj(ps.get(), &sprite);
    EXPECT_TRUE(ps->GetImpl()->IsRunning());
    EXPECT_TRUE(ps->GetImpl()->IsPaused());
    EXPECT_EQ(&sprite, ps->GetImpl()->GetMask());
    h.psStop(ps.get(), false);
    EXPECT_FALSE(ps->GetImpl()->IsRunning());
    g_scriptMediaHooks = nE_ScriptMediaHooks();
}

TEST_F(JanTest, MaskPlacesParticlesAndFailsSafely)
{
    const struct
    {
        const char* name;
        std::shared_ptr<MemTex> texture; // null: the mask is deleted before spawning
        float x, y;
        bool warns;
    } cases[] = {{"deleted mask: none, so a free emitter starts at the owner", nullptr, 50, 0, false},
                 {"fully transparent mask: its centre", std::make_shared<MemTex>(8.0f, false), 30, 40, true},
                 {"zero-size mask: its centre", std::make_shared<MemTex>(0.0f), 30, 40, false},
                 {"mask that accepts all: inside it", std::make_shared<MemTex>(8.0f), 30, 40, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        log.lines.clear();
        auto ps = System(Jan(Emitter({{"delay", "0"}, {"free", "1"}})));
        ps->SetPos(50, 0);
        auto mask = std::make_unique<nE_Sprite>("mask");
        mask->SetPos(30, 40);
        mask->SetTexture(c.texture);
        ps->GetImpl()->SetMask(mask.get());
        if (!c.texture) mask.reset();
        ps->GetImpl()->Start();
        Tick(*ps, kFrame, 3);
        ASSERT_EQ(3u, Particles(*ps).size());
        EXPECT_NEAR(c.x, Particles(*ps)[2].x, 4.0f);
        EXPECT_NEAR(c.y, Particles(*ps)[2].y, 4.0f);
        EXPECT_EQ(c.warns ? 1u : 0u, log.lines.size());
    }
}

TEST_F(JanTest, BurstCounts)
{
    const struct
    {
        const char* born;
        const char* autooff; // "-": absent
        int ticks;
        size_t particles;
        bool running;
    } cases[] = {{"0.5", "-", 1, 1, true}, {"2.9", "-", 1, 2, true}, {"1", "3", 5, 3, false},
                 {"1", "0", 5, 5, true},   {"1", "-", 5, 5, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.born) + " autooff " + c.autooff);
        auto ps = Run(Emitter({{"delay", "0"}, {"born_count", c.born}, {"autooff", c.autooff}}), c.ticks);
        EXPECT_EQ(c.particles, Particles(*ps).size());
        EXPECT_EQ(c.running, ps->GetImpl()->IsRunning());
    }
}

TEST_F(JanTest, AlphaAndColourOverTheLifetime)
{
    const struct
    {
        std::map<std::string, std::string> attributes;
        int ticks;
        float seconds, alpha, red;
    } cases[] = {
        // Peak at 50 % of 2 s: rises to the birth alpha at 1 s, falls to 0 at 2 s.
        {{{"alpha_peak", "50"}, {"lifetime", "117.647"}}, 3, 0.25f, 0.5f, 1},
        {{{"alpha_peak", "50"}, {"lifetime", "117.647"}}, 5, 0.25f, 1.0f, 1},
        {{{"alpha_peak", "50"}, {"lifetime", "117.647"}}, 7, 0.25f, 0.5f, 1},
        {{{"alpha_mode", "1"}}, 10, kFrame, 0.9f, 1},                         // fades to 0 over 100 frames
        {{{"alpha_mode", "2"}, {"alpha", "0.5"}}, 10, kFrame, 0.55f, 1},      // fades to 1
        {{{"alpha_speed", "0.5"}, {"color_r_speed", "-100"}}, 3, kFrame, 1, 0}, // clamped to 0..1
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.ticks);
        auto attributes = c.attributes;
        attributes["delay"] = "100000";
        auto ps = Run(Emitter(attributes), c.ticks, c.seconds);
        ASSERT_EQ(1u, Particles(*ps).size());
        EXPECT_NEAR(c.alpha, Particles(*ps)[0].alpha, 0.01f);
        EXPECT_NEAR(c.red, Particles(*ps)[0].red, 0.01f);
    }
}

TEST_F(JanTest, MotionOverFixedSteps)
{
    const struct
    {
        std::map<std::string, std::string> attributes;
        float x, y;
    } cases[] = {
        {{{"pos_x", "10"}, {"pos_y", "5"}}, 10, 5},
        {{{"speed_x", "2"}, {"speed_xf", "0.5"}}, 3.5f, 0},                                 // 2 + 1 + 0.5
        {{{"grav", "1"}}, 0, 3},                                                             // gravity adds to y
        {{{"gflag", "1"}, {"grotate", "90"}, {"speed_x", "2"}, {"speed_y", "2"}}, 0, 6}, // along the course
        {{{"speed_x", "2"}, {"speed_xf", "-"}}, 6, 0}, // a missing factor reads as 1
    };
    for (const auto& c : cases)
    {
        auto attributes = c.attributes;
        attributes["delay"] = "100000";
        auto ps = Run(Emitter(attributes), 3);
        ASSERT_EQ(1u, Particles(*ps).size());
        EXPECT_NEAR(c.x, Particles(*ps)[0].x, 1e-3f);
        EXPECT_NEAR(c.y, Particles(*ps)[0].y, 1e-3f);
    }
}

TEST_F(JanTest, MissingAttributesWarnOncePerFile)
{
    auto ps = Run(Emitter({{"alpha", "-"}, {"lifetime", "-"}}) + Emitter({{"blend", "-"}}), 1);
    EXPECT_EQ(1u, log.lines.size());
    EXPECT_TRUE(log.Has("Warning: nE_PartSysImpl_Jan::"));
    EXPECT_TRUE(Particles(*ps, 0).empty()); // a lifetime of 0 ends at once
}

TEST_F(JanTest, PauseStopAndPreprocessing)
{
    auto ps = Run(Emitter({{"delay", "0"}, {"speed_x", "1"}, {"preproc", "3"}}), 0);
    ASSERT_EQ(3u, Particles(*ps).size());
    EXPECT_NEAR(0.51f, Particles(*ps)[0].age, 1e-4f);
    nE_PartSysImpl* impl = ps->GetImpl();
    impl->Start(); // already running: nothing restarts
    EXPECT_EQ(3u, Particles(*ps).size());

    impl->SetPaused(true);
    const float x = Particles(*ps)[0].x;
    Tick(*ps, kFrame, 5);
    EXPECT_EQ(3u, Particles(*ps).size());
    EXPECT_EQ(x, Particles(*ps)[0].x);

    impl->SetPaused(false);
    impl->Stop(false); // no more bursts, the particles live on
    Tick(*ps);
    EXPECT_EQ(3u, Particles(*ps).size());
    EXPECT_GT(Particles(*ps)[0].x, x);
    impl->Stop(true);
    EXPECT_TRUE(Particles(*ps).empty());

    auto none = System(Jan(""));
    none->GetImpl()->Start(); // no emitter to take the pre-run count from
    Tick(*none);
    EXPECT_FALSE(none->GetImpl()->IsRunning());
}

TEST_F(JanTest, FreeEmittersDrawInTheParentsSpace)
{
    nE_Object parent("parent");
    parent.SetPos(10, 0);
    auto owned = System(Jan(Emitter({{"delay", "100000"}}) + Emitter({{"delay", "100000"}, {"free", "1"}, {"blend", "2"}})));
    nE_ParticleSystem* ps = owned.get();
    parent.AddChild(owned.release());
    ps->SetPos(100, 0);
    ps->GetImpl()->Start();
    Tick(*ps);
    pstest::CaptureRender render;
    parent.DrawTree(&render, nE_RenderState());
    ps->SetPos(200, 0);
    parent.DrawTree(&render, nE_RenderState());
    ASSERT_EQ(4u, render.lists.size());
    ASSERT_EQ(6u, render.lists[0].size());
    EXPECT_NEAR(110, render.CentreX(0, 0), 1e-3f);
    EXPECT_NEAR(110, render.CentreX(1, 0), 1e-3f); // born at the owner, in the parent's space
    EXPECT_NEAR(210, render.CentreX(2, 0), 1e-3f); // follows the owner
    EXPECT_NEAR(110, render.CentreX(3, 0), 1e-3f); // stays where it was born
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 0, 2}), render.blends);
}

} // namespace
