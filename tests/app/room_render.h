#pragma once
// The recording renderer that also writes down render targets, what is drawn
// into them and lines; each target hands back a distinct fake texture.

#include "core/recording_render.h"

#include <memory>
#include <vector>

class RoomRender : public RecordingRender
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

    ~RoomRender() override
    {
        if (g_currentRender == this) g_currentRender = nullptr;
    }
    void BeginRenderTarget(unsigned width, unsigned height) override
    {
        targets.push_back({width, height});
        ++inTarget;
    }
    // Only an address: nothing ever looks inside it.
    std::shared_ptr<nE_Texture> EndRenderTarget() override
    {
        --inTarget;
        return std::shared_ptr<nE_Texture>(reinterpret_cast<nE_Texture*>(new char(0)),
                                           [](nE_Texture* t) { delete reinterpret_cast<char*>(t); });
    }
    void DrawTexture(const std::shared_ptr<nE_Texture>& texture, const nE_RenderState& state) override
    {
        if (inTarget) targetDraws.push_back({texture.get(), state});
    }
    void DrawLine(float x1, float y1, float, float x2, float y2, float, const float colour[4],
                  const nE_RenderState&) override
    {
        lines.push_back({x1, y1, x2, y2, {colour[0], colour[1], colour[2], colour[3]}});
    }

    std::vector<std::pair<unsigned, unsigned>> targets;
    std::vector<Draw> targetDraws;
    std::vector<Line> lines;
    int inTarget = 0;
};
