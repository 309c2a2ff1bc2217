#pragma once
// A renderer for windowless tests: every call is written down instead of drawn.

#include "engine/platform/nE_Render.h"

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

    void BeginScene() override { calls.push_back("begin_scene"); }
    void EndScene() override { calls.push_back("end_scene"); }
    void Begin2D() override { calls.push_back("begin_2d"); }
    void End2D() override { calls.push_back("end_2d"); }
    void BeginRenderTarget(unsigned, unsigned) override { calls.push_back("begin_target"); }
    std::shared_ptr<nE_Texture> EndRenderTarget() override
    {
        calls.push_back("end_target");
        return nullptr;
    }
    std::shared_ptr<nE_Texture> BlurTexture(std::shared_ptr<nE_Texture> texture, int, int, float) override
    {
        calls.push_back("blur");
        return texture;
    }
    void DrawTexture(const std::shared_ptr<nE_Texture>&, const nE_RenderState& state) override
    {
        calls.push_back("draw " + m_label);
        draws.push_back({m_label, state, GetClipRect()});
    }
    void DrawVertexList(const std::shared_ptr<nE_Texture>&, nE_VertexList*, const nE_RenderState&) override
    {
        calls.push_back("vertices " + m_label);
    }
    void DrawLine(float, float, float, float, float, float, const float*, const nE_RenderState&) override
    {
        calls.push_back("line " + m_label);
    }
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
