#include "engine/scene/nE_Subtitles.h"

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Path.h"
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
    Parse(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

void nE_SubtitleList::Parse(const std::string& text)
{
    Clear();
    std::istringstream in(text);
    std::string number, timing, line, separator;
    while (ReadLine(in, number) && ReadLine(in, timing) && ReadLine(in, line))
    {
        nE_Subtitle record;
        const size_t arrow = timing.find(" --> ");
        record.start = nE_ParseSubtitleTime(timing.substr(0, arrow));
        record.end = arrow == std::string::npos ? 0.0f : nE_ParseSubtitleTime(timing.substr(arrow + 5));
        record.text = line;
        m_records.push_back(std::move(record));
        if (!ReadLine(in, separator)) break;
    }
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
