#pragma once
// A one-line text entry field ("textedit"): a text that edits itself at a
// caret from key and typed-character events, draws a blinking caret and runs
// a trigger call on Enter. There is no focus: every visible field the input
// walk reaches takes the keys. The text is UTF-8; the caret, the offsets and
// the character limit count code points.

#include "engine/scene/nE_Text.h"

#include <cstdint>
#include <string>
#include <vector>

class nG_TextEdit : public nE_Text
{
public:
    nG_TextEdit();
    explicit nG_TextEdit(const std::string& name);
    ~nG_TextEdit() override;
    static nE_Object* Create() { return new nG_TextEdit(); }

    std::string GetTypeName() const override { return "textedit"; }
    void Load(nE_SLHelper& sl) override;
    void Save(nE_SLHelper& sl) override;
    void SetDefaults() override;
    void LoadResources() override;
    void ReleaseResources() override;
    void Update(const nE_TimeStep* step) override;
    bool HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state) override;
    void Draw(nE_Render* render, const nE_RenderState& state) override;

    // Cuts the text to the character limit, lays it out and puts the caret at its end.
    void SetText(const std::string& text, const std::string& p0 = std::string(),
                 const std::string& p1 = std::string(), const std::string& p2 = std::string(),
                 const std::string& p3 = std::string(), const std::string& p4 = std::string()) override;
    // Lays the text out and measures the offsets again.
    void Relayout() override;
    virtual void UpdateCaretPos();
    virtual void ClearText();

    // For each character, the x of its right edge from the text's left edge.
    const std::vector<float>& GetOffsets() const { return m_offsets; }
    int GetCaret() const { return m_caret; }
    size_t GetLength() const { return m_starts.size(); }
    float GetCaretX() const { return m_caretX; }
    float GetCaretAlpha() const { return m_caretAlpha; }

    uint32_t maxChars = 40;
    bool clearOnFirstInput = false;
    bool clearedOnFirstInput = false;
    bool onlyLettersAndNumbers = true;
    bool onlyCapitalLetters = false;
    std::string enterTrigger;

private:
    bool HandleKey(uint32_t key);
    bool HandleCharacter(uint32_t c);
    void ClearOnFirstInput();
    // Byte starts of the code points and the offsets, from the current text.
    void Rebuild();
    void Edit(const std::string& text);
    float Scale() const { return m_fontSize / 20.0f; }

    std::vector<float> m_offsets;
    std::vector<size_t> m_starts;
    float m_caretX = 0.0f, m_caretY = 0.0f;
    int m_caret = 0;
    float m_blinkTime = 0.0f;
    float m_caretAlpha = 0.0f;
};

// Where each code point of UTF-8 text starts, read as the fonts read it: a
// stray byte is a character of its own, a sequence cut short ends the text.
std::vector<size_t> nG_Utf8Starts(const std::string& text);
// The code point as UTF-8; empty for a surrogate or a value past U+10FFFF.
std::string nG_EncodeUtf8(uint32_t c);

// Registers the "textedit" object kind.
void nG_RegisterTextEditType();
