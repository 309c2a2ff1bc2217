#include "platform/de50_test_support.h"
#include <cstring>

#include "engine/core/nE_Resource.h"
#include "engine/core/nE_SLHelper.h"
#include "engine/platform/nE_Render_Pl5.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_SceneTypes.h"
#include "engine/scene/nE_Sprite.h"

#include <SDL.h>
#include <SDL_image.h>
#include <tinyxml.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{

const uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00, kBlack = 0xFF000000;

// The platform renderer, the texture kinds and a resource cache in the test
// window; an 8 x 8 image (left half red, right half blue, the top-left 2 x 2
// corner transparent) and a 4 x 2 green one in a temporary folder.
class SpriteTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        g_render = nE_CreateRender();
        g_render->SetScreenSize(kW, kH);
        nE_RegisterTextureCreators();
        g_resourceCache = new nE_ResourceCache();
        nE_RegisterSceneObjectTypes();
        char tmpl[] = "/tmp/ne_sprite_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        std::vector<uint32_t> px(64);
        for (int i = 0; i < 64; ++i)
            px[size_t(i)] = (i % 8 < 2 && i / 8 < 2) ? 0x00000000 : i % 8 < 4 ? kRed : kBlue;
        WritePng("halves", 8, 8, px);
        WritePng("green", 4, 2, std::vector<uint32_t>(8, kGreen));
    }
    void TearDown() override
    {
        delete g_resourceCache;
        g_resourceCache = nullptr;
        delete g_render;
        g_render = nullptr;
        g_currentRender = nullptr;
        std::system(("rm -rf '" + dir + "'").c_str());
        WindowTest::TearDown();
    }
    void WritePng(const std::string& base, int w, int h, const std::vector<uint32_t>& pixels)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(nullptr, s);
        for (int y = 0; y < h; ++y)
            memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, &pixels[size_t(y) * w], size_t(w) * 4);
        EXPECT_EQ(0, IMG_SavePNG(s, (Name(base) + ".png").c_str()));
        SDL_FreeSurface(s);
    }
    // The asset name (no extension).
    std::string Name(const std::string& base) const { return dir + "/" + base; }
    // Draws the sprite's tree in one frame on black.
    static void DrawOne(nE_Object& sprite)
    {
        g_render->BeginScene();
        g_render->Begin2D();
        sprite.DrawTree(g_render, nE_RenderState());
        g_render->End2D();
        g_render->EndScene();
    }
    static nE_RenderState Composed(nE_Object& sprite)
    {
        nE_RenderState state;
        sprite.ComposeRenderState(state, nE_RenderState(), 0);
        return state;
    }

    std::string dir;
};

TEST_F(SpriteTest, DrawsAtPositionScaleAndRotation)
{
    nE_Sprite sprite("s");
    sprite.SetResourceName(Name("halves"));
    sprite.LoadResourcesTree();
    ASSERT_NE(nullptr, sprite.GetTexture());
    sprite.SetPos(20, 20);
    sprite.SetScale(2, 2); // covers 12..28 in both directions
    DrawOne(sprite);
    EXPECT_TRUE(de50test::Near(Pixel(14, 24), kRed));
    EXPECT_TRUE(de50test::Near(Pixel(26, 24), kBlue));
    for (int x : {13, 10, 30}) // the transparent corner, then either side
        EXPECT_TRUE(de50test::Near(Pixel(x, x == 13 ? 13 : 20), kBlack)) << x;

    sprite.SetAngle(float(M_PI)); // half a turn swaps the halves
    DrawOne(sprite);
    EXPECT_TRUE(de50test::Near(Pixel(14, 16), kBlue));
    EXPECT_TRUE(de50test::Near(Pixel(26, 16), kRed));
    EXPECT_TRUE(de50test::Near(Pixel(26, 26), kBlack)); // the corner, now bottom right

    sprite.SetAngle(0);
    sprite.SetAlpha(0.5f);
    DrawOne(sprite);
    EXPECT_TRUE(de50test::Near(Pixel(14, 24), 0xFF800000, 3));
}

// An image that is only moved lands on whole pixels whatever its size and
// position: a one-pixel checkerboard stays crisp.
TEST_F(SpriteTest, MovedImagesLandOnWholePixels)
{
    struct Case
    {
        int size;
        float x, y;
    };
    const Case cases[] = {{41, 32, 24}, {40, 32, 24}, {41, 30.4f, 20.7f}};
    for (const Case& c : cases)
    {
        std::vector<uint32_t> board(size_t(c.size * c.size));
        for (int i = 0; i < c.size * c.size; ++i)
            board[size_t(i)] = (i % c.size + i / c.size) % 2 ? kRed : kBlue;
        const std::string name = "board" + std::to_string(c.size);
        WritePng(name, c.size, c.size, board);
        nE_Sprite sprite;
        sprite.SetResourceName(Name(name));
        sprite.LoadResourcesTree();
        sprite.SetPos(c.x, c.y);
        DrawOne(sprite);
        const int left = int(std::floor(c.x - c.size / 2.0f + 0.5f));
        const int top = int(std::floor(c.y - c.size / 2.0f + 0.5f));
        int wrong = 0;
        for (int y = 0; y < c.size; ++y)
            for (int x = 0; x < c.size; ++x)
                wrong += Pixel(uint32_t(left + x), uint32_t(top + y)) != board[size_t(y * c.size + x)];
        EXPECT_EQ(0, wrong) << c.size << " at " << c.x << "," << c.y;
    }
}

// Pixel-exact: transparent pixels and points outside the image do not take the
// mouse; a missing image neither draws nor is hit.
TEST_F(SpriteTest, HitTestUsesTheMaskUnderTheTransform)
{
    nE_Sprite sprite;
    sprite.SetResourceName(Name("halves"));
    sprite.LoadResourcesTree();
    sprite.SetPos(20, 20);
    sprite.SetScale(2, 2);
    nE_RenderState state = Composed(sprite);
    EXPECT_TRUE(sprite.HitTest(14, 24, state));
    EXPECT_TRUE(sprite.HitTest(27, 27, state));
    EXPECT_FALSE(sprite.HitTest(13, 13, state));
    EXPECT_FALSE(sprite.HitTest(30, 20, state));
    sprite.SetAngle(float(M_PI));
    state = Composed(sprite);
    EXPECT_FALSE(sprite.HitTest(27, 27, state)); // the corner turned with the image
    EXPECT_TRUE(sprite.HitTest(13, 13, state));
    // The loaded image supplies the rectangle but does not fix it.
    EXPECT_FALSE(sprite.HasInputRect());
    EXPECT_EQ(-4.0f, sprite.GetInputRect().x);
    EXPECT_EQ(8.0f, sprite.GetInputRect().w);

    EXPECT_EQ(0.0f, nE_Sprite().GetLocalRect().w); // no texture at all
    nE_Sprite missing;                             // the cache hands out the failed texture (1 x 1, no image)
    missing.SetResourceName(Name("nowhere"));
    missing.LoadResourcesTree();
    missing.SetPos(20, 20);
    missing.SetScale(8, 8);
    DrawOne(missing);
    EXPECT_TRUE(de50test::Near(Pixel(20, 20), kBlack));
    EXPECT_FALSE(missing.HitTest(30, 20, Composed(missing)));
}

TEST_F(SpriteTest, SaveAndLoadRoundTrip)
{
    nE_Sprite sprite("hero");
    sprite.SetResourceName(Name("halves"));
    sprite.SetPos(3.5f, -2);
    TiXmlElement xml("spr");
    nE_SLHelper_XML writer(&xml);
    sprite.Save(writer);
    ASSERT_NE(nullptr, xml.LastAttribute());
    EXPECT_EQ(std::string("res"), xml.LastAttribute()->Name()); // after the base properties
    EXPECT_EQ(Name("halves"), xml.Attribute("res"));

    nE_Sprite copy;
    copy.LoadResourcesTree();
    nE_SLHelper_XML reader(&xml);
    copy.Load(reader);
    EXPECT_EQ("hero", copy.GetName());
    EXPECT_EQ(Name("halves"), copy.GetResourceName());
    EXPECT_EQ(3.5f, copy.GetX());
    ASSERT_NE(nullptr, copy.GetTexture()); // loaded sprites pick the new image up at once
    EXPECT_EQ(8.0f, copy.GetLocalRect().w);
}

} // namespace
