#include "engine/platform/nE_Render_Pl5.h"

#include "de50/de50_renderer.h"
#include "engine/core/nE_Log.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/platform/notEngine.h"

#include <algorithm>
#include <cmath>

namespace
{

const float kMinClipSize = 2048.0f;

DE50::TRenderer* Lib()
{
    return DE50::TRenderer::GetInstance();
}

DE50::TBasicEffect* Effect()
{
    return Lib()->GetDefault2dEffect();
}

DE50::TMat4 ToMat4(const nE_Matrix& m)
{
    DE50::TMat4 out;
    std::copy(m.m, m.m + 16, out.m);
    return out;
}

uint32_t ToPixel(float v)
{
    return v > 0.0f ? uint32_t(v) : 0u;
}

// Moved only: no scale, rotation or skew.
bool IsTranslation(const nE_Matrix& m)
{
    return m.m[0] == 1.0f && m.m[1] == 0.0f && m.m[4] == 0.0f && m.m[5] == 1.0f;
}

// Every pixel centre falls on a texel centre: the quad's corner is on a whole pixel (the
// caller's part), one texel spans one pixel, and the texture rectangle starts on a texel edge.
// The library may then point-sample: the very pixels of the filter, at a fraction of its cost.
bool OneTexelPerPixel(const nE_Rect& frame, const nE_Rect& uv, const DE50::TTexture& texture)
{
    const float w = float(texture.GetWidth()), h = float(texture.GetHeight());
    auto whole = [](float v) { return v == std::floor(v); };
    return whole(frame.w) && whole(frame.h) && frame.w == uv.w * w && frame.h == uv.h * h &&
           whole(uv.x * w) && whole(uv.y * h);
}

float Clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

// A default state that scales by (sx, sy), then moves to (x, y).
nE_RenderState PlacedState(float sx, float sy, float x, float y, float alpha)
{
    nE_RenderState state;
    nE_Matrix::Scale(state.matrix, sx, sy);
    nE_Matrix::Translate(state.matrix, x, y);
    state.alpha = alpha;
    return state;
}

std::shared_ptr<nE_GeneratedTexture_Pl5> MakeScreenTexture(const float colour[4])
{
    std::shared_ptr<nE_GeneratedTexture_Pl5> texture(nE_CreateGeneratedTexture());
    if (!texture->Create(4, 4, true, colour)) nE_Log("Error: renderer could not make its screen textures");
    return texture;
}

} // namespace

nE_Render_Pl5* nE_CreateRender()
{
    return new nE_Render_Pl5();
}

nE_Render_Pl5::~nE_Render_Pl5() = default;

void nE_Render_Pl5::SetScreenSize(float width, float height)
{
    nE_Render::SetScreenSize(width, height);
    m_sceneOpen = false;
    m_2dOpen = false;
    m_targetActive = false;
    m_targetDepth = 0;
    m_target.reset();
}

void nE_Render_Pl5::Release()
{
    m_white.reset();
    m_clear.reset();
}

void nE_Render_Pl5::CreateScreenTextures()
{
    static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // Opaque, so that the gamma pass below 1 really darkens.
    static const float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    m_white = MakeScreenTexture(kWhite);
    m_clear = MakeScreenTexture(kBlack);
}

// ---- frame ----

void nE_Render_Pl5::BeginScene()
{
    m_sceneOpen = Lib()->BeginDraw();
    if (!m_sceneOpen) return;
    // The display mode in force is the shell's: a full-screen toggle changes it
    // without telling the renderer.
    float width = m_screenWidth, height = m_screenHeight;
    if (g_engine && g_engine->GetScreenWidth() > 0.0f && g_engine->GetScreenHeight() > 0.0f)
    {
        width = g_engine->GetScreenWidth();
        height = g_engine->GetScreenHeight();
    }
    Lib()->SetViewport(DE50::TURect(0, 0, ToPixel(width), ToPixel(height)));
}

void nE_Render_Pl5::EndScene()
{
    if (!m_sceneOpen) return;
    GammaPass();
    Lib()->EndDraw(true);
    m_sceneOpen = false;
}

void nE_Render_Pl5::Begin2D()
{
    m_2dOpen = false;
    if (!m_sceneOpen) return;
    m_2dOpen = Lib()->Begin2d();
    if (!m_2dOpen) return;
    ClearClipStack();
    Effect()->SetFilteringMode(DE50::TBasicEffect::kLinear);
}

void nE_Render_Pl5::End2D()
{
    if (m_2dOpen) Lib()->End2d();
    m_2dOpen = false;
}

void nE_Render_Pl5::GammaPass()
{
    float gamma = g_engine ? g_engine->GetGamma() : 1.0f;
    Begin2D();
    if (gamma > 1.0f)
        DrawScreenCover(m_white, Clamp01((gamma - 1.0f) * 0.15f * 2.0f), 2);
    else if (gamma < 1.0f)
        DrawScreenCover(m_clear, Clamp01(1.0f - gamma), 0);
    End2D();
}

// The 4 by 4 texture, centred on its origin, stretched over the whole screen.
void nE_Render_Pl5::DrawScreenCover(const std::shared_ptr<nE_GeneratedTexture_Pl5>& texture, float alpha,
                                    uint32_t blend)
{
    nE_RenderState state = PlacedState(m_screenWidth * 0.25f, m_screenHeight * 0.25f, m_screenWidth * 0.5f,
                                       m_screenHeight * 0.5f, alpha);
    state.blendMode = blend;
    DrawTexture(texture, state);
}

// ---- clipping ----

nE_Rect nE_Render_Pl5::GetClipRect()
{
    float width = std::max(kMinClipSize, m_screenWidth);
    float height = std::max(kMinClipSize, m_screenHeight);
    if (m_targetActive && m_target)
    {
        width = std::max(width, m_target->GetTextureWidth());
        height = std::max(height, m_target->GetTextureHeight());
    }
    return ClipWithin(width, height);
}

void nE_Render_Pl5::ApplyClip()
{
    nE_Rect clip = GetClipRect();
    uint32_t left = ToPixel(clip.x), top = ToPixel(clip.y);
    uint32_t right = std::max(left, ToPixel(clip.x + clip.w));
    uint32_t bottom = std::max(top, ToPixel(clip.y + clip.h));
    Lib()->SetClippingRectangle(DE50::TURect(left, top, right, bottom));
}

// ---- drawing ----

bool nE_Render_Pl5::CanDraw() const
{
    // Inside a target only that target takes draws (none when it could not be made).
    if (m_targetDepth > 0) return m_targetActive;
    return m_sceneOpen && m_2dOpen;
}

uint32_t nE_Render_Pl5::MapBlendMode(uint32_t mode) const
{
    if (mode >= 1 && mode <= 4) return mode;
    return m_targetActive ? DE50::TEffect::kBlendRenderTarget : DE50::TEffect::kBlendAlpha;
}

std::shared_ptr<DE50::TTexture> nE_Render_Pl5::PlatformTexture(const nE_Texture* texture, int frame)
{
    const nE_TexImpl_Pl5* impl = dynamic_cast<const nE_TexImpl_Pl5*>(texture);
    return impl ? impl->GetPlatformTexture(frame) : nullptr;
}

void nE_Render_Pl5::DrawTexture(const std::shared_ptr<nE_Texture>& texture, const nE_RenderState& state)
{
    if (!CanDraw() || !(state.alpha >= 0.0f && state.alpha <= 1.0f) || !texture) return;
    std::shared_ptr<DE50::TTexture> platform = PlatformTexture(texture.get(), state.frame);
    if (!platform) return;
    ApplyClip();
    nE_Rect f = texture->GetFrameRect(state.frame);
    nE_Rect uv = texture->GetTexCoordRect(state);
    DE50::TColor32 c = DE50::TColor32::FromColor(DE50::TColor(state.r, state.g, state.b, state.alpha));
    float x = f.x + state.offsetX, y = f.y + state.offsetY;
    nE_Matrix world = state.matrix;
    bool onTexels = false;
    if (IsTranslation(world))
    {
        // A picture that is only moved lands on whole pixels: centring an odd size on its
        // origin would put its edges on half pixels, and the filter would blur every pixel.
        x = std::floor(x + world.m[12] + 0.5f);
        y = std::floor(y + world.m[13] + 0.5f);
        world = nE_Matrix();
        onTexels = OneTexelPerPixel(f, uv, *platform);
    }
    Lib()->SetWorldMatrix(ToMat4(world));
    const DE50::TTransformedLitVert v[4] = {
        {DE50::TVec3(x, y, 0), c, DE50::TVec2(uv.x, uv.y)},
        {DE50::TVec3(x + f.w, y, 0), c, DE50::TVec2(uv.x + uv.w, uv.y)},
        {DE50::TVec3(x, y + f.h, 0), c, DE50::TVec2(uv.x, uv.y + uv.h)},
        {DE50::TVec3(x + f.w, y + f.h, 0), c, DE50::TVec2(uv.x + uv.w, uv.y + uv.h)}};
    bool plain = state.tileX == 1.0f && state.tileY == 1.0f;
    Effect()->SetTextureMapMode(plain ? 0 : 1, plain ? 0 : 1);
    Effect()->SetFilteringMode(onTexels ? DE50::TBasicEffect::kLinearOnTexels : DE50::TBasicEffect::kLinear);
    Effect()->SetBlendMode(MapBlendMode(state.blendMode));
    Effect()->SetTexture(platform);
    Lib()->DrawVertices(DE50::TRenderer::kQuadList, DE50::TVertexSet(v, 4));
}

void nE_Render_Pl5::DrawVertexList(const std::shared_ptr<nE_Texture>& texture, nE_VertexList* list,
                                   const nE_RenderState& state)
{
    const nE_VertexList_Pl5* vertices = dynamic_cast<const nE_VertexList_Pl5*>(list);
    if (vertices) DrawScreenSpace(texture, DE50::TRenderer::kTriangleList, vertices->GetVertexSet(), state);
}

void nE_Render_Pl5::DrawQuadList(const std::shared_ptr<nE_Texture>& texture,
                                 const DE50::TTransformedLitVert* corners, unsigned count,
                                 const nE_RenderState& state)
{
    if (corners) DrawScreenSpace(texture, DE50::TRenderer::kQuadList, DE50::TVertexSet(corners, count), state);
}

void nE_Render_Pl5::DrawScreenSpace(const std::shared_ptr<nE_Texture>& texture, uint32_t drawType,
                                    const DE50::TVertexSet& vertices, const nE_RenderState& state)
{
    if (!CanDraw() || !texture) return;
    std::shared_ptr<DE50::TTexture> platform = PlatformTexture(texture.get(), state.frame);
    if (!platform) return;
    ApplyClip();
    Lib()->SetWorldMatrix(DE50::TMat4());
    Effect()->SetFilteringMode(DE50::TBasicEffect::kLinear);
    Effect()->SetBlendMode(MapBlendMode(state.blendMode));
    Effect()->SetTexture(platform);
    Lib()->DrawVertices(drawType, vertices);
}

void nE_Render_Pl5::DrawLine(float x1, float y1, float, float x2, float y2, float, const float colour[4],
                             const nE_RenderState& state)
{
    if (!CanDraw() || !colour) return;
    ApplyClip();
    Lib()->SetWorldMatrix(ToMat4(state.matrix));
    DE50::TColor32 c = DE50::TColor32::FromColor(
        DE50::TColor(colour[0] * state.r, colour[1] * state.g, colour[2] * state.b, colour[3] * state.alpha));
    const DE50::TTransformedLitVert v[2] = {{DE50::TVec3(x1, y1, 0), c, DE50::TVec2(0, 0)},
                                            {DE50::TVec3(x2, y2, 0), c, DE50::TVec2(0, 0)}};
    Effect()->SetBlendMode(MapBlendMode(0));
    Effect()->SetTexture(nullptr);
    Lib()->DrawVertices(DE50::TRenderer::kLineList, DE50::TVertexSet(v, 2));
}

// ---- render targets ----

void nE_Render_Pl5::BeginRenderTarget(unsigned width, unsigned height)
{
    if (m_targetDepth++ > 0) return;
    m_target.reset();
    std::shared_ptr<nE_RenderTargerTexture_Pl5> target = std::make_shared<nE_RenderTargerTexture_Pl5>();
    std::shared_ptr<DE50::TTexture> platform;
    if (target->Create(width, height, true, nullptr)) platform = target->GetPlatformTexture(0);
    if (!platform || !Lib()->BeginRenderTarget(platform))
    {
        nE_LogFmt2("Error: render target %u x %u could not be made", width, height);
        return;
    }
    Lib()->Begin2d();
    m_targetActive = true;
    Effect()->SetFilteringMode(DE50::TBasicEffect::kLinear);
    m_target = target;
}

std::shared_ptr<nE_Texture> nE_Render_Pl5::EndRenderTarget()
{
    // An inner end leaves the outer target drawing and has no target of its own.
    if (m_targetDepth == 0 || --m_targetDepth > 0) return nullptr;
    std::shared_ptr<nE_Texture> result = m_target;
    if (m_targetActive && m_target)
    {
        Lib()->End2d();
        Lib()->EndRenderTarget();
    }
    m_target.reset();
    m_targetActive = false;
    return result;
}

std::shared_ptr<nE_Texture> nE_Render_Pl5::RenderPass(unsigned width, unsigned height,
                                                      const std::function<void()>& draw)
{
    BeginRenderTarget(width, height);
    draw();
    return EndRenderTarget();
}

// ---- blur ----

std::shared_ptr<nE_Texture> nE_Render_Pl5::BlurTexture(std::shared_ptr<nE_Texture> texture, int width,
                                                       int height, float distance)
{
    if (!texture) return nullptr;
    if (m_targetDepth > 0)
    {
        // Its passes would land in the open target.
        nE_Log("Warning: a texture cannot be blurred while a render target is open");
        return nullptr;
    }
    nE_Rect frame = texture->GetFrameRect(0);
    if (!(frame.w > 0.0f && frame.h > 0.0f)) return nullptr;
    int w = width != 0 ? width : int(frame.w);
    int h = height != 0 ? height : int(frame.h);
    if (w <= 0 || h <= 0) return nullptr;
    if (w % 2 != 0) ++w;
    const float fw = float(w), fh = float(h);

    std::shared_ptr<nE_Texture> scaled = RenderPass(
        unsigned(w), unsigned(h),
        [&] { DrawTexture(texture, PlacedState(fw / frame.w, fh / frame.h, fw * 0.5f, fh * 0.5f, 1.0f)); });
    if (!scaled) return nullptr;

    return RenderPass(unsigned(w), unsigned(h),
                      [&]
                      {
                          const float cx = fw * 0.5f, cy = fh * 0.5f, d = distance;
                          const float taps[9][3] = {
                              {cx, cy, 1.0f},         {cx - d, cy - d, 0.2f}, {cx + d, cy - d, 0.2f},
                              {cx - d, cy + d, 0.2f}, {cx + d, cy + d, 0.2f}, {cx - d, cy, 0.1f},
                              {cx + d, cy, 0.1f},     {cx, cy - d, 0.1f},     {cx, cy + d, 0.1f}};
                          for (const float* tap : taps)
                              DrawTexture(scaled, PlacedState(1.0f, 1.0f, tap[0], tap[1], tap[2]));
                      });
}
