#pragma once
// A line or block of localised text: a string-table key with up to five
// parameters, laid out by a font into one texture whenever something that
// affects the layout changes (never per frame).

#include "engine/core/nE_Object.h"

#include <memory>
#include <string>

class nE_Font;
class nE_GeneratedTexture;

class nE_Text : public nE_Object
{
public:
    nE_Text();
    explicit nE_Text(const std::string& name);
    ~nE_Text() override;

    // The laid-out text block.
    std::shared_ptr<nE_Texture> GetTexture() override;
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    std::string GetTypeName() const override { return "text"; }
    // The laid-out block, centred on the object; all zero without one.
    nE_Rect GetLocalRect() override;
    // Without an explicit input rectangle, the block where it is drawn.
    bool HitTest(float x, float y, const nE_RenderState& state) override;
    // Rebuilds the block after the display device was lost.
    void Restore(bool recursive) override;
    void FindText(TiXmlElement* report, const std::string& text, bool recursive) override;
    void SetDefaults() override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    // Nothing happens when the text and all parameters are unchanged.
    virtual void SetText(const std::string& text, const std::string& p0 = std::string(),
                         const std::string& p1 = std::string(), const std::string& p2 = std::string(),
                         const std::string& p3 = std::string(), const std::string& p4 = std::string());
    std::string GetText() const { return m_text; }
    // Both always lay out again.
    virtual void SetFontSize(int size);
    int GetFontSize() const { return m_fontSize; }
    virtual void SetMaxWidth(int width);
    int GetMaxWidth() const { return m_maxWidth; }
    // Take effect at the next layout.
    bool GetDispRawText() const { return m_dispRawText; }
    void SetDispRawText(bool on) { m_dispRawText = on; }
    int GetAlign() const { return m_align; }
    void SetAlign(int align) { m_align = align; }
    const std::string& GetParam(int index) const;
    // Lays the text out again with the current font; nothing without a font.
    virtual void Relayout();

    std::shared_ptr<nE_Font> GetFont() const { return m_font; }
    // How many layouts ran since construction.
    int GetLayoutCount() const { return m_layoutCount; }

    static nE_Object* Create();

protected:
    std::string ShownText() const;
    // Left- and right-aligned blocks start or end at the object's x.
    nE_RenderState AlignedState(const nE_RenderState& state);

    std::shared_ptr<nE_Font> m_font;
    std::shared_ptr<nE_GeneratedTexture> m_texture;
    int m_fontSize = 20;
    int m_maxWidth = -1;
    bool m_dispRawText = false;
    int m_align = 1;
    std::string m_text;
    std::string m_params[5];
    int m_layoutCount = 0;
};

// Registers the "text" object type and the font resource kind it draws with.
void nE_RegisterTextType();
