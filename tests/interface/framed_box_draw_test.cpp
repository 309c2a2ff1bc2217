#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/platform/notEngine.h"
#include "engine/scene/nE_Sprite.h"
#include "game/interface/nG_FramedBox.h"
#include "platform/de50_test_support.h"

namespace
{
class FramedBoxDraw : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
        r->SetOption("new_subtractive", "1");
        r->SetOption("new_render_blend", "1");
        render.SetScreenSize(float(kW), float(kH));
        render.CreateScreenTextures();
        nE_RegisterTextureCreators();
        g_resourceCache = new nE_ResourceCache();
    }
    void TearDown() override
    {
        delete g_resourceCache;
        g_resourceCache = nullptr;
        g_engine = nullptr;
        g_currentRender = nullptr;
        WindowTest::TearDown();
    }
    // Clears to dark grey, draws, and answers the pixels of the row through the box's centre.
    template <class F> std::vector<uint32_t> Frame(F draw)
    {
        render.BeginScene();
        render.Begin2D();
        r->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(0.25f, 0.25f, 0.25f, 1));
        draw();
        render.End2D();
        render.EndScene();
        std::vector<uint32_t> row;
        for (uint32_t x = 0; x < kW; ++x)
            row.push_back(Pixel(x, 24));
        return row;
    }

    nE_Render_Pl5 render;
};

// The box sits at (80, 24), so only its left side is on the 64-unit screen:
// the half-transparent rim, the gold line and the fill.
TEST_F(FramedBoxDraw, HalfTransparentEdgeThroughTheTargetMatchesDirectDrawing)
{
    nE_Object owner("box");
    nG_FramedBox box;
    box.Build(&owner, std::string(NE_SOURCE_DIR_DEFAULT) + "/sample/assets/interface/popup/", false);
    owner.LoadResourcesTree();
    box.PlacePopup(80, 40);
    box.Render(130, 72, {});
    ASSERT_TRUE(box.GetTexture());
    nE_RenderState at;
    nE_Matrix::Translate(at.matrix, 80, 24);
    const std::vector<uint32_t> through = Frame([&] { box.GetPicture()->DrawTree(&render, at); });
    const std::vector<uint32_t> direct = Frame(
        [&]
        {
            for (int i = 0; i < nG_FramedBox::kPieceCount; ++i)
            {
                box.GetPiece(i)->SetVisible(true);
                box.GetPiece(i)->DrawTree(&render, at);
                box.GetPiece(i)->SetVisible(false);
            }
        });
    bool rimSeen = false;
    for (size_t i = 0; i < through.size(); ++i)
    {
        EXPECT_TRUE(de50test::Near(through[i], direct[i])) << i;
        rimSeen = rimSeen ||
                  (direct[i] != 0xFF404040u && (direct[i] & 0xFFu) < 0x70u && (direct[i] & 0xFFu) > 0x40u);
    }
    EXPECT_TRUE(rimSeen); // a pixel between the background and the gold
}
} // namespace
