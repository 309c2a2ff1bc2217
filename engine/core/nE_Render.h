#pragma once
// The drawing service behind which the platform renderer sits. The base keeps
// the screen size and the clip stack; drawing itself is the platform's. The
// engine core draws only through this interface, so it stands without a
// window.

#include "engine/core/nE_Math.h"

#include <memory>
#include <vector>

class nE_Texture;
class nE_VertexList;
class nE_Render;

// The one renderer of the program (null without a display), and the one whose
// screen size was set last (render targets and the blur use it). Both are
// defined in nE_Render.cpp; the engine shell sets the first.
extern nE_Render* g_render;
extern nE_Render* g_currentRender;

class nE_Render
{
public:
    virtual ~nE_Render() = default;

    virtual void SetScreenSize(float width, float height)
    {
        m_screenWidth = width;
        m_screenHeight = height;
        g_currentRender = this;
    }
    virtual void Release() {}
    virtual void BeginScene() = 0;
    virtual void EndScene() = 0;
    virtual void Begin2D() {}
    virtual void End2D() = 0;
    virtual void BeginRenderTarget(unsigned width, unsigned height) = 0;
    virtual std::shared_ptr<nE_Texture> EndRenderTarget() = 0;
    // Built on render targets and texture frames, both the platform's.
    virtual std::shared_ptr<nE_Texture> BlurTexture(std::shared_ptr<nE_Texture> texture, int width,
                                                    int height, float distance) = 0;
    virtual void DrawTexture(const std::shared_ptr<nE_Texture>& texture, const nE_RenderState& state) = 0;
    virtual void DrawVertexList(const std::shared_ptr<nE_Texture>& texture, nE_VertexList* list,
                                const nE_RenderState& state) = 0;
    virtual void DrawLine(float x1, float y1, float z1, float x2, float y2, float z2, const float colour[4],
                          const nE_RenderState& state) = 0;

    // A rectangle with no width or no height is refused.
    virtual bool PushClipRect(float x, float y, float w, float h)
    {
        if (w == 0.0f || h == 0.0f) return false;
        nE_Rect rect;
        rect.x = x;
        rect.y = y;
        rect.w = w;
        rect.h = h;
        m_clipStack.push_back(rect);
        return true;
    }
    virtual void PopClipRect()
    {
        if (!m_clipStack.empty()) m_clipStack.pop_back();
    }
    virtual nE_Rect GetClipRect() { return ClipWithin(m_screenWidth, m_screenHeight); }

    float GetScreenWidth() const { return m_screenWidth; }
    float GetScreenHeight() const { return m_screenHeight; }
    size_t GetClipDepth() const { return m_clipStack.size(); }

protected:
    // (0, 0, width, height) cut down by every stacked rectangle in order.
    nE_Rect ClipWithin(float width, float height) const
    {
        nE_Rect clip;
        clip.x = 0.0f;
        clip.y = 0.0f;
        clip.w = width;
        clip.h = height;
        for (const nE_Rect& rect : m_clipStack)
        {
            nE_Rect cut;
            nE_IntersectRect(cut, clip, rect);
            clip = cut;
        }
        return clip;
    }
    void ClearClipStack() { m_clipStack.clear(); }

    float m_screenWidth = 0.0f;
    float m_screenHeight = 0.0f;
    std::vector<nE_Rect> m_clipStack;
};
