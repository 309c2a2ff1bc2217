#include "de50/de50_texture.h"

#include "de50/de50_image.h"
#include "de50/de50_internal.h"
#include "de50/de50_renderer.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>

namespace DE50
{

// Every live texture, so that a device loss reaches all of them.
static std::unordered_set<TTexture*>& Registry()
{
    static std::unordered_set<TTexture*> textures;
    return textures;
}

TTexture::TTexture(uint32_t width, uint32_t height, uint32_t type)
    : m_width(width), m_height(height), m_type(type)
{
    if (m_type == kCoverage)
        m_coverage.assign(size_t(width) * height, 0);
    else if (m_type != kRenderTarget)
        m_pixels.assign(size_t(width) * height, 0u);
    Registry().insert(this);
}

TTexture::TTexture(uint32_t width, uint32_t height, std::vector<uint32_t>&& pixels)
    : m_width(width), m_height(height), m_type(kPlain), m_pixels(std::move(pixels))
{
    Registry().insert(this);
}

TTexture::~TTexture()
{
    Lose();
    Registry().erase(this);
}

// Whether the file is a grey PNG (any bit depth) with a transparent grey value (tRNS).
static bool IsKeyedGreyPng(const str& path)
{
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file) return false;
    // The signature, then the header chunk: length 13, "IHDR", its data, its checksum.
    uint8_t head[33];
    bool keyed = false;
    const bool grey = SDL_RWread(file, head, 1, 33) == 33 &&
                      std::memcmp(head, "\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR", 16) == 0 && head[25] == 0;
    // The chunks before the image data: length, type, data, checksum.
    while (grey && !keyed && SDL_RWread(file, head, 1, 8) == 8 && std::memcmp(head + 4, "IDAT", 4) != 0)
    {
        keyed = std::memcmp(head + 4, "tRNS", 4) == 0;
        const Sint64 length = Sint64(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3];
        if (SDL_RWseek(file, length + 4, RW_SEEK_CUR) < 0) break;
    }
    SDL_RWclose(file);
    return grey && keyed;
}

// SDL_image hands such a PNG back as grey and alpha byte pairs in a 16-bit surface that
// claims to be RGB565, so it draws in false colours: read the pairs as they are.
static SDL_Surface* MendKeyedGrey(const str& path, SDL_Surface* loaded)
{
    if (loaded->format->BytesPerPixel != 2 || !IsKeyedGreyPng(path)) return loaded;
    SDL_Surface* argb = SDL_CreateRGBSurfaceWithFormat(0, loaded->w, loaded->h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (argb)
    {
        SDL_LockSurface(loaded);
        for (int y = 0; y < loaded->h; ++y)
        {
            const uint8_t* in =
                static_cast<const uint8_t*>(loaded->pixels) + size_t(y) * size_t(loaded->pitch);
            uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(argb->pixels) +
                                                        size_t(y) * size_t(argb->pitch));
            for (int x = 0; x < loaded->w; ++x, in += 2)
                out[x] = uint32_t(in[1]) << 24 | uint32_t(in[0]) * 0x010101u;
        }
        SDL_UnlockSurface(loaded);
    }
    SDL_FreeSurface(loaded);
    return argb;
}

// A decoded image whose pixels are already plain 32-bit colour, which the rows
// below take as they are: no converted copy of the whole picture on the way.
static bool IsPlainColour(SDL_Surface* s)
{
    const Uint32 format = s->format->format;
    return (format == SDL_PIXELFORMAT_RGBA32 || format == SDL_PIXELFORMAT_ARGB8888) && !SDL_HasColorKey(s);
}

// Rows as 0xAARRGGBB words; RGBA32 (bytes red, green, blue, alpha) is reordered.
static void CopyRows(SDL_Surface* from, uint32_t* to)
{
    const bool rgba = from->format->format == SDL_PIXELFORMAT_RGBA32;
    SDL_LockSurface(from);
    for (int y = 0; y < from->h; ++y, to += from->w)
    {
        const uint8_t* row = static_cast<const uint8_t*>(from->pixels) + size_t(y) * size_t(from->pitch);
        if (!rgba)
        {
            std::memcpy(to, row, size_t(from->w) * 4);
            continue;
        }
        for (int x = 0; x < from->w; ++x, row += 4)
            to[x] = uint32_t(row[3]) << 24 | uint32_t(row[0]) << 16 | uint32_t(row[1]) << 8 | row[2];
    }
    SDL_UnlockSurface(from);
}

std::shared_ptr<TTexture> TTexture::Get(const str& path)
{
    std::string why;
    SDL_Surface* loaded = nullptr;
    if (SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb"))
    {
        // The usual RGBA PNG decodes straight into the texture's pixels.
        std::vector<uint32_t> pixels;
        uint32_t w = 0, h = 0;
        loaded = Internal::DecodeImage(rw, pixels, w, h, why);
        SDL_RWclose(rw);
        if (!pixels.empty())
        {
            if (!why.empty())
                WriteDbg("Warning: image \"%s\" is damaged: %s; it shows what could be decoded", path.c_str(),
                         why.c_str());
            std::shared_ptr<TTexture> texture(new TTexture(w, h, std::move(pixels)));
            texture->m_name = path;
            return texture;
        }
    }
    else
        why = SDL_GetError();
    if (loaded) loaded = MendKeyedGrey(path, loaded);
    if (!loaded)
    {
        WriteDbg("Error: image \"%s\" could not be read: %s", path.c_str(), why.c_str());
        return nullptr;
    }
    SDL_Surface* argb =
        IsPlainColour(loaded) ? loaded : SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    if (argb != loaded) SDL_FreeSurface(loaded);
    if (!argb || argb->w <= 0 || argb->h <= 0)
    {
        WriteDbg("Error: image \"%s\" could not be converted", path.c_str());
        SDL_FreeSurface(argb);
        return nullptr;
    }
    std::shared_ptr<TTexture> texture;
    try
    {
        texture.reset(new TTexture(uint32_t(argb->w), uint32_t(argb->h), kPlain));
        texture->m_name = path;
        CopyRows(argb, texture->m_pixels.data());
    }
    catch (const std::bad_alloc&)
    {
        WriteDbg("Error: image \"%s\" could not be read: out of memory", path.c_str());
    }
    SDL_FreeSurface(argb);
    return texture;
}

bool TTexture::GetFileSize(const str& path, uint32_t* width, uint32_t* height)
{
    std::string why;
    uint32_t w = 0, h = 0;
    const bool ok = Internal::ReadImageFileSize(path, w, h, why);
    if (!ok) WriteDbg("Error: image \"%s\" could not be read: %s", path.c_str(), why.c_str());
    if (width) *width = w;
    if (height) *height = h;
    return ok;
}

std::shared_ptr<TTexture> TTexture::Create(uint32_t width, uint32_t height, bool, uint32_t type)
{
    const uint32_t kMaxSide = 16384;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
    {
        if (width || height) WriteDbg("Warning: texture size %ux%u refused", width, height);
        return nullptr;
    }
    if (type != kRenderTarget && type != kCoverage) type = kPlain;
    return std::shared_ptr<TTexture>(new TTexture(width, height, type));
}

uint32_t* TTexture::Lock(uint32_t* pitch)
{
    if (m_locked) return nullptr;
    // Draws already queued must see the pixels as they were.
    TRenderer::GetInstance()->Flush();
    if (m_type == kRenderTarget)
    {
        if (!Internal::HasGlContext()) return nullptr;
        m_pixels.assign(size_t(m_width) * m_height, 0u);
        glBindTexture(GL_TEXTURE_2D, GlTexture());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, m_pixels.data());
    }
    else if (m_type == kCoverage)
    {
        m_pixels.resize(m_coverage.size());
        for (size_t i = 0; i < m_coverage.size(); ++i)
            m_pixels[i] = uint32_t(m_coverage[i]) << 24 | 0x00FFFFFFu;
    }
    m_locked = true;
    if (pitch) *pitch = m_width;
    return m_pixels.data();
}

uint8_t* TTexture::LockCoverage(uint32_t* pitch)
{
    if (m_locked || m_type != kCoverage) return nullptr;
    TRenderer::GetInstance()->Flush();
    m_locked = true;
    if (pitch) *pitch = m_width;
    return m_coverage.data();
}

void TTexture::Unlock()
{
    Unlock(0, m_height);
}

void TTexture::Unlock(uint32_t top, uint32_t rows)
{
    if (!m_locked) return;
    m_locked = false;
    top = std::min(top, m_height);
    const uint32_t bottom = top + std::min(rows, m_height - top);
    if (!m_dirty)
    {
        m_dirtyTop = top;
        m_dirtyBottom = bottom;
    }
    else if (top < bottom)
    {
        m_dirtyTop = std::min(m_dirtyTop, top);
        m_dirtyBottom = std::max(m_dirtyBottom, bottom);
    }
    m_dirty = true;
    if (m_type == kCoverage && !m_pixels.empty())
    {
        for (size_t i = 0; i < m_coverage.size(); ++i)
            m_coverage[i] = uint8_t(m_pixels[i] >> 24);
        m_pixels.clear();
        m_pixels.shrink_to_fit();
    }
    if (m_type == kRenderTarget)
    {
        if (Internal::HasGlContext()) Upload();
        m_pixels.clear();
        m_pixels.shrink_to_fit();
    }
}

void TTexture::Upload()
{
    if (!m_glTexture) return;
    glBindTexture(GL_TEXTURE_2D, m_glTexture);
    const bool coverage = m_type == kCoverage;
    glPixelStorei(GL_UNPACK_ALIGNMENT, coverage ? 1 : 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const size_t pixelBytes = coverage ? 1 : 4;
    const uint8_t* bytes = coverage ? m_coverage.data() : reinterpret_cast<const uint8_t*>(m_pixels.data());
    const void* data = (coverage ? m_coverage.empty() : m_pixels.empty()) ? nullptr : bytes;
    const GLenum format = coverage ? GL_RED : GL_BGRA;
    // Storage is made once; later changes go in place, as only the changed rows.
    // The unsized internal format lets the driver store the rows as they come
    // (BGRA), so an upload is a copy rather than a per-pixel swizzle.
    if (!m_glStorage || !data)
    {
        glTexImage2D(GL_TEXTURE_2D, 0, coverage ? GL_R8 : GL_RGBA, GLsizei(m_width), GLsizei(m_height), 0,
                     format, GL_UNSIGNED_BYTE, data);
        // Sampled as white with the byte for alpha, as a plain texture of such pixels is.
        const GLint white[4] = {GL_ONE, GL_ONE, GL_ONE, GL_RED};
        if (coverage) glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, white);
    }
    else if (m_dirtyTop < m_dirtyBottom)
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, GLint(m_dirtyTop), GLsizei(m_width),
                        GLsizei(m_dirtyBottom - m_dirtyTop), format, GL_UNSIGNED_BYTE,
                        bytes + size_t(m_dirtyTop) * m_width * pixelBytes);
    m_glStorage = true;
    m_dirty = false;
    m_dirtyTop = m_dirtyBottom = 0;
}

uint32_t TTexture::GlTexture()
{
    if (!Internal::HasGlContext()) return 0;
    if (!m_glTexture)
    {
        GLuint id = 0;
        glGenTextures(1, &id);
        m_glTexture = id;
        m_glStorage = false;
        m_dirty = true;
    }
    if (m_dirty && !m_locked) Upload();
    if (m_type == kRenderTarget && !m_glFramebuffer) MakeFramebuffer();
    return m_glTexture;
}

uint32_t TTexture::GlFramebuffer()
{
    if (m_type != kRenderTarget) return 0;
    GlTexture();
    return m_glFramebuffer;
}

void TTexture::MakeFramebuffer()
{
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_glTexture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
    {
        // A fresh (or restored) target starts transparent, never with stale memory.
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        m_glFramebuffer = fbo;
    }
    else
    {
        WriteDbg("Error: render target %ux%u could not be made", m_width, m_height);
        glDeleteFramebuffers(1, &fbo);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
}

void TTexture::Lose()
{
    if (Internal::HasGlContext())
    {
        GLuint fbo = m_glFramebuffer, tex = m_glTexture;
        if (fbo) glDeleteFramebuffers(1, &fbo);
        if (tex) glDeleteTextures(1, &tex);
    }
    m_glFramebuffer = 0;
    m_glTexture = 0;
    m_glStorage = false;
    m_dirty = true;
}

void TTexture::LoseAll()
{
    for (TTexture* texture : Registry())
        texture->Lose();
}

} // namespace DE50
