#include "engine/scene/nE_Subtitles.h"

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_NumText.h"
#include "engine/core/nE_Path.h"
#include "engine/core/nE_Utf8.h"
// The record of the subtitle message belongs to the game's message list; the
// video is the one scene object that sends a game message.
#include "game/app/nG_Messages.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace
{

int Digits(const std::string& text, size_t pos, size_t count)
{
    return pos < text.size() ? std::atoi(text.substr(pos, count).c_str()) : 0;
}

// One line without its line end (any mix of "\r" and "\n").
bool ReadLine(std::istream& in, std::string& line)
{
    if (!std::getline(in, line)) return false;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return true;
}

// "HH:MM:SS,mmm" (or with a full stop before the milliseconds) at `at`.
bool IsTime(const std::string& line, size_t at)
{
    static const char kForm[] = "99:99:99,999";
    if (line.size() < at + sizeof kForm - 1) return false;
    for (size_t i = 0; i + 1 < sizeof kForm; ++i)
    {
        const char c = line[at + i];
        const bool ok = kForm[i] == '9'   ? (c >= '0' && c <= '9')
                        : kForm[i] == ',' ? (c == ',' || c == '.')
                                          : c == kForm[i];
        if (!ok) return false;
    }
    return true;
}

// Anything may follow the second time (some tools put positions there).
bool IsTimingLine(const std::string& line)
{
    return IsTime(line, 0) && line.compare(12, 5, " --> ") == 0 && IsTime(line, 17);
}

} // namespace

float nE_ParseSubtitleTime(const std::string& field)
{
    return float(Digits(field, 0, 2) * 3600 + Digits(field, 3, 2) * 60 + Digits(field, 6, 2)) +
           float(Digits(field, 9, 3)) / 1000.0f;
}

void nE_SubtitleList::Load(const std::string& path)
{
    if (!nE_FileExists(path)) return;
    std::ifstream in(path, std::ios::binary);
    Parse(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), path);
}

void nE_SubtitleList::Parse(const std::string& text, const std::string& source)
{
    Clear();
    nE_FileIssues issues("Warning: subtitles \"" + source + "\"");
    const size_t bad = nE_FindBadUtf8(text);
    if (bad != std::string::npos)
        issues.Add("it holds bytes that are not UTF-8 (line " + std::to_string(nE_LineOf(text, bad)) +
                   "); lines there may show wrong");
    std::istringstream in(text);
    std::string number, timing, line, separator;
    int at = 1; // the line the block starts on
    while (ReadLine(in, number))
    {
        if (!ReadLine(in, timing) || !ReadLine(in, line))
        {
            // Blank lines after the last block are no block.
            if (number.find_first_not_of(" \t") == std::string::npos && timing.empty()) break;
            issues.Add("it ends inside the block at line " + std::to_string(at) +
                       ", before the block's text: the file is cut short, and that block is dropped");
            break;
        }
        nE_Subtitle record;
        const size_t arrow = timing.find(" --> ");
        record.start = nE_ParseSubtitleTime(timing.substr(0, arrow));
        record.end = arrow == std::string::npos ? 0.0f : nE_ParseSubtitleTime(timing.substr(arrow + 5));
        record.text = line;
        if (!IsTimingLine(timing))
            issues.Add("line " + std::to_string(at + 1) + " (\"" + timing.substr(0, 40) +
                       "\") is not a timing \"HH:MM:SS,mmm --> HH:MM:SS,mmm\"; it reads as " +
                       nE_FormatG(record.start, 6) + " s to " + nE_FormatG(record.end, 6) + " s");
        else if (record.end < record.start)
            issues.Add("the block at line " + std::to_string(at) +
                       " ends before it starts; it shows for no time");
        m_records.push_back(std::move(record));
        if (!ReadLine(in, separator)) break;
        if (!separator.empty())
            issues.Add("line " + std::to_string(at + 3) +
                       " should be empty: a block holds one line of text; the blocks after it shift");
        at += 4;
    }
    if (m_records.empty() && issues.Count() == 0) issues.Add("it holds no subtitle");
    issues.Log();
}

void nE_SubtitleList::Send(bool show, const std::string& text)
{
    if (!g_mediator) return;
    nG_MsgSubtitle message;
    message.show = show;
    message.text = text;
    g_mediator->Send(NG_MSG_SUBTITLE, &message);
}

void nE_SubtitleList::Update(float time)
{
    if (m_index >= m_records.size()) return;
    if (!m_shown)
    {
        // Lines whose whole span lies behind the time are never shown, the
        // last one included.
        while (m_index < m_records.size() && time > m_records[m_index].end)
            ++m_index;
        if (m_index >= m_records.size() || !(m_records[m_index].start <= time)) return;
        Send(true, m_records[m_index].text);
        m_shown = true;
    }
    if (m_records[m_index].end <= time)
    {
        Send(false, std::string());
        ++m_index;
        m_shown = false;
    }
}

void nE_SubtitleList::Hide()
{
    if (m_shown) Send(false, std::string());
    m_shown = false;
    m_index = 0;
}
