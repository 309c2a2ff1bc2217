#include "game/interface/nG_InterfButton.h"
#include "game/interface/nG_VideoFrame.h"
#include "widget_fixture.h"

#include <tuple>

namespace
{
struct VideoFrameTest : WidgetFixture
{
    nG_VideoFrame* frame = nullptr;
    void SetUp() override
    {
        WidgetFixture::SetUp();
        frame = Add(new nG_VideoFrame("vf"));
        frame->SetZ(10);
    }
    // An empty video name with show false closes the frame.
    void Show(const std::string& video, bool skippable = true, float delay = 0, bool pass = false,
              bool show = true)
    {
        nG_MsgVideoFrame record;
        record.show = show;
        record.passThrough = pass;
        record.skippable = skippable;
        record.skipDelay = delay;
        record.skipCall = "probe";
        record.video = video;
        bus.Send(NG_MSG_VIDEO_FRAME, &record);
    }
    void Hide() { Show("", false, 0, false, false); }
};

// The delay counts only once the frame has faded in (2/3 s).
TEST_F(VideoFrameTest, SkipButtonShowsAtOnceAfterItsDelayOrNever)
{
    // Skippable, delay; shown at once, after the fade, after the delay.
    for (auto [skippable, delay, atOnce, afterFade, afterDelay] : {std::tuple{true, 0.0f, true, true, true},
                                                                   {false, 0.0f, false, false, false},
                                                                   {false, 1.0f, false, false, true},
                                                                   {true, 1.0f, false, false, true}})
    {
        Show("", skippable, delay);
        EXPECT_EQ(atOnce, frame->GetSkipButton()->IsVisible()) << skippable << delay;
        Step(0.1f, 7);
        EXPECT_EQ(afterFade, frame->GetSkipButton()->IsVisible()) << skippable << delay;
        Step(0.1f, 11);
        EXPECT_EQ(afterDelay, frame->GetSkipButton()->IsVisible()) << skippable << delay;
        Hide();
        Step(0.1f, 7);
        EXPECT_FALSE(frame->IsVisible());
    }
    Show(""); // a double skip runs the call once and closes
    Step(0.1f);
    SendString(NG_MSG_VIDEO_FRAME_SKIP, "vf_skip_btn");
    SendString(NG_MSG_VIDEO_FRAME_SKIP, "vf_skip_btn");
    Step(0.1f);
    EXPECT_EQ("vf:nil;", Probes());
    EXPECT_EQ(nG_VideoFrame::STATE_CLOSED, frame->GetState());
    EXPECT_EQ(nG_InterfButton::STATE_DISABLED, frame->GetSkipButton()->GetState());
}

// The video belongs to the content: a swap or a finished close sends it to
// storage, and so does the frame's own deletion.
TEST_F(VideoFrameTest, SwappedAndClosedVideosGoToStorage)
{
    nE_Object* a = AddObject(layer, "vid_a", 0, 0);
    nE_Object* b = AddObject(layer, "vid_b", 0, 0);
    Show("vid_a");
    EXPECT_EQ(frame, a->GetParent());
    Show("vid_b");
    EXPECT_EQ(g_scene->GetStorage(), a->GetParent());
    EXPECT_EQ(frame, b->GetParent());
    Step(0.1f, 7);
    Hide();
    Step(0.1f, 3);
    EXPECT_EQ(frame, b->GetParent()); // still fading out
    Step(0.1f, 5);
    EXPECT_EQ(g_scene->GetStorage(), b->GetParent());
    EXPECT_EQ(nullptr, frame->GetVideo());
    Show("vid_b");
    Hide(); // before any fade-in: the close still finishes
    Step(0.1f);
    EXPECT_EQ(g_scene->GetStorage(), b->GetParent());
    EXPECT_FALSE(frame->IsVisible());
    Show("vid_a");
    delete frame;
    EXPECT_EQ(g_scene->GetStorage(), a->GetParent());
}

TEST_F(VideoFrameTest, ClicksReachTheSceneOnlyWhenPassedThrough)
{
    Below(100, 100);
    for (bool pass : {false, true})
    {
        Show("", false, 0, pass);
        Input(NE_INPUT_MOUSEDOWN, 100, 100);
        Step(0.01f);
        EXPECT_EQ(pass, Probes() == "below:below;") << pass;
    }
}

// Lines fade in and out in the order sent, the first of all as well; a
// hidden line keeps its text.
TEST_F(VideoFrameTest, SubtitlesShowAndHideInOrder)
{
    nG_Subtitles* sub = frame->GetSubtitles();
    Show("");
    Step(0.1f, 10); // the frame is fully shown
    // Shown or hidden; the key held afterwards, the alpha 0.1 s and 0.6 s later.
    for (auto [show, key, early, late] : {std::tuple{true, "line_1", 0.2f, 1.0f},
                                          {true, "line_2", 1.0f, 1.0f},
                                          {false, "line_2", 0.8f, 0.0f},
                                          {false, "line_2", 0.0f, 0.0f},
                                          {true, "line_3", 0.2f, 1.0f}})
    {
        nG_MsgSubtitle record{show, show ? key : ""};
        bus.Send(NG_MSG_SUBTITLE, &record);
        Step(0.1f);
        EXPECT_FLOAT_EQ(early, sub->GetRenderState().alpha) << key;
        Step(0.1f, 5);
        EXPECT_FLOAT_EQ(late, sub->GetRenderState().alpha) << key;
        EXPECT_EQ(key, sub->GetKey());
    }
    Hide(); // closing hides the line too
    EXPECT_EQ(nG_Subtitles::STATE_HIDDEN, sub->GetState());
}
} // namespace
