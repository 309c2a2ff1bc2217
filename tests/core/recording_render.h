#pragma once
// A renderer for windowless tests: draws and clip changes are written down instead of drawn.

#include "engine/core/nE_Render.h"

#include <string>
#include <vector>

class RecordingRender : public nE_Render
{
public:
    struct DrawCall
    {
        std::string label; // set by the caller through SetLabel before drawing
        nE_RenderState state;
        nE_Rect clip;
    };

    RecordingRender(float width = 1024.0f, float height = 768.0f) { SetScreenSize(width, height); }

    void SetLabel(const std::string& label) { m_label = label; }

    void BeginScene() override {}
    void EndScene() override {}
    void End2D() override {}
    void BeginRenderTarget(unsigned, unsigned) override {}
    std::shared_ptr<nE_Texture> EndRenderTarget() override { return nullptr; }
    std::shared_ptr<nE_Texture> BlurTexture(std::shared_ptr<nE_Texture> texture, int, int, float) override
    {
        return texture;
    }
    void DrawTexture(const std::shared_ptr<nE_Texture>&, const nE_RenderState& state) override
    {
        calls.push_back("draw " + m_label);
        draws.push_back({m_label, state, GetClipRect()});
    }
    void DrawVertexList(const std::shared_ptr<nE_Texture>&, nE_VertexList*, const nE_RenderState&) override {}
    void DrawLine(float, float, float, float, float, float, const float*, const nE_RenderState&) override {}
    bool PushClipRect(float x, float y, float w, float h) override
    {
        bool pushed = nE_Render::PushClipRect(x, y, w, h);
        calls.push_back(pushed ? "push" : "push refused");
        return pushed;
    }
    void PopClipRect() override
    {
        calls.push_back("pop");
        nE_Render::PopClipRect();
    }

    std::vector<std::string> calls;
    std::vector<DrawCall> draws;

private:
    std::string m_label;
};
