#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/platform/notEngine_Pl5.h"
#include "platform/de50_test_support.h"

#include <tuple>

using de50test::Grey;
using de50test::Near;

namespace
{

typedef std::shared_ptr<nE_GeneratedTexture_Pl5> GenPtr;

const uint32_t kBlack = 0xFF000000u;
const uint32_t kWhite = 0xFFFFFFFFu;
const uint32_t kRed = 0xFFFF0000u;
const uint32_t kGreen = 0xFF00FF00u;

// A default state scaled by (sx, sy), then moved to (x, y).
nE_RenderState At(float x, float y, float sx = 1.0f, float sy = 1.0f)
{
    nE_RenderState state;
    nE_Matrix::Scale(state.matrix, sx, sy);
    nE_Matrix::Translate(state.matrix, x, y);
    return state;
}

GenPtr Solid(float r, float g, float b, float a, unsigned w = 4, unsigned h = 4)
{
    GenPtr t(nE_CreateGeneratedTexture());
    const float fill[4] = {r, g, b, a};
    EXPECT_TRUE(t->Create(w, h, true, fill));
    return t;
}

// From rows of 0xAARRGGBB values.
GenPtr Pixels(unsigned w, unsigned h, const std::vector<uint32_t>& argb)
{
    std::vector<uint8_t> bytes;
    for (uint32_t p : argb)
        bytes.insert(bytes.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)});
    GenPtr t(nE_CreateGeneratedTexture());
    EXPECT_TRUE(t->Fill(bytes.data(), w, h, NE_PIXELS_BGRA));
    return t;
}

std::shared_ptr<nE_Texture> Missing()
{
    std::shared_ptr<nE_Texture> t(nE_CreateTexture());
    EXPECT_FALSE(t->Load("no/such/image"));
    return t;
}

class Render : public de50test::WindowTest
{
protected:
    static uint32_t TexPixel(const std::shared_ptr<nE_Texture>& texture, uint32_t x, uint32_t y)
    {
        auto* impl = dynamic_cast<nE_TexImpl_Pl5*>(texture.get());
        return impl && impl->GetPlatformTexture(0) ? TexturePixel(impl->GetPlatformTexture(0), x, y)
                                                   : 0xDEADBEEF;
    }
    void SetUp() override
    {
        WindowTest::SetUp();
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
        // As the engine shell sets them.
        r->SetOption("new_subtractive", "1");
        r->SetOption("new_render_blend", "1");
        render.SetScreenSize(float(kW), float(kH));
        render.CreateScreenTextures();
    }
    void TearDown() override
    {
        g_engine = nullptr;
        g_currentRender = nullptr;
        WindowTest::TearDown();
    }

    void Open()
    {
        render.BeginScene();
        render.Begin2D();
    }
    void Close()
    {
        render.End2D();
        render.EndScene();
    }
    // Covers the screen with a solid colour, replacing what was there.
    void Background(float grey)
    {
        nE_RenderState s = At(kW / 2.0f, kH / 2.0f, kW / 4.0f, kH / 4.0f);
        s.blendMode = 1;
        render.DrawTexture(Solid(grey, grey, grey, 1), s);
    }
    // A 4 by 4 texture stretched from (x, y) to (x + w, y + h).
    void Rect(const std::shared_ptr<nE_Texture>& t, float x, float y, float w, float h, nE_RenderState s)
    {
        nE_Matrix::Scale(s.matrix, w / t->GetWidth(), h / t->GetHeight());
        nE_Matrix::Translate(s.matrix, x + w / 2, y + h / 2);
        render.DrawTexture(t, s);
    }
    nE_Render_Pl5 render;
};

// ---- clip stack ----

// Clips intersect in push order and cut drawing; the full clip covers the
// screen or target, also beyond 2048.
TEST_F(Render, ClipStackIntersectsInOrderAndCoversLargeTargets)
{
    EXPECT_EQ(2048.0f, render.GetClipRect().w);
    Open();
    ASSERT_TRUE(render.PushClipRect(10, 10, 30, 20));
    ASSERT_TRUE(render.PushClipRect(20, 0, 64, 48));
    const nE_Rect clip = render.GetClipRect();
    EXPECT_EQ((std::vector<float>{20, 10, 20, 20}), (std::vector<float>{clip.x, clip.y, clip.w, clip.h}));
    Rect(render.GetWhiteTexture(), 0, 0, kW, kH, nE_RenderState());
    ASSERT_TRUE(render.PushClipRect(-20, -20, -5, 10)); // stacked, and empties the clip
    EXPECT_EQ(0.0f, render.GetClipRect().w);
    Rect(render.GetWhiteTexture(), 0, 0, kW, kH, nE_RenderState());
    render.PopClipRect();
    render.PopClipRect();
    EXPECT_EQ(30.0f, render.GetClipRect().w);
    for (int i = 0; i < 2; ++i) // one too many: harmless
        render.PopClipRect();
    EXPECT_EQ(2048.0f, render.GetClipRect().w);
    Close();
    EXPECT_EQ(kWhite, Pixel(20, 10));
    EXPECT_EQ(kWhite, Pixel(39, 29));
    // Cut by the inner rectangle, the outer one, and outside both.
    for (auto [x, y] :
         {std::make_pair(19, 15), std::make_pair(40, 15), std::make_pair(25, 30), std::make_pair(2, 2)})
        EXPECT_EQ(kBlack, Pixel(x, y)) << x << "," << y;

    render.SetScreenSize(2560, 2200);
    EXPECT_EQ(2560.0f * 2200.0f, render.GetClipRect().w * render.GetClipRect().h);
    render.SetScreenSize(float(kW), float(kH));
    render.BeginRenderTarget(2100, 8); // its far end takes draws too
    EXPECT_EQ(2100.0f, render.GetClipRect().w);
    nE_RenderState s;
    s.blendMode = 1;
    Rect(render.GetWhiteTexture(), 2060, 0, 40, 8, s);
    auto target = render.EndRenderTarget();
    EXPECT_EQ(kWhite, TexPixel(target, 2090, 4));
    EXPECT_EQ(0u, TexPixel(target, 2000, 4));
}

// ---- quads ----

TEST_F(Render, QuadTakesColourAlphaAndOffsetAndMissingImagesShowNothing)
{
    Open();
    nE_RenderState s;
    s.g = 0.0f;
    s.b = 0.5f;
    Rect(render.GetWhiteTexture(), 0, 0, 16, 16, s);
    nE_RenderState half;
    half.alpha = 0.5f;
    half.offsetX = 2; // in the texture's own units: 8 pixels here
    Rect(render.GetWhiteTexture(), 24, 0, 16, 16, half);
    render.DrawTexture(Missing(), At(kW / 2.0f, kH / 2.0f, kW, kH)); // missing images show nothing
    render.DrawTexture(nullptr, At(kW / 2.0f, kH / 2.0f, kW, kH));
    Close();
    EXPECT_TRUE(Near(Pixel(8, 8), 0xFFFF0080u));
    EXPECT_EQ(kBlack, Pixel(28, 8));
    EXPECT_TRUE(Near(Pixel(36, 8), Grey(0.5)));
    EXPECT_TRUE(Near(Pixel(46, 8), Grey(0.5)));
    EXPECT_EQ(kBlack, Pixel(50, 8));
}

// The state's blend mode and alpha as they reach the screen; alpha outside
// 0..1 draws nothing.
TEST_F(Render, BlendModesAndAlphaOnScreen)
{
    const double dst = 64 / 255.0, src = 102 / 255.0;
    const uint32_t normal = Grey(src * 0.5 + dst * 0.5), bg = Grey(dst), opaque = Grey(src),
                   add = Grey(dst + src * 0.5), mul = Grey(dst * (1 - 0.5 + src * 0.5));
    // Blend 5 is the target mode, 7 unknown.
    const std::tuple<uint32_t, float, uint32_t> cases[] = {
        {0, 0.5f, normal}, {1, 0.5f, opaque}, {2, 0.5f, add}, {4, 0.5f, mul}, {5, 0.5f, normal},
        {7, 0.5f, normal}, {0, 1.0f, opaque}, {0, 1.5f, bg},  {0, -0.1f, bg}, {0, NAN, bg}};
    for (const auto& [blend, alpha, expected] : cases)
    {
        Open();
        Background(0.25f);
        nE_RenderState s;
        s.blendMode = blend;
        s.alpha = alpha;
        Rect(Solid(0.4f, 0.4f, 0.4f, 1), 0, 0, kW, kH, s);
        Close();
        EXPECT_TRUE(Near(Pixel(10, 10), expected)) << blend << " " << alpha;
    }
}

TEST_F(Render, TilingWrapsAndPlainClamps)
{
    auto stripes = Pixels(2, 2, {kRed, kGreen, kRed, kGreen});
    Open();
    nE_RenderState tiled;
    tiled.tileX = 2.0f;
    Rect(stripes, 0, 0, 32, 16, tiled);
    Rect(stripes, 0, 24, 32, 16, nE_RenderState());
    Close();
    // Tiled: four bands of 8 pixels; plain: two of 16. Filtering is linear,
    // so band centres are near, not exact.
    const uint32_t bands[4] = {kRed, kGreen, kRed, kGreen};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Near(Pixel(4 + 8 * i, 8), bands[i], 24)) << i;
    EXPECT_TRUE(Near(Pixel(8, 32), kRed, 12));
    EXPECT_TRUE(Near(Pixel(24, 32), kGreen, 12));
    EXPECT_TRUE(Near(Pixel(31, 32), kGreen, 4)); // clamped at the edge, not wrapped
}

// Unscaled at whole pixels a picture shows its texels as they are (point
// sampled); stretched it is still filtered. White and tinted draws share a
// batch in either order.
TEST_F(Render, UnscaledPicturesShowTexelsStretchedOnesAreFilteredTintsMix)
{
    auto checker = Pixels(4, 2, {kBlack, kWhite, kBlack, kWhite, kWhite, kBlack, kWhite, kBlack});
    Open();
    render.DrawTexture(checker, At(10.3f, 9.8f));  // texels on pixels 8..11, 9..10
    render.DrawTexture(checker, At(10, 30, 2, 1)); // pixels 6..13, 29..30
    nE_RenderState red = At(30, 10, 2, 2), white = At(40, 10, 2, 2);
    red.g = red.b = 0.0f;
    render.DrawTexture(render.GetWhiteTexture(), red);
    render.DrawTexture(render.GetWhiteTexture(), white);
    render.DrawTexture(render.GetWhiteTexture(), At(50, 10, 2, 2));
    red.matrix.m[12] = 60;
    render.DrawTexture(render.GetWhiteTexture(), red);
    Close();
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ((i + i / 4) % 2 ? kWhite : kBlack, Pixel(8 + i % 4, 9 + i / 4)) << i;
    const uint32_t between = Pixel(8, 29) & 0xFF;
    EXPECT_TRUE(between > 0x20 && between < 0xE0) << std::hex << between;
    const uint32_t tints[4] = {kRed, kWhite, kWhite, kRed};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tints[i], Pixel(30 + 10 * i, 10)) << i;
}

// ---- render targets ----

// A half-transparent picture drawn through targets (as rooms, popups and the
// blur do) looks as drawn on the screen: in the blend it had inside, and in the
// blend and alpha the last target is drawn back with.
TEST_F(Render, TargetDrawnBackLooksLikeDirectDrawing)
{
    auto picture = Solid(1.0f, 0.6f, 0.2f, 0.5f);
    // Blend inside, blend drawn back, alpha drawn back, targets in a row.
    const std::tuple<uint32_t, uint32_t, float, int> cases[] = {
        {0, 0, 1.0f, 1}, {0, 0, 0.4f, 1}, {2, 0, 0.4f, 1}, {0, 2, 0.4f, 1},
        {0, 3, 1.0f, 1}, {0, 4, 1.0f, 1}, {0, 0, 0.4f, 2}, {7, 0, 1.0f, 1}};
    for (const auto& [inside, back, alpha, targets] : cases)
    {
        nE_RenderState s;
        s.blendMode = inside;
        std::shared_ptr<nE_Texture> texture = picture;
        for (int i = 0; i < targets; ++i)
        {
            render.BeginRenderTarget(kW, kH);
            Rect(texture, 0, 0, kW, kH, i == 0 ? s : nE_RenderState());
            texture = render.EndRenderTarget();
        }
        uint32_t seen[2];
        for (int direct = 0; direct < 2; ++direct)
        {
            s.blendMode = direct ? inside + back : back;
            s.alpha = alpha;
            Open();
            Background(0.25f);
            Rect(direct ? picture : texture, 0, 0, kW, kH, s);
            Close();
            seen[direct] = Pixel(10, 10);
        }
        EXPECT_TRUE(Near(seen[0], seen[1])) << inside << " " << back << " " << alpha << " " << targets;
    }
}

// A failed target is not made active; nested ends do not end the outer target,
// whose rows come back the right way up, in the target and on the screen.
TEST_F(Render, FailedNestedAndDrawnBackTargets)
{
    Open();
    render.BeginRenderTarget(0, 16);
    EXPECT_FALSE(render.IsRenderTargetActive());
    Rect(render.GetWhiteTexture(), 0, 0, kW, kH, nE_RenderState()); // neither target nor screen
    EXPECT_FALSE(render.EndRenderTarget());
    Close();
    EXPECT_EQ(kBlack, Pixel(32, 24));

    render.BeginRenderTarget(16, 16); // a later target works
    ASSERT_TRUE(render.IsRenderTargetActive());
    nE_RenderState s;
    s.blendMode = 1;
    Rect(Solid(1, 0, 0, 1), 0, 0, 16, 8, s);
    render.BeginRenderTarget(4, 4); // ignored: draws go on into the outer target
    Rect(Solid(0, 1, 0, 1), 0, 8, 16, 4, s);
    EXPECT_FALSE(render.EndRenderTarget());
    EXPECT_TRUE(render.IsRenderTargetActive());
    Rect(Solid(0, 0, 1, 1), 0, 12, 16, 4, s);
    auto outer = render.EndRenderTarget();
    ASSERT_TRUE(outer);
    EXPECT_FALSE(render.IsRenderTargetActive());
    EXPECT_FALSE(render.EndRenderTarget()); // unmatched end
    EXPECT_EQ(16.0f, outer->GetWidth());
    EXPECT_EQ(kRed, TexPixel(outer, 8, 2));
    EXPECT_EQ(kGreen, TexPixel(outer, 8, 9));
    EXPECT_EQ(0xFF0000FFu, TexPixel(outer, 8, 14));

    Open();
    Rect(outer, 0, 0, 32, 32, nE_RenderState());
    Close();
    EXPECT_TRUE(Near(Pixel(16, 4), kRed));
    EXPECT_TRUE(Near(Pixel(16, 28), 0xFF0000FFu));
    EXPECT_EQ(kBlack, Pixel(36, 4));
}

// ---- blur ----

TEST_F(Render, BlurSpreadsKeepsCentreAndRefusesBadInput)
{
    std::vector<uint32_t> px(16 * 16, 0);
    for (int y = 6; y < 10; ++y)
        for (int x = 6; x < 10; ++x)
            px[y * 16 + x] = kWhite;
    auto blurred = render.BlurTexture(Pixels(16, 16, px), 0, 0, 3.0f);
    ASSERT_TRUE(blurred);
    EXPECT_FALSE(render.IsRenderTargetActive());
    EXPECT_EQ(16.0f, blurred->GetWidth());
    EXPECT_EQ(kWhite, TexPixel(blurred, 8, 8));
    const uint32_t side = TexPixel(blurred, 8, 4) >> 24; // reached by the tap 3 below
    EXPECT_TRUE(side > 0 && side < 0xFF) << side;
    EXPECT_EQ(0u, TexPixel(blurred, 0, 0) >> 24); // too far for any tap

    auto source = Solid(1, 1, 1, 1, 8, 8);
    auto odd = render.BlurTexture(source, 15, 6, 1.0f);
    ASSERT_TRUE(odd);
    EXPECT_EQ(16.0f, odd->GetWidth());
    EXPECT_EQ(6.0f, odd->GetHeight());
    EXPECT_FALSE(render.BlurTexture(nullptr, 0, 0, 1.0f));
    EXPECT_FALSE(render.BlurTexture(source, -4, 0, 1.0f));
    auto blank = render.BlurTexture(Missing(), 0, 0, 1.0f); // nothing to draw from
    ASSERT_TRUE(blank);
    EXPECT_EQ(0u, TexPixel(blank, 0, 0));
    render.BeginRenderTarget(8, 8);
    EXPECT_FALSE(render.BlurTexture(source, 0, 0, 1.0f)); // would draw into the open target
    EXPECT_TRUE(render.EndRenderTarget());
}

// ---- the frame's end ----

// The frame's end follows the shell: gamma above 1 brightens, below 1 darkens,
// the pass's alpha clamped to 1; the shell's display mode sets the viewport,
// even while the renderer still holds the size of an older mode.
TEST_F(Render, FrameFollowsTheShellsGammaAndDisplayMode)
{
    notEngine_Pl5 engine;
    g_engine = &engine;
    auto frame = [&](float gamma)
    {
        engine.SetGamma(gamma);
        Open();
        Background(0.5f);
        Close();
        return Pixel(32, 24);
    };
    const uint32_t plain = frame(1.0f);
    EXPECT_TRUE(Near(plain, Grey(0.5)));
    const double base = (plain & 0xFF) / 255.0;
    const std::pair<float, uint32_t> cases[] = {{1.2f, Grey(base + 0.06)}, {0.8f, Grey(base * 0.8)},
                                                {0.5f, Grey(base * 0.5)},  {-1.0f, kBlack},
                                                {10.0f, kWhite},           {NAN, plain}};
    for (const auto& [gamma, expected] : cases)
        EXPECT_TRUE(Near(frame(gamma), expected)) << gamma;

    engine.SetGamma(1.0f);
    ASSERT_TRUE(engine.SetDisplayMode(kW, kH, false));
    render.SetScreenSize(float(kW / 2), float(kH / 2));
    render.CreateScreenTextures();
    Open();
    Rect(render.GetWhiteTexture(), 0, 0, kW, kH, nE_RenderState());
    Close();
    EXPECT_EQ(kWhite, Pixel(2, 2));
    EXPECT_EQ(kWhite, Pixel(kW - 2, kH - 2));
}

// ---- lines and vertex lists ----

// Lines take their colour times the state's, under its matrix; vertex lists keep
// their colours and are drawn untransformed.
TEST_F(Render, LinesAndVertexLists)
{
    nE_VertexList_Pl5 list;
    list.Allocate(6);
    const float corners[6][2] = {{0, 0}, {20, 0}, {0, 20}, {20, 0}, {20, 20}, {0, 20}};
    for (unsigned i = 0; i < 6; ++i)
        list.SetVertex(i, nE_Vec3(corners[i][0], corners[i][1], 0), i < 3 ? kGreen : kRed, corners[i][0] / 20,
                       corners[i][1] / 20);
    const float red[4] = {1, 0, 0, 1};
    Open();
    render.DrawVertexList(render.GetWhiteTexture(), &list, At(30, 0));
    render.DrawLine(0, 10.5f, 0, kW, 10.5f, 0, red, nE_RenderState());
    nE_RenderState s = At(0, 20); // moved down by 20
    s.alpha = 0.5f;
    s.r = 0.5f;
    render.DrawLine(0, 0.5f, 0, kW, 0.5f, 0, red, s);
    render.DrawLine(0, 40.5f, 0, kW, 40.5f, 0, nullptr, s);
    Close();
    EXPECT_EQ(kRed, Pixel(30, 10));
    EXPECT_EQ(kBlack, Pixel(30, 12));
    EXPECT_TRUE(Near(Pixel(30, 20), 0xFF400000u));
    EXPECT_EQ(kBlack, Pixel(30, 40));
    EXPECT_EQ(kGreen, Pixel(3, 3));
    EXPECT_EQ(kRed, Pixel(17, 17));
    EXPECT_EQ(kBlack, Pixel(40, 5));
}

} // namespace
