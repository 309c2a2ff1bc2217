#include "engine/platform/nE_Texture.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Xml.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
const int kMaxMaskSide = 32767;

int Truncate(float v)
{
    // Far outside any mask; keeps the conversion defined.
    if (!(v > -1e9f && v < 1e9f)) return v > 0 ? kMaxMaskSide + 1 : -1;
    return int(v);
}

// A frame's number; a value that is no number reads as 0, as it always has, with a word.
float FrameNumber(const TiXmlElement* element, const char* name, nE_FileIssues& issues)
{
    int value = 0;
    if (nE_XmlReadInt(element, name, value) == nE_XmlNumber::Bad)
        issues.Add(nE_XmlBadNumber(element, name) + "; it reads as 0");
    return float(value);
}

// A frame must cut its pixels out of its picture; one whose picture is
// missing (already named, and 1 by 1) is not measured.
void CheckFrameFits(const nE_TextureFrame& f, int index, const std::string& texture, nE_FileIssues& issues)
{
    const float w = f.texture ? f.texture->GetTextureWidth() : 0.0f;
    const float h = f.texture ? f.texture->GetTextureHeight() : 0.0f;
    if (w <= 1.0f && h <= 1.0f) return;
    if (f.widht >= 0 && f.height >= 0 && f.left >= 0 && f.top >= 0 && f.left + f.widht <= w &&
        f.top + f.height <= h)
        return;
    char line[256];
    std::snprintf(line, sizeof line,
                  "frame %d (%g x %g at %g, %g) does not lie inside its picture \"%s\" (%g x %g)", index,
                  f.widht, f.height, f.left, f.top, texture.c_str(), w, h);
    issues.Add(line);
}
} // namespace

// --- nE_HitMask ------------------------------------------------------------

void nE_HitMask::Reset(int w, int h)
{
    bits.clear();
    width = height = 0;
    if (w <= 0 || h <= 0 || w > kMaxMaskSide || h > kMaxMaskSide) return;
    width = uint16_t(w);
    height = uint16_t(h);
    bits.assign(size_t((w + 31) / 32) * size_t(h), 0u);
}

bool nE_HitMask::Get(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || bits.empty()) return false;
    return (bits[size_t(x / 32) * height + size_t(y)] >> (x % 32)) & 1u;
}

void nE_HitMask::Set(int x, int y, bool on)
{
    if (x < 0 || y < 0 || x >= width || y >= height || bits.empty()) return;
    uint32_t& word = bits[size_t(x / 32) * height + size_t(y)];
    const uint32_t bit = 1u << (x % 32);
    word = on ? (word | bit) : (word & ~bit);
}

void nE_HitMask::Fill()
{
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            Set(x, y, true);
}

// --- nE_Texture ------------------------------------------------------------

nE_Rect nE_Texture::GetFrameRect(int) const
{
    return nE_Rect(-m_width / 2, -m_height / 2, m_width, m_height);
}

nE_Rect nE_Texture::GetTexCoordRect(const nE_RenderState& state) const
{
    return nE_Rect(0, 0, state.tileX * m_width / m_texWidth, state.tileY * m_height / m_texHeight);
}

bool nE_Texture::ToLocal(float x, float y, const nE_RenderState& state, const nE_Rect& frame, float& lx,
                         float& ly)
{
    nE_Matrix m;
    nE_Matrix::Translate(m, state.offsetX, state.offsetY);
    nE_Matrix::MultiplyAssign(m, state.matrix);
    if (!nE_PointInTransformedRect(frame, x, y, &m)) return false;
    nE_Matrix inverse;
    nE_Matrix::Inverse(inverse, m);
    nE_Vec3 local;
    nE_Matrix::TransformPoint(local, nE_Vec3(x, y, 0), inverse);
    lx = local.x;
    ly = local.y;
    return true;
}

bool nE_Texture::HitTest(float x, float y, const nE_RenderState& state) const
{
    const nE_Rect frame = GetFrameRect(state.frame);
    float lx = 0, ly = 0;
    if (!ToLocal(x, y, state, frame, lx, ly)) return false;
    const nE_HitMask& mask = GetHitMask();
    if (mask.Empty()) return true;
    // The rectangle test lets the far edges through; they count as the last pixel.
    const int px = std::clamp(Truncate(lx - frame.x), 0, mask.width - 1);
    const int py = std::clamp(Truncate(ly - frame.y), 0, mask.height - 1);
    return mask.Get(px, py);
}

// --- nE_FrameTexture -------------------------------------------------------

const nE_TextureFrame* nE_FrameTexture::GetFrame(int frame) const
{
    if (frame < 0 || size_t(frame) >= m_frames.size()) return nullptr;
    return &m_frames[size_t(frame)];
}

bool nE_FrameTexture::Load(const std::string& name)
{
    m_name = name;
    m_frames.clear();
    const std::string path = nE_MakePath(name, ".xml");
    if (!nE_FileExists(path))
    {
        nE_LogFmt("Error: frametexture could not find \"%s\" file!", name);
        return false;
    }
    TiXmlDocument doc;
    nE_XmlResult result = nE_XmlLoadFile(doc, path);
    if (result != nE_XmlResult::Ok)
    {
        if (result == nE_XmlResult::Missing)
            nE_LogFmt("Error: frametexture could not find \"%s\" file!", name);
        if (result == nE_XmlResult::Malformed)
            nE_LogFmt2("Error: frametexture \"%s\" could not be parsed: %s", name, doc.ErrorDesc());
        return false;
    }
    const TiXmlElement* root = doc.FirstChildElement("frametexture");
    if (!root)
    {
        nE_LogFmt("Error: frametexture \"%s\" has no frametexture element!", name);
        return false;
    }
    const std::string directory = nE_PathDirectory(name);
    nE_FileIssues issues("Warning: frametexture \"" + name + "\"");
    const std::string stray = nE_XmlStrayText(root);
    if (!stray.empty()) issues.Add("it holds " + stray + "; it is ignored");
    for (const TiXmlElement* e = root->FirstChildElement("frame"); e; e = e->NextSiblingElement("frame"))
    {
        nE_TextureFrame frame;
        frame.height = FrameNumber(e, "height", issues);
        frame.widht = FrameNumber(e, "widht", issues);
        frame.left = FrameNumber(e, "left", issues);
        frame.top = FrameNumber(e, "top", issues);
        frame.x = FrameNumber(e, "x", issues);
        frame.y = FrameNumber(e, "y", issues);
        const char* texture = e->Attribute("texture");
        if (!texture || !*texture)
            nE_LogFmt2("Warning: frametexture \"%s\" frame %d has no texture!", name, int(m_frames.size()));
        else if (g_resourceCache)
        {
            frame.texture =
                std::dynamic_pointer_cast<nE_Texture>(g_resourceCache->GetTexture(directory + texture));
            CheckFrameFits(frame, int(m_frames.size()), directory + texture, issues);
        }
        m_frames.push_back(frame);
    }
    issues.Log();
    return true;
}

nE_Rect nE_FrameTexture::GetFrameRect(int frame) const
{
    const nE_TextureFrame* f = GetFrame(frame);
    if (!f) return nE_Rect();
    return nE_Rect(-f->x, -f->y, f->widht, f->height);
}

nE_Rect nE_FrameTexture::GetTexCoordRect(const nE_RenderState& state) const
{
    const nE_TextureFrame* f = GetFrame(state.frame);
    if (!f || !f->texture) return nE_Rect();
    const float w = f->texture->GetTextureWidth();
    const float h = f->texture->GetTextureHeight();
    return nE_Rect(f->left / w, f->top / h, f->widht / w, f->height / h);
}

bool nE_FrameTexture::HitTest(float x, float y, const nE_RenderState& state) const
{
    const nE_TextureFrame* f = GetFrame(state.frame);
    if (!f || !f->texture) return false;
    float lx = 0, ly = 0;
    if (!ToLocal(x, y, state, GetFrameRect(state.frame), lx, ly)) return false;
    // A point on the frame's far edge belongs to the frame's last pixel, not its neighbour's.
    const int px = std::min(Truncate(f->x + lx), Truncate(f->widht) - 1);
    const int py = std::min(Truncate(f->y + ly), Truncate(f->height) - 1);
    if (px < 0 || py < 0) return false;
    // A missing image (empty mask) reads no pixels and is not hit.
    return f->texture->GetHitMask().Get(Truncate(f->left) + px, Truncate(f->top) + py);
}
