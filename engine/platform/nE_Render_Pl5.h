#pragma once
// The renderer over the engine library: quads, vertex lists and lines through
// the default 2D effect, render targets, the blur and the gamma pass.

#include "engine/core/nE_Render.h"

#include <functional>
#include <memory>

namespace DE50
{
class TTexture;
struct TTransformedLitVert;
struct TVertexSet;
} // namespace DE50
class nE_GeneratedTexture_Pl5;
class nE_RenderTargerTexture_Pl5;

class nE_Render_Pl5 : public nE_Render
{
public:
    ~nE_Render_Pl5() override;

    void SetScreenSize(float width, float height) override;
    // Drops the screen textures.
    void Release() override;
    void BeginScene() override;
    // Applies the gamma pass with the engine shell's gamma, then ends the frame.
    void EndScene() override;
    void Begin2D() override;
    void End2D() override;
    // Only the outermost begin opens a target; inner ones draw into it and
    // their ends return nothing. A target that could not be made is not made
    // active, and draws up to its end go nowhere.
    void BeginRenderTarget(unsigned width, unsigned height) override;
    std::shared_ptr<nE_Texture> EndRenderTarget() override;
    std::shared_ptr<nE_Texture> BlurTexture(std::shared_ptr<nE_Texture> texture, int width, int height,
                                            float distance) override;
    // A texture without platform texture (a missing image) draws nothing.
    void DrawTexture(const std::shared_ptr<nE_Texture>& texture, const nE_RenderState& state) override;
    void DrawVertexList(const std::shared_ptr<nE_Texture>& texture, nE_VertexList* list,
                        const nE_RenderState& state) override;
    // Quads of four corners each (top-left, top-right, bottom-left, bottom-right), already
    // in screen space: a third fewer vertices than the same quads as a list of triangles.
    void DrawQuadList(const std::shared_ptr<nE_Texture>& texture, const DE50::TTransformedLitVert* corners,
                      unsigned count, const nE_RenderState& state);
    void DrawLine(float x1, float y1, float z1, float x2, float y2, float z2, const float colour[4],
                  const nE_RenderState& state) override;
    // Starts from (0, 0, 2048, 2048), widened to the screen or the active
    // target when either is larger.
    nE_Rect GetClipRect() override;

    // The white (1, 1, 1, 1) texture and the opaque black one that the gamma
    // pass lays over the screen; made at start and after every texture loss.
    void CreateScreenTextures();

    bool IsRenderTargetActive() const { return m_targetActive; }
    std::shared_ptr<nE_GeneratedTexture_Pl5> GetWhiteTexture() const { return m_white; }

private:
    bool CanDraw() const;
    // The state's blend mode as the library's; "normal" becomes the target mode inside a target.
    uint32_t MapBlendMode(uint32_t mode) const;
    // The platform texture of a texture's frame; empty when it has none.
    static std::shared_ptr<DE50::TTexture> PlatformTexture(const nE_Texture* texture, int frame);
    void ApplyClip();
    // Vertices already in screen space, drawn as the library's draw type.
    void DrawScreenSpace(const std::shared_ptr<nE_Texture>& texture, uint32_t drawType,
                         const DE50::TVertexSet& vertices, const nE_RenderState& state);
    void GammaPass();
    void DrawScreenCover(const std::shared_ptr<nE_GeneratedTexture_Pl5>& texture, float alpha,
                         uint32_t blend);
    std::shared_ptr<nE_Texture> RenderPass(unsigned width, unsigned height,
                                           const std::function<void()>& draw);

    bool m_sceneOpen = false;
    bool m_2dOpen = false;
    bool m_targetActive = false;
    // Render-target begins not yet ended, the outermost included.
    unsigned m_targetDepth = 0;
    std::shared_ptr<nE_GeneratedTexture_Pl5> m_white;
    std::shared_ptr<nE_GeneratedTexture_Pl5> m_clear;
    std::shared_ptr<nE_RenderTargerTexture_Pl5> m_target;
};

// A new renderer with no screen textures and every flag off.
nE_Render_Pl5* nE_CreateRender();
