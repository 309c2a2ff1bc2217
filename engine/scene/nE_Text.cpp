#include "engine/scene/nE_Text.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_StringTable.h"
#include "engine/platform/nE_Texture.h"
#include "engine/scene/nE_Font.h"

#include <tinyxml.h>

namespace
{
const char* const kParamNames[5] = {"param0", "param1", "param2", "param3", "param4"};
}

nE_Text::nE_Text() = default;

nE_Text::nE_Text(const std::string& name) : nE_Object(name) {}

nE_Text::~nE_Text()
{
    // The base destructor cannot reach this class's release any more.
    ReleaseResources();
}

nE_Object* nE_Text::Create()
{
    return new nE_Text();
}

void nE_RegisterTextType()
{
    nE_RegisterObjectType("text", nE_Text::Create);
    nE_RegisterFontCreator();
}

std::shared_ptr<nE_Texture> nE_Text::GetTexture()
{
    return m_texture;
}

const std::string& nE_Text::GetParam(int index) const
{
    static const std::string none;
    return index >= 0 && index < 5 ? m_params[index] : none;
}

void nE_Text::Load(nE_SLHelper& sl)
{
    nE_Object::Load(sl);
    const bool fontNamed = sl.ReadString("res", m_resourceName);
    bool changed = sl.ReadBool("disprawtext", m_dispRawText);
    changed |= sl.ReadInt("fontsize", m_fontSize);
    changed |= sl.ReadInt("maxwidth", m_maxWidth);
    changed |= sl.ReadInt("align", m_align);
    changed |= sl.ReadString("text", m_text);
    for (int i = 0; i < 5; ++i)
        changed |= sl.ReadString(kParamNames[i], m_params[i]);
    // Every property is in place before the one layout that follows.
    if (fontNamed && m_resourcesLoaded)
    {
        ReleaseResources();
        LoadResources();
    }
    else if (changed)
        Relayout();
}

void nE_Text::Save(nE_SLHelper& sl)
{
    nE_Object::Save(sl);
    sl.WriteString("res", m_resourceName);
    sl.WriteString("text", m_text);
    for (int i = 0; i < 5; ++i)
        sl.WriteString(kParamNames[i], m_params[i]);
    sl.WriteBool("disprawtext", m_dispRawText);
    sl.WriteInt("fontsize", m_fontSize);
    sl.WriteInt("maxwidth", m_maxWidth);
    sl.WriteInt("align", m_align);
}

nE_Rect nE_Text::GetLocalRect()
{
    if (!m_texture) return nE_Rect();
    return m_texture->GetFrameRect(m_state.frame);
}

void nE_Text::Restore(bool recursive)
{
    nE_Object::Restore(recursive);
    Relayout();
}

void nE_Text::FindText(TiXmlElement* report, const std::string& text, bool recursive)
{
    nE_Object::FindText(report, text, recursive);
    if (!report || m_text.find(text) == std::string::npos) return;
    TiXmlElement hit(m_name.c_str());
    hit.SetAttribute("place", "misc");
    report->InsertEndChild(hit);
}

void nE_Text::SetDefaults()
{
    m_fontSize = 20;
    m_maxWidth = -1;
    m_dispRawText = false;
    m_align = 1;
}

void nE_Text::LoadResources()
{
    m_font.reset();
    // The cache may hand back another kind under the same name; only a font will do.
    if (g_resourceCache)
        m_font = std::dynamic_pointer_cast<nE_Font>(g_resourceCache->GetFont(m_resourceName));
    if (m_font) Relayout();
    // A font that fails to load names itself; a font never named would pass without a word.
    if (m_resourceName.empty())
        nE_WarnOnce("textfont:" + m_name, "Warning: text object \"" + m_name +
                                              "\" has no font (\"res\" is empty); it draws nothing");
}

void nE_Text::ReleaseResources()
{
    m_font.reset();
    m_texture.reset();
}

nE_RenderState nE_Text::AlignedState(const nE_RenderState& state)
{
    nE_RenderState shifted = state;
    const float half = GetLocalRect().w / 2.0f;
    if (m_align == 0)
        shifted.offsetX += half;
    else if (m_align == 2)
        shifted.offsetX -= half;
    return shifted;
}

bool nE_Text::HitTest(float x, float y, const nE_RenderState& state)
{
    // The rectangle that follows the block moves with it; one that content set stays put.
    if (m_inputRectOn) return nE_Object::HitTest(x, y, state);
    return nE_Object::HitTest(x, y, AlignedState(state));
}

void nE_Text::Draw(nE_Render* render, const nE_RenderState& state)
{
    if (render && m_texture) render->DrawTexture(m_texture, AlignedState(state));
}

void nE_Text::SetText(const std::string& text, const std::string& p0, const std::string& p1,
                      const std::string& p2, const std::string& p3, const std::string& p4)
{
    const std::string* given[5] = {&p0, &p1, &p2, &p3, &p4};
    bool same = text == m_text;
    for (int i = 0; i < 5 && same; ++i)
        same = *given[i] == m_params[i];
    if (same) return;
    m_text = text;
    for (int i = 0; i < 5; ++i)
        m_params[i] = *given[i];
    Relayout();
}

void nE_Text::SetFontSize(int size)
{
    m_fontSize = size;
    Relayout();
}

void nE_Text::SetMaxWidth(int width)
{
    m_maxWidth = width;
    Relayout();
}

std::string nE_Text::ShownText() const
{
    // No key yet is no text, not a missing one.
    if (!g_stringTable || m_dispRawText || m_text.empty()) return m_text;
    return g_stringTable->GetText(m_text, m_params[0], m_params[1], m_params[2], m_params[3], m_params[4]);
}

void nE_Text::Relayout()
{
    if (!m_font) return;
    // A block nobody else holds is drawn over: a text that changes every
    // frame then keeps one texture rather than making and dropping one each time.
    std::shared_ptr<nE_GeneratedTexture> reuse = std::move(m_texture);
    if (reuse.use_count() != 1) reuse.reset();
    ++m_layoutCount;
    std::string why;
    m_texture = m_font->DrawText(ShownText(), m_maxWidth, m_fontSize, m_align, &why, std::move(reuse));
    if (!why.empty())
        nE_Log("Warning: text object \"" + m_name + "\" draws nothing: " + why + " (font " +
               m_font->GetName() + ")");
    if (m_texture && !m_inputRectOn) m_inputRect = m_texture->GetFrameRect(m_state.frame);
}
