// Particle systems: the implementation chosen by the file, the script hooks,
// the mask, and the emitter-file form's bursts, motion, fades and drawing.

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/scene/nE_Engine.h"
#include "engine/scene/nE_Sprite.h"
#include "scene/particle_fixture.h"

#include <cmath>
#include <tinyxml.h>

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
    static const std::vector<nE_JanParticle>& Particles(nE_ParticleSystem& ps)
    {
        return JanOf(ps)->GetEmitters().at(0).particles;
    }
};

TEST_F(JanTest, ImplementationFollowsTheRootType)
{
    const struct
    {
        const char* text; // null: no file
        bool complex, jan;
    } cases[] = {{"<ps/>", true, false},
                 {"<ps type=\"complex\"/>", true, false},
                 {"<ps type=\"jan\"/>", false, true},
                 {nullptr, false, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text ? c.text : "missing");
        log.lines.clear();
        auto ps = System(c.text ? File("f", c.text) : dir.path + "nothing");
        EXPECT_EQ(c.complex, ComplexOf(*ps) != nullptr);
        EXPECT_EQ(c.jan, JanOf(*ps) != nullptr);
        EXPECT_TRUE(c.text ? log.lines.empty() : log.Has("nE_ParticleSystem::Could not find"));
        Tick(*ps); // with no implementation, or nothing in it, it still steps and draws
        pstest::CaptureRender render;
        ps->DrawTree(&render, nE_RenderState());
    }
    // The same file again gives a new, stopped implementation with its resources.
    auto ps = Run(Emitter("delay=0"), 2);
    ps->SetResourceName(ps->GetResourceName());
    EXPECT_FALSE(ps->GetImpl()->IsRunning());
    EXPECT_TRUE(Particles(*ps).empty());
    EXPECT_TRUE(JanOf(*ps)->GetEmitters()[0].texture);
}

// What the Ps* functions do leaves other kinds and empty systems alone; a
// module's particle system keeps what is nested under it.
TEST_F(JanTest, ScriptHooksActOnlyOnSystemsWithAnImplementation)
{
    nE_RegisterEngineKinds();
    std::unique_ptr<nE_Object> empty(nE_CreateObject("partsys", "empty"));
    nE_Sprite sprite("spr");
    auto ps = System(Jan(Emitter()));
    for (nE_Object* o : {static_cast<nE_Object*>(&sprite), empty.get(), static_cast<nE_Object*>(ps.get())})
    {
        nE_PsStart(o);
        nE_PsPause(o, true);
        nE_PsSetMask(o, &sprite);
    }
    EXPECT_TRUE(ps->GetImpl()->IsRunning() && ps->GetImpl()->IsPaused());
    EXPECT_EQ(&sprite, ps->GetImpl()->GetMask());
    nE_PsStop(ps.get(), false);
    EXPECT_FALSE(ps->GetImpl()->IsRunning());
    TiXmlDocument doc;
    doc.Parse("<partsys name=\"p\"><obj name=\"child\"/></partsys>");
    std::unique_ptr<nE_Object> loaded(nE_CreateObjectFromXml(doc.RootElement()));
    ASSERT_NE(nullptr, loaded);
    EXPECT_NE(nullptr, loaded->FindChild("child", false));
}

TEST_F(JanTest, MaskPlacesParticlesAndFailsSafely)
{
    const struct
    {
        const char* name;
        std::shared_ptr<MemTex> texture; // null: the mask is deleted before spawning
        float x, y;
        size_t warnings;
    } cases[] = {{"deleted mask: none, so a free emitter starts at the owner", nullptr, 50, 0, 0},
                 {"fully transparent mask: its centre", std::make_shared<MemTex>(8.0f, false), 30, 40, 1},
                 {"zero-size mask: its centre", std::make_shared<MemTex>(0.0f), 30, 40, 0},
                 {"mask that accepts all: inside it", std::make_shared<MemTex>(8.0f), 30, 40, 0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        log.lines.clear();
        auto ps = System(Jan(Emitter("delay=0 free=1")));
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
        EXPECT_EQ(c.warnings, log.lines.size());
    }
}

TEST_F(JanTest, BurstsMotionAndFadesOverFixedSteps)
{
    const struct
    {
        const char* set; // over the defaults; "-" leaves one out
        int ticks;
        float seconds;
        size_t count;
        bool running;
        const char* expect; // the last particle's values
    } cases[] = {
        {"born_count=0.5 delay=0", 1, kFrame, 1, true, ""},
        {"born_count=2.9 delay=0", 1, kFrame, 2, true, ""},
        {"autooff=3 delay=0", 5, kFrame, 3, false, ""},
        {"autooff=0 delay=0", 5, kFrame, 5, true, ""},
        {"delay=0", 5, kFrame, 5, true, ""}, // no autooff: no end either
        {"speed_x=2 speed_xf=0.5 pos_y=5", 3, kFrame, 1, true, "x=3.5 y=5"},
        {"grav=1", 3, kFrame, 1, true, "x=0 y=3"},
        {"gflag=1 grotate=90 speed_x=2 speed_y=2", 3, kFrame, 1, true, "x=0 y=6"},
        {"speed_x=2 speed_xf=-", 3, kFrame, 1, true, "x=6 y=0"}, // a missing factor is 1
        // Peak at 50 % of 2 s: rises to the birth alpha at 1 s, falls to 0 at 2 s.
        {"alpha_peak=50 lifetime=117.647", 3, 0.25f, 1, true, "alpha=0.5"},
        {"alpha_peak=50 lifetime=117.647", 5, 0.25f, 1, true, "alpha=1"},
        {"alpha_peak=50 lifetime=117.647", 7, 0.25f, 1, true, "alpha=0.5"},
        {"alpha_mode=1", 10, kFrame, 1, true, "alpha=0.9"},                          // to 0 over the life
        {"alpha_mode=2 alpha=0.5", 10, kFrame, 1, true, "alpha=0.55"},               // to 1
        {"alpha_speed=0.5 color_r_speed=-100", 3, kFrame, 1, true, "alpha=1 red=0"}, // clamped
        {"lifetime=- alpha=-", 1, kFrame, 0, true, ""},                              // missing lifetime: 0
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.set) + " ... " + std::to_string(c.ticks));
        log.lines.clear();
        nE_ForgetWarnings(); // every case rewrites the same file
        const std::string set = std::string("delay=100000 ") + c.set;
        auto ps = Run(Emitter(set) + Emitter(set), c.ticks, c.seconds);
        ASSERT_EQ(c.count, Particles(*ps).size());
        EXPECT_EQ(c.running, ps->GetImpl()->IsRunning());
        const std::string padded = set + " ";
        EXPECT_EQ(padded.find("=- ") != std::string::npos ? 1u : 0u, log.lines.size()); // one line per file
        for (const auto& [field, value] : pstest::Pairs(c.expect))
        {
            const nE_JanParticle& p = Particles(*ps).back();
            const std::map<std::string, float> got = {
                {"x", p.x}, {"y", p.y}, {"alpha", p.alpha}, {"red", p.red}};
            EXPECT_NEAR(std::stof(value), got.at(field), 0.01f) << field;
        }
    }
}

TEST_F(JanTest, PauseStopAndPreprocessing)
{
    auto ps = Run(Emitter("delay=0 speed_x=1 preproc=3"), 0);
    ASSERT_EQ(3u, Particles(*ps).size());
    EXPECT_NEAR(0.51f, Particles(*ps)[0].age, 1e-4f);
    nE_PartSysImpl* impl = ps->GetImpl();
    impl->Start(); // already running: nothing restarts
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
    Run("", 1); // no emitter to take the pre-run count from
}

// Every way a description can be damaged names the file in one line, however
// often it is loaded and stepped; what is refused leaves finite particles.
TEST_F(JanTest, DamagedFilesSayWhatIsWrongOnce)
{
    const struct
    {
        const char* file;
        const char* line;
        bool impl;
    } cases[] = {
        {"malformed", "Error: nE_ParticleSystem::Could not read", false},
        {"empty", "Error: nE_ParticleSystem::Could not read", false},
        {"unknown_type", "Error: nE_ParticleSystem::Unknown type \"Jan\"", false},
        {"jan_missing_picture", "Warning: nE_PartSysImpl_Jan::", true},
        {"jan_missing_attribute", "lacks emitter attribute \"lifetime\"", true},
        {"jan_not_finite", "lifetime=\"nan\" is not a finite number; read as 0", true},
        {"jan_negative_factor", "speed_xf=\"-0.5\" is below 0; read as 0", true},
        {"jan_bad_blend", "blend=\"9\" is no blend mode", true},
        {"jan_not_a_number", "delay=\"soon\" is not a number", true},
        {"jan_unknown_element", "<emiter>, which is no emitter", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        log.lines.clear();
        for (int load = 0; load < 2; ++load)
        {
            auto ps = System(DataFile(c.file));
            ASSERT_EQ(c.impl, ps->GetImpl() != nullptr);
            if (!c.impl) continue;
            ps->GetImpl()->Start();
            Tick(*ps, kFrame, 20);
            for (const nE_JanEmitter& e : JanOf(*ps)->GetEmitters())
            {
                EXPECT_TRUE(e.p.blend >= 0 && e.p.blend <= 4 && e.p.speed_xf >= 0.0f);
                for (const nE_JanParticle& q : e.particles)
                    EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
            }
        }
        EXPECT_EQ(1u, log.lines.size());
        EXPECT_EQ(1, LinesAbout(DataFile(c.file), c.line));
    }
}

// Content that asks for work without end gets the budgets' share; each bound
// names the file once, and systems beside it go on as before.
TEST_F(JanTest, HostileFilesStayWithinTheBudgets)
{
    const size_t all = nE_PsBudget::kFileParticles, step = nE_PsBudget::kBirthsPerStep;
    const struct
    {
        const char* file;
        int ticks;
        size_t emitters, particles;
        const char* line;
    } cases[] = {
        {"jan_zero_delay", 1, 1, step, "asks for more than 2000 births in one step"},
        {"jan_zero_delay", 30, 1, all, "reaches 50000 live particles"},
        {"jan_many_emitters", 30, nE_PsBudget::kEmitters, all, "has more than 256 emitters"},
        {"jan_preproc_bomb", 0, 1, 18000, "stops its pre-run after 9 of 1000000 steps"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        nE_ForgetWarnings();
        log.lines.clear();
        auto ps = System(DataFile(c.file));
        ps->GetImpl()->Start();
        Tick(*ps, kFrame, c.ticks);
        const nE_PartSysImpl_Jan* jan = JanOf(*ps);
        EXPECT_EQ(c.emitters, jan->GetEmitters().size());
        EXPECT_EQ(c.particles, jan->GetParticleCount());
        EXPECT_EQ(1, LinesAbout(DataFile(c.file), c.line));
        // The pre-run did no more steps than the particle-steps allow.
        const float oldest = jan->GetEmitters()[0].particles.at(0).age;
        EXPECT_LE(oldest, float(nE_PsBudget::kPreprocWork / all + all / step + 1) * 0.17f);
    }
    auto calm = Run(Emitter("delay=0"), 3);
    EXPECT_EQ(3u, Particles(*calm).size());
}

// The sample's effects, each for ten seconds (twice over for the one-shot
// bursts), meet no budget and no other line.
TEST_F(JanTest, SampleEffectsRunWithoutALine)
{
    for (const char* effect : {"particles/sparks", "particles/fireflies", "levels/common/ho_collect_effect",
                               "interface/inventory_tasks/cards_add"})
    {
        SCOPED_TRACE(effect);
        for (int run = 0; run < 2; ++run)
        {
            auto ps = System(std::string(NE_SOURCE_DIR_DEFAULT) + "/sample/assets/" + effect);
            ps->GetImpl()->Start();
            Tick(*ps, kFrame, 600);
        }
    }
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
}

TEST_F(JanTest, FreeEmittersDrawInTheParentsSpace)
{
    nE_Object parent("parent");
    parent.SetPos(10, 0);
    auto owned = System(Jan(Emitter("delay=100000") + Emitter("delay=100000 free=1 blend=2")));
    nE_ParticleSystem* ps = owned.get();
    parent.AddChild(std::move(owned));
    ps->SetPos(100, 0);
    ps->GetImpl()->Start();
    Tick(*ps);
    pstest::CaptureRender render;
    parent.DrawTree(&render, nE_RenderState());
    ps->SetPos(200, 0);
    parent.DrawTree(&render, nE_RenderState());
    ASSERT_EQ(4u, render.lists.size());
    ASSERT_EQ(6u, render.lists[0].size());
    const float centres[] = {110, 110, 210, 110}; // the free one stays where it was born
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(centres[i], render.CentreX(i, 0), 1e-3f) << i;
    EXPECT_EQ((std::vector<uint32_t>{0, 2, 0, 2}), render.blends);
}

// An owner's opacity reaches the particles' vertices in both kinds of file,
// multiplied into each particle's own.
TEST_F(JanTest, ParticlesTakeTheOwnersAlpha)
{
    const std::string scripted = "<ps><process>if ps_state == 0 then CreateEmitter(\"emit\", 0, 0) ps_state = 1 "
                                 "end</process><emit res=\"tex\"><process>if not once then once = true "
                                 "CreateParticles(1) end</process><bornpart>DieAfter(9) SetProperty(ne_alpha, ";
    const struct
    {
        std::string file;
        float owner;
        uint32_t alpha; // of every vertex
    } cases[] = {{File("jan1", "<ps type=\"jan\">" + Emitter("delay=100000") + "</ps>"), 1.0f, 0xFF},
                 {File("jan1", "<ps type=\"jan\">" + Emitter("delay=100000") + "</ps>"), 0.5f, 0x80},
                 {File("jan2", "<ps type=\"jan\">" + Emitter("delay=100000 alpha=0.5") + "</ps>"), 0.5f, 0x40},
                 {File("scripted1", scripted + "1)</bornpart></emit></ps>"), 0.5f, 0x80},
                 {File("scripted2", scripted + "0.5)</bornpart></emit></ps>"), 0.5f, 0x40}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file + " under " + std::to_string(c.owner));
        nE_Object owner("owner");
        owner.SetAlpha(c.owner);
        auto owned = System(c.file);
        nE_ParticleSystem* ps = owned.get();
        owner.AddChild(std::move(owned));
        ps->GetImpl()->Start();
        Tick(*ps);
        pstest::CaptureRender render;
        owner.DrawTree(&render, nE_RenderState());
        ASSERT_EQ(1u, render.lists.size());
        ASSERT_EQ(6u, render.lists[0].size());
        for (const nE_Vertex& v : render.lists[0])
            EXPECT_EQ(c.alpha, v.color.argb >> 24);
    }
}

} // namespace
