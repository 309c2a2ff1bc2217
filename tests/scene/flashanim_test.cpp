// Keyframe animations: carried values, the frame clock, loops, the end
// trigger, frame-rate fallbacks and the composition of each part's placement.

#include "core/recording_render.h"
#include "engine/scene/nE_FlashAnim.h"
#include "platform/de50_test_support.h"
#include "scene/engine_scope.h"
#include "support/hostile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <tuple>

namespace
{

const char kWalk[] =
    R"xml(<animation loop="%LOOP%" loop_frame="%LF%" fps="10" alp="0.5" color_g="0.5" pos_x="100">
  <objects>
    <object res="body" type="texture" w="20" h="10"/>
    <object res="arm" type="frametexture" w="4" h="8"/>
    <object res="leg" type="texture" w="2" h="2"/>
  </objects>
  <frames>
    <frame><object id="2" alp="0.5" m00="0" m10="-1" m01="1" m11="0" color_r="0.25" pos_y="7"/></frame>
    <frame><object id="0" frame="3" blendmode="2"/><object id="2" pos_x="5"/><object/><object id="7"/><object id="-1"/></frame>
    <frame><object id="1" frame="4" pos_x="1"/></frame>
    <frame/>
    <frame><object id="1"/></frame>
  </frames>
</animation>
)xml";

class FlashAnimTest : public testing::Test
{
protected:
    void SetUp() override { engine.Start(); }
    void TearDown() override { engine.Stop(); }
    std::unique_ptr<nE_FlashAnim> Make(const std::string& header, int loop = 0, int loopFrame = 0)
    {
        std::string text = kWalk;
        text.replace(text.find("%LOOP%"), 6, std::to_string(loop));
        text.replace(text.find("%LF%"), 4, std::to_string(loopFrame));
        if (!header.empty()) text.replace(text.find("fps=\"10\""), 8, header);
        std::ofstream(dir.path + "walk.xml") << text;
        auto anim = std::make_unique<nE_FlashAnim>("walker");
        anim->SetResourceName(dir.path + "walk");
        return anim;
    }
    de50test::ScratchDir dir;
    EngineScope engine;
    de50test::LogCapture& log = engine.log;
};

// Loop flag, loop frame (9 is past the end: from 0), the frames after each
// long step, still playing, end triggers posted.
TEST_F(FlashAnimTest, FrameSequencesLoopsAndTheEndTrigger)
{
    for (auto [loop, loopFrame, frames, playing, posts] :
         {std::tuple{1, 2, std::vector<int>{1, 2, 3, 4, 2, 3, 4, 2}, true, size_t(0)},
          {1, 9, {1, 2, 3, 4, 0, 1, 2, 3}, true, 0},
          {0, 0, {1, 2, 3, 4, 4, 4, 4, 4}, false, 1}})
    {
        auto a = Make("", loop, loopFrame);
        a->Play("on_end");
        EXPECT_FLOAT_EQ(a->GetFrameTime(), 0.1f);
        std::vector<int> seen;
        for (size_t i = 0; i < frames.size(); ++i)
        {
            TickObject(*a, 0.25f); // a long step still moves one frame
            seen.push_back(a->GetFrame());
        }
        EXPECT_EQ(seen, frames) << loop << " " << loopFrame;
        EXPECT_EQ(a->IsPlaying(), playing);
        EXPECT_EQ(g_triggerManager->GetQueueSize(), posts);
        g_triggerManager->Update();
    }
}

TEST_F(FlashAnimTest, BadFrameRatesAndEmptyAnimations)
{
    for (const char* fps : {"fps=\"0\"", "fps=\"-5\"", "fps=\"nan\"", "fpx=\"10\"", "fps=\"1e-40\""})
    {
        log.lines.clear();
        auto a = Make(fps);
        EXPECT_FLOAT_EQ(a->GetFrameTime(), 0.04f) << fps;
        EXPECT_TRUE(log.Has("Warning: flashanim")) << fps;
    }
    std::ofstream(dir.path + "empty.xml") << "<animation loop=\"1\" loop_frame=\"3\" fps=\"5\"/>";
    nE_FlashAnim empty("e");
    empty.SetResourceName(dir.path + "empty");
    empty.Play("");
    RecordingRender render;
    for (int i = 0; i < 3; ++i)
    {
        TickObject(empty, 1.0f);
        EXPECT_EQ(empty.GetFrame(), 0);
        empty.Draw(&render, nE_RenderState());
    }
    EXPECT_TRUE(render.draws.empty());
    nE_FlashAnim missing("m");
    missing.SetResourceName(dir.path + "nothing");
    EXPECT_TRUE(log.Has("Error: flashanim could not find \""));
}

// A damaged animation file is named in one line, once: one that does not parse, or
// lacks its root, plays nothing; a number that is not finite is left out and
// a frame object without a part is skipped, so every drawn value is finite.
TEST_F(FlashAnimTest, HostileFilesAreNamedOnce)
{
    std::string walk = kWalk;
    walk.replace(walk.find("%LOOP%"), 6, "1").replace(walk.find("%LF%"), 4, "0");
    const auto path = [&](const std::string& file) { return dir.path + file + ".xml"; };
    const struct
    {
        std::string file, bytes, line; // bytes empty: the fixture of that name
        size_t parts;
    } cases[] = {
        {"garbage", "", "Error: flashanim \"" + path("garbage") + "\" could not be read: ", 0},
        {"cut_head", walk.substr(0, 40),
         "Error: flashanim \"" + path("cut_head") + "\" could not be read: ", 0},
        {"cut_frames", walk.substr(0, walk.find("<frame/>")),
         "Error: flashanim \"" + path("cut_frames") + "\" could not be read: ", 0},
        {"noanimation", "", "Error: flashanim \"" + path("noanimation") + "\" has no \"animation\" element",
         0},
        {"nonfinite", "",
         "Warning: flashanim \"" + path("nonfinite") +
             "\": \"m00\" (line 4) is not a finite number (\"nan\"); it is left out (and 2 more",
         1},
        {"badid", "",
         "Warning: flashanim \"" + path("badid") +
             "\": an object of frame 0 (line 4) has no part with id \"7\"; it is skipped (and 1 more",
         1},
        {"stray", "", "Warning: flashanim \"" + path("stray") + "\": it holds stray text at line 4 (\"\\xDF",
         1},
    };
    for (const auto& c : cases)
    {
        if (c.bytes.empty())
            hostile::CopyTo("flashanim", c.file + ".xml", path(c.file));
        else
            std::ofstream(path(c.file), std::ios::binary) << c.bytes;
        log.lines.clear();
        nE_FlashAnim anim("f"), again("g"); // a second object reading the file names it no more
        anim.SetResourceName(dir.path + c.file);
        again.SetResourceName(dir.path + c.file);
        ASSERT_EQ(1u, log.lines.size()) << c.file;
        EXPECT_EQ(0u, log.lines[0].find(c.line)) << log.lines[0];
        EXPECT_EQ(c.parts, anim.GetObjects().size()) << c.file;
        anim.Play("");
        RecordingRender render;
        for (int i = 0; i < 3; ++i, TickObject(anim, 0.1f))
            anim.Draw(&render, nE_RenderState());
        for (const auto& draw : render.draws)
            EXPECT_TRUE(std::isfinite(draw.state.alpha) && std::isfinite(draw.state.matrix.At(0, 0)) &&
                        std::isfinite(draw.state.matrix.At(3, 0)))
                << c.file;
    }
}

// The leg's alpha, colour, rotation and pos_y come from frame 0: values carry over.
TEST_F(FlashAnimTest, DrawComposesCarriedValuesWithDefaultsAndParent)
{
    auto a = Make("");
    EXPECT_EQ(a->GetObjects()[1].res, dir.path + "arm");
    a->Play("");
    TickObject(*a, 0.1f); // frame 1
    nE_RenderState parent;
    parent.alpha = 0.8f;
    parent.b = 0.5f;
    parent.offsetX = 99.0f;
    parent.matrix.At(3, 1) = 1000.0f;
    RecordingRender render;
    a->Draw(&render, parent);
    ASSERT_EQ(render.draws.size(), 2u) << "objects without id, with 7 or -1 are skipped";
    const nE_RenderState& body = render.draws[0].state;
    EXPECT_FLOAT_EQ(body.alpha, 0.4f) << "a first placement starts from alpha 1, not the file's defaults";
    EXPECT_EQ((std::vector<float>{0.5f, 0.5f, 3, 2, 10, 5}),
              (std::vector<float>{body.g, body.b, float(body.frame), float(body.blendMode), body.offsetX,
                                  body.offsetY}));
    const nE_RenderState& leg = render.draws[1].state;
    EXPECT_FLOAT_EQ(leg.alpha, 0.2f);
    EXPECT_FLOAT_EQ(leg.r, 0.25f);
    // Rotated by the placement, moved by (5, 7), then the defaults' (100, 0), then the parent's (0, 1000).
    EXPECT_FLOAT_EQ(leg.matrix.At(3, 0), 105.0f);
    EXPECT_FLOAT_EQ(leg.matrix.At(3, 1), 1007.0f);
    EXPECT_FLOAT_EQ(leg.matrix.At(1, 0), -1.0f);
}

} // namespace
