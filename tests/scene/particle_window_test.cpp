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
    // One particle at (20, 10), twice the texture's size, tinted green, added on top.
    auto set =
        pstest::Pairs("delay=100000 scale_x=2 scale_y=2 color_r=0 color_b=0 pos_x=20 pos_y=10 blend=2");
    set["res"] = dir.path + "white";
    animfixture::WriteText(dir.path + "ps.xml", "<ps type=\"jan\">" + pstest::Emitter(set) + "</ps>");
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
    ps.UpdateTree(&step);
    render->BeginScene();
    render->Begin2D();
    r->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(0.5f, 0, 0, 1));
    ps.DrawTree(render.get(), nE_RenderState());
    render->End2D();
    render->EndScene();
    // Its centre and a corner of its 8 x 8 quad, then a pixel outside.
    const uint32_t expected[][3] = {{30, 20, 0xFF80FF00}, {26, 16, 0xFF80FF00}, {35, 20, 0xFF800000}};
    for (const auto& e : expected)
        EXPECT_TRUE(de50test::Near(Pixel(e[0], e[1]), e[2], 3)) << e[0] << "," << e[1];
    render.reset();
    g_resourceCache = nullptr;
}

} // namespace
