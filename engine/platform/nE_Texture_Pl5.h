#pragma once
// The platform halves of the textures: each holds a DE50::TTexture. A platform
// texture joins an nE_Texture kind with nE_TexImpl_Pl5 by inheriting from both;
// the renderer reaches the platform texture through a checked cast to
// nE_TexImpl_Pl5.

#include "de50/de50_texture.h"
#include "de50/de50_types.h"
#include "engine/platform/nE_Texture.h"

#include <memory>
#include <string>
#include <vector>

class nE_TexImpl_Pl5
{
public:
    virtual ~nE_TexImpl_Pl5() = default;
    // "<name>.png", else "<name>.jpg"; false with a log line when neither
    // exists or the file cannot be read.
    virtual bool LoadImage(const std::string& name);
    // The texture to draw for a frame; empty when there is none (draws nothing).
    virtual std::shared_ptr<DE50::TTexture> GetPlatformTexture(int frame) const;

protected:
    // "<name>.png", else "<name>.jpg", into path; false with a log line when
    // neither exists.
    static bool FindImageFile(const std::string& name, std::string& path);

    // Image files fill it when first asked for it.
    mutable std::shared_ptr<DE50::TTexture> m_platformTexture;
};

// An image file (resource kind 0). Its size comes from the file's header at
// load; the pixels are decoded when the texture is first drawn, locked or hit
// tested, as most images of a game are not on screen at its start.
class nE_Texture_Pl5 : public nE_Texture, public nE_TexImpl_Pl5
{
public:
    // False for a missing image or one whose header is unreadable: the texture
    // then stays 1 by 1 with no platform texture and takes no clicks. An image
    // that fails later, when decoded, draws nothing and takes no clicks either.
    bool Load(const std::string& name) override;
    std::shared_ptr<DE50::TTexture> GetPlatformTexture(int frame) const override;

protected:
    void PrepareHitMask() const override;

private:
    void BuildHitMask() const;

    mutable std::string m_path;     // the image file still to decode; empty once done
    mutable bool m_maskDue = false; // the hit mask is still to build
};

// Resource kind 1.
class nE_FrameTexture_Pl5 : public nE_FrameTexture, public nE_TexImpl_Pl5
{
public:
    // Frame i's image; the own (empty) one when the frame has none.
    std::shared_ptr<DE50::TTexture> GetPlatformTexture(int frame) const override;
};

// Resource kind 2.
class nE_GeneratedTexture_Pl5 : public nE_GeneratedTexture, public nE_TexImpl_Pl5
{
public:
    // Only records the name.
    bool Load(const std::string& name) override;
    bool Create(unsigned width, unsigned height, bool flag, const float* fill) override;
    void Recreate() override;
    bool Fill(const uint8_t* pixels, unsigned width, unsigned height, int format) override;
    uint8_t* BeginWrite(unsigned width, unsigned height, unsigned* stride, int format) override;
    void EndWrite() override;

protected:
    // The texture ready for width x height pixels of format: kept when the
    // last fill had the same size and format (refill true), else made anew.
    bool PrepareFill(unsigned width, unsigned height, int format, bool* refill);

    // Makes the platform texture of the given type at the even size; false
    // (and no platform texture) for a zero size or a failed creation.
    bool Make(unsigned width, unsigned height, bool flag, uint32_t type);
    void FillColour(const float* fill);
    bool FillCoverage(const uint8_t* bytes, unsigned width, unsigned height);
    // False, with its log line, for a format that is not an nE_PixelFormat.
    bool KnownFormat(int format) const;

    unsigned m_requestedWidth = 0;
    unsigned m_requestedHeight = 0;
    bool m_flag = true;
    bool m_hasFill = false;
    // The format of the last complete Fill; -1 when the pixels came otherwise.
    int m_filledFormat = -1;
    unsigned m_writeRows = 0; // rows lent by BeginWrite; 0 when none are
    int m_writeFormat = -1;
    float m_fill[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// A generated texture the renderer draws into. Create answers false when the
// platform could not make the target; the renderer must not make it active.
class nE_RenderTargerTexture_Pl5 : public nE_GeneratedTexture_Pl5
{
public:
    bool Create(unsigned width, unsigned height, bool flag, const float* fill) override;
    void Recreate() override;
    bool Fill(const uint8_t* pixels, unsigned width, unsigned height, int format) override;
};

// The vertex layout DE50::TVertexSet takes: position, 0xAARRGGBB colour, uv.
typedef DE50::TTransformedLitVert nE_Vertex;

class nE_VertexList_Pl5 : public nE_VertexList
{
public:
    void Allocate(unsigned count) override;
    void SetVertex(unsigned index, const nE_Vec3& position, uint32_t colour, float u, float v) override;
    void SetVertex(float x, float y, float u, float v, float r, float g, float b, float a) override;
    unsigned GetCount() const override { return m_count; }
    const nE_Vertex* GetVertices() const { return m_vertices.data(); }
    // The vertices in use, for DE50::TRenderer::DrawVertices.
    DE50::TVertexSet GetVertexSet() const { return DE50::TVertexSet(m_vertices.data(), m_count); }

private:
    std::vector<nE_Vertex> m_vertices;
    unsigned m_count = 0;
};

// Creators by resource kind; each answers an empty resource for the cache to
// Load.
nE_Texture_Pl5* nE_CreateTexture();
nE_FrameTexture_Pl5* nE_CreateFrameTexture();
nE_GeneratedTexture_Pl5* nE_CreateGeneratedTexture();

// Registers kinds 0, 1 and 2 with the resource cache's creator table.
void nE_RegisterTextureCreators();
