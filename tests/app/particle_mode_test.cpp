// Particle effects that follow the game's difficulty mode and the player's
// performance setting: stopped ones are neither stepped nor drawn, and go on
// where they stopped.

#include "engine/core/nE_ObjectTypeRegistry.h"
#include "game/app/nG_ParticleSystemGm.h"
#include "game/app/nG_Settings.h"
#include "game/messages/nG_Messages.h"
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
        doc.Parse((element + " res=\"" + Jan(pstest::Emitter("delay=0")) + "\"/>").c_str());
        std::unique_ptr<nE_ParticleSystem> ps(
            dynamic_cast<nE_ParticleSystem*>(nE_CreateObjectFromXml(doc.RootElement()).release()));
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
        nG_MsgInt record{mode};
        bus.Send(NG_MSG_GAME_MODE, &record);
    }
};

TEST_F(ParticleModeTest, EffectsRunOnlyWhileTheirConditionHolds)
{
    auto gm = Make("<partsys_gm game_mode=\"1\""), pm = Make("<partsys_pm");
    ASSERT_TRUE(gm && pm);  // made by the names content uses
    EXPECT_TRUE(Runs(*pm)); // no settings yet: performance 0
    nG_Settings settings;
    g_settings = &settings;
    const struct
    {
        int mode, performance;
        bool gmRuns, pmRuns;
    } steps[] = {{0, 0, true, true},
                 {1, 1, true, false},
                 {2, 0, false, true},
                 {5, 2, false, false},
                 {1, 0, true, true}};
    for (const auto& s : steps)
    {
        Mode(s.mode);
        settings.SetPerformance(s.performance);
        EXPECT_EQ(s.gmRuns, Runs(*gm)) << s.mode;
        EXPECT_EQ(s.pmRuns, Runs(*pm)) << s.performance;
    }
    g_settings = nullptr;
    gm.reset(); // unsubscribes: a later message reaches no deleted listener
    Mode(0);
}
} // namespace
