#include "game/interface/nG_TextEdit.h"

#include "engine/core/nE_EngineContext.h"
#include "engine/core/nE_ObjectTypeRegistry.h"
#include "engine/core/nE_Properties.h"
#include "engine/core/nE_Render.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_TriggerManager.h"
#include "engine/scene/nE_Font.h"

#include <algorithm>
#include <cmath>
#include <locale.h>
#include <wctype.h>

namespace
{
// The field's own properties, after the text's, in the order Load reads and
// Save writes them.
const nE_PropertyTable<nG_TextEdit>& FieldProperties()
{
    using P = nE_Property<nG_TextEdit>;
    static const nE_PropertyTable<nG_TextEdit> table = {
        P("maxchars", NE_PROPERTY_AT(maxChars)).Reset(40u),
        P("clearonfirstinput", NE_PROPERTY_AT(clearOnFirstInput)).Reset(false),
        P("clearedonfirstinput", NE_PROPERTY_AT(clearedOnFirstInput)).Reset(false),
        P("trg_enter", NE_PROPERTY_AT(enterTrigger)).Reset(""),
        P("only_letters_and_numbers", NE_PROPERTY_AT(onlyLettersAndNumbers)).Reset(true),
        P("only_capital_letters", NE_PROPERTY_AT(onlyCapitalLetters)).Reset(false),
    };
    return table;
}

const uint32_t kKeyEnter = 13, kKeyBackspace = 8;
const uint32_t kKeyLeft = static_cast<uint32_t>(-126), kKeyRight = static_cast<uint32_t>(-125);

// Letters of every script count as letters; glibc's C.UTF-8 classifies them.
// Without it only ASCII letters and digits are known.
locale_t UnicodeLocale()
{
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

bool IsLetterOrDigit(uint32_t c)
{
    if (c < 128) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    locale_t locale = UnicodeLocale();
    return locale && iswalnum_l(static_cast<wint_t>(c), locale);
}

uint32_t ToUpper(uint32_t c)
{
    if (c < 128) return c >= 'a' && c <= 'z' ? c - 32 : c;
    locale_t locale = UnicodeLocale();
    return locale ? static_cast<uint32_t>(towupper_l(static_cast<wint_t>(c), locale)) : c;
}

// Control characters (C0, DEL, C1) are never typed into a line.
bool IsPrintable(uint32_t c)
{
    return c >= 32 && c != 127 && !(c >= 0x80 && c < 0xA0);
}
} // namespace

std::vector<size_t> nG_Utf8Starts(const std::string& text)
{
    std::vector<size_t> starts;
    size_t i = 0;
    while (i < text.size())
    {
        starts.push_back(i);
        const unsigned char b = static_cast<unsigned char>(text[i++]);
        size_t more = (b >> 3) == 30 ? 3 : (b >> 4) == 14 ? 2 : (b >> 5) == 6 ? 1 : 0;
        i += std::min(more, text.size() - i);
    }
    return starts;
}

std::string nG_EncodeUtf8(uint32_t c)
{
    std::string out;
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        if (c >= 0xD800 && c < 0xE000) return out;
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x110000)
    {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

nG_TextEdit::nG_TextEdit()
{
    nG_TextEdit::SetDefaults();
}

nG_TextEdit::nG_TextEdit(const std::string& name) : nE_Text(name)
{
    nG_TextEdit::SetDefaults();
}

nG_TextEdit::~nG_TextEdit() = default;

void nG_TextEdit::SetDefaults()
{
    nE_Text::SetDefaults();
    nE_ResetProperties(FieldProperties(), *this);
    m_blinkTime = m_caretAlpha = 0.0f;
    SetDispRawText(true);
    Rebuild();
    UpdateCaretPos();
}

void nG_TextEdit::Load(nE_SLHelper& sl)
{
    nE_Text::Load(sl);
    nE_LoadProperties(sl, FieldProperties(), *this);
    // The text read may be longer than the limit read after it.
    SetText(std::string(m_text), m_params[0], m_params[1], m_params[2], m_params[3], m_params[4]);
}

void nG_TextEdit::Save(nE_SLHelper& sl)
{
    nE_Text::Save(sl);
    nE_SaveProperties(sl, FieldProperties(), *this);
}

void nG_TextEdit::LoadResources()
{
    nE_Text::LoadResources(); // a font lays the text out again, offsets included
    m_caret = static_cast<int>(m_starts.size());
    UpdateCaretPos();
    if (clearOnFirstInput) clearedOnFirstInput = false;
}

void nG_TextEdit::ReleaseResources()
{
    nE_Text::ReleaseResources();
    Rebuild();
    UpdateCaretPos();
}

void nG_TextEdit::SetText(const std::string& text, const std::string& p0, const std::string& p1,
                          const std::string& p2, const std::string& p3, const std::string& p4)
{
    const std::string* given[5] = {&p0, &p1, &p2, &p3, &p4};
    for (int i = 0; i < 5; ++i)
        m_params[i] = *given[i];
    std::vector<size_t> starts = nG_Utf8Starts(text);
    Edit(starts.size() > maxChars ? text.substr(0, starts[maxChars]) : text);
    m_caret = static_cast<int>(m_starts.size());
    UpdateCaretPos();
}

void nG_TextEdit::Edit(const std::string& text)
{
    m_text = text;
    Relayout();
}

// Whatever changes the layout (size, width, font) changes the offsets too.
void nG_TextEdit::Relayout()
{
    nE_Text::Relayout();
    Rebuild();
    UpdateCaretPos();
}

void nG_TextEdit::Rebuild()
{
    m_starts = nG_Utf8Starts(m_text);
    m_offsets.clear();
    const float inset = 11.0f * Scale();
    for (size_t n = 1; n <= m_starts.size(); ++n)
    {
        int width = 0, height = 0;
        const size_t end = n < m_starts.size() ? m_starts[n] : m_text.size();
        if (m_font && !m_font->MeasureBlock(m_text.substr(0, end), m_maxWidth, m_fontSize, width, height))
            width = 0;
        m_offsets.push_back(static_cast<float>(width) - inset);
    }
}

void nG_TextEdit::ClearText()
{
    Edit(std::string());
    m_caret = 0;
    UpdateCaretPos();
}

void nG_TextEdit::UpdateCaretPos()
{
    m_caret = std::max(0, std::min(m_caret, static_cast<int>(m_starts.size())));
    const nE_Rect r = GetLocalRect();
    const float s = Scale();
    m_caretX = m_caret > 0 ? r.x + m_offsets[size_t(m_caret) - 1] + 6.0f * s : r.x + 5.0f * s;
    m_caretY = r.y;
    if (m_align == 0)
        m_caretX += r.w / 2.0f;
    else if (m_align == 2)
        m_caretX -= r.w / 2.0f;
}

void nG_TextEdit::Update(const nE_TimeStep* step)
{
    nE_Text::Update(step);
    m_blinkTime += step ? step->step : 0.0f;
    // Shown for the first half second after each move or edit, then blinking once a second.
    m_caretAlpha = std::fmod(std::floor(2.0f * m_blinkTime + 1.0f), 2.0f);
}

void nG_TextEdit::ClearOnFirstInput()
{
    if (!clearOnFirstInput || clearedOnFirstInput) return;
    ClearText();
    clearedOnFirstInput = true;
}

bool nG_TextEdit::HandleKey(uint32_t key)
{
    switch (key)
    {
    case kKeyEnter:
        if (!enterTrigger.empty() && g_triggerManager) g_triggerManager->Post(m_name, enterTrigger);
        return true;
    case kKeyLeft:
    case kKeyRight:
        m_caret += key == kKeyLeft ? -1 : 1;
        m_blinkTime = 0.0f;
        return true;
    case kKeyBackspace:
    {
        if (m_starts.empty() || m_caret <= 0) return false;
        const size_t caret = std::min(size_t(m_caret), m_starts.size());
        const size_t from = m_starts[caret - 1];
        const size_t to = caret < m_starts.size() ? m_starts[caret] : m_text.size();
        m_caret = static_cast<int>(caret) - 1;
        Edit(std::string(m_text).erase(from, to - from));
        m_blinkTime = 0.0f;
        ClearOnFirstInput();
        return true;
    }
    default:
        return false;
    }
}

bool nG_TextEdit::HandleCharacter(uint32_t c)
{
    if (!IsPrintable(c) || (onlyLettersAndNumbers && !IsLetterOrDigit(c))) return false;
    const std::string typed = nG_EncodeUtf8(onlyCapitalLetters ? ToUpper(c) : c);
    if (typed.empty()) return false;
    ClearOnFirstInput();
    if (m_starts.size() >= maxChars) return false;
    const size_t caret = std::min(size_t(std::max(m_caret, 0)), m_starts.size());
    const size_t at = caret < m_starts.size() ? m_starts[caret] : m_text.size();
    Edit(std::string(m_text).insert(at, typed));
    m_blinkTime = 0.0f;
    m_caret = static_cast<int>(caret) + 1;
    return true;
}

bool nG_TextEdit::HandleInput(const nE_InputEvent* event, nE_Object* found, const nE_RenderState& state)
{
    if (!event) return false;
    bool handled = false;
    // A hidden field takes no typing.
    if (event->kind == NE_INPUT_KEYDOWN && m_visible)
        handled = HandleKey(event->key);
    else if (event->kind == NE_INPUT_CHAR && m_visible)
        handled = HandleCharacter(event->character);
    if (!handled) return nE_Text::HandleInput(event, found, state);
    UpdateCaretPos();
    return true;
}

void nG_TextEdit::Draw(nE_Render* render, const nE_RenderState& state)
{
    nE_Text::Draw(render, state);
    if (!render) return;
    const nE_Rect r = GetLocalRect();
    const float colour[4] = {1.0f, 1.0f, 1.0f, m_caretAlpha};
    render->DrawLine(m_caretX, m_caretY, 0.0f, m_caretX, m_caretY + r.h, 0.0f, colour, state);
}

void nG_RegisterTextEditType()
{
    nE_RegisterObjectType("textedit", nG_TextEdit::Create);
}
