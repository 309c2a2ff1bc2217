#pragma once
// The renderer's GL side: shader, batches, screen buffer, blend table. Library-internal.

#include "de50/de50_texture.h"
#include "de50/de50_types.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace DE50
{

// Everything that must match for two draws to share one GL draw call.
struct TBatchKey
{
    TTexture* texture = nullptr; // null: plain white
    uint32_t blendRow = 0;       // row of the blend table
    uint32_t sampler = 0;        // wrap u | wrap v << 1 | linear << 2
    uint32_t primitive = 0;      // GL primitive
    uint32_t framebuffer = 0;
    uint32_t targetWidth = 0, targetHeight = 0;
    TURect viewport, clip;
    bool operator==(const TBatchKey& o) const;
};

// The batch primitive of kQuadList draws: GL_TRIANGLES through the shared quad indices.
const uint32_t kPrimitiveQuads = 0x10000;

// Picks the blend-table row for a blend mode under the two renderer options.
uint32_t BlendRowFor(uint32_t mode, bool newSubtractive, bool newRenderBlend);

class TGlBackend
{
public:
    TGlBackend() = default;
    ~TGlBackend();

    // Queues vertices (already in target pixels) under the key; flushes when the key changes.
    // onTexels: a linear draw whose pixel centres all fall on texel centres.
    void Append(const TBatchKey& key, const std::shared_ptr<TTexture>& texture, const TTransformedLitVert* v,
                uint32_t count, bool onTexels = false);
    void Flush();

    bool SetScreenSize(uint32_t width, uint32_t height);
    // Whether a screen size was set (and its buffer, once made, did not fail).
    bool HasScreen() const { return m_screenWidth != 0; }
    // The off-screen buffer, made on first use: a window that shows the screen
    // unscaled is drawn into directly and never needs one.
    uint32_t ScreenFramebuffer();
    // The framebuffer this frame's screen is drawn into: the window's own when it shows the
    // screen unscaled and nobody reads the screen back (no copy at present), else the
    // off-screen buffer.
    uint32_t BeginScreen();
    // From now on the screen is drawn off-screen, so that reading it back is exact.
    void KeepScreenBuffer() { m_keepScreen = true; }
    uint32_t ScreenWidth() const { return m_screenWidth; }
    uint32_t ScreenHeight() const { return m_screenHeight; }
    void ClearFramebuffer(uint32_t fbo, float r, float g, float b, float a);
    // Replaces the pixels of rect (right and bottom exclusive, clamped to width x height).
    void ClearRect(uint32_t fbo, const TURect& rect, uint32_t width, uint32_t height, TColor32 color);
    // Shows the screen buffer in the window, scaled to fit with its aspect kept.
    void Present();
    bool ReadFramebuffer(uint32_t fbo, uint32_t width, uint32_t height, std::vector<uint32_t>& pixels);

    uint64_t DrawCalls() const { return m_drawCalls; }
    // The GL context is going away: forget (and when still current, delete) every object.
    void Release();

private:
    bool EnsureResources();
    bool MakeScreenBuffer();
    void ApplyState(const TBatchKey& key);
    bool UseProgram(int op, bool premultiplied, bool tinted);
    // The bound index buffer covers at least `quads` quads.
    void EnsureQuadIndices(uint32_t quads);
    // Draws the batch's quads through the shared indices.
    void DrawQuads(uint32_t quads);

    struct TProgram
    {
        uint32_t id = 0;
        int uScale = -1, uOffset = -1;
        bool failed = false;
    };

    bool m_ready = false;
    TProgram m_programs[16];
    bool m_direct = false, m_keepScreen = false;
    size_t m_current = 0;
    uint32_t m_vao = 0, m_vbo = 0, m_white = 0;
    uint32_t m_quadIndices = 0, m_quadCapacity = 0; // index buffer of the quads, and its size in quads
    int m_maxViewport = 0;                          // the driver's largest viewport side
    uint32_t m_samplers[8] = {};
    uint32_t m_screenFbo = 0, m_screenTexture = 0, m_screenWidth = 0, m_screenHeight = 0;
    TBatchKey m_key;
    std::shared_ptr<TTexture> m_keyTexture;
    std::vector<TTransformedLitVert> m_vertices;
    bool m_tinted = false;   // some vertex of the batch is not opaque white
    bool m_onTexels = false; // every draw of the batch is point-sampled as well as filtered
    std::vector<int> m_runCounts;            // index counts and offsets of DrawQuads' runs
    std::vector<const void*> m_runOffsets;
    uint64_t m_drawCalls = 0;
};

} // namespace DE50
