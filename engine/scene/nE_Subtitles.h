#pragma once
// Subtitle lines of a video (".srt": number, timing, one text line and a
// separator per block). Driven by the video's playback time, the list
// announces each line as it starts and ends on the message bus.

#include <cstddef>
#include <string>
#include <vector>

struct nE_Subtitle
{
    float start = 0.0f;
    float end = 0.0f;
    std::string text;
};

class nE_SubtitleList
{
public:
    // Reads the file when it exists; the previous records go.
    void Load(const std::string& path);
    // The same from the file's text; `source` names it in the one line that
    // says what is wrong with it (a timing that is not HH:MM:SS,mmm, a file
    // cut inside a block, bytes that are not UTF-8, no subtitle at all).
    void Parse(const std::string& text, const std::string& source = "subtitles");
    void Update(float time);
    // Ends a shown line and starts again from the first record.
    void Hide();
    void Clear() { m_records.clear(); }

    const std::vector<nE_Subtitle>& GetRecords() const { return m_records; }
    size_t GetIndex() const { return m_index; }
    bool IsShown() const { return m_shown; }

private:
    void Send(bool show, const std::string& text);

    size_t m_index = 0;
    bool m_shown = false;
    std::vector<nE_Subtitle> m_records;
};

// "HH:MM:SS,mmm" in seconds; characters missing from a short field read as 0.
float nE_ParseSubtitleTime(const std::string& field);
