#pragma once
// Textures as the scene sees them: an image size, per-frame rectangles and
// texture coordinates, and a one-bit-per-pixel hit mask for pixel-exact input.
// Frame textures cut frames out of images listed in an XML file; generated
// textures are made at run time; vertex lists feed the particle systems. The
// platform halves live in nE_Texture_Pl5.h.

#include "engine/core/nE_Math.h"
#include "engine/core/nE_Resource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One bit per pixel: pixel (x, y) is bit x % 32 of word (x / 32) * height + y,
// so each run of 32 columns forms a block of `height` words.
struct nE_HitMask
{
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<uint32_t> bits;

    // All bits clear; a size outside 0..32767 leaves the mask empty.
    void Reset(int w, int h);
    void Clear() { Reset(0, 0); }
    bool Empty() const { return bits.empty(); }
    // False outside the mask.
    bool Get(int x, int y) const;
    void Set(int x, int y, bool on);
    // Every bit inside the mask set.
    void Fill();
};

class nE_Texture : public nE_Resource
{
public:
    nE_Texture() { m_name = "ne_dummytex"; }
    ~nE_Texture() override = default;
    bool Load(const std::string& name) override = 0;

    // The image centred on the object's origin; the frame is not used here.
    virtual nE_Rect GetFrameRect(int frame) const;
    // Tiling above 1 repeats the image.
    virtual nE_Rect GetTexCoordRect(const nE_RenderState& state) const;
    virtual bool HitTest(float x, float y, const nE_RenderState& state) const;

    float GetWidth() const { return m_width; }
    float GetHeight() const { return m_height; }
    float GetTextureWidth() const { return m_texWidth; }
    float GetTextureHeight() const { return m_texHeight; }
    const nE_HitMask& GetHitMask() const
    {
        PrepareHitMask();
        return m_hitMask;
    }

protected:
    // Kinds that build their mask only when it is first asked for do it here.
    virtual void PrepareHitMask() const {}

    // Whether (x, y) lies inside the frame rectangle under the state's draw
    // offset and matrix; when it does, (lx, ly) is the point in the frame's
    // own coordinates.
    static bool ToLocal(float x, float y, const nE_RenderState& state, const nE_Rect& frame, float& lx,
                        float& ly);

    float m_width = 1.0f;
    float m_height = 1.0f;
    float m_texWidth = 1.0f;
    float m_texHeight = 1.0f;
    mutable nE_HitMask m_hitMask;
};

typedef std::shared_ptr<nE_Texture> nE_TexturePtr;

struct nE_TextureFrame
{
    float left = 0.0f; // corner inside the image
    float top = 0.0f;
    float widht = 0.0f; // (sic: the file's attribute name)
    float height = 0.0f;
    float x = 0.0f; // pivot: the point of the frame on the object's origin
    float y = 0.0f;
    nE_TexturePtr texture;
};

// Frames cut out of one or more images, listed in "<name>.xml".
class nE_FrameTexture : public nE_Texture
{
public:
    bool Load(const std::string& name) override;
    // Empty rectangles for a frame beyond the list.
    nE_Rect GetFrameRect(int frame) const override;
    nE_Rect GetTexCoordRect(const nE_RenderState& state) const override;
    // Through the frame's own image mask; false outside it.
    bool HitTest(float x, float y, const nE_RenderState& state) const override;

    size_t GetFrameCount() const { return m_frames.size(); }
    // Null beyond the list.
    const nE_TextureFrame* GetFrame(int frame) const;

protected:
    std::vector<nE_TextureFrame> m_frames;
};

// Pixel byte layouts accepted by nE_GeneratedTexture::Fill.
enum nE_PixelFormat
{
    NE_PIXELS_COVERAGE = 0, // one byte per pixel: drawn white with that alpha
    NE_PIXELS_BGRA = 1      // four bytes per pixel: blue, green, red, alpha
};

// A texture made at run time (text blocks, video frames, screen textures,
// render targets). Sizes are rounded up to even.
class nE_GeneratedTexture : public nE_Texture
{
public:
    // A zero size drops the platform texture and answers false. The fill
    // colour (r, g, b, a in 0..1) is optional.
    virtual bool Create(unsigned width, unsigned height, bool flag, const float* fill) = 0;
    // Makes the platform texture again after a device loss when it is gone;
    // pixels the library kept are not wiped.
    virtual void Recreate() = 0;
    // Creates the texture at (width, height) and copies rows of pixel bytes
    // (width * height of them, in the given nE_PixelFormat) into it, top row
    // first. False for a null buffer, a zero size or an unknown format.
    virtual bool Fill(const uint8_t* pixels, unsigned width, unsigned height, int format) = 0;
    // Lends the texture's own rows (stride in pixels) for a width x height
    // picture of the given nE_PixelFormat written in place, made at that size
    // and format when it is not; null when it cannot. Every lent row must be
    // written before EndWrite sends them on.
    virtual uint8_t* BeginWrite(unsigned width, unsigned height, unsigned* stride, int format) = 0;
    virtual void EndWrite() = 0;
};

typedef std::shared_ptr<nE_GeneratedTexture> nE_GeneratedTexturePtr;

// Coloured, textured vertices drawn as a triangle list.
class nE_VertexList
{
public:
    virtual ~nE_VertexList() = default;
    // Room for count zeroed vertices (growing when needed); the count in use
    // starts again at 0.
    virtual void Allocate(unsigned count) = 0;
    // Writes vertex index; an index beyond the allocation is ignored. Colour is
    // 0xAARRGGBB.
    virtual void SetVertex(unsigned index, const nE_Vec3& position, uint32_t colour, float u, float v) = 0;
    // Appends after the vertices in use (colour components 0..1), growing the
    // allocation when it is full.
    virtual void SetVertex(float x, float y, float u, float v, float r, float g, float b, float a) = 0;
    // Vertices in use: one past the highest written.
    virtual unsigned GetCount() const = 0;
};
