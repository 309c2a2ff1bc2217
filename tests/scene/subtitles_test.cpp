// Subtitle files: parsing and the order of show and hide messages.

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/scene/nE_Subtitles.h"
#include "game/app/nG_Messages.h"
#include "support/hostile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

struct SubtitleCapture : nE_Listener
{
    std::vector<std::string> seen; // "+text" shown, "-" hidden
    void OnMessage(int, void* record) override
    {
        auto* m = static_cast<nG_MsgSubtitle*>(record);
        seen.push_back(m->show ? "+" + m->text : "-" + m->text);
    }
};

TEST(Subtitles, ParsesBlocksLineEndsAndShortFields)
{
    const std::string longLine(3000, 'w');
    struct Case
    {
        std::string text;
        std::vector<float> times; // start, end per record
        std::vector<std::string> lines;
    } cases[] = {
        {"1\n00:01:02,500 --> 00:01:04,250\nHello\n\n2\n00:01:05,000 --> 00:01:06,000\nBye",
         {62.5f, 64.25f, 65, 66},
         {"Hello", "Bye"}},
        {"1\r\n00:00:01,000 --> 00:00:02,000\r\nWin\r\n\r\n", {1, 2}, {"Win"}},
        {"1\n00:00:03\nShort\n\n2\n01 --> 00:00:0\n" + longLine + "\n", {3, 0, 3600, 0}, {"Short", longLine}},
        {"1\n00:00:01,000 --> 00:00:02,000\n", {}, {}},
        {"", {}, {}},
    };
    for (const Case& c : cases)
    {
        nE_SubtitleList list;
        list.Parse(c.text);
        ASSERT_EQ(list.GetRecords().size(), c.lines.size()) << c.text.substr(0, 40);
        for (size_t i = 0; i < c.lines.size(); ++i)
        {
            EXPECT_FLOAT_EQ(list.GetRecords()[i].start, c.times[2 * i]);
            EXPECT_FLOAT_EQ(list.GetRecords()[i].end, c.times[2 * i + 1]);
            EXPECT_EQ(list.GetRecords()[i].text, c.lines[i]);
        }
    }
}

// A damaged file is named in one line; what can be read is kept as it was
// always read. Cut inside its last block, the block is dropped.
TEST(Subtitles, DamagedFilesAreNamedOnce)
{
    struct Lines : nE_Listener
    {
        std::vector<std::string> lines;
        void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
    } log;
    nE_Mediator bus;
    g_mediator = &bus;
    bus.Subscribe(&log, NE_MSG_LOG);
    const struct
    {
        const char* file;
        std::string said; // in the one line; empty: no line
        size_t records;
    } cases[] = {
        {"good", "", 2},
        {"garbage", "not UTF-8 (line 1)", 1},
        {"empty", "it holds no subtitle", 0},
        {"cut", "it ends inside the block at line 5, before the block's text: the file is cut short", 1},
        {"badtiming",
         "line 6 (\"3 seconds in\") is not a timing \"HH:MM:SS,mmm --> HH:MM:SS,mmm\"; it reads as 10800 s "
         "to 0 s",
         2},
        {"twolines", "line 4 should be empty: a block holds one line of text", 2},
        {"backwards", "the block at line 1 ends before it starts", 1},
        {"notutf8", "not UTF-8 (line 3)", 1},
    };
    for (const auto& c : cases)
    {
        const std::string path = hostile::Path("subtitles", std::string(c.file) + ".srt");
        log.lines.clear();
        nE_SubtitleList list;
        if (std::string(c.file) == "good")
            list.Parse("1\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n00:00:03,000 --> 00:00:04,000\nB\n\n\n\n",
                       path);
        else
            list.Load(path);
        EXPECT_EQ(c.records, list.GetRecords().size()) << c.file;
        ASSERT_EQ(c.said.empty() ? 0u : 1u, log.lines.size()) << c.file;
        if (c.said.empty()) continue;
        EXPECT_EQ(0u, log.lines[0].find("Warning: subtitles \"" + path + "\": ")) << log.lines[0];
        EXPECT_NE(std::string::npos, log.lines[0].find(c.said)) << log.lines[0];
    }
    bus.UnsubscribeAll(&log);
    g_mediator = nullptr;
}

// A step past a whole span never shows it; Hide sends nothing when nothing is
// shown, but starts the list over. Steps: an update to that time, -1 a Hide.
TEST(Subtitles, ShowsAndHidesInOrderAndNeverShowsSkippedSpans)
{
    nE_Mediator bus;
    g_mediator = &bus;
    SubtitleCapture capture;
    bus.Subscribe(&capture, NG_MSG_SUBTITLE);
    nE_SubtitleList list, empty;
    list.Parse("1\n00:00:01,000 --> 00:00:02,000\nA\n\n2\n00:00:03,000 --> 00:00:04,000\nB\n\n"
               "3\n00:00:05,000 --> 00:00:06,000\nC\n\n4\n00:00:07,000 --> 00:00:08,000\nD\n");
    const std::pair<float, size_t> steps[] = {{0.5f, 0}, {1.0f, 1},  {1.5f, 1},  {2.0f, 2}, {5.5f, 3},
                                              {9.0f, 4}, {20.0f, 4}, {-1.0f, 4}, {1.0f, 5}, {-1.0f, 6}};
    for (auto [time, seen] : steps)
    {
        time < 0 ? list.Hide() : list.Update(time);
        EXPECT_EQ(seen, capture.seen.size()) << time;
    }
    empty.Update(5.0f);
    empty.Hide();
    EXPECT_EQ(capture.seen, (std::vector<std::string>{"+A", "-", "+C", "-", "+A", "-"}));
    bus.UnsubscribeAll(&capture);
    g_mediator = nullptr;
}

} // namespace
