#include "engine/core/nE_Xml.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_NumText.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <strings.h>
#include <utility>
#include <vector>

namespace
{
// The parser steps over up to four bytes at a lead byte; past the text's end
// it must land on zeros.
const size_t kPadding = 16;

// A bounded view of the text that reads as zero past its end.
struct Cursor
{
    const char* s;
    size_t n;
    size_t i;
    bool utf8; // step over multi-byte sequences where the parser does

    unsigned char At(size_t k) const { return k < n ? static_cast<unsigned char>(s[k]) : 0; }
    bool Done() const { return i >= n; }
    bool Is(const char* word) const { return std::strncmp(s + i, word, std::strlen(word)) == 0; }
    bool IsNoCase(const char* word) const { return strncasecmp(s + i, word, std::strlen(word)) == 0; }

    // How far the parser moves over one character of text or quoted value.
    void StepChar()
    {
        unsigned char c = At(i);
        size_t step = 1;
        if (utf8 && c >= 0xC0 && c < 0xF5) step = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        i += step;
    }
    // Past the opening and the next `end` after it (byte by byte, as
    // comments and CDATA are read).
    void SkipPast(size_t opening, const char* end)
    {
        i += opening;
        while (!Done() && !Is(end))
            ++i;
        i += std::strlen(end);
    }
    void SkipTo(char c)
    {
        while (!Done() && At(i) != static_cast<unsigned char>(c))
            ++i;
    }
    void SkipQuoted()
    {
        char quote = s[i++];
        while (!Done() && s[i] != quote)
            StepChar();
        ++i;
    }
};

bool IsNameStart(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

bool IsSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// "<?xml ...": quotes count only after the three known attributes; anything
// else is passed byte by byte up to white space or ">".
void SkipDeclaration(Cursor& c)
{
    c.i += 5;
    while (!c.Done() && c.At(c.i) != '>')
    {
        if (IsSpace(c.At(c.i)))
        {
            ++c.i;
            continue;
        }
        if (c.IsNoCase("version") || c.IsNoCase("encoding") || c.IsNoCase("standalone"))
        {
            while (!c.Done() && c.At(c.i) != '=' && c.At(c.i) != '>')
                ++c.i;
            if (c.At(c.i) == '=') ++c.i;
            while (IsSpace(c.At(c.i)))
                ++c.i;
            if (c.At(c.i) == '"' || c.At(c.i) == '\'') c.SkipQuoted();
            continue;
        }
        while (!c.Done() && c.At(c.i) != '>' && !IsSpace(c.At(c.i)))
            ++c.i;
    }
    ++c.i;
}

// A start tag from its name on; true when it opens an element ("/>" does not).
// Counts the "=" outside quotes into `attributes`: the parser makes at most
// one attribute per "=".
bool SkipStartTag(Cursor& c, int& attributes)
{
    attributes = 0;
    while (!c.Done())
    {
        unsigned char ch = c.At(c.i);
        if (ch == '>')
        {
            ++c.i;
            return c.At(c.i - 2) != '/';
        }
        if (ch == '"' || ch == '\'')
            c.SkipQuoted();
        else
        {
            if (ch == '=') ++attributes;
            ++c.i;
        }
    }
    return false;
}

// The deepest nesting and the most attributes of one element, as the parser
// would meet them (or more); counting stops once either passes its limit.
struct Shape
{
    int deepest = 0;
    int widest = 0;
};

Shape Measure(Cursor c, int depthLimit, int widthLimit)
{
    Shape shape;
    int depth = 0;
    while (!c.Done() && shape.deepest <= depthLimit && shape.widest <= widthLimit)
    {
        if (c.At(c.i) != '<')
        {
            c.StepChar();
            continue;
        }
        if (c.Is("<!--"))
            c.SkipPast(4, "-->");
        else if (c.Is("<![CDATA["))
            c.SkipPast(9, "]]>");
        else if (c.IsNoCase("<?xml"))
            SkipDeclaration(c);
        else if (c.At(c.i + 1) == '/')
        {
            if (depth > 0) --depth; // outside every element it closes nothing
            c.SkipTo('>');
        }
        else if (IsNameStart(c.At(c.i + 1)))
        {
            ++c.i;
            int attributes = 0;
            bool opens = SkipStartTag(c, attributes);
            if (depth + 1 > shape.deepest) shape.deepest = depth + 1;
            if (attributes > shape.widest) shape.widest = attributes;
            if (opens) ++depth;
        }
        else
            c.SkipTo('>'); // "<!DOCTYPE", "<?other" and the like end at the first ">"
    }
    return shape;
}

// Whether the text may hold a byte that StepChar steps over as a sequence:
// each has its two top bits set (as 0xF5 to 0xFF have too, which only costs
// the second reading). Eight bytes at a time.
bool AnyLeadByte(const char* s, size_t n)
{
    uint64_t tops = 0;
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
    {
        uint64_t w;
        std::memcpy(&w, s + i, 8);
        tops |= w & (w << 1);
    }
    for (; i < n; ++i)
    {
        const uint64_t b = static_cast<unsigned char>(s[i]);
        tops |= b & (b << 1);
    }
    return (tops & 0x8080808080808080ull) != 0;
}

// Whether the parser steps over multi-byte sequences depends on the encoding
// it detects; both readings are counted and the larger counts hold. A text
// without a lead byte reads the same both ways.
Shape MeasureEitherWay(const std::string& text, int depthLimit, int widthLimit)
{
    const char* s = text.c_str();
    const size_t n = std::strlen(s);
    Shape bytes = Measure(Cursor{s, n, 0, false}, depthLimit, widthLimit);
    if (bytes.deepest > depthLimit || bytes.widest > widthLimit || !AnyLeadByte(s, n)) return bytes;
    Shape utf8 = Measure(Cursor{s, n, 0, true}, depthLimit, widthLimit);
    return Shape{std::max(bytes.deepest, utf8.deepest), std::max(bytes.widest, utf8.widest)};
}

// TinyXML's condensing is a process-wide switch; a parse runs with it off and
// leaves it as it found it.
class KeptWhiteSpace
{
public:
    KeptWhiteSpace() : m_saved(TiXmlBase::IsWhiteSpaceCondensed())
    {
        TiXmlBase::SetCondenseWhiteSpace(false);
    }
    ~KeptWhiteSpace() { TiXmlBase::SetCondenseWhiteSpace(m_saved); }
    KeptWhiteSpace(const KeptWhiteSpace&) = delete;
    KeptWhiteSpace& operator=(const KeptWhiteSpace&) = delete;

private:
    bool m_saved;
};

// Where the text ends, counted as TinyXML counts: a tab moves to the next
// multiple of its tab size, a multi-byte character is one column.
nE_XmlPlace EndOf(const char* s, int tabSize)
{
    nE_XmlPlace place{1, 1};
    for (; *s; ++s)
    {
        const unsigned char c = static_cast<unsigned char>(*s);
        if (c == '\n' || (c == '\r' && s[1] != '\n'))
            place = nE_XmlPlace{place.row + 1, 1};
        else if (c == '\t' && tabSize > 0)
            place.col = ((place.col - 1) / tabSize + 1) * tabSize + 1;
        else if (c != '\r' && (c & 0xC0) != 0x80)
            ++place.col;
    }
    return place;
}

// As TinyXML's own file loader: CR LF and a lone CR become LF.
std::string UnixLineEnds(std::string in)
{
    if (in.find('\r') == std::string::npos) return in;
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i)
    {
        if (in[i] != '\r')
            out += in[i];
        else if (i + 1 >= in.size() || in[i + 1] != '\n')
            out += '\n';
    }
    return out;
}
} // namespace

int nE_XmlDepth(const std::string& text, int limit)
{
    return MeasureEitherWay(text, limit, INT_MAX).deepest;
}

int nE_XmlMostAttributes(const std::string& text, int limit)
{
    return MeasureEitherWay(text, INT_MAX, limit).widest;
}

bool nE_ReadWholeFile(const std::string& path, std::string& out)
{
    out.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        out.append(buffer, got);
    return !std::ferror(file.get());
}

namespace
{
// nE_XmlParse on a text of its own, padded in place.
nE_XmlResult ParseOwnText(TiXmlDocument& doc, std::string text, const std::string& source,
                          nE_XmlPlace* errorPlace)
{
    const Shape shape = MeasureEitherWay(text, nE_kXmlMaxDepth, nE_kXmlMaxAttributes);
    if (shape.deepest > nE_kXmlMaxDepth)
    {
        nE_LogFmt2("Error: xml %s nests elements deeper than %d levels; refused.", source, nE_kXmlMaxDepth);
        return nE_XmlResult::Refused;
    }
    if (shape.widest > nE_kXmlMaxAttributes)
    {
        nE_LogFmt2("Error: xml %s has an element with more than %d attributes; refused.", source,
                   nE_kXmlMaxAttributes);
        return nE_XmlResult::Refused;
    }
    // What the document's nodes answer as their file when the caller set none.
    if (doc.ValueStr().empty()) doc.SetValue(source);
    text.append(kPadding, '\0');
    {
        KeptWhiteSpace kept;
        doc.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    }
    // A text with no element at all (blank, a lone declaration, a comment) is
    // no document; TinyXML lets some of these through.
    if (!doc.Error() && !doc.RootElement())
        doc.SetError(TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    if (!doc.Error()) return nE_XmlResult::Ok;
    if (errorPlace)
        *errorPlace = doc.ErrorRow() > 0 ? nE_XmlPlace{doc.ErrorRow(), doc.ErrorCol()}
                                         : EndOf(text.c_str(), doc.TabSize());
    return nE_XmlResult::Malformed;
}
} // namespace

nE_XmlResult nE_XmlParse(TiXmlDocument& doc, const std::string& text, const std::string& source,
                         nE_XmlPlace* errorPlace)
{
    return ParseOwnText(doc, text, source, errorPlace);
}

nE_XmlResult nE_XmlLoadFile(TiXmlDocument& doc, const std::string& path, nE_XmlPlace* errorPlace)
{
    std::string text;
    if (!nE_ReadWholeFile(path, text)) return nE_XmlResult::Missing;
    doc.SetValue(path);
    return ParseOwnText(doc, UnixLineEnds(std::move(text)), path, errorPlace);
}

nE_XmlNumber nE_XmlReadInt(const TiXmlElement* element, const char* name, int& out)
{
    const char* text = element ? element->Attribute(name) : nullptr;
    if (!text) return nE_XmlNumber::Absent;
    const char* end = text;
    const double value = nE_ParseFloat(text, &end);
    // Digits must start the number: a text such as "e5" or "nan" is none.
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
        ++p;
    if (*p == '+' || *p == '-') ++p;
    if (end == text || *p < '0' || *p > '9' || !(value >= -2147483648.0 && value < 2147483648.0))
        return nE_XmlNumber::Bad;
    out = nE_ParseInt(text);
    return nE_XmlNumber::Read;
}

nE_XmlNumber nE_XmlReadFloat(const TiXmlElement* element, const char* name, float& out)
{
    const char* text = element ? element->Attribute(name) : nullptr;
    if (!text) return nE_XmlNumber::Absent;
    const char* end = text;
    const double value = nE_ParseFloat(text, &end);
    if (end == text || !std::isfinite(value) || std::fabs(value) > FLT_MAX) return nE_XmlNumber::Bad;
    out = float(value);
    return nE_XmlNumber::Read;
}

std::string nE_XmlBadNumber(const TiXmlElement* element, const char* name)
{
    const char* text = element ? element->Attribute(name) : nullptr;
    return "\"" + std::string(name) + "\" (line " + std::to_string(element ? element->Row() : 0) +
           ") is not a finite number (\"" + (text ? text : "") + "\")";
}

std::string nE_XmlStrayText(const TiXmlElement* root)
{
    // Depth-first without recursion; the depth is bounded anyway, the work by the file.
    std::vector<const TiXmlNode*> pending;
    if (root) pending.push_back(root);
    while (!pending.empty())
    {
        const TiXmlNode* node = pending.back();
        pending.pop_back();
        for (const TiXmlNode* child = node->LastChild(); child; child = child->PreviousSibling())
            pending.push_back(child);
        const TiXmlText* text = node->ToText();
        if (!text) continue;
        const std::string& value = text->ValueStr();
        if (value.find_first_not_of(" \t\r\n") == std::string::npos) continue;
        std::string shown;
        for (unsigned char c : value.substr(value.find_first_not_of(" \t\r\n"), 24))
        {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : std::string(hex);
        }
        return "stray text at line " + std::to_string(text->Row()) + " (\"" + shown + "\")";
    }
    return "";
}

void nE_AddFindReport(TiXmlElement* report, const std::string& name, const char* place)
{
    TiXmlElement hit(name.c_str());
    hit.SetAttribute("place", place);
    report->InsertEndChild(hit);
}
