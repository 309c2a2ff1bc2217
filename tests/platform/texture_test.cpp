#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "platform/de50_test_support.h"

#include <SDL.h>
#include <SDL_image.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

using de50test::LogCapture;

// A window, a scratch folder of images, the bus for log lines and a cache
// with the texture creators.
class TextureTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        g_resourceCache = &cache;
        for (int kind = 0; kind < NE_RES_KIND_COUNT; ++kind)
            saved[kind] = nE_ResourceCache::SetCreator(kind, nE_ResourceCreator());
        nE_RegisterTextureCreators();
    }
    void TearDown() override
    {
        for (int kind = 0; kind < NE_RES_KIND_COUNT; ++kind)
            nE_ResourceCache::SetCreator(kind, saved[kind]);
        cache.Clear();
        g_resourceCache = nullptr;
        g_mediator = nullptr;
        WindowTest::TearDown();
    }

    // Writes rows of 0xAARRGGBB pixels as dir + file.
    void WriteImage(const std::string& file, int w, int h, const std::vector<uint32_t>& px, bool jpeg = false)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(nullptr, s);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = px[size_t(y * w + x)];
        const std::string path = dir + file;
        const int rc = jpeg ? IMG_SaveJPG(s, path.c_str(), 100) : IMG_SavePNG(s, path.c_str());
        SDL_FreeSurface(s);
        ASSERT_EQ(0, rc);
    }
    void WriteSolid(const std::string& file, int w, int h, uint32_t colour, bool jpeg = false)
    {
        WriteImage(file, w, h, std::vector<uint32_t>(size_t(w * h), colour), jpeg);
    }
    void WriteText(const std::string& file, const std::string& text)
    {
        std::ofstream(dir + file, std::ios::binary) << text;
    }

    std::shared_ptr<nE_Texture_Pl5> LoadTexture(const std::string& name, bool expect = true)
    {
        auto t = std::make_shared<nE_Texture_Pl5>();
        EXPECT_EQ(expect, t->Load(dir + name)) << name;
        return t;
    }
    std::shared_ptr<nE_FrameTexture_Pl5> LoadFrames(const std::string& name, bool expect = true)
    {
        auto t = std::make_shared<nE_FrameTexture_Pl5>();
        EXPECT_EQ(expect, t->Load(dir + name)) << name;
        return t;
    }

    void DrawFull(const std::shared_ptr<DE50::TTexture>& t)
    {
        Begin();
        r->GetDefault2dEffect()->SetTexture(t);
        r->GetDefault2dEffect()->SetBlendMode(0);
        Quad(0, 0, kW, kH, DE50::TColor32(0xFFFFFFFF));
        r->GetDefault2dEffect()->SetTexture(nullptr);
        End();
    }

    // Pixel (px, py) of a w x h texture centred on the origin, at its centre.
    static nE_Vec3 Centre(int px, int py, float w, float h)
    {
        return nE_Vec3(px - w / 2 + 0.5f, py - h / 2 + 0.5f, 0);
    }

    de50test::ScratchDir scratch;
    const std::string& dir = scratch.path;
    nE_Mediator bus;
    LogCapture log;
    nE_ResourceCache cache;
    nE_ResourceCreator saved[NE_RES_KIND_COUNT];
};

std::vector<float> V(const nE_Rect& r)
{
    return {r.x, r.y, r.w, r.h};
}

// 4 x 2: alpha 0, 1, 128, 255 on top; 255, 0, 0, 1 below.
const std::vector<uint32_t> kAlphaPixels = {0x00FF0000, 0x01FF0000, 0x80FF0000, 0xFFFF0000,
                                            0xFF00FF00, 0x0000FF00, 0x0000FF00, 0x0100FF00};
const bool kAlphaHit[8] = {false, true, true, true, true, false, false, true};

// --- images and hit masks --------------------------------------------------

TEST_F(TextureTest, HitMaskFromAlphaUnderTransform)
{
    WriteImage("a.png", 4, 2, kAlphaPixels);
    auto t = LoadTexture("a");
    EXPECT_EQ((std::vector<float>{-2, -1, 4, 2}), V(t->GetFrameRect(3))); // centred
    nE_RenderState plain, moved;
    moved.offsetX = 3;
    moved.offsetY = -1;
    nE_Matrix::BuildObjectTransform(moved.matrix, 100, 50, float(M_PI / 2), 10, 5);
    nE_Matrix full;
    nE_Matrix::Translate(full, moved.offsetX, moved.offsetY);
    nE_Matrix::MultiplyAssign(full, moved.matrix);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
        {
            const bool hit = kAlphaHit[y * 4 + x];
            const nE_Vec3 p = Centre(x, y, 4, 2);
            nE_Vec3 world;
            nE_Matrix::TransformPoint(world, p, full);
            EXPECT_EQ(hit, t->GetHitMask().Get(x, y)) << x << "," << y;
            EXPECT_EQ(hit, t->HitTest(p.x, p.y, plain)) << x << "," << y;
            EXPECT_EQ(hit, t->HitTest(world.x, world.y, moved)) << x << "," << y;
        }
    // Outside the rotated rectangle; the untransformed point is not hit either.
    nE_Vec3 outside;
    nE_Matrix::TransformPoint(outside, nE_Vec3(-2.5f, 0, 0), full);
    EXPECT_FALSE(t->HitTest(outside.x, outside.y, moved));
    EXPECT_FALSE(t->HitTest(0.5f, -0.5f, moved));

    // Edges: the far edge is the last pixel; beyond it and non-finite points miss.
    WriteSolid("s.png", 3, 3, 0xFF102030);
    auto solid = LoadTexture("s");
    EXPECT_TRUE(solid->HitTest(-1.5f, -1.5f, plain) && solid->HitTest(1.49f, 1.49f, plain));
    EXPECT_FALSE(solid->HitTest(1.6f, 0, plain) || solid->HitTest(0, -1.6f, plain));
    EXPECT_FALSE(solid->HitTest(NAN, 0, plain));
}

TEST_F(TextureTest, PngIsChosenBeforeJpg)
{
    WriteSolid("both.png", 4, 4, 0x00000000);
    WriteSolid("both.jpg", 8, 8, 0xFFFFFFFF, true);
    auto t = LoadTexture("both");
    EXPECT_EQ(4.0f, t->GetWidth());
    EXPECT_FALSE(t->HitTest(0, 0, nE_RenderState())); // the transparent png, not the jpg
    // Alone, the jpg loads, whole and opaque to the mouse.
    WriteSolid("photo.jpg", 6, 3, 0xFFFFFFFF, true);
    auto photo = LoadTexture("photo");
    EXPECT_EQ((std::vector<float>{6, 3}), (std::vector<float>{photo->GetWidth(), photo->GetHeight()}));
    EXPECT_TRUE(photo->HitTest(2.5f, 1, nE_RenderState()));
}

TEST_F(TextureTest, MissingTruncatedAndGarbageImagesFailCleanly)
{
    std::vector<uint32_t> px(32 * 32);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = uint32_t(i * 2654435761u) | 0xFF000000;
    WriteImage("full.png", 32, 32, px);
    std::ifstream in(dir + "full.png", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 200u);
    WriteText("cut.png", bytes.substr(0, bytes.size() / 2));
    WriteText("junk.png", "not an image at all");
    WriteText("empty.png", "");
    // Only PNG and JPEG decode, and only up to a size read from the header first.
    WriteText("gif.png", std::string("GIF89a\1\0\1\0\x80\0\0\0\0\0\xFF\xFF\xFF!\xF9\4\1\0\0\0\0,"
                                     "\0\0\0\0\1\0\1\0\0\2\2D\1\0;",
                                     43));
    WriteSolid("wide.png", 16385, 1, 0xFFFFFFFF);
    const std::string ihdr("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    WriteText("side.png", ihdr + std::string("\0\0\x4E\x20\0\0\x4E\x20\x08\6\0\0\0", 13));
    WriteText("area.png", ihdr + std::string("\0\0\x20\0\0\0\x10\1\x08\6\0\0\0", 13));
    // A chunk longer than the file once kept the decoder reading for ever.
    WriteText("chunk.png", ihdr + std::string("\0\0\0\2\0\0\0\2\x08\0\0\0\0\x57\xDD\x52\xF8\0\x8F\0\x09pHYs"
                                              "\0\0\0\1\0\0\0\1\0\0\0\0IEND\xAE\x42\x60\x82",
                                              45));
    WriteSolid("big.jpg", 8, 8, 0xFFFFFFFF, true);
    std::ifstream jin(dir + "big.jpg", std::ios::binary);
    std::string jpeg((std::istreambuf_iterator<char>(jin)), std::istreambuf_iterator<char>());
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(std::string::npos, sof);
    jpeg.replace(sof + 5, 4, "\x4E\x20\x4E\x20");
    WriteText("big.png", jpeg);

    for (const char* name : {"nothing", "cut", "junk", "empty", "gif", "wide", "side", "area", "chunk", "big"})
    {
        log.lines.clear();
        auto t = LoadTexture(name, false);
        EXPECT_FALSE(t->GetPlatformTexture(0)) << name;
        EXPECT_EQ((std::vector<float>{1, 1}), (std::vector<float>{t->GetWidth(), t->GetHeight()})) << name;
        EXPECT_TRUE(t->GetHitMask().Empty()) << name;
        EXPECT_TRUE(log.Has(std::string(name) == "nothing"
                                ? "Error: texture could not find \"" + dir + "nothing\" file!"
                                : "Error: texture could not read"))
            << name;
    }

    // A sound header over damaged pixel data loads at its size; the decode, at
    // first use, fails: nothing is drawn and nothing takes the mouse.
    std::string damaged = bytes;
    const size_t idat = damaged.find("IDAT");
    ASSERT_NE(std::string::npos, idat);
    for (size_t i = idat + 8; i < idat + 24; ++i)
        damaged[i] = char(~damaged[i]);
    WriteText("damaged.png", damaged);
    log.lines.clear();
    auto t = LoadTexture("damaged");
    EXPECT_EQ((std::vector<float>{32, 32}), (std::vector<float>{t->GetWidth(), t->GetHeight()}));
    EXPECT_FALSE(t->HitTest(0, 0, nE_RenderState()));
    EXPECT_FALSE(t->GetPlatformTexture(0));
    EXPECT_TRUE(log.Has("Error: texture could not read \"" + dir + "damaged.png\" file!"));
}

// A grey PNG, 3 x 1, of the given bit depth and packed row, whose grey value
// `key` is transparent.
std::string KeyedGreyPng(int depth, const std::string& row, unsigned key)
{
    auto be32 = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    auto chunk = [&](const char* type, const std::string& data)
    {
        const std::string body = type + data;
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
        return be32(uint32_t(data.size())) + body + be32(uint32_t(crc));
    };
    const std::string raw = '\0' + row; // no filter
    uLongf size = compressBound(uLong(raw.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
             uLong(raw.size()));
    packed.resize(size);
    const std::string ihdr = be32(3) + be32(1) + char(depth) + std::string(4, '\0');
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr) + chunk("tRNS", std::string{char(key >> 8), char(key)}) +
           chunk("IDAT", packed) + chunk("IEND", "");
}

// Grey PNGs with a transparent grey value keep their grey and their transparency:
// pixels grey, key, grey.
TEST_F(TextureTest, KeyedGreyPngsKeepTheirGrey)
{
    struct Case
    {
        int depth;
        std::string row;
        unsigned key;
        uint32_t shown;
    };
    const Case cases[] = {{8, std::string("\x96\0\x96", 3), 0, 0xFF969696},
                          {16, "\x96\x96\x01\x07\x96\x96", 0x107, 0xFF969696},
                          {4, "\x9F\x90", 15, 0xFF999999}};
    for (const Case& c : cases)
    {
        WriteText("grey.png", KeyedGreyPng(c.depth, c.row, c.key));
        auto t = LoadTexture("grey");
        ASSERT_TRUE(t->GetPlatformTexture(0)) << c.depth;
        EXPECT_EQ(c.shown, TexturePixel(t->GetPlatformTexture(0), 0, 0)) << c.depth;
        EXPECT_EQ(0u, TexturePixel(t->GetPlatformTexture(0), 1, 0) >> 24) << c.depth;
        EXPECT_EQ(c.shown, TexturePixel(t->GetPlatformTexture(0), 2, 0)) << c.depth;
    }
}

// --- frame textures --------------------------------------------------------

class FrameTextureTest : public TextureTest
{
protected:
    void SetUp() override
    {
        TextureTest::SetUp();
        mkdir((dir + "sheet").c_str(), 0700);
        // Left half opaque, right half transparent, 8 x 4.
        std::vector<uint32_t> px(32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x)
                px[size_t(y * 8 + x)] = x < 4 ? 0xFF0000FF : 0x000000FF;
        WriteImage("sheet/img.png", 8, 4, px);
        // The third frame misspells "widht" the other way: its width is 0.
        WriteText("sheet/anim.xml", R"(<frametexture>
 <frame texture="img" left="0" top="0" widht="4" height="4" x="2" y="2"/>
 <frame texture="img" left="2" top="0" widht="4" height="2" x="0" y="0"/>
 <frame texture="img" left="4" top="2" width="4" height="2"/>
</frametexture>)");
    }
};

TEST_F(FrameTextureTest, FramesFromXmlShareTheImageAndHitTheirOwnPart)
{
    auto ft = LoadFrames("sheet/anim");
    ASSERT_EQ(3u, ft->GetFrameCount());
    EXPECT_EQ((std::vector<float>{-2, -2, 4, 4}), V(ft->GetFrameRect(0))); // centred pivot
    EXPECT_EQ(0.0f, ft->GetFrameRect(2).w);
    EXPECT_EQ(2.0f, ft->GetFrameRect(2).h);
    nE_RenderState state;
    state.frame = 3;
    EXPECT_EQ(0.0f, ft->GetTexCoordRect(state).w);
    EXPECT_FALSE(ft->HitTest(0, 0, state)); // frames beyond the list are never hit
    // Every frame shares the one cached image.
    ASSERT_TRUE(ft->GetPlatformTexture(0));
    EXPECT_EQ(ft->GetPlatformTexture(0), ft->GetPlatformTexture(2));
    EXPECT_EQ(ft->GetFrame(0)->texture, cache.GetTexture(dir + "sheet/img"));
    EXPECT_FALSE(ft->GetPlatformTexture(3));

    // Frame 0: image columns 0..3 (opaque) around the origin.
    state.frame = 0;
    EXPECT_TRUE(ft->HitTest(-1.5f, -1.5f, state));
    EXPECT_TRUE(ft->HitTest(1.99f, 1.99f, state)); // far edge: the frame's last pixel
    EXPECT_FALSE(ft->HitTest(2.5f, 0, state));     // outside the frame
    // Frame 1: image columns 2..5, the right half transparent.
    state.frame = 1;
    EXPECT_EQ((std::vector<float>{0.25f, 0, 0.5f, 0.5f}), V(ft->GetTexCoordRect(state)));
    EXPECT_TRUE(ft->HitTest(0.5f, 0.5f, state) && ft->HitTest(1.5f, 1.5f, state));
    EXPECT_FALSE(ft->HitTest(2.5f, 0.5f, state));  // the image's transparent half
    EXPECT_FALSE(ft->HitTest(-0.5f, 0.5f, state)); // outside the frame
    // Under a transform: frame 1 moved by (10, 20) and doubled.
    nE_Matrix::BuildObjectTransform(state.matrix, 10, 20, 0, 2, 2);
    EXPECT_TRUE(ft->HitTest(13, 22, state));
    EXPECT_FALSE(ft->HitTest(15, 22, state));
}

TEST_F(FrameTextureTest, BadFilesMissingImagesAndNoTextureAttributeFailCleanly)
{
    auto missing = LoadFrames("sheet/none", false);
    EXPECT_TRUE(log.Has("Error: frametexture could not find \"" + dir + "sheet/none\" file!"));
    EXPECT_EQ(0u, missing->GetFrameCount());
    WriteText("bad.xml", "<frametexture><frame texture=\"x\"</frametexture>");
    log.lines.clear();
    LoadFrames("bad", false);
    EXPECT_FALSE(log.lines.empty());

    WriteText("sheet/gaps.xml", "<frametexture>"
                                "<frame texture=\"gone\" widht=\"4\" height=\"4\" x=\"2\" y=\"2\"/>"
                                "<frame widht=\"4\" height=\"4\"/>"
                                "</frametexture>");
    auto ft = LoadFrames("sheet/gaps");
    ASSERT_EQ(2u, ft->GetFrameCount());
    EXPECT_TRUE(log.Has("Error: texture could not find \"" + dir + "sheet/gone\" file!"));
    EXPECT_TRUE(log.Has("has no texture"));
    nE_RenderState state;
    for (int frame = 0; frame < 2; ++frame)
    {
        state.frame = frame;
        EXPECT_FALSE(ft->GetPlatformTexture(frame));
        EXPECT_FALSE(ft->HitTest(0.5f, 0.5f, state));
    }
    EXPECT_EQ(0.0f, ft->GetTexCoordRect(state).w);
}

TEST_F(FrameTextureTest, NameWithoutSlashReadsFromTheWorkingFolder)
{
    char old[4096];
    ASSERT_NE(nullptr, getcwd(old, sizeof old));
    ASSERT_EQ(0, chdir((dir + "sheet").c_str()));
    nE_FrameTexture_Pl5 ft;
    const bool loaded = ft.Load("anim");
    const bool drawable = bool(ft.GetPlatformTexture(0));
    ASSERT_EQ(0, chdir(old));
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(drawable);
    EXPECT_EQ(3u, ft.GetFrameCount());
}

// --- generated textures and render targets ---------------------------------

// Text comes as coverage bytes (drawn white with that alpha), video as BGRA.
TEST_F(TextureTest, GeneratedFillFromCoverageAndBgra)
{
    nE_GeneratedTexture_Pl5 text;
    const uint8_t coverage[3 * 2] = {0, 128, 255, 1, 2, 3};
    ASSERT_TRUE(text.Fill(coverage, 3, 2, NE_PIXELS_COVERAGE));
    EXPECT_EQ(4.0f, text.GetWidth());
    auto t = text.GetPlatformTexture(0);
    const uint32_t expected[8] = {0x00FFFFFF, 0x80FFFFFF, 0xFFFFFFFF, 0x00FFFFFF,
                                  0x01FFFFFF, 0x02FFFFFF, 0x03FFFFFF, 0x00FFFFFF}; // padded to 4
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], TexturePixel(t, i % 4, i / 4)) << i;

    nE_GeneratedTexture_Pl5 video;
    const uint8_t bgra[2 * 2 * 4] = {0x10, 0x20, 0x30, 0xFF, 1, 2, 3, 4, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD};
    ASSERT_TRUE(video.Fill(bgra, 2, 2, NE_PIXELS_BGRA));
    auto v = video.GetPlatformTexture(0);
    EXPECT_EQ(0xFF302010u, TexturePixel(v, 0, 0));
    EXPECT_EQ(0x04030201u, TexturePixel(v, 1, 0));
    EXPECT_EQ(0xDDCCBBAAu, TexturePixel(v, 1, 1));

    const uint8_t half[2 * 2] = {128, 128, 128, 128};
    ASSERT_TRUE(text.Fill(half, 2, 2, NE_PIXELS_COVERAGE));
    r->GetDefault2dEffect()->SetFilteringMode(0);
    Begin();
    r->GetDefault2dEffect()->SetTexture(text.GetPlatformTexture(0));
    Quad(0, 0, kW, kH, DE50::TColor32(0xFFFFFFFF));
    End();
    EXPECT_TRUE(de50test::Near(Pixel(kW / 2, kH / 2), 0xFF808080, 3));
}

// --- the cache ---------------------------------------------------------------

TEST_F(TextureTest, CacheMakesEachKindAndKeepsNoFailedTexture)
{
    WriteSolid("c.png", 2, 2, 0xFF000000);
    EXPECT_TRUE(std::dynamic_pointer_cast<nE_Texture_Pl5>(cache.Get(dir + "c", NE_RES_TEXTURE)));
    EXPECT_TRUE(std::dynamic_pointer_cast<nE_FrameTexture_Pl5>(cache.Get(dir + "c", NE_RES_FRAME_TEXTURE)));

    // A texture that failed to load is handed out but not kept.
    nE_ResourcePtr m1 = cache.GetTexture(dir + "missing");
    ASSERT_TRUE(m1);
    EXPECT_NE(m1, cache.GetTexture(dir + "missing"));
    EXPECT_FALSE(std::dynamic_pointer_cast<nE_Texture_Pl5>(m1)->GetPlatformTexture(0));
}

TEST_F(TextureTest, TexturesSurviveALostDevice)
{
    WriteSolid("red.png", 4, 4, 0xFFFF0000);
    auto image = LoadTexture("red");
    nE_GeneratedTexture_Pl5 text;
    const uint8_t coverage[4] = {255, 255, 255, 255};
    ASSERT_TRUE(text.Fill(coverage, 2, 2, NE_PIXELS_COVERAGE));
    const auto textPlatform = text.GetPlatformTexture(0);

    DrawFull(image->GetPlatformTexture(0));
    EXPECT_TRUE(de50test::Near(Pixel(5, 5), 0xFFFF0000));

    DE50::Test::SimulateLostTextures();
    DE50::Test::DeliverPendingTasks();
    text.Recreate(); // what a restore pass does; must not wipe the text
    EXPECT_EQ(textPlatform, text.GetPlatformTexture(0));

    DrawFull(image->GetPlatformTexture(0));
    EXPECT_TRUE(de50test::Near(Pixel(5, 5), 0xFFFF0000));
    DrawFull(text.GetPlatformTexture(0));
    EXPECT_TRUE(de50test::Near(Pixel(5, 5), 0xFFFFFFFF));

    // A texture whose platform texture is gone is made again at its size.
    nE_GeneratedTexture_Pl5 empty;
    EXPECT_FALSE(empty.Create(0, 0, true, nullptr));
    empty.Recreate();
    EXPECT_FALSE(empty.GetPlatformTexture(0));
}

// A video refills one texture each frame, or writes into it in place: the
// same size and format keep it and reach the GPU as changed rows; anything
// else makes a new texture, and a lost device gets the latest pixels back.
TEST_F(TextureTest, RefillsGoInPlaceAndSurviveALostDevice)
{
    struct Step
    {
        unsigned w, h;
        int format;
        bool write;    // written through BeginWrite (BGRA) rather than filled
        uint8_t value; // blue, green and red of every pixel (opaque)
        bool lose;     // device lost before drawing
        bool same;     // same platform texture as the step before
        uint32_t seen; // drawn pixel at the top left
    };
    const Step steps[] = {
        {3, 3, NE_PIXELS_BGRA, false, 0x40, false, false, 0xFF404040},
        {3, 3, NE_PIXELS_BGRA, false, 0xF0, false, true, 0xFFF0F0F0},
        {3, 3, NE_PIXELS_BGRA, true, 0x60, false, true, 0xFF606060},
        {3, 3, NE_PIXELS_BGRA, false, 0x80, true, true, 0xFF808080},
        {3, 3, NE_PIXELS_COVERAGE, false, 0xFF, false, false, 0xFFFFFFFF},
        {3, 3, NE_PIXELS_BGRA, true, 0x30, false, false, 0xFF303030},
        {4, 3, NE_PIXELS_BGRA, false, 0x20, false, false, 0xFF202020},
    };
    nE_GeneratedTexture_Pl5 video;
    std::shared_ptr<DE50::TTexture> before;
    for (const Step& s : steps)
    {
        std::vector<uint8_t> bytes(s.w * s.h * 4, s.value);
        for (size_t i = 3; s.format == NE_PIXELS_BGRA && i < bytes.size(); i += 4)
            bytes[i] = 0xFF;
        if (s.write)
        {
            unsigned stride = 0;
            uint8_t* out = video.BeginWrite(s.w, s.h, &stride);
            ASSERT_TRUE(out);
            EXPECT_EQ(nullptr, video.BeginWrite(s.w, s.h, &stride)); // one lender at a time
            for (unsigned y = 0; y < s.h; ++y)
                std::copy_n(&bytes[y * s.w * 4], s.w * 4, out + size_t(y) * stride * 4);
            video.EndWrite();
        }
        else
        {
            ASSERT_TRUE(video.Fill(bytes.data(), s.w, s.h, s.format));
        }
        EXPECT_EQ(s.same, video.GetPlatformTexture(0) == before) << int(s.value);
        before = video.GetPlatformTexture(0);
        if (s.lose)
        {
            DE50::Test::SimulateLostTextures();
            DE50::Test::DeliverPendingTasks();
            video.Recreate();
        }
        DrawFull(before);
        EXPECT_TRUE(de50test::Near(Pixel(2, 2), s.seen, 3)) << int(s.value);
    }
}

// --- vertex lists ----------------------------------------------------------

TEST(VertexList, GrowsIgnoresOutOfRangeAndCountsUse)
{
    nE_VertexList_Pl5 list;
    EXPECT_EQ(0u, list.GetCount());
    list.SetVertex(0, nE_Vec3(1, 2, 3), 0xFF00FF00, 0.5f, 0.25f); // nothing allocated: ignored
    EXPECT_EQ(0u, list.GetCount());

    list.Allocate(3);
    list.SetVertex(1, nE_Vec3(1, 2, 3), 0xFF00FF00, 0.5f, 0.25f);
    list.SetVertex(3, nE_Vec3(9, 9, 9), 0xFFFFFFFF, 0, 0); // beyond the allocation
    EXPECT_EQ(2u, list.GetCount());
    EXPECT_EQ(3u, list.GetCapacity());
    EXPECT_EQ(0xFF00FF00u, list.GetVertices()[1].color.argb);

    // A later, larger list grows; the vertices start zeroed.
    list.Allocate(12);
    EXPECT_EQ(12u, list.GetCapacity());
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(0.0f, list.GetVertices()[1].position.y);
    for (int i = 0; i < 13; ++i)
        list.SetVertex(float(i), 1, 0, 1, 1, 0, 0, 0.5f); // appends, past the allocation too
    EXPECT_EQ(13u, list.GetCount());
    EXPECT_EQ(12.0f, list.GetVertices()[12].position.x);
    EXPECT_EQ(0x7FFF0000u, list.GetVertices()[12].color.argb);
    EXPECT_EQ(13u, list.GetVertexSet().count);

    // A smaller list later keeps the room and draws only its own count.
    list.Allocate(2);
    list.SetVertex(0, 0, 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(1u, list.GetVertexSet().count);
}

} // namespace
