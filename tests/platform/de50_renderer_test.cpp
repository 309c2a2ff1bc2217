#include "platform/de50_test_support.h"

#include <cmath>

using namespace DE50;
using de50test::Near;

namespace
{

class De50Render : public de50test::WindowTest
{
protected:
    // Background grey 0.25, a quad of grey 0.4 at alpha 0.5 in the given mode; the result.
    uint32_t BlendOnScreen(uint32_t mode)
    {
        Begin(0.25f);
        r->GetDefault2dEffect()->SetTexture(nullptr);
        r->GetDefault2dEffect()->SetBlendMode(mode);
        Quad(0, 0, kW, kH, TColor32(102, 102, 102, 128));
        End();
        return Pixel(10, 10);
    }
    uint32_t BlendInTarget(uint32_t mode)
    {
        auto target = TTexture::Create(16, 16, true, TTexture::kRenderTarget);
        EXPECT_TRUE(r->BeginRenderTarget(target));
        r->GetDefault2dEffect()->SetTexture(nullptr);
        r->GetDefault2dEffect()->SetBlendMode(mode);
        Quad(0, 0, 16, 16, TColor32(102, 102, 102, 128));
        r->EndRenderTarget();
        return TexturePixel(target, 8, 8);
    }
    static uint32_t Grey(double v, double a = 1.0)
    {
        auto b = [](double x) { return uint32_t(std::lround(std::min(1.0, std::max(0.0, x)) * 255)); };
        return b(a) << 24 | b(v) << 16 | b(v) << 8 | b(v);
    }
};

const double kDst = 64 / 255.0, kSrc = 102 / 255.0, kA = 128 / 255.0;

TEST_F(De50Render, FillClearsToColour)
{
    Begin(0);
    r->FillRect(TURect(0, 0, kW, kH), TColor(0, 0.5f, 1, 1));
    End();
    EXPECT_EQ(TColor32(0, 128, 255, 255).argb, Pixel(0, 0));
    EXPECT_EQ(TColor32(0, 128, 255, 255).argb, Pixel(kW - 1, kH - 1));
    uint32_t w = 0, h = 0;
    std::vector<uint32_t> all;
    ASSERT_TRUE(DE50::Test::ReadScreen(all, w, h));
    EXPECT_EQ(kW, w);
    EXPECT_EQ(kH, h);
}

TEST_F(De50Render, TexturedQuadKeepsRowsTopFirst)
{
    const uint32_t px[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    auto tex = Texture(2, 2, px);
    Begin();
    r->GetDefault2dEffect()->SetTexture(tex);
    r->GetDefault2dEffect()->SetFilteringMode(TBasicEffect::kPoint);
    r->GetDefault2dEffect()->SetBlendMode(TEffect::kBlendAlpha);
    Quad(0, 0, 32, 32, TColor32(255, 255, 255, 255));
    End();
    EXPECT_EQ(0xFFFF0000u, Pixel(4, 4));
    EXPECT_EQ(0xFF00FF00u, Pixel(20, 4));
    EXPECT_EQ(0xFF0000FFu, Pixel(4, 20));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(20, 20));
    EXPECT_EQ(0xFF000000u, Pixel(40, 4)); // outside the quad
}

TEST_F(De50Render, VertexColourTintsTexture)
{
    const uint32_t white = 0xFFFFFFFF;
    auto tex = Texture(1, 1, &white);
    Begin();
    r->GetDefault2dEffect()->SetTexture(tex);
    Quad(0, 0, kW, kH, TColor32(255, 0, 128, 255));
    End();
    EXPECT_TRUE(Near(Pixel(5, 5), 0xFFFF0080u));
}

TEST_F(De50Render, EveryBlendModeOnScreen)
{
    r->SetOption("new_subtractive", "1");
    r->SetOption("new_render_blend", "1");
    const double mixed = kSrc * kA + kDst * (1 - kA);
    EXPECT_TRUE(Near(BlendOnScreen(0), Grey(mixed)));
    EXPECT_TRUE(Near(BlendOnScreen(1), Grey(kSrc)));
    EXPECT_TRUE(Near(BlendOnScreen(2), Grey(kDst + kSrc * kA)));
    EXPECT_TRUE(Near(BlendOnScreen(3), Grey(kDst - kSrc * kA)));
    EXPECT_TRUE(Near(BlendOnScreen(4), Grey(kDst * (1 - kA + kSrc * kA))));
    EXPECT_TRUE(Near(BlendOnScreen(5), Grey(kSrc + kDst * (1 - kA))));
    EXPECT_TRUE(Near(BlendOnScreen(6), Grey(mixed)));
    EXPECT_TRUE(Near(BlendOnScreen(99), Grey(mixed))); // unknown modes draw as 0
}

TEST_F(De50Render, OlderFormsWithoutOptions)
{
    EXPECT_TRUE(Near(BlendOnScreen(3), Grey(kDst * (1 - kSrc * kA))));
    EXPECT_TRUE(Near(BlendInTarget(6), BlendInTarget(0)));
}

TEST_F(De50Render, EveryBlendModeInRenderTarget)
{
    r->SetOption("new_subtractive", "1");
    r->SetOption("new_render_blend", "1");
    // The target starts transparent black.
    EXPECT_TRUE(Near(BlendInTarget(0), Grey(kSrc * kA, kA * kA)));
    EXPECT_TRUE(Near(BlendInTarget(1), Grey(kSrc, kA)));
    EXPECT_TRUE(Near(BlendInTarget(2), Grey(kSrc * kA, kA)));
    EXPECT_TRUE(Near(BlendInTarget(3), Grey(0, 0)));
    EXPECT_TRUE(Near(BlendInTarget(4), Grey(0, 0)));
    EXPECT_TRUE(Near(BlendInTarget(5), Grey(kSrc, kA)));
    // Separate alpha: coverage accumulates as it would over an opaque screen.
    EXPECT_TRUE(Near(BlendInTarget(6), Grey(kSrc * kA, kA)));
}

TEST_F(De50Render, ClipRectangleCutsDrawing)
{
    Begin();
    r->SetClippingRectangle(TURect(10, 10, 20, 30));
    r->FillRect(TURect(0, 0, kW, kH), TColor(1, 1, 1, 1));
    r->SetClippingRectangle(TURect(30, 0, 1000, 1000)); // beyond the screen: cut to it
    r->FillRect(TURect(0, 0, kW, kH), TColor(1, 0, 0, 1));
    End();
    EXPECT_EQ(0xFF000000u, Pixel(9, 15));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(10, 10));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(19, 29));
    EXPECT_EQ(0xFF000000u, Pixel(20, 15)); // right edge exclusive
    EXPECT_EQ(0xFF000000u, Pixel(15, 30));
    EXPECT_EQ(0xFFFF0000u, Pixel(kW - 1, kH - 1));
}

TEST_F(De50Render, TilingWrapsAndClampingHolds)
{
    const uint32_t px[2] = {0xFFFF0000, 0xFF00FF00};
    auto tex = Texture(2, 1, px);
    Begin();
    TBasicEffect* fx = r->GetDefault2dEffect();
    fx->SetTexture(tex);
    fx->SetFilteringMode(TBasicEffect::kPoint);
    fx->SetTextureMapMode(1, 1);
    Quad(0, 0, 4, 1, TColor32(255, 255, 255, 255), 2, 1);
    fx->SetTextureMapMode(0, 0);
    Quad(0, 2, 4, 1, TColor32(255, 255, 255, 255), 2, 1);
    End();
    const uint32_t wrapped[4] = {0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00};
    const uint32_t clamped[4] = {0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00};
    for (uint32_t x = 0; x < 4; ++x)
    {
        EXPECT_EQ(wrapped[x], Pixel(x, 0)) << x;
        EXPECT_EQ(clamped[x], Pixel(x, 2)) << x;
    }
}

TEST_F(De50Render, WorldMatrixMovesAndScales)
{
    Begin();
    TMat4 m;
    m.m[0] = 2;
    m.m[5] = 2;
    m.m[12] = 20;
    m.m[13] = 10;
    r->SetWorldMatrix(m);
    Quad(0, 0, 5, 5, TColor32(255, 255, 255, 255));
    End();
    EXPECT_EQ(0xFF000000u, Pixel(19, 12));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(20, 10));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(29, 19));
    EXPECT_EQ(0xFF000000u, Pixel(30, 19));
}

TEST_F(De50Render, LinesAndFansDraw)
{
    Begin();
    TColor32 white(255, 255, 255, 255);
    TTransformedLitVert line[2] = {{TVec3(2, 5.5f, 0), white, TVec2()}, {TVec3(40, 5.5f, 0), white, TVec2()}};
    r->DrawVertices(TRenderer::kLineList, TVertexSet(line, 2));
    TTransformedLitVert fan[4] = {{TVec3(10, 20, 0), white, TVec2()},
                                  {TVec3(20, 20, 0), white, TVec2()},
                                  {TVec3(20, 30, 0), white, TVec2()},
                                  {TVec3(10, 30, 0), white, TVec2()}};
    r->DrawVertices(TRenderer::kTriangleFan, TVertexSet(fan, 4));
    r->DrawVertices(TRenderer::kTriangleList, TVertexSet(fan, 2)); // too few: nothing
    r->DrawVertices(TRenderer::kTriangleList, TVertexSet());
    End();
    EXPECT_EQ(0xFFFFFFFFu, Pixel(20, 5));
    EXPECT_EQ(0xFF000000u, Pixel(20, 7));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(15, 25));
}

TEST_F(De50Render, ConsecutiveQuadsShareDrawCalls)
{
    const uint32_t white = 0xFFFFFFFF;
    auto a = Texture(1, 1, &white), b = Texture(1, 1, &white);
    TBasicEffect* fx = r->GetDefault2dEffect();
    Begin();
    fx->SetTexture(a);
    for (int i = 0; i < 1000; ++i)
        Quad(float(i % 60), float(i % 40), 4, 4, TColor32(255, 255, 255, 128));
    End();
    EXPECT_EQ(2u, r->GetLastFrameDrawCalls()); // the fill, then one batch

    Begin();
    for (int i = 0; i < 10; ++i)
    {
        fx->SetTexture(i % 2 ? a : b);
        Quad(0, 0, 4, 4, TColor32(255, 255, 255, 255));
    }
    End();
    EXPECT_EQ(11u, r->GetLastFrameDrawCalls());

    Begin();
    fx->SetTexture(a);
    for (uint32_t i = 0; i < 4; ++i)
    {
        fx->SetBlendMode(i < 2 ? 0 : 2);
        r->SetClippingRectangle(TURect(0, 0, 10 + (i % 2), 10));
        Quad(0, 0, 4, 4, TColor32(255, 255, 255, 255));
    }
    End();
    EXPECT_EQ(5u, r->GetLastFrameDrawCalls());
    EXPECT_GE(r->GetDrawCallCount(), 18u);
}

TEST_F(De50Render, RenderTargetOutsideFrameKeepsOrientation)
{
    auto target = TTexture::Create(32, 16, true, TTexture::kRenderTarget);
    ASSERT_TRUE(target);
    ASSERT_TRUE(r->BeginRenderTarget(target));
    r->FillRect(TURect(0, 0, 32, 8), TColor(1, 0, 0, 1));
    r->FillRect(TURect(0, 8, 32, 16), TColor(0, 1, 0, 1));
    r->EndRenderTarget();
    EXPECT_EQ(0xFFFF0000u, TexturePixel(target, 3, 1));
    EXPECT_EQ(0xFF00FF00u, TexturePixel(target, 3, 14));

    Begin();
    r->GetDefault2dEffect()->SetTexture(target);
    r->GetDefault2dEffect()->SetFilteringMode(TBasicEffect::kPoint);
    Quad(0, 0, 32, 16, TColor32(255, 255, 255, 255));
    End();
    EXPECT_EQ(0xFFFF0000u, Pixel(5, 2));
    EXPECT_EQ(0xFF00FF00u, Pixel(5, 12));
}

TEST_F(De50Render, RenderTargetInsideFrameReturnsToScreen)
{
    auto target = TTexture::Create(8, 8, true, TTexture::kRenderTarget);
    Begin();
    ASSERT_TRUE(r->BeginRenderTarget(target));
    r->FillRect(TURect(0, 0, 8, 8), TColor(0, 0, 1, 1));
    r->EndRenderTarget();
    r->FillRect(TURect(0, 0, 4, 4), TColor(1, 1, 1, 1));
    End();
    EXPECT_EQ(0xFFFFFFFFu, Pixel(1, 1));
    EXPECT_EQ(0xFF000000u, Pixel(6, 6)); // the target's fill stayed in the target
    EXPECT_EQ(0xFF0000FFu, TexturePixel(target, 6, 6));
}

TEST_F(De50Render, RefusedTargetsAndDrawsOutsideFrame)
{
    const uint32_t white = 0xFFFFFFFF;
    EXPECT_FALSE(r->BeginRenderTarget(Texture(1, 1, &white)));
    EXPECT_FALSE(r->BeginRenderTarget(nullptr));
    EXPECT_FALSE(r->Begin2d());
    r->FillRect(TURect(0, 0, kW, kH), TColor(1, 1, 1, 1)); // no frame: nothing
    r->EndRenderTarget();                                  // nothing open: nothing
    Begin();
    End();
    EXPECT_EQ(0xFF000000u, Pixel(3, 3));
    EXPECT_FALSE(TTexture::Create(0, 4, true, 0));
}

TEST_F(De50Render, LostTexturesComeBackAndListenersRun)
{
    struct Counter : TTask
    {
        int* runs;
        explicit Counter(int* r) : runs(r) {}
        bool Run() override { return ++*runs > 0; }
    };
    int runs = 0;
    TPlatform::GetInstance()->AdoptTextureRefreshListener(new Counter(&runs));
    const uint32_t px = 0xFF336699;
    auto tex = Texture(1, 1, &px);
    auto target = TTexture::Create(4, 4, true, TTexture::kRenderTarget);
    ASSERT_TRUE(r->BeginRenderTarget(target));
    r->FillRect(TURect(0, 0, 4, 4), TColor(1, 1, 1, 1));
    r->EndRenderTarget();

    DE50::Test::DeliverPendingTasks();
    EXPECT_EQ(0, runs);
    DE50::Test::SimulateLostTextures();
    DE50::Test::SimulateLostTextures();
    DE50::Test::DeliverPendingTasks();
    DE50::Test::DeliverPendingTasks();
    EXPECT_EQ(2, runs); // one report per loss, delivered on the loop's side

    Begin();
    r->GetDefault2dEffect()->SetTexture(tex);
    Quad(0, 0, 8, 8, TColor32(255, 255, 255, 255));
    End();
    EXPECT_EQ(0xFF336699u, Pixel(4, 4));
    EXPECT_EQ(0u, TexturePixel(target, 1, 1)); // a target comes back empty
}

TEST_F(De50Render, FullScreenScalesDrawingIntoDesktopWindow)
{
    TPlatform* p = TPlatform::GetInstance();
    ASSERT_TRUE(p->SetDisplay(320, 200, true, false, 0));
    uint32_t w = 0, h = 0;
    bool full = false;
    p->GetDisplay(&w, &h, &full);
    EXPECT_EQ(320u, w);
    EXPECT_EQ(200u, h);
    EXPECT_TRUE(full);
    ASSERT_TRUE(r->BeginDraw());
    r->Begin2d();
    r->FillRect(TURect(0, 0, 320, 200), TColor(0, 1, 0, 1));
    r->End2d();
    r->EndDraw(true);
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(DE50::Test::ReadScreen(pixels, w, h));
    EXPECT_EQ(320u, w);
    EXPECT_EQ(200u, h);
    EXPECT_EQ(0xFF00FF00u, pixels.back());
}

} // namespace
