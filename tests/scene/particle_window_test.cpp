// A particle system drawn in a real window and read back from the screen.

#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_ParticleJan.h"
#include "platform/de50_test_support.h"
#include "scene/anim_fixture.h"
#include "scene/particle_fixture.h"

namespace
{

class ParticleWindowTest : public de50test::WindowTest
{
};

TEST_F(ParticleWindowTest, EmitterFileSystemDrawsItsTintedParticles)
{
    de50test::ScratchDir dir;
    ASSERT_TRUE(animfixture::WriteStrip(dir.path + "white.png", {0xFFFFFFFF}, 4));
    // One particle, twice the texture's size, tinted green, added on top.
    animfixture::WriteText(dir.path + "ps.xml",
                           "<ps type=\"jan\">" +
                               pstest::Emitter({{"res", dir.path + "white"}, {"delay", "100000"}, {"scale_x", "2"},
                                                {"scale_y", "2"}, {"color_r", "0"}, {"color_b", "0"}, {"pos_x", "20"},
                                                {"pos_y", "10"}, {"blend", "2"}}) +
                               "</ps>");
    nE_ResourceCache cache;
    g_resourceCache = &cache;
    nE_RegisterTextureCreators();
    std::unique_ptr<nE_Render_Pl5> render(nE_CreateRender());
    render->SetScreenSize(float(kW), float(kH));
    nE_ParticleSystem ps("ps");
    ps.SetResourceName(dir.path + "ps");
    ps.SetPos(10, 10);
    ps.LoadResourcesTree();
    ps.GetImpl()->Start();
    nE_TimeStep step;
    step.step = pstest::kFrame;
    ps.UpdateTree(&step);

    render->BeginScene();
    render->Begin2D();
    r->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(0.5f, 0, 0, 1));
    ps.DrawTree(render.get(), nE_RenderState());
    render->End2D();
    render->EndScene();
    EXPECT_TRUE(de50test::Near(Pixel(30, 20), 0xFF80FF00, 3)) << std::hex << Pixel(30, 20); // centre
    EXPECT_TRUE(de50test::Near(Pixel(26, 16), 0xFF80FF00, 3)) << std::hex << Pixel(26, 16); // 8 x 8 quad
    EXPECT_TRUE(de50test::Near(Pixel(35, 20), 0xFF800000, 3)) << std::hex << Pixel(35, 20); // outside
    render.reset();
    cache.Clear();
    g_resourceCache = nullptr;
}

} // namespace
