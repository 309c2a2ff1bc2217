#pragma once
// Textures: images loaded from files, blank textures filled by the program, render targets.

#include "de50/de50_base.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace DE50
{

class TTexture
{
public:
    enum EType : uint32_t
    {
        kPlain = 0,        // pixels kept by the library, filled through Lock
        kRenderTarget = 1, // drawn into between BeginRenderTarget and EndRenderTarget
        kCoverage = 2,     // white, one byte of alpha per pixel kept (a quarter of a plain one to send)
    };

    // Loads a PNG or JPEG file; empty when it cannot be read.
    static std::shared_ptr<TTexture> Get(const str& path);
    // The size Get would give, read from the file's header without decoding;
    // false, with the same log line as Get, when the header already fails.
    static bool GetFileSize(const str& path, uint32_t* width, uint32_t* height);
    // A blank texture, transparent (a coverage one white, others black); empty for a zero size.
    // The flag is not used.
    static std::shared_ptr<TTexture> Create(uint32_t width, uint32_t height, bool managed, uint32_t type);

    ~TTexture();
    TTexture(const TTexture&) = delete;
    TTexture& operator=(const TTexture&) = delete;

    uint32_t GetWidth() const { return m_width; }
    uint32_t GetHeight() const { return m_height; }
    uint32_t GetType() const { return m_type; }
    const str& GetName() const { return m_name; }

    // Whether the colours are stored already multiplied by alpha, as a render target's are
    // (the renderer sets it when drawing into one begins). Such a texture is drawn with the
    // matching blends, so that every blend mode and draw alpha treat it as a plain image.
    bool IsPremultiplied() const { return m_premultiplied; }
    void SetPremultiplied(bool premultiplied) { m_premultiplied = premultiplied; }

    // Lends the pixels: 32-bit 0xAARRGGBB (bytes blue, green, red, alpha), rows top first,
    // pitch in pixels. Null when the pixels cannot be had (a render target without a window).
    // A coverage texture lends them made from its alpha and keeps only their alpha.
    uint32_t* Lock(uint32_t* pitch);
    // A coverage texture's own alpha bytes, rows top first, pitch in bytes; null for
    // another type. Taken back by Unlock.
    uint8_t* LockCoverage(uint32_t* pitch);
    // Takes the lent pixels back; changes show from the next draw on.
    void Unlock();
    // The same, when only rows [top, top + rows) were changed: a texture already on
    // the GPU then sends just those rows.
    void Unlock(uint32_t top, uint32_t rows);

    // Library side: the GL objects, made again from the kept pixels after a loss.
    uint32_t GlTexture();
    uint32_t GlFramebuffer();
    // Drops the GL objects (device loss); render-target contents are lost with them.
    void Lose();
    static void LoseAll();

private:
    TTexture(uint32_t width, uint32_t height, uint32_t type);
    // A plain texture holding the given width x height pixels.
    TTexture(uint32_t width, uint32_t height, std::vector<uint32_t>&& pixels);
    void Upload();
    void MakeFramebuffer();

    uint32_t m_width, m_height, m_type;
    str m_name;
    std::vector<uint32_t> m_pixels;  // plain textures; a render target or coverage only while locked
    std::vector<uint8_t> m_coverage; // coverage textures
    bool m_dirty = true;
    // Rows to send when the GPU copy has storage already; all after a loss.
    uint32_t m_dirtyTop = 0, m_dirtyBottom = 0;
    bool m_glStorage = false;
    bool m_locked = false;
    bool m_premultiplied = false;
    uint32_t m_glTexture = 0;
    uint32_t m_glFramebuffer = 0;
};

} // namespace DE50
