#include "engine/platform/nE_Texture_Pl5.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Path.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
unsigned RoundUpEven(unsigned v)
{
    return v + (v & 1u);
}

uint8_t ToByte(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return uint8_t(v * 255.0f);
}

// Pixels of a locked platform texture, unlocked when the view goes.
class LockedPixels
{
public:
    // rows: how many rows from the top the holder changes.
    explicit LockedPixels(const std::shared_ptr<DE50::TTexture>& texture, uint32_t rows = ~0u)
        : m_texture(texture), m_rows(rows)
    {
        if (m_texture) m_pixels = m_texture->Lock(&m_pitch);
    }
    ~LockedPixels()
    {
        if (m_pixels) m_texture->Unlock(0, m_rows);
    }
    LockedPixels(const LockedPixels&) = delete;
    LockedPixels& operator=(const LockedPixels&) = delete;

    explicit operator bool() const { return m_pixels != nullptr; }
    uint32_t* Row(uint32_t y) const { return m_pixels + size_t(y) * m_pitch; }

private:
    std::shared_ptr<DE50::TTexture> m_texture;
    uint32_t* m_pixels = nullptr;
    uint32_t m_pitch = 0;
    uint32_t m_rows;
};

// Then BGRA bytes are already the library's 0xAARRGGBB words.
bool LittleEndian()
{
    const uint32_t one = 1;
    uint8_t first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

uint32_t PixelFromBytes(const uint8_t* p)
{
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
}
} // namespace

// --- nE_TexImpl_Pl5 --------------------------------------------------------

bool nE_TexImpl_Pl5::FindImageFile(const std::string& name, std::string& path)
{
    path = nE_MakePath(name, ".png");
    if (!nE_FileExists(path)) path = nE_MakePath(name, ".jpg");
    if (nE_FileExists(path)) return true;
    nE_LogFmt("Error: texture could not find \"%s\" file!", name);
    return false;
}

bool nE_TexImpl_Pl5::LoadImage(const std::string& name)
{
    m_platformTexture.reset();
    std::string path;
    if (!FindImageFile(name, path)) return false;
    m_platformTexture = DE50::TTexture::Get(path);
    if (!m_platformTexture)
    {
        nE_LogFmt("Error: texture could not read \"%s\" file!", path);
        return false;
    }
    return true;
}

std::shared_ptr<DE50::TTexture> nE_TexImpl_Pl5::GetPlatformTexture(int) const
{
    return m_platformTexture;
}

// --- nE_Texture_Pl5 --------------------------------------------------------

bool nE_Texture_Pl5::Load(const std::string& name)
{
    m_name = name;
    m_platformTexture.reset();
    m_path.clear();
    m_hitMask.Clear();
    m_maskDue = false;
    // No image: the texture stays 1 by 1, and its clear mask keeps clicks from
    // landing on a picture that is not there.
    m_hitMask.Reset(1, 1);
    std::string path;
    if (!FindImageFile(name, path)) return false;
    uint32_t w = 0, h = 0;
    if (!DE50::TTexture::GetFileSize(path, &w, &h))
    {
        nE_LogFmt("Error: texture could not read \"%s\" file!", path);
        return false;
    }
    m_hitMask.Clear();
    m_width = m_texWidth = float(w);
    m_height = m_texHeight = float(h);
    m_path = path;
    m_maskDue = true;
    return true;
}

std::shared_ptr<DE50::TTexture> nE_Texture_Pl5::GetPlatformTexture(int) const
{
    if (m_path.empty()) return m_platformTexture;
    // Taken first: whatever the log line sets off finds the decode done.
    const std::string path = std::move(m_path);
    m_path.clear();
    m_platformTexture = DE50::TTexture::Get(path);
    if (!m_platformTexture) nE_LogFmt("Error: texture could not read \"%s\" file!", path);
    return m_platformTexture;
}

void nE_Texture_Pl5::PrepareHitMask() const
{
    if (!m_maskDue) return;
    m_maskDue = false;
    BuildHitMask();
}

void nE_Texture_Pl5::BuildHitMask() const
{
    const uint32_t w = uint32_t(m_width);
    const uint32_t h = uint32_t(m_height);
    m_hitMask.Reset(int(std::min<uint32_t>(w, 0x7FFFFFFF)), int(std::min<uint32_t>(h, 0x7FFFFFFF)));
    if (m_hitMask.Empty()) return;
    // A JPEG has no alpha: the whole image takes the mouse.
    if (m_name.find(".jpg") != std::string::npos)
    {
        m_hitMask.Fill();
        return;
    }
    // An image that cannot be decoded (or not at its header's size) stays clear:
    // nothing of it shows.
    const std::shared_ptr<DE50::TTexture> texture = GetPlatformTexture(0);
    if (!texture || texture->GetWidth() != w || texture->GetHeight() != h) return;
    LockedPixels pixels(texture, 0);
    if (!pixels) return;
    // Bit x % 32 of word (x / 32) * h + y: one word per row of each 32-column block.
    uint32_t* word = m_hitMask.bits.data();
    for (uint32_t x0 = 0; x0 < w; x0 += 32)
    {
        const uint32_t columns = std::min<uint32_t>(32, w - x0);
        for (uint32_t y = 0; y < h; ++y, ++word)
        {
            const uint32_t* row = pixels.Row(y) + x0;
            uint32_t bits = 0;
            for (uint32_t x = 0; x < columns; ++x)
                bits |= uint32_t((row[x] >> 24) != 0) << x;
            *word = bits;
        }
    }
}

// --- nE_FrameTexture_Pl5 ---------------------------------------------------

std::shared_ptr<DE50::TTexture> nE_FrameTexture_Pl5::GetPlatformTexture(int frame) const
{
    const nE_TextureFrame* f = GetFrame(frame);
    if (f)
    {
        if (auto impl = dynamic_cast<const nE_TexImpl_Pl5*>(f->texture.get()))
            return impl->GetPlatformTexture(0);
    }
    return m_platformTexture;
}

// --- nE_GeneratedTexture_Pl5 -----------------------------------------------

bool nE_GeneratedTexture_Pl5::Load(const std::string& name)
{
    m_name = name;
    return true;
}

bool nE_GeneratedTexture_Pl5::Make(unsigned width, unsigned height, bool flag, uint32_t type)
{
    m_platformTexture.reset();
    m_requestedWidth = width;
    m_requestedHeight = height;
    m_flag = flag;
    m_filledFormat = -1;
    m_width = m_height = m_texWidth = m_texHeight = 1.0f;
    if (width == 0 || height == 0) return false;
    m_platformTexture = DE50::TTexture::Create(RoundUpEven(width), RoundUpEven(height), flag, type);
    if (!m_platformTexture)
    {
        nE_LogFmt2("Error: texture \"%s\" could not be created at %s", m_name,
                   std::to_string(width) + "x" + std::to_string(height));
        return false;
    }
    m_width = m_texWidth = float(m_platformTexture->GetWidth());
    m_height = m_texHeight = float(m_platformTexture->GetHeight());
    return true;
}

void nE_GeneratedTexture_Pl5::FillColour(const float* fill)
{
    m_hasFill = fill != nullptr;
    if (!fill) return;
    std::copy(fill, fill + 4, m_fill);
    LockedPixels pixels(m_platformTexture);
    if (!pixels) return;
    const uint32_t colour =
        DE50::TColor32(ToByte(fill[0]), ToByte(fill[1]), ToByte(fill[2]), ToByte(fill[3])).argb;
    for (uint32_t y = 0; y < m_platformTexture->GetHeight(); ++y)
        std::fill_n(pixels.Row(y), m_platformTexture->GetWidth(), colour);
}

bool nE_GeneratedTexture_Pl5::Create(unsigned width, unsigned height, bool flag, const float* fill)
{
    if (!Make(width, height, flag, DE50::TTexture::kPlain)) return false;
    FillColour(fill);
    return true;
}

void nE_GeneratedTexture_Pl5::Recreate()
{
    // The library keeps the pixels of a live texture; making it again would wipe them.
    if (m_platformTexture || m_requestedWidth == 0 || m_requestedHeight == 0) return;
    Create(m_requestedWidth, m_requestedHeight, m_flag, m_hasFill ? m_fill : nullptr);
}

bool nE_GeneratedTexture_Pl5::KnownFormat(int format) const
{
    if (format == NE_PIXELS_COVERAGE || format == NE_PIXELS_BGRA) return true;
    nE_LogFmt2("Error: texture \"%s\" given unknown pixel format %d", m_name, format);
    return false;
}

bool nE_GeneratedTexture_Pl5::Fill(const uint8_t* bytes, unsigned width, unsigned height, int format)
{
    if (!KnownFormat(format) || !bytes) return false;
    if (format == NE_PIXELS_COVERAGE) return FillCoverage(bytes, width, height);
    bool refill = false;
    if (!PrepareFill(width, height, format, &refill)) return false;
    LockedPixels pixels(m_platformTexture, refill ? height : m_platformTexture->GetHeight());
    if (!pixels)
    {
        nE_LogFmt("Error: texture \"%s\" could not be filled", m_name);
        return false;
    }
    m_filledFormat = format;
    for (unsigned y = 0; y < height; ++y)
    {
        uint32_t* row = pixels.Row(y);
        if (LittleEndian())
            std::memcpy(row, bytes + size_t(y) * width * 4, size_t(width) * 4);
        else
            for (unsigned x = 0; x < width; ++x)
                row[x] = PixelFromBytes(bytes + (size_t(y) * width + x) * 4);
    }
    return true;
}

// The bytes go as they are into a coverage texture, which draws them as white
// of that alpha; its padding stays clear.
bool nE_GeneratedTexture_Pl5::FillCoverage(const uint8_t* bytes, unsigned width, unsigned height)
{
    unsigned pitch = 0;
    uint8_t* out = BeginWrite(width, height, &pitch, NE_PIXELS_COVERAGE);
    if (!out) return false;
    for (unsigned y = 0; y < height; ++y)
        std::memcpy(out + size_t(y) * pitch, bytes + size_t(y) * width, width);
    EndWrite();
    return true;
}

bool nE_GeneratedTexture_Pl5::PrepareFill(unsigned width, unsigned height, int format, bool* refill)
{
    // A refill at the same size and format (a video's next frame) keeps the
    // texture and its GPU copy, and sends only the rows written.
    *refill = m_platformTexture && m_filledFormat == format && m_requestedWidth == width &&
              m_requestedHeight == height && m_flag;
    const uint32_t type = format == NE_PIXELS_COVERAGE ? DE50::TTexture::kCoverage : DE50::TTexture::kPlain;
    if (!*refill && !Make(width, height, true, type)) return false;
    m_hasFill = false;
    m_filledFormat = -1;
    return true;
}

uint8_t* nE_GeneratedTexture_Pl5::BeginWrite(unsigned width, unsigned height, unsigned* stride, int format)
{
    bool refill = false;
    if (!KnownFormat(format) || m_writeRows || !PrepareFill(width, height, format, &refill)) return nullptr;
    uint32_t pitch = 0;
    uint8_t* rows = format == NE_PIXELS_COVERAGE ? m_platformTexture->LockCoverage(&pitch)
                                                : reinterpret_cast<uint8_t*>(m_platformTexture->Lock(&pitch));
    if (!rows)
    {
        nE_LogFmt("Error: texture \"%s\" could not be filled", m_name);
        return nullptr;
    }
    m_writeRows = height;
    m_writeFormat = format;
    if (stride) *stride = pitch;
    return rows;
}

void nE_GeneratedTexture_Pl5::EndWrite()
{
    if (!m_writeRows || !m_platformTexture) return;
    m_platformTexture->Unlock(0, m_writeRows);
    m_writeRows = 0;
    m_filledFormat = m_writeFormat;
}

// --- nE_RenderTargerTexture_Pl5 --------------------------------------------

bool nE_RenderTargerTexture_Pl5::Create(unsigned width, unsigned height, bool flag, const float*)
{
    m_hasFill = false;
    return Make(width, height, flag, DE50::TTexture::kRenderTarget);
}

void nE_RenderTargerTexture_Pl5::Recreate()
{
    if (m_platformTexture || m_requestedWidth == 0 || m_requestedHeight == 0) return;
    Make(m_requestedWidth, m_requestedHeight, m_flag, DE50::TTexture::kRenderTarget);
}

bool nE_RenderTargerTexture_Pl5::Fill(const uint8_t*, unsigned, unsigned, int)
{
    nE_LogFmt("Error: render target \"%s\" cannot be filled from pixels", m_name);
    return false;
}

// --- nE_VertexList_Pl5 -----------------------------------------------------

void nE_VertexList_Pl5::Allocate(unsigned count)
{
    if (count > m_vertices.size()) m_vertices.resize(count);
    std::fill_n(m_vertices.begin(), count, nE_Vertex());
    m_count = 0;
}

void nE_VertexList_Pl5::SetVertex(unsigned index, const nE_Vec3& position, uint32_t colour, float u, float v)
{
    if (index >= m_vertices.size()) return;
    m_vertices[index] =
        nE_Vertex(DE50::TVec3(position.x, position.y, position.z), DE50::TColor32(colour), DE50::TVec2(u, v));
    m_count = std::max(m_count, index + 1);
}

void nE_VertexList_Pl5::SetVertex(float x, float y, float u, float v, float r, float g, float b, float a)
{
    if (m_count >= m_vertices.size()) m_vertices.resize(size_t(m_count) + 1);
    const DE50::TColor32 colour(ToByte(r), ToByte(g), ToByte(b), ToByte(a));
    SetVertex(m_count, nE_Vec3(x, y, 0), colour.argb, u, v);
}

// --- creators --------------------------------------------------------------

nE_Texture_Pl5* nE_CreateTexture()
{
    return new nE_Texture_Pl5();
}

nE_FrameTexture_Pl5* nE_CreateFrameTexture()
{
    return new nE_FrameTexture_Pl5();
}

nE_GeneratedTexture_Pl5* nE_CreateGeneratedTexture()
{
    return new nE_GeneratedTexture_Pl5();
}

void nE_RegisterTextureCreators()
{
    nE_ResourceCache::SetCreator(NE_RES_TEXTURE,
                                 [] { return static_cast<nE_Resource*>(nE_CreateTexture()); });
    nE_ResourceCache::SetCreator(NE_RES_FRAME_TEXTURE,
                                 [] { return static_cast<nE_Resource*>(nE_CreateFrameTexture()); });
    nE_ResourceCache::SetCreator(NE_RES_GENERATED_TEXTURE,
                                 [] { return static_cast<nE_Resource*>(nE_CreateGeneratedTexture()); });
}
