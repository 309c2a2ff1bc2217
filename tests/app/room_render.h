#pragma once
// A windowless renderer that writes down render targets, what is drawn into
// them and lines; each target hands back a distinct fake texture.

#include "engine/platform/nE_Render.h"

#include <memory>
#include <string>
#include <vector>

class RoomRender : public nE_Render
{
public:
    struct Draw
    {
        nE_Texture* texture;
        nE_RenderState state;
    };
    struct Line
    {
        float x1, y1, x2, y2;
        float colour[4];
    };

    RoomRender() { SetScreenSize(1024.0f, 768.0f); }
    ~RoomRender() override
    {
        if (g_currentRender == this) g_currentRender = nullptr;
    }

    // Only an address: nothing ever looks inside it.
    static std::shared_ptr<nE_Texture> FakeTexture()
    {
        return std::shared_ptr<nE_Texture>(reinterpret_cast<nE_Texture*>(new char(0)),
                                           [](nE_Texture* t) { delete reinterpret_cast<char*>(t); });
    }

    void BeginScene() override {}
    void EndScene() override {}
    void End2D() override {}
    void BeginRenderTarget(unsigned width, unsigned height) override
    {
        targets.push_back({width, height});
        ++inTarget;
    }
    std::shared_ptr<nE_Texture> EndRenderTarget() override
    {
        --inTarget;
        return FakeTexture();
    }
    std::shared_ptr<nE_Texture> BlurTexture(std::shared_ptr<nE_Texture> texture, int, int, float) override
    {
        return texture;
    }
    void DrawTexture(const std::shared_ptr<nE_Texture>& texture, const nE_RenderState& state) override
    {
        if (inTarget) targetDraws.push_back({texture.get(), state});
    }
    void DrawVertexList(const std::shared_ptr<nE_Texture>&, nE_VertexList*, const nE_RenderState&) override {}
    void DrawLine(float x1, float y1, float, float x2, float y2, float, const float colour[4],
                  const nE_RenderState&) override
    {
        lines.push_back({x1, y1, x2, y2, {colour[0], colour[1], colour[2], colour[3]}});
    }

    std::vector<std::pair<unsigned, unsigned>> targets;
    std::vector<Draw> targetDraws; // into render targets
    std::vector<Line> lines;
    int inTarget = 0;
};
