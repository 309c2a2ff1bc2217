// Sprites in a real window: placement, the whole-pixel rule for moved
// images, the hit mask under the transform, and the saved form.

#include "engine/core/nE_SLHelper.h"
#include "engine/scene/nE_Sprite.h"
#include "scene/window_fixture.h"

#include <tinyxml.h>

#include <cmath>
#include <string>

namespace
{

using de50test::Near;

const uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kBlack = 0xFF000000;

// An 8 x 8 image: left half red, right half blue, the top-left 2 x 2 corner clear.
class SpriteTest : public SceneWindowTest
{
protected:
    void SetUp() override
    {
        SceneWindowTest::SetUp();
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
        std::vector<uint32_t> px(64);
        for (int i = 0; i < 64; ++i)
            px[size_t(i)] = (i % 8 < 2 && i / 8 < 2) ? 0x00000000 : i % 8 < 4 ? kRed : kBlue;
        ASSERT_TRUE(animfixture::WritePng(files.path + "halves.png", 8, 8, px));
    }
    // The sprite of image `base` at (20, 20), twice its size.
    void Place(nE_Sprite& sprite, const std::string& base = "halves")
    {
        sprite.SetResourceName(files.path + base);
        sprite.LoadResourcesTree();
        sprite.SetPos(20, 20);
        sprite.SetScale(2, 2);
    }
    static nE_RenderState Composed(nE_Object& sprite)
    {
        nE_RenderState state;
        sprite.ComposeRenderState(state, nE_RenderState(), 0);
        return state;
    }
};

// Twice the size covers 12..28 both ways; half a turn swaps the halves and
// takes the clear corner to the bottom right, for drawing and for hits alike.
TEST_F(SpriteTest, DrawsAndHitsUnderPositionScaleRotationAndAlpha)
{
    nE_Sprite sprite("s");
    Place(sprite);
    const struct
    {
        float angle, alpha;
        int x, y;
        uint32_t colour;
        bool hit;
    } cases[] = {{0, 1, 14, 24, kRed, true},
                 {0, 1, 26, 24, kBlue, true},
                 {0, 1, 13, 13, kBlack, false},
                 {0, 1, 10, 20, kBlack, false},
                 {0, 1, 30, 20, kBlack, false},
                 {float(M_PI), 1, 14, 16, kBlue, true},
                 {float(M_PI), 1, 26, 16, kRed, true},
                 {float(M_PI), 1, 26, 26, kBlack, false},
                 {float(M_PI), 1, 13, 13, kBlue, true},
                 {0, 0.5f, 14, 24, 0xFF800000, true}};
    for (const auto& c : cases)
    {
        sprite.SetAngle(c.angle);
        sprite.SetAlpha(c.alpha);
        Frame(&sprite);
        EXPECT_TRUE(Near(Pixel(uint32_t(c.x), uint32_t(c.y)), c.colour, 3))
            << c.angle << " " << c.x << "," << c.y;
        EXPECT_EQ(c.hit, sprite.HitTest(float(c.x), float(c.y), Composed(sprite))) << c.x << "," << c.y;
    }
    // The loaded image supplies the rectangle but does not fix it.
    EXPECT_FALSE(sprite.HasInputRect());
    EXPECT_EQ(-4.0f, sprite.GetInputRect().x);
    EXPECT_EQ(8.0f, sprite.GetInputRect().w);
    EXPECT_EQ(0.0f, nE_Sprite().GetLocalRect().w); // no texture at all
    nE_Sprite missing;                             // the cache hands out the failed texture (1 x 1, no image)
    Place(missing, "nowhere");
    Frame(&missing);
    EXPECT_TRUE(Near(Pixel(20, 20), kBlack));
    for (float x : {30.0f, 20.0f, 20.5f}) // nowhere, not even at its centre
        EXPECT_FALSE(missing.HitTest(x, 20, Composed(missing))) << x;
}

// An image that is only moved lands on whole pixels whatever its size and
// position: a one-pixel checkerboard stays crisp.
TEST_F(SpriteTest, MovedImagesLandOnWholePixels)
{
    const struct
    {
        int size;
        float x, y;
    } cases[] = {{41, 32, 24}, {40, 32, 24}, {41, 30.4f, 20.7f}};
    for (const auto& c : cases)
    {
        std::vector<uint32_t> board(size_t(c.size * c.size));
        for (int i = 0; i < c.size * c.size; ++i)
            board[size_t(i)] = (i % c.size + i / c.size) % 2 ? kRed : kBlue;
        const std::string name = "board" + std::to_string(c.size);
        ASSERT_TRUE(animfixture::WritePng(files.path + name + ".png", c.size, c.size, board));
        nE_Sprite sprite;
        sprite.SetResourceName(files.path + name);
        sprite.LoadResourcesTree();
        sprite.SetPos(c.x, c.y);
        Frame(&sprite);
        const int left = int(std::floor(c.x - c.size / 2.0f + 0.5f));
        const int top = int(std::floor(c.y - c.size / 2.0f + 0.5f));
        int wrong = 0;
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x)
                wrong += Pixel(uint32_t(left + x), uint32_t(top + y)) != board[size_t(y * c.size + x)];
        EXPECT_EQ(0, wrong) << c.size << " at " << c.x << "," << c.y;
    }
}

TEST_F(SpriteTest, SaveAndLoadRoundTrip)
{
    nE_Sprite sprite("hero");
    sprite.SetResourceName(files.path + "halves");
    sprite.SetPos(3.5f, -2);
    TiXmlElement xml("spr");
    nE_SLHelper_XML writer(&xml);
    sprite.Save(writer);
    ASSERT_NE(nullptr, xml.LastAttribute());
    EXPECT_EQ(std::string("res"), xml.LastAttribute()->Name()); // after the base properties
    nE_Sprite copy;
    copy.LoadResourcesTree();
    nE_SLHelper_XML reader(&xml);
    copy.Load(reader);
    EXPECT_EQ("hero", copy.GetName());
    EXPECT_EQ(3.5f, copy.GetX());
    ASSERT_NE(nullptr, copy.GetTexture()); // loaded sprites pick the new image up at once
    EXPECT_EQ(8.0f, copy.GetLocalRect().w);
}

} // namespace
