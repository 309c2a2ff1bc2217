#include "platform/de50_test_support.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <fstream>
#include <iterator>

using namespace DE50;

namespace
{

class De50Texture : public de50test::WindowTest
{
protected:
    void TearDown() override
    {
        for (const std::string& f : files)
            std::remove(f.c_str());
        WindowTest::TearDown();
    }
    // A 3 x 2 image: top row opaque red, green, blue; bottom row transparent, half, opaque white.
    std::string WriteImage(const char* name, bool jpeg = false)
    {
        std::string path = testing::TempDir() + "de50_tex_" + name;
        files.push_back(path);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 32, SDL_PIXELFORMAT_ARGB8888);
        uint32_t px[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x00000000, 0x80FFFFFF, 0xFFFFFFFF};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = px[y * 3 + x];
        if (jpeg)
            IMG_SaveJPG(s, path.c_str(), 100);
        else
            IMG_SavePNG(s, path.c_str());
        SDL_FreeSurface(s);
        return path;
    }
    std::vector<std::string> files;
};

TEST_F(De50Texture, PngPixelsWithAlphaLast)
{
    auto t = TTexture::Get(WriteImage("a.png"));
    ASSERT_TRUE(t);
    EXPECT_EQ(3u, t->GetWidth());
    EXPECT_EQ(2u, t->GetHeight());
    uint32_t pitch = 0;
    uint32_t* p = t->Lock(&pitch);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(3u, pitch);
    EXPECT_EQ(0xFFFF0000u, p[0]);
    EXPECT_EQ(0xFF0000FFu, p[2]);
    EXPECT_EQ(0u, reinterpret_cast<uint8_t*>(p)[(pitch + 0) * 4 + 3]);
    EXPECT_EQ(0x80u, reinterpret_cast<uint8_t*>(p)[(pitch + 1) * 4 + 3]);
    EXPECT_EQ(nullptr, t->Lock(&pitch)); // already lent
    t->Unlock();
}

TEST_F(De50Texture, JpegIsOpaque)
{
    auto t = TTexture::Get(WriteImage("a.jpg", true));
    ASSERT_TRUE(t);
    uint32_t pitch = 0;
    uint32_t* p = t->Lock(&pitch);
    ASSERT_NE(nullptr, p);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(0xFFu, p[(i / 3) * pitch + i % 3] >> 24);
    t->Unlock();
}

TEST_F(De50Texture, MissingAndTruncatedFilesGiveNothing)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(TTexture::Get("/nonexistent/image.png"));
    std::string good = WriteImage("good.png");
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string cut = testing::TempDir() + "de50_tex_cut.png";
    files.push_back(cut);
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    EXPECT_FALSE(TTexture::Get(cut));
    std::string empty = testing::TempDir() + "de50_tex_empty.png";
    files.push_back(empty);
    std::ofstream(empty, std::ios::binary).flush();
    EXPECT_FALSE(TTexture::Get(empty));
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, log.find("Error: image \"/nonexistent/image.png\""));
}

TEST_F(De50Texture, CreatedTexturesStartTransparentAndTakeFills)
{
    auto t = TTexture::Create(5, 3, true, TTexture::kPlain);
    ASSERT_TRUE(t);
    EXPECT_EQ(5u, t->GetWidth());
    EXPECT_EQ(0u, TexturePixel(t, 4, 2));
    uint32_t pitch = 0;
    uint32_t* p = t->Lock(&pitch);
    for (uint32_t i = 0; i < 5 * 3; ++i)
        p[i] = 0xFF102030;
    t->Unlock();
    Begin();
    r->GetDefault2dEffect()->SetTexture(t);
    Quad(0, 0, 10, 6, TColor32(255, 255, 255, 255));
    End();
    EXPECT_EQ(0xFF102030u, Pixel(5, 3));
    // A change after a draw shows from the next draw on, not in the earlier one.
    Begin();
    Quad(0, 0, 10, 6, TColor32(255, 255, 255, 255));
    p = t->Lock(&pitch);
    p[0] = 0xFFFFFFFF;
    t->Unlock();
    Quad(20, 0, 10, 6, TColor32(255, 255, 255, 255));
    End();
    EXPECT_EQ(0xFF102030u, Pixel(0, 0));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(20, 0));
}

TEST_F(De50Texture, RenderTargetLockWithoutWindowFails)
{
    auto t = TTexture::Create(4, 4, true, TTexture::kRenderTarget);
    DE50::Test::Reset(); // closes the window
    uint32_t pitch = 0;
    EXPECT_EQ(nullptr, t->Lock(&pitch));
    t->Unlock();
}

} // namespace
