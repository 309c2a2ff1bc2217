#include "engine/core/nE_StringTable.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Utf8.h"
#include "engine/core/nE_Xml.h"

#include <cstdio>
#include <memory>

nE_StringTable* g_stringTable = nullptr;

namespace
{
const char* const kMissing = "#####";

// Files saved on Windows end their lines with CR LF; the texts keep LF only.
std::string DropCrBeforeLf(const std::string& in)
{
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        if (in[i] != '\r' || i + 1 >= in.size() || in[i + 1] != '\n') out += in[i];
    return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// "&amp;" goes last so that an escaped entity such as "&amp;lt;" stays "&lt;".
void DecodeEntities(std::string& text)
{
    ReplaceAll(text, "&#10;", "\n");
    ReplaceAll(text, "&quot;", "\"");
    ReplaceAll(text, "&#160;", "\xA0");
    ReplaceAll(text, "&lt;", "<");
    ReplaceAll(text, "&gt;", ">");
    ReplaceAll(text, "&apos;", "'");
    ReplaceAll(text, "&amp;", "&");
}

// Finds the cell starting at or after `from` inside [from, end): its content
// runs from the first ">" after "<Data" to the next "<". Answers false when
// there is no "<Data" in range; sets `complete` false when the cell is cut off.
bool ReadCell(const std::string& s, size_t& from, size_t end, std::string& cell, bool& complete)
{
    size_t data = s.find("<Data", from);
    if (data == std::string::npos || data >= end) return false;
    size_t open = s.find('>', data);
    size_t close = open == std::string::npos ? open : s.find('<', open + 1);
    complete = close != std::string::npos && close < end;
    if (complete) cell = s.substr(open + 1, close - open - 1);
    from = complete ? close : end;
    return true;
}

bool IsDigits(const std::string& s)
{
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return !s.empty();
}

// 1..5 for a parameter number, 0 for anything else (long digit runs included).
int ParamIndex(const std::string& digits)
{
    size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos || first + 1 != digits.size()) return 0;
    int n = digits[first] - '0';
    return n <= 5 ? n : 0;
}
} // namespace

bool nE_StringTable::Load(const std::string& name)
{
    m_table.clear();
    return ParseWorkbook(name);
}

bool nE_StringTable::ParseWorkbook(const std::string& name)
{
    std::string content;
    if (!nE_ReadWholeFile(nE_MakePath(name, ".xml"), content))
    {
        nE_LogFmt("Error: stringtable could not find \"%s\" file to load!", name);
        return false;
    }
    const std::string text = DropCrBeforeLf(content);
    nE_FileIssues issues("Warning: stringtable \"" + nE_MakePath(name, ".xml") + "\"");
    const size_t bad = nE_FindBadUtf8(text);
    if (bad != std::string::npos)
        issues.Add("it holds bytes that are not UTF-8 (line " + std::to_string(nE_LineOf(text, bad)) +
                   "); texts there may show wrong");
    bool cut = false;
    if (ParseContent(text, cut) == 0)
        issues.Add("it holds no rows with a key; nothing is read from it");
    else if (cut ||
             (text.find("<Workbook") != std::string::npos && text.find("</Workbook>") == std::string::npos))
        issues.Add("it ends before its \"</Workbook>\": the file is cut short, and only the rows before the "
                   "cut are read");
    issues.Log();
    return true;
}

int nE_StringTable::ParseContent(const std::string& all, bool& cut)
{
    const std::string s = all.substr(0, all.find("</Workbook>"));
    int rows = 0;
    cut = false;
    size_t row = s.find("<Row");
    while (row != std::string::npos)
    {
        size_t next = s.find("<Row", row + 4);
        size_t end = next == std::string::npos ? s.size() : next;
        size_t at = row;
        std::string key, text;
        bool keyComplete = false, textComplete = true;
        const bool hasKey = ReadCell(s, at, end, key, keyComplete);
        if (hasKey && keyComplete)
        {
            // A row without a text cell stores an empty text.
            ReadCell(s, at, end, text, textComplete);
            if (textComplete) AddRow(key, text);
            ++rows;
        }
        // Only the last row can be cut off by the end of the text.
        cut = cut || (hasKey && (!keyComplete || !textComplete) && next == std::string::npos);
        row = next;
    }
    return rows;
}

void nE_StringTable::AddRow(const std::string& key, const std::string& rawText)
{
    if (key.empty() || key[0] == '{') return;
    std::string text = rawText;
    DecodeEntities(text);
    if (m_table.count(key)) nE_LogFmt("Warning: stringtable already include string \"%s\".", key);
    m_table[key] = text;
}

const std::string* nE_StringTable::Find(const std::string& key) const
{
    auto it = m_table.find(key);
    return it == m_table.end() ? nullptr : &it->second;
}

// A parameter that begins with "%" names a key between two percent signs, or
// is "%%" for a percent sign; anything else beginning with "%" is a failure.
bool nE_StringTable::AppendParam(const std::string& param, std::string& out) const
{
    if (param.empty() || param[0] != '%')
    {
        out += param;
        return true;
    }
    if (param == "%%")
    {
        out += '%';
        return true;
    }
    if (param.size() > 2 && param.back() == '%') return AppendKey(param.substr(1, param.size() - 2), out);
    return false;
}

bool nE_StringTable::AppendKey(const std::string& key, std::string& out) const
{
    const std::string* text = Find(key);
    if (text) out += *text;
    return text != nullptr || WarnMissing(key);
}

// Always false: the caller shows "#####", and the log says why.
bool nE_StringTable::WarnMissing(const std::string& key) const
{
    nE_WarnOnce("text:" + key,
                "Warning: text key \"" + key + "\" is not in the string table; \"#####\" is shown");
    return false;
}

bool nE_StringTable::AppendEscape(const std::string& key, const std::string& token, const std::string* params,
                                  std::string& out) const
{
    if (token.empty())
    {
        out += '%';
        return true;
    }
    if (!IsDigits(token)) return AppendKey(token, out);
    int n = ParamIndex(token);
    // Callers pass "" for a parameter they do not give: the text then reads with a hole in it.
    if (n != 0 && params[n - 1].empty())
        nE_WarnOnce("textparam:" + key + ":" + token,
                    "Warning: text \"" + key + "\" is shown without parameter " + std::to_string(n) +
                        " for its %" + token + "%; nothing stands in its place");
    return n != 0 && AppendParam(params[n - 1], out);
}

std::string nE_StringTable::GetText(const std::string& key, const std::string& p1, const std::string& p2,
                                    const std::string& p3, const std::string& p4, const std::string& p5) const
{
    const std::string* text = Find(key);
    if (!text)
    {
        WarnMissing(key);
        return kMissing;
    }
    const std::string params[5] = {p1, p2, p3, p4, p5};
    const std::string& t = *text;
    std::string out;
    bool ok = true;
    for (size_t i = 0; i < t.size(); ++i)
    {
        if (t[i] != '%')
        {
            out += t[i];
            continue;
        }
        size_t close = t.find('%', i + 1);
        if (close == std::string::npos)
        {
            nE_LogFmt2("Error: non-matched percent escape found in string %s, '%s'", key, t);
            ok = AppendEscape(key, t.substr(i + 1), params, out) && ok;
            continue;
        }
        ok = AppendEscape(key, t.substr(i + 1, close - i - 1), params, out) && ok;
        i = close;
    }
    return ok ? out : kMissing;
}
