// Particle effects that follow the game's difficulty mode and the player's
// performance setting: stopped ones are neither stepped nor drawn, and go on
// where they stopped.

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "game/app/nG_Messages.h"
#include "game/app/nG_ParticleSystemGm.h"
#include "game/app/nG_Settings.h"
#include "scene/particle_fixture.h"

#include <tinyxml.h>

namespace
{

class ParticleModeTest : public pstest::ParticleTest
{
protected:
    // Loaded from the element's text (with "res" added), then started.
    std::unique_ptr<nE_ParticleSystem> Make(const std::string& element)
    {
        nG_RegisterParticleTypes();
        TiXmlDocument doc;
        doc.Parse((element + " res=\"" + Jan(pstest::Emitter({{"delay", "0"}})) + "\"/>").c_str());
        std::unique_ptr<nE_ParticleSystem> ps(
            dynamic_cast<nE_ParticleSystem*>(nE_CreateObjectFromXml(doc.RootElement())));
        ps->LoadResourcesTree();
        ps->GetImpl()->Start();
        return ps;
    }
    // Whether a step and a draw reached the particles.
    static bool Runs(nE_ParticleSystem& ps)
    {
        const auto& particles = JanOf(ps)->GetEmitters()[0].particles;
        const size_t before = particles.size();
        Tick(ps);
        pstest::CaptureRender render;
        ps.DrawTree(&render, nE_RenderState());
        const bool stepped = particles.size() != before;
        EXPECT_EQ(stepped, !render.lists.empty());
        return stepped;
    }
    void Mode(int mode)
    {
        nG_MsgInt record;
        record.value = mode;
        bus.Send(NG_MSG_GAME_MODE, &record);
    }
};

TEST_F(ParticleModeTest, GameModeEffectRunsUpToItsMode)
{
    auto ps = Make("<partsys_gm game_mode=\"1\"");
    ASSERT_EQ("partsys_gm", ps->GetTypeName());
    const struct
    {
        int mode;
        bool runs;
    } steps[] = {{0, true}, {1, true}, {2, false}, {5, false}, {1, true}};
    for (const auto& s : steps)
    {
        Mode(s.mode);
        EXPECT_EQ(s.runs, Runs(*ps)) << s.mode;
    }
    ps.reset(); // unsubscribes: a later message reaches no deleted listener
    Mode(0);
}

TEST_F(ParticleModeTest, PerformanceEffectRunsOnlyAtPerformanceZero)
{
    auto ps = Make("<partsys_pm");
    ASSERT_EQ("partsys_pm", ps->GetTypeName());
    EXPECT_TRUE(Runs(*ps)); // no settings yet: the default 0
    nG_Settings settings;
    g_settings = &settings;
    const int modes[] = {1, 0, 2};
    for (int mode : modes)
    {
        settings.SetPerformance(mode);
        EXPECT_EQ(mode == 0, Runs(*ps)) << mode;
    }
    g_settings = nullptr;
}

} // namespace
