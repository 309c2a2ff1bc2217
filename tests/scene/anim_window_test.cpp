// Animations, the animated cursor and an emitter-file particle system in a
// real window, read back from the screen.

#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_ParticleJan.h"
#include "scene/engine_scope.h"
#include "scene/particle_fixture.h"
#include "scene/window_fixture.h"

namespace
{

using animfixture::kStripColours;
using de50test::Near;

const uint32_t kBlack = 0xFF000000;

class AnimWindowTest : public SceneWindowTest
{
protected:
    // The door animation at (10, 10), loaded and playing `function`.
    void Door(nE_AnimSprite& anim, const char* function)
    {
        anim.SetResourceName(files.path + "door");
        anim.SetPos(10, 10);
        anim.LoadResourcesTree();
        anim.Play(function, "");
    }
};

TEST_F(AnimWindowTest, PlayingAnimationShowsEachFrameAndTheCrossFadeMixes)
{
    nE_AnimSprite anim("door"), lamp("lamp");
    Door(anim, "open");
    // Frames are pinned at their top-left corner; the input rectangle follows.
    EXPECT_EQ(4.0f, anim.GetInputRect().w);
    EXPECT_FALSE(anim.HasInputRect());
    for (int frame = 0; frame < 3; ++frame)
    {
        Frame(&anim);
        EXPECT_TRUE(Near(Pixel(11, 11), kStripColours[frame])) << frame;
        EXPECT_TRUE(Near(Pixel(15, 11), kBlack));
        TickObject(anim, 0.1f);
    }
    Door(lamp, "spin"); // red fading into green
    TickObject(lamp, 0.05f);
    Frame(&lamp);
    EXPECT_TRUE(Near(Pixel(11, 11), 0xFF808000, 3)) << std::hex << Pixel(11, 11);
}

TEST_F(AnimWindowTest, AnimatedCursorPlaysItsAnimationAtThePointer)
{
    animfixture::WriteText(files.path + "cur.xml", R"(<animation frame_texture="strip_ft">
  <function name="DoAnim" frametime="100" loop="1"><frame idx="1"/><frame idx="2"/></function>
</animation>)");
    ASSERT_TRUE(animfixture::WriteStrip(files.path + "cur.png", {0xFFFFFFFF}));
    nE_Cursor_Pl5 cursor;
    ASSERT_EQ(0, cursor.AddCursor(files.path + "cur", 0, 0, 0x7F00));
    ASSERT_TRUE(cursor.GetRecord(0)->animated);
    auto* anim = dynamic_cast<nE_AnimSprite*>(cursor.GetRecord(0)->sprite.get());
    ASSERT_NE(nullptr, anim);
    EXPECT_TRUE(anim->IsPlaying());
    cursor.SetCursor(0);
    cursor.SetPosition(30, 20);
    Frame(nullptr, kBlack, [&] { cursor.Draw(render.get()); });
    EXPECT_TRUE(Near(Pixel(31, 21), kStripColours[1]));
    nE_TimeStep step;
    step.step = 0.1f;
    cursor.Update(&step);
    cursor.SetPosition(5, 5);
    Frame(nullptr, kBlack, [&] { cursor.Draw(render.get()); });
    EXPECT_TRUE(Near(Pixel(6, 6), kStripColours[2]));
    EXPECT_TRUE(Near(Pixel(31, 21), kBlack));
}

TEST_F(AnimWindowTest, EmitterFileParticlesAreDrawnTinted)
{
    // One particle at (20, 10), twice the texture's size, tinted green, added on top.
    animfixture::WriteText(
        files.path + "ps.xml",
        "<ps type=\"jan\">" +
            pstest::Emitter("delay=100000 scale_x=2 scale_y=2 color_r=0 color_b=0 pos_x=20 "
                            "pos_y=10 blend=2 res=" +
                            files.path + "white") +
            "</ps>");
    nE_ParticleSystem ps("ps");
    ps.SetResourceName(files.path + "ps");
    ps.SetPos(10, 10);
    ps.LoadResourcesTree();
    ps.GetImpl()->Start();
    TickObject(ps, 0.0f);
    Frame(&ps, 0xFF800000);
    // Its centre and a corner of its 8 x 8 quad, then a pixel outside.
    const uint32_t expected[][3] = {{30, 20, 0xFF80FF00}, {26, 16, 0xFF80FF00}, {35, 20, 0xFF800000}};
    for (const auto& e : expected)
        EXPECT_TRUE(Near(Pixel(e[0], e[1]), e[2], 3)) << e[0] << "," << e[1];
}

} // namespace
