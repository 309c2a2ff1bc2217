#pragma once
// The renderer: frames, 2D drawing with batching, render targets, and the default 2D effect.

#include "de50/de50_base.h"
#include "de50/de50_texture.h"
#include "de50/de50_types.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace DE50
{

class TGlBackend;

// How the next draws are blended; the modes are listed in the table in de50_renderer.cpp.
class TEffect
{
public:
    enum EBlendMode : uint32_t
    {
        kBlendAlpha = 0,
        kBlendOpaque = 1,
        kBlendAdditive = 2,
        kBlendSubtractive = 3,
        kBlendMultiply = 4,
        kBlendPremultiplied = 5,
        kBlendRenderTarget = 6,
        kBlendModeCount = 7,
    };
    virtual ~TEffect() = default;
    // Values out of range draw as kBlendAlpha.
    void SetBlendMode(uint32_t mode) { m_blendMode = mode < kBlendModeCount ? mode : kBlendAlpha; }
    uint32_t GetBlendMode() const { return m_blendMode; }

private:
    uint32_t m_blendMode = kBlendAlpha;
};

// The 2D effect: one texture, its wrap mode per axis and its filtering.
class TBasicEffect : public TEffect
{
public:
    enum EMapMode : uint32_t
    {
        kClamp = 0,
        kWrap = 1,
    };
    enum EFilter : uint32_t
    {
        kPoint = 0,
        kLinear = 1,
        // Linear, with every pixel centre on a texel centre: point sampling gives the same
        // pixels for much less work, and is used when a whole batch is drawn so.
        kLinearOnTexels = 2,
    };
    // An empty texture draws the vertex colours alone.
    void SetTexture(const std::shared_ptr<TTexture>& texture) { m_texture = texture; }
    const std::shared_ptr<TTexture>& GetTexture() const { return m_texture; }
    void SetTextureMapMode(uint32_t u, uint32_t v)
    {
        m_mapU = u ? kWrap : kClamp;
        m_mapV = v ? kWrap : kClamp;
    }
    void SetFilteringMode(uint32_t mode)
    {
        m_filter = mode == 0 ? kPoint : mode == 2 ? kLinearOnTexels : kLinear;
    }
    uint32_t GetMapModeU() const { return m_mapU; }
    uint32_t GetMapModeV() const { return m_mapV; }
    uint32_t GetFilteringMode() const { return m_filter; }

private:
    std::shared_ptr<TTexture> m_texture;
    uint32_t m_mapU = kClamp, m_mapV = kClamp, m_filter = kLinear;
};

class TRenderer
{
public:
    enum EDrawType : uint32_t
    {
        kPointList = 1,
        kLineList = 2,
        kLineStrip = 3,
        kTriangleList = 4,
        kTriangleStrip = 5,
        kTriangleFan = 6,
        // Four corners per quad (top-left, top-right, bottom-left, bottom-right), each quad
        // drawn as two triangles through shared indices: a third fewer vertices than a list.
        kQuadList = 7,
    };

    static TRenderer* GetInstance();
    ~TRenderer();

    // Options are kept by name; "new_subtractive" and "new_render_blend" = "1" choose the
    // newer forms of blend modes 3 and 6.
    void SetOption(const str& name, const str& value);
    str GetOption(const str& name) const;

    // A frame on the screen: false without a window. The screen starts opaque black.
    bool BeginDraw();
    // Finishes the frame; shows it when present is true.
    void EndDraw(bool present);
    // 2D drawing is possible inside a frame or a render target.
    bool Begin2d();
    void End2d();

    // In pixels of the current target; the drawing coordinates map onto this rectangle.
    void SetViewport(const TURect& rect);
    // Draws outside the rectangle are cut away; right and bottom exclusive.
    void SetClippingRectangle(const TURect& rect);
    // Applied to the positions of the following draws (row vectors, p x M).
    void SetWorldMatrix(const TMat4& matrix);
    // Fills the rectangle under the world matrix with the colour, replacing what was there.
    void FillRect(const TURect& rect, const TColor& color);
    // Draws with the default 2D effect's texture, wrap, filtering and blend mode.
    void DrawVertices(uint32_t drawType, const TVertexSet& vertices);

    // Draws go to the texture (a kRenderTarget one) until EndRenderTarget, inside or outside a
    // frame; the target starts transparent. Targets may nest. With "new_render_blend" the
    // target holds colour multiplied by alpha and is drawn back as such.
    bool BeginRenderTarget(const std::shared_ptr<TTexture>& target);
    void EndRenderTarget();

    TBasicEffect* GetDefault2dEffect() { return &m_effect; }

    // GL draw calls since the library started, and during the last finished frame.
    uint64_t GetDrawCallCount() const;
    uint32_t GetLastFrameDrawCalls() const { return m_lastFrameDrawCalls; }

    // Library side.
    void Flush();
    // The last frame drawn on the screen, rows top first, alpha forced opaque.
    bool ReadScreen(std::vector<uint32_t>& pixels, uint32_t& width, uint32_t& height);
    bool SaveScreenshot(const str& path);
    // The screen will be read back: draw it off-screen from the next frame on.
    void KeepScreenBuffer();
    void OnScreenSize(uint32_t width, uint32_t height);
    void OnContextLost();
    void ResetState();

private:
    TRenderer();
    struct TTarget;
    TTarget& Current();
    void Submit(uint32_t drawType, const TTransformedLitVert* v, uint32_t count,
                const std::shared_ptr<TTexture>& tex, uint32_t blend, uint32_t sampler,
                bool onTexels = false);
    uint32_t ResolveBlend(uint32_t mode) const;

    std::unique_ptr<TGlBackend> m_gl;
    std::map<std::string, std::string> m_options;
    bool m_newSubtractive = false, m_newRenderBlend = false;
    TBasicEffect m_effect;
    TMat4 m_world;
    bool m_inDraw = false;
    std::vector<TTarget> m_targets; // [0] the screen while a frame is open, then render targets
    uint32_t m_frameStartCalls = 0;
    uint32_t m_lastFrameDrawCalls = 0;
    bool m_screenInWindow = false; // this frame went straight into the window
};

} // namespace DE50
