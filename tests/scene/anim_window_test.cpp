// Animations and the animated cursor in a real window: the frames come out of
// a frame texture and are read back from the screen.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/core/nE_Scene.h"
#include "engine/core/nE_ScriptApi.h"
#include "engine/platform/nE_Cursor_Pl5.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_AnimSprite.h"
#include "engine/scene/nE_SceneTypes.h"
#include "platform/de50_test_support.h"
#include "scene/anim_fixture.h"

#include <memory>
#include <string>

namespace
{

using animfixture::kStripColours;

const uint32_t kBlack = 0xFF000000;

class AnimWindowTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(files.Make());
        g_mediator = &bus;
        g_resourceCache = &cache;
        nE_RegisterTextureCreators();
        nE_RegisterSceneObjectTypes();
        render.reset(nE_CreateRender());
        render->SetScreenSize(float(kW), float(kH));
    }
    void TearDown() override
    {
        g_scriptMediaHooks = nE_ScriptMediaHooks();
        nE_SetCursorPosFunc(nullptr);
        render.reset();
        cache.Clear();
        g_resourceCache = nullptr;
        g_mediator = nullptr;
        files.Remove();
        WindowTest::TearDown();
    }

    // One frame: black screen, then the object, then the cursor in its own 2D pass.
    void Frame(nE_Object* object, nE_Cursor_Pl5* cursor = nullptr)
    {
        render->BeginScene();
        render->Begin2D();
        r->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(0, 0, 0, 1));
        if (object) object->DrawTree(render.get(), nE_RenderState());
        render->End2D();
        if (cursor) cursor->Draw(render.get());
        render->EndScene();
    }
    // The door animation at (10, 10), loaded and playing `function`.
    void Door(nE_AnimSprite& anim, const char* function)
    {
        anim.SetResourceName(files.dir + "door");
        anim.SetPos(10, 10);
        anim.LoadResourcesTree();
        anim.Play(function, "");
    }
    static void Tick(nE_Object& object, float seconds)
    {
        nE_TimeStep step;
        step.step = seconds;
        object.UpdateTree(&step);
    }

    animfixture::Folder files;
    nE_Mediator bus;
    nE_ResourceCache cache;
    std::unique_ptr<nE_Render_Pl5> render;
};

TEST_F(AnimWindowTest, PlayingAnimationShowsEachFrameAndTheCrossFadeMixes)
{
    nE_AnimSprite anim("door"), lamp("lamp");
    Door(anim, "open");
    ASSERT_NE(nullptr, anim.GetTexture());
    // Frames are pinned at their top-left corner; the input rectangle follows.
    EXPECT_EQ(4.0f, anim.GetInputRect().w);
    EXPECT_FALSE(anim.HasInputRect());
    for (int frame = 0; frame < 3; ++frame)
    {
        Frame(&anim);
        EXPECT_TRUE(de50test::Near(Pixel(11, 11), kStripColours[frame])) << frame;
        EXPECT_TRUE(de50test::Near(Pixel(15, 11), kBlack));
        Tick(anim, 0.1f);
    }
    Door(lamp, "spin"); // red fading into green
    Tick(lamp, 0.05f);
    Frame(&lamp);
    EXPECT_TRUE(de50test::Near(Pixel(11, 11), 0xFF808000, 3)) << std::hex << Pixel(11, 11);
}

TEST_F(AnimWindowTest, AnimatedCursorPlaysItsAnimationAtThePointer)
{
    animfixture::WriteText(files.dir + "cur.xml", R"(<animation frame_texture="strip_ft">
  <function name="DoAnim" frametime="100" loop="1"><frame idx="1"/><frame idx="2"/></function>
</animation>)");
    ASSERT_TRUE(animfixture::WriteStrip(files.dir + "cur.png", {0xFFFFFFFF}, 4));
    nE_Cursor_Pl5 cursor;
    ASSERT_EQ(0, cursor.AddCursor(files.dir + "cur", 0, 0, 0x7F00));
    ASSERT_TRUE(cursor.GetRecord(0)->animated);
    auto* anim = dynamic_cast<nE_AnimSprite*>(cursor.GetRecord(0)->sprite.get());
    ASSERT_NE(nullptr, anim);
    EXPECT_TRUE(anim->IsPlaying());
    cursor.SetCursor(0);
    cursor.SetPosition(30, 20);
    Frame(nullptr, &cursor);
    EXPECT_TRUE(de50test::Near(Pixel(31, 21), kStripColours[1]));

    nE_TimeStep step;
    step.step = 0.1f;
    cursor.Update(&step);
    cursor.SetPosition(5, 5);
    Frame(nullptr, &cursor);
    EXPECT_TRUE(de50test::Near(Pixel(6, 6), kStripColours[2]));
    EXPECT_TRUE(de50test::Near(Pixel(31, 21), kBlack));
}

} // namespace
