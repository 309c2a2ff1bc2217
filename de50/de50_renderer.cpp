#include "de50/de50_renderer.h"

#include "de50/de50_gl.h"
#include "de50/de50_internal.h"

#include <SDL.h>
#include <SDL_image.h>
#include <epoxy/gl.h>

#include <algorithm>

namespace DE50
{

struct TRenderer::TTarget
{
    std::shared_ptr<TTexture> texture; // empty: the screen
    uint32_t framebuffer = 0;
    uint32_t width = 0, height = 0;
    TURect viewport, clip;
};

TRenderer* TRenderer::GetInstance()
{
    static TRenderer instance;
    return &instance;
}

TRenderer::TRenderer() : m_gl(new TGlBackend) {}

TRenderer::~TRenderer() = default;

void TRenderer::SetOption(const str& name, const str& value)
{
    Flush();
    m_options[name] = value;
    m_newSubtractive = GetOption("new_subtractive") == "1";
    m_newRenderBlend = GetOption("new_render_blend") == "1";
}

str TRenderer::GetOption(const str& name) const
{
    auto it = m_options.find(name);
    return it == m_options.end() ? str() : str(it->second);
}

uint64_t TRenderer::GetDrawCallCount() const
{
    return m_gl->DrawCalls();
}

TRenderer::TTarget& TRenderer::Current()
{
    return m_targets.back();
}

bool TRenderer::BeginDraw()
{
    if (m_inDraw) return true;
    if (!Internal::HasGlContext() || !m_gl->HasScreen()) return false;
    TTarget screen;
    screen.framebuffer = m_gl->BeginScreen();
    screen.width = m_gl->ScreenWidth();
    screen.height = m_gl->ScreenHeight();
    screen.viewport = screen.clip = TURect(0, 0, screen.width, screen.height);
    m_gl->ClearFramebuffer(screen.framebuffer, 0, 0, 0, 1);
    m_targets.insert(m_targets.begin(), screen);
    m_inDraw = true;
    m_frameStartCalls = uint32_t(m_gl->DrawCalls());
    m_screenInWindow = screen.framebuffer == 0;
    return true;
}

void TRenderer::EndDraw(bool present)
{
    if (!m_inDraw) return;
    m_gl->Flush();
    m_inDraw = false;
    if (!m_targets.empty() && !m_targets.front().texture) m_targets.erase(m_targets.begin());
    m_lastFrameDrawCalls = uint32_t(m_gl->DrawCalls()) - m_frameStartCalls;
    if (present) m_gl->Present();
}

bool TRenderer::Begin2d()
{
    if (m_targets.empty()) return false;
    TTarget& t = Current();
    t.clip = TURect(0, 0, t.width, t.height);
    return true;
}

void TRenderer::End2d() {}

void TRenderer::SetViewport(const TURect& rect)
{
    if (!m_targets.empty()) Current().viewport = rect;
}

void TRenderer::SetClippingRectangle(const TURect& rect)
{
    if (!m_targets.empty()) Current().clip = rect;
}

void TRenderer::SetWorldMatrix(const TMat4& matrix)
{
    m_world = matrix;
}

void TRenderer::FillRect(const TURect& rect, const TColor& color)
{
    TColor32 c = TColor32::FromColor(color);
    // Untransformed, a fill is a clear of its rectangle: the screen clear of every frame
    // then shades no pixels.
    if (m_world.IsIdentity() && !m_targets.empty() && Internal::HasGlContext())
    {
        const TTarget& t = Current();
        const TURect& vp = t.viewport;
        TURect px(vp.left + rect.left, vp.top + rect.top, vp.left + rect.right, vp.top + rect.bottom);
        px = TURect(std::max(px.left, t.clip.left), std::max(px.top, t.clip.top),
                    std::min(px.right, t.clip.right), std::min(px.bottom, t.clip.bottom));
        m_gl->ClearRect(t.framebuffer, px, t.width, t.height, c);
        return;
    }
    float l = float(rect.left), t = float(rect.top), r = float(rect.right), b = float(rect.bottom);
    TTransformedLitVert v[4] = {{TVec3(l, t, 0), c, TVec2(0, 0)},
                                {TVec3(r, t, 0), c, TVec2(1, 0)},
                                {TVec3(l, b, 0), c, TVec2(0, 1)},
                                {TVec3(r, b, 0), c, TVec2(1, 1)}};
    Submit(kTriangleStrip, v, 4, nullptr, TEffect::kBlendOpaque, 0);
}

uint32_t TRenderer::ResolveBlend(uint32_t mode) const
{
    return BlendRowFor(mode, m_newSubtractive, m_newRenderBlend);
}

void TRenderer::DrawVertices(uint32_t drawType, const TVertexSet& set)
{
    if (!set.vertices || !set.count) return;
    const uint32_t filter = m_effect.GetFilteringMode();
    uint32_t sampler =
        m_effect.GetMapModeU() | m_effect.GetMapModeV() << 1 | uint32_t(filter != TBasicEffect::kPoint) << 2;
    Submit(drawType, set.vertices, set.count, m_effect.GetTexture(), ResolveBlend(m_effect.GetBlendMode()),
           sampler, filter == TBasicEffect::kLinearOnTexels);
}

// Strips and fans become lists, so that every draw can join the batch before it.
static void Expand(uint32_t drawType, const TTransformedLitVert* v, uint32_t n,
                   std::vector<TTransformedLitVert>& out, uint32_t& primitive)
{
    out.clear();
    switch (drawType)
    {
    case TRenderer::kPointList:
        primitive = GL_POINTS;
        out.assign(v, v + n);
        break;
    case TRenderer::kLineList:
        primitive = GL_LINES;
        out.assign(v, v + (n & ~1u));
        break;
    case TRenderer::kLineStrip:
        primitive = GL_LINES;
        for (uint32_t i = 0; i + 1 < n; ++i)
            out.insert(out.end(), {v[i], v[i + 1]});
        break;
    case TRenderer::kTriangleList:
        primitive = GL_TRIANGLES;
        out.assign(v, v + n - n % 3);
        break;
    case TRenderer::kTriangleStrip:
        primitive = GL_TRIANGLES;
        for (uint32_t i = 0; i + 2 < n; ++i)
            out.insert(out.end(), {v[i], v[i + 1], v[i + 2]});
        break;
    case TRenderer::kQuadList:
        primitive = kPrimitiveQuads;
        out.assign(v, v + n - n % 4);
        break;
    case TRenderer::kTriangleFan:
        primitive = GL_TRIANGLES;
        for (uint32_t i = 1; i + 1 < n; ++i)
            out.insert(out.end(), {v[0], v[i], v[i + 1]});
        break;
    default:
        break;
    }
}

void TRenderer::Submit(uint32_t drawType, const TTransformedLitVert* v, uint32_t count,
                       const std::shared_ptr<TTexture>& tex, uint32_t blend, uint32_t sampler, bool onTexels)
{
    if (m_targets.empty() || !Internal::HasGlContext()) return;
    static std::vector<TTransformedLitVert> expanded;
    uint32_t primitive = kPrimitiveQuads;
    // Untransformed quads go to the batch as they are: no copy of their own.
    const bool asGiven = drawType == kQuadList && m_world.IsIdentity();
    if (asGiven)
        count -= count % 4;
    else
    {
        Expand(drawType, v, count, expanded, primitive);
        v = expanded.data();
        count = uint32_t(expanded.size());
    }
    if (!count) return;
    if (!asGiven && !m_world.IsIdentity())
        for (TTransformedLitVert& vert : expanded)
        {
            TVec2 p = m_world.Transform2(vert.position.x, vert.position.y);
            vert.position.x = p.x;
            vert.position.y = p.y;
        }
    const TTarget& t = Current();
    TBatchKey key;
    key.texture = tex.get();
    key.blendRow = blend;
    key.sampler = sampler;
    key.primitive = primitive;
    key.framebuffer = t.framebuffer;
    key.targetWidth = t.width;
    key.targetHeight = t.height;
    key.viewport = t.viewport;
    key.clip = t.clip;
    m_gl->Append(key, tex, v, count, onTexels && m_world.IsIdentity());
}

bool TRenderer::BeginRenderTarget(const std::shared_ptr<TTexture>& target)
{
    if (!target || target->GetType() != TTexture::kRenderTarget || !Internal::HasGlContext()) return false;
    m_gl->Flush();
    TTarget t;
    t.texture = target;
    t.framebuffer = target->GlFramebuffer();
    if (!t.framebuffer) return false;
    t.width = target->GetWidth();
    t.height = target->GetHeight();
    t.viewport = t.clip = TURect(0, 0, t.width, t.height);
    m_gl->ClearFramebuffer(t.framebuffer, 0, 0, 0, 0);
    // The newer target blend leaves colour weighted by alpha; the older one does not.
    target->SetPremultiplied(m_newRenderBlend);
    m_targets.push_back(t);
    return true;
}

void TRenderer::EndRenderTarget()
{
    if (m_targets.empty() || !Current().texture) return;
    m_gl->Flush();
    m_targets.pop_back();
}

void TRenderer::Flush()
{
    m_gl->Flush();
}

bool TRenderer::ReadScreen(std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height)
{
    width = m_gl->ScreenWidth();
    height = m_gl->ScreenHeight();
    // A frame drawn straight into the window is read from its back buffer, which holds the
    // frame after the swap on the software drivers; later frames stay off-screen, exact anywhere.
    const uint32_t fbo = m_screenInWindow ? 0 : m_gl->ScreenFramebuffer();
    m_gl->KeepScreenBuffer();
    if (!Internal::HasGlContext() || !m_gl->ReadFramebuffer(fbo, width, height, pixels)) return false;
    // The screen has no alpha of its own.
    for (uint32_t& p : pixels)
        p |= 0xFF000000u;
    return true;
}

void TRenderer::KeepScreenBuffer()
{
    m_gl->KeepScreenBuffer();
}

bool TRenderer::SaveScreenshot(const str& path)
{
    std::vector<uint32_t> pixels;
    uint32_t w = 0, h = 0;
    if (!ReadScreen(pixels, w, h))
    {
        WriteDbg("Error: no screen to write to \"%s\"", path.c_str());
        return false;
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), int(w), int(h), 32, int(w * 4),
                                                              SDL_PIXELFORMAT_ARGB8888);
    bool ok = surface && IMG_SavePNG(surface, path.c_str()) == 0;
    if (!ok) WriteDbg("Error: screenshot \"%s\" could not be written: %s", path.c_str(), SDL_GetError());
    SDL_FreeSurface(surface);
    return ok;
}

void TRenderer::OnScreenSize(uint32_t width, uint32_t height)
{
    m_gl->SetScreenSize(width, height);
    if (m_inDraw && !m_targets.empty() && !m_targets.front().texture)
    {
        TTarget& screen = m_targets.front();
        screen.width = m_gl->ScreenWidth();
        screen.height = m_gl->ScreenHeight();
        screen.viewport = screen.clip = TURect(0, 0, screen.width, screen.height);
    }
}

void TRenderer::OnContextLost()
{
    m_gl->Release();
    TTexture::LoseAll();
    m_targets.clear();
    m_inDraw = false;
    m_screenInWindow = false;
}

void TRenderer::ResetState()
{
    OnContextLost();
    m_options.clear();
    m_newSubtractive = m_newRenderBlend = false;
    m_effect = TBasicEffect();
    m_world = TMat4();
    m_lastFrameDrawCalls = 0;
}

} // namespace DE50
