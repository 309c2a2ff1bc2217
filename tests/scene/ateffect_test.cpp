// The at-effect with a fixed random seed: the birth box, births per step,
// depth mapping, fading, floor death, the pre-run, shared forces and quads.

#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_AtEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <lua.hpp>
#include <tuple>

namespace
{

class AtEffectTest : public testing::Test
{
protected:
    void SetUp() override
    {
        std::srand(7);
        g_atGlobalForces = nE_AtGlobalForces();
    }
    void TearDown() override { g_atGlobalForces = nE_AtGlobalForces(); }
    static std::unique_ptr<nE_AtEffect> Square(float clip = 768.0f)
    {
        auto e = std::make_unique<nE_AtEffect>("rain");
        e->SetClipSize({clip, clip});
        e->GetRenderer().SetupCamera(e->GetClipSize());
        return e;
    }
    static nE_AtParticle Still(float x, float y, float z)
    {
        nE_AtParticle p;
        p.position = nE_Vec3(x, y, z);
        return p;
    }
};

// The view box is x, y in [-5, 5] and z in [1, 10] past the camera; births
// per step follow the density, from none to the cap.
TEST_F(AtEffectTest, BirthsFillTheBoxAtTheirRate)
{
    for (auto [dencity, dt, camZ, births] : {std::tuple<float, float, float, size_t>{1.0f, 0.01f, 0, 9},
                                             {0.0f, 0.1f, 0, 0},
                                             {1e-9f, 0.01f, 0, 1},
                                             {1.0f, 0.01f, 5, 9},
                                             {1e30f, 1, 0, kMaxAtParticles}})
    {
        auto e = Square();
        AtRenderer& r = e->GetRenderer();
        r.camPos = nE_Vec3(0, 0, camZ);
        r.SetupCamera(e->GetClipSize());
        nE_AtField& f = e->GetField();
        f.dencity = dencity;
        f.Simulate(dt, 100.0f, r.boxMin, r.boxMax);
        ASSERT_EQ(f.particles.size(), births) << dencity;
        for (const nE_AtParticle& p : f.particles)
            ASSERT_TRUE(p.position.x >= -5.0001f && p.position.x <= 5.0001f &&
                        p.position.z >= 0.9999f + camZ && p.position.z <= 10.0001f + camZ);
    }
}

// Depth runs from 0 at the near plane to 1 at the far one; what lies outside
// the box, or nowhere, is not shown and dies.
TEST_F(AtEffectTest, DepthMapsNearToZeroAndFarToOne)
{
    // Position, then depth (< 0: not shown), depth alpha and screen x.
    const std::tuple<nE_Vec3, float, float, float> cases[] = {
        {{0, 0, 1}, 0.0f, 0.0f, 0},     {{1, 0, 2}, 5.0f / 9.0f, 1.0f, 288.0f},
        {{0, 0, 10}, 1.0f, 0.0625f, 0}, {{0, 0, 0.5f}, -1, 0, 0},
        {{0, 0, 11}, -1, 0, 0},         {{9, 0, 2}, -1, 0, 0},
        {{NAN, 0, 2}, -1, 0, 0}};
    for (const auto& [at, depth, alpha, x] : cases)
    {
        auto e = Square();
        nE_AtField& f = e->GetField();
        f.type = 0;
        f.particles = {Still(at.x, at.y, at.z)};
        e->GetRenderer().Project(f, e->GetClipSize(), 1.0f);
        const nE_AtParticle& p = f.particles[0];
        ASSERT_EQ(e->GetRenderer().visible.size(), depth < 0 ? 0u : 1u) << at.z;
        EXPECT_EQ(p.dead, depth < 0);
        if (depth < 0) continue;
        EXPECT_NEAR(p.head.z, depth, 1e-5) << at.z;
        EXPECT_NEAR(p.depthAlpha, alpha, 1e-5) << at.z;
        EXPECT_NEAR(p.head.x, x, 1e-3) << at.z;
        EXPECT_NEAR(p.headSize, 1.0f / (1.0f + 9.0f * depth), 1e-5);
    }
}

// Life fades in and out; the floor (y 2.2 and a little below) and a lost position kill.
TEST_F(AtEffectTest, LifeFadesAndTheFloorKills)
{
    g_atGlobalForces.gravityForce = nE_Vec3();
    // Age, height, then dead or the life alpha.
    const std::tuple<float, float, bool, float> cases[] = {
        {0.2f, 0, false, 0.5f},     {5.0f, 0, false, 1.0f}, {19.8f, 0, false, 0.5f}, {20.05f, 0, true, 0.0f},
        {5.0f, 2.15f, false, 0.5f}, {5.0f, 2.2f, false, 0}, {5.0f, 2.25f, true, 0},  {5.0f, NAN, true, 0}};
    for (auto [age, y, dead, alpha] : cases)
    {
        nE_AtField f;
        f.dencity = 0.0f;
        nE_AtParticle p = Still(0, y, 5);
        p.age = age - 0.1f;
        f.particles = {p};
        f.Simulate(0.1f, 2.2f, nE_Vec3(), nE_Vec3());
        ASSERT_EQ(f.particles.empty(), dead) << age << " " << y;
        EXPECT_NEAR(dead ? 0.0f : f.particles[0].lifeAlpha, alpha, 1e-4) << age << " " << y;
    }
}

TEST_F(AtEffectTest, FastStartStepsAreCountedAndCapped)
{
    g_atGlobalForces.gravityForce = nE_Vec3();
    for (auto [fastStart, steps] : {std::pair<float, size_t>{3, 3}, {2.5f, 3}, {100, 50}, {0, 0}})
    {
        // A needle-thin view: one birth per step, and every particle stays in view.
        auto e = Square(0.001f);
        TiXmlElement xml("ateffect");
        xml.SetDoubleAttribute("fast_start", fastStart);
        nE_SLHelper_XML sl(&xml);
        e->Load(sl);
        e->LoadResources();
        EXPECT_EQ(e->GetField().particles.size(), steps) << fastStart;
    }
}

TEST_F(AtEffectTest, PartialForceTablesReachEveryEffect)
{
    nE_RegisterAtEffectType(); // lists AtGlobalForceSet
    lua_State* L = luaL_newstate();
    nE_RegisterScriptApi(L);
    ASSERT_EQ(luaL_dostring(L, "AtGlobalForceSet({wind_force = {100, 0, 0}, air_counterforce = 0})"), 0);
    lua_close(L);
    EXPECT_FLOAT_EQ(g_atGlobalForces.gravityForce.y, 9.8f) << "keys left out keep their values";
    nE_AtField f; // any field: the forces are shared
    f.dencity = 0.0f;
    f.particles = {Still(0, 0, 5)};
    f.Simulate(0.5f, 100.0f, nE_Vec3(), nE_Vec3());
    EXPECT_NEAR(f.particles[0].velocity.x, 1.0f, 1e-5);
    EXPECT_NEAR(f.particles[0].position.x, 0.5f, 1e-5);
    EXPECT_NEAR(f.particles[0].position.y, 0.049f, 1e-5);
}

TEST_F(AtEffectTest, StreakQuadsGoThroughTheObjectMatrix)
{
    auto e = Square();
    nE_AtField& f = e->GetField();
    nE_AtParticle p = Still(0, 0, 2);
    p.velocity = nE_Vec3(0, 15, 0); // the tail lies 1 unit further down
    p.lifeAlpha = 1.0f;
    f.particles = {p};
    AtRenderer& r = e->GetRenderer();
    r.Project(f, e->GetClipSize(), 1.0f);
    ASSERT_EQ(r.visible.size(), 1u);
    nE_RenderState state;
    state.alpha = 3.0f;
    state.matrix.At(3, 0) = 100.0f;
    state.matrix.At(3, 1) = 50.0f;
    nE_VertexList_Pl5 list;
    r.BuildVertices(f, state, list);
    ASSERT_EQ(list.GetCount(), 6u);
    const nE_Vertex* v = list.GetVertices();
    const float hw = 10.0f * f.particles[0].headSize * 0.5f;
    EXPECT_NEAR(v[0].position.x, 100.0f - hw, 1e-3);
    EXPECT_NEAR(v[0].position.y, 50.0f - hw, 1e-3);
    // Tail: one unit below at depth 2 is 768 * 1 / 2 pixels lower.
    EXPECT_NEAR(v[2].position.y, 50.0f + 384.0f + 10.0f * f.particles[0].tailSize * 0.5f, 1e-2);
    EXPECT_NEAR(v[2].position.x, 100.0f + 10.0f * f.particles[0].tailSize * 0.5f, 1e-3);
    EXPECT_EQ(v[0].color.argb >> 24, 0xFFu) << "alpha clamped to 1";
}

} // namespace
