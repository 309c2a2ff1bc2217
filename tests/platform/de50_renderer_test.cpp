// The engine library's renderer where the engine's own renderer does not
// reach: the blend table, batching and full-screen scaling.

#include "platform/de50_test_support.h"

#include <tuple>

using namespace DE50;
using de50test::Grey;
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
    // The same quad into a fresh (transparent black) target.
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
};

TEST_F(De50Render, EveryBlendModeOnScreenAndInRenderTarget)
{
    const double d = 64 / 255.0, s = 102 / 255.0, a = 128 / 255.0, mixed = s * a + d * (1 - a);
    struct Case
    {
        uint32_t mode;
        uint32_t screen, target;
    };
    const Case cases[] = {
        {0, Grey(mixed), Grey(s * a, a * a)},       {1, Grey(s), Grey(s, a)}, // opaque
        {2, Grey(d + s * a), Grey(s * a, 0)},                                 // additive
        {3, Grey(d - s * a), Grey(0, 0)},                                     // subtractive
        {4, Grey(d * (1 - a + s * a)), Grey(0, 0)},                           // multiply
        {5, Grey(s + d * (1 - a)), Grey(s, a)},                               // premultiplied
        {6, Grey(mixed), Grey(s * a, a)},      // separate alpha: coverage as on screen
        {99, Grey(mixed), Grey(s * a, a * a)}, // unknown modes draw as 0
    };
    r->SetOption("new_subtractive", "1");
    r->SetOption("new_render_blend", "1");
    for (const Case& c : cases)
    {
        EXPECT_TRUE(Near(BlendOnScreen(c.mode), c.screen)) << c.mode;
        EXPECT_TRUE(Near(BlendInTarget(c.mode), c.target)) << c.mode;
    }
    // Without the options: the older subtractive form, and no separate alpha.
    r->SetOption("new_subtractive", "0");
    r->SetOption("new_render_blend", "0");
    EXPECT_TRUE(Near(BlendOnScreen(3), Grey(d * (1 - s * a))));
    EXPECT_TRUE(Near(BlendInTarget(6), BlendInTarget(0)));
}

// Quads batched into one frame keep their own texture, blend mode and clip; a
// long run keeps its order; a texture changed between two draws shows in each
// what it had.
TEST_F(De50Render, BatchedQuadsKeepTheirOwnStateAndOrder)
{
    const uint32_t white = 0xFFFFFFFF, red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF,
                   dark = 0xFF102030;
    auto w = Texture(1, 1, &white), a = Texture(1, 1, &red), b = Texture(1, 1, &green),
         t = Texture(1, 1, &dark);
    TBasicEffect* fx = r->GetDefault2dEffect();
    Begin(0.25f);
    fx->SetTexture(w);
    for (int i = 0; i < 10000; ++i)
        Quad(0, 0, 4, 4, TColor32(i < 9999 ? red : blue));
    for (int i = 0; i < 4; ++i)
        fx->SetTexture(i % 2 ? b : a), Quad(8.0f * i, 8, 4, 4, TColor32(white));
    fx->SetTexture(w);
    for (uint32_t mode : {0, 2})
        fx->SetBlendMode(mode), Quad(mode ? 44 : 40, 0, 4, 4, TColor32(255, 255, 255, 128));
    fx->SetBlendMode(0);
    r->SetClippingRectangle(TURect(0, 0, 58, kH));
    Quad(56, 0, 4, 4, TColor32(white));
    r->SetClippingRectangle(TURect(0, 0, kW, kH));
    Quad(56, 8, 4, 4, TColor32(white));
    fx->SetTexture(t);
    Quad(0, 20, 10, 6, TColor32(white));
    uint32_t pitch = 0;
    *t->Lock(&pitch) = white;
    t->Unlock();
    Quad(20, 20, 10, 6, TColor32(white));
    End();
    const uint32_t mixed = Grey(0.25 / 2 + 0.5), added = Grey(0.75), bg = Grey(0.25);
    const std::tuple<int, int, uint32_t> expected[] = {
        {1, 1, blue},   {1, 9, red},    {9, 9, green}, {17, 9, red},   {25, 9, green}, {41, 1, mixed},
        {45, 1, added}, {57, 1, white}, {58, 1, bg},   {58, 9, white}, {1, 21, dark},  {21, 21, white}};
    for (const auto& [x, y, colour] : expected)
        EXPECT_TRUE(Near(Pixel(x, y), colour)) << x << "," << y;
}

// Quad lists: both triangles of every quad, past the first size of the shared
// indices, a long list cut into whole batches in order, batched apart from
// triangle draws; moved by the world matrix.
TEST_F(De50Render, QuadListsDrawBothTrianglesOfEveryQuad)
{
    auto quad = [](std::vector<TTransformedLitVert>& v, float x, float w, TColor32 c)
    {
        for (int corner = 0; corner < 4; ++corner)
            v.push_back({TVec3(x + (corner & 1) * w, (corner & 2) * w / 2, 0), c, TVec2(0, 0)});
    };
    std::vector<TTransformedLitVert> v;
    for (int i = 0; i < 7000; ++i)
        quad(v, 0, 4, TColor32(255, 0, 0, 255));
    quad(v, 0, 4, TColor32(0, 0, 255, 255));
    quad(v, 10, 10, TColor32(0, 255, 0, 255));
    v.push_back(v.front()); // a corner short of a quad: left out
    r->GetDefault2dEffect()->SetTexture(nullptr);
    Begin();
    r->DrawVertices(TRenderer::kQuadList, TVertexSet(v.data(), uint32_t(v.size())));
    Quad(30, 0, 4, 4, TColor32(255, 255, 255, 255));
    TMat4 moved;
    moved.m[12] = 40;
    r->SetWorldMatrix(moved);
    r->DrawVertices(TRenderer::kQuadList, TVertexSet(v.data() + v.size() - 5, 4));
    r->SetWorldMatrix(TMat4());
    End();
    EXPECT_EQ(4u, r->GetLastFrameDrawCalls());
    const uint32_t green = 0xFF00FF00;
    const uint32_t expected[][3] = {{1, 1, 0xFF0000FF}, {10, 0, green},      {19, 9, green},
                                    {19, 0, green},     {10, 9, green},      {21, 5, 0xFF000000},
                                    {31, 1, 0xFFFFFFFF}, {59, 9, green}};
    for (const auto& e : expected)
        EXPECT_EQ(e[2], Pixel(e[0], e[1])) << e[0] << "," << e[1];
}

// Point-sampled quads go to the driver in runs: every quad of a batch several runs
// long lands in its own colour, in the window and in the screen buffer; a stretched
// quad after them still draws.
TEST_F(De50Render, OnTexelBatchesDrawEveryQuadOfEveryRun)
{
    const uint32_t white = 0xFFFFFFFF;
    auto texture = Texture(1, 1, &white);
    const uint32_t count = 1000; // rows 0 to 15, one pixel each
    auto colour = [](uint32_t i) { return TColor32(uint8_t(i), uint8_t(i / 256 * 60), 100, 255); };
    std::vector<TTransformedLitVert> v;
    for (uint32_t i = 0; i < count; ++i)
        for (int corner = 0; corner < 4; ++corner)
        {
            const float x = float(i % kW + (corner & 1)), y = float(i / kW + corner / 2);
            v.push_back({TVec3(x, y, 0), colour(i), TVec2(float(corner & 1), float(corner / 2))});
        }
    for (int frame = 0; frame < 2; ++frame) // the first frame goes into the window
    {
        Begin();
        TBasicEffect* effect = r->GetDefault2dEffect();
        effect->SetTexture(texture);
        effect->SetFilteringMode(TBasicEffect::kLinearOnTexels);
        r->DrawVertices(TRenderer::kQuadList, TVertexSet(v.data(), uint32_t(v.size())));
        effect->SetFilteringMode(TBasicEffect::kLinear);
        Quad(10, 30, 20, 10, TColor32(0, 0, 255, 255));
        End();
        std::vector<uint32_t> pixels;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(r->ReadScreen(pixels, w, h));
        for (uint32_t i = 0; i < count; ++i)
            ASSERT_EQ(colour(i).argb, pixels[(i / kW) * w + i % kW]) << "quad " << i << ", frame " << frame;
        EXPECT_EQ(0xFF0000FFu, pixels[35 * w + 20]);
        EXPECT_EQ(0xFF000000u, pixels[35 * w + 40]);
    }
}

// Drawing that crosses the viewport's edge stops there, on the screen and in a target.
TEST_F(De50Render, DrawingStopsAtTheViewportEdge)
{
    r->GetDefault2dEffect()->SetTexture(nullptr);
    Begin();
    r->SetViewport(TURect(8, 8, 40, 40));
    Quad(-20, -20, 200, 200, TColor32(255, 255, 255, 255));
    End();
    const uint32_t expected[][3] = {{8, 8, 0xFFFFFFFF}, {39, 39, 0xFFFFFFFF}, {7, 20, 0xFF000000},
                                    {20, 7, 0xFF000000}, {40, 20, 0xFF000000}, {20, 40, 0xFF000000}};
    for (const auto& e : expected)
        EXPECT_EQ(e[2], Pixel(e[0], e[1])) << e[0] << "," << e[1];
    auto target = TTexture::Create(16, 16, true, TTexture::kRenderTarget);
    ASSERT_TRUE(r->BeginRenderTarget(target));
    r->SetViewport(TURect(4, 4, 12, 12));
    Quad(-20, -20, 200, 200, TColor32(255, 255, 255, 255));
    r->EndRenderTarget();
    EXPECT_EQ(0xFFFFFFFFu, TexturePixel(target, 4, 11));
    EXPECT_EQ(0u, TexturePixel(target, 3, 8) >> 24);
    EXPECT_EQ(0u, TexturePixel(target, 8, 12) >> 24);
}

TEST_F(De50Render, FullScreenScalesDrawingIntoDesktopWindow)
{
    TPlatform* p = TPlatform::GetInstance();
    ASSERT_TRUE(p->SetDisplay(320, 200, true, false, 0));
    uint32_t w = 0, h = 0;
    bool full = false;
    p->GetDisplay(&w, &h, &full);
    EXPECT_TRUE(w == 320 && h == 200 && full);
    ASSERT_TRUE(r->BeginDraw());
    r->Begin2d();
    r->FillRect(TURect(0, 0, 320, 200), TColor(0, 1, 0, 1));
    r->End2d();
    r->EndDraw(true);
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(DE50::Test::ReadScreen(pixels, w, h));
    EXPECT_TRUE(w == 320 && h == 200);
    EXPECT_EQ(0xFF00FF00u, pixels.back());
}

// A plain fill is a clear of its rectangle within the clip, in a target offset by
// its viewport too; a transformed fill still draws as a quad.
TEST_F(De50Render, FillsReplaceOnlyTheirRectangleWithinTheClip)
{
    Begin(0.25f);
    r->SetClippingRectangle(TURect(0, 0, 20, 20));
    r->FillRect(TURect(10, 10, 30, 30), TColor(1, 0, 0, 0.5f));
    r->SetClippingRectangle(TURect(0, 0, kW, kH));
    TMat4 shift;
    shift.m[12] = 40; // row vectors: the translation row
    r->SetWorldMatrix(shift);
    r->FillRect(TURect(0, 0, 5, 5), TColor(0, 0, 1, 1));
    r->SetWorldMatrix(TMat4());
    End();
    EXPECT_EQ(0xFFFF0000u, Pixel(15, 15));
    EXPECT_EQ(Grey(64 / 255.0), Pixel(25, 25)); // outside the clip
    EXPECT_EQ(Grey(64 / 255.0), Pixel(5, 5));   // outside the rectangle
    EXPECT_EQ(0xFF0000FFu, Pixel(42, 2));

    auto target = TTexture::Create(16, 16, true, TTexture::kRenderTarget);
    ASSERT_TRUE(r->BeginRenderTarget(target));
    r->SetViewport(TURect(4, 4, 16, 16));
    r->FillRect(TURect(0, 0, 2, 2), TColor(0, 1, 0, 1));
    r->EndRenderTarget();
    EXPECT_EQ(0xFF00FF00u, TexturePixel(target, 5, 5));
    EXPECT_EQ(0u, TexturePixel(target, 2, 2));
}

} // namespace

// A coverage texture keeps one byte per pixel and draws as the plain texture of
// white pixels with that alpha does, in every blend mode, tinted, on screen and
// in a target; rows changed later show, and so do its pixels after a lost device.
// Lent as 0xAARRGGBB pixels, it keeps only their alpha.
TEST_F(De50Render, CoverageTexturesDrawAsWhiteOfTheirAlpha)
{
    auto coverage = TTexture::Create(4, 4, true, TTexture::kCoverage);
    const uint32_t half = 0x80FFFFFFu, plainPixels[16] = {half, half, half, half, half, half, half, half,
                                                          half, half, half, half, half, half, half, half};
    auto plain = Texture(4, 4, plainPixels);
    EXPECT_EQ(nullptr, plain->LockCoverage(nullptr));
    uint32_t pitch = 0;
    uint8_t* bytes = coverage->LockCoverage(&pitch);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(nullptr, coverage->LockCoverage(nullptr)); // one lender at a time
    for (uint32_t y = 0; y < 4; ++y)
        std::fill_n(bytes + y * pitch, 4, uint8_t(0x80));
    coverage->Unlock();
    EXPECT_EQ(half, TexturePixel(coverage, 3, 3));

    TBasicEffect* fx = r->GetDefault2dEffect();
    auto drawn = [&](const std::shared_ptr<TTexture>& t, uint32_t mode, bool inTarget)
    {
        std::shared_ptr<TTexture> target = TTexture::Create(16, 16, true, TTexture::kRenderTarget);
        if (inTarget)
            EXPECT_TRUE(r->BeginRenderTarget(target));
        else
            Begin(0.25f);
        fx->SetTexture(t);
        fx->SetBlendMode(mode);
        Quad(0, 0, 16, 16, TColor32(200, 150, 100, 230));
        if (inTarget) r->EndRenderTarget();
        if (!inTarget) End();
        return inTarget ? TexturePixel(target, 8, 8) : Pixel(8, 8);
    };
    for (uint32_t mode : {0u, 2u, 4u, 5u, 6u})
        for (bool inTarget : {false, true})
            EXPECT_TRUE(Near(drawn(coverage, mode, inTarget), drawn(plain, mode, inTarget)))
                << mode << " " << inTarget;
    fx->SetBlendMode(0);

    // Row 2 made opaque after the first upload; then the device is lost.
    bytes = coverage->LockCoverage(&pitch);
    ASSERT_TRUE(bytes);
    std::fill_n(bytes + 2 * pitch, 4, uint8_t(0xFF));
    coverage->Unlock(2, 1);
    for (int lost = 0; lost < 2; ++lost)
    {
        if (lost) TTexture::LoseAll();
        Begin(0.0f);
        fx->SetTexture(coverage);
        Quad(0, 0, 4, 4, TColor32(0xFFFFFFFFu));
        End();
        EXPECT_TRUE(Near(Pixel(1, 2), 0xFFFFFFFFu)) << lost;
        EXPECT_TRUE(Near(Pixel(1, 1), Grey(128 / 255.0))) << lost;
    }

    // Written through Lock: the colour goes, the alpha stays.
    *coverage->Lock(&pitch) = 0x40123456u;
    coverage->Unlock();
    bytes = coverage->LockCoverage(&pitch);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(0x40, bytes[0]);
    EXPECT_EQ(0x80, bytes[1]);
    coverage->Unlock();
}
