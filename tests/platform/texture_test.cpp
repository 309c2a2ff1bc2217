#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "platform/de50_test_support.h"
#include "support/failing_new.h"
#include "support/hostile.h"

#include <SDL.h>
#include <SDL_image.h>
#include <zlib.h>

#include <sstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace
{

using de50test::Near;

// A window, a scratch folder of images, the bus for log lines and a cache
// with the texture creators.
class TextureTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        g_resourceCache = &cache;
        nE_RegisterTextureCreators();
    }
    void TearDown() override
    {
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
    template <class T> std::shared_ptr<T> Load(const std::string& name, bool expect = true)
    {
        auto t = std::make_shared<T>();
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

    de50test::ScratchDir scratch;
    const std::string& dir = scratch.path;
    nE_Mediator bus;
    de50test::LogCapture log;
    nE_ResourceCache cache;
};

std::vector<float> V(const nE_Rect& r)
{
    return {r.x, r.y, r.w, r.h};
}

// --- images and hit masks --------------------------------------------------

TEST_F(TextureTest, HitMaskFromAlphaUnderTransformAndAtTheEdges)
{
    // 4 x 2: alpha 0, 1, 128, 255 on top; 255, 0, 0, 1 below. Any alpha is hit.
    WriteImage(
        "a.png", 4, 2,
        {0x00FF0000, 0x01FF0000, 0x80FF0000, 0xFFFF0000, 0xFF00FF00, 0x0000FF00, 0x0000FF00, 0x0100FF00});
    const bool hit[8] = {false, true, true, true, true, false, false, true};
    auto t = Load<nE_Texture_Pl5>("a");
    EXPECT_EQ((std::vector<float>{-2, -1, 4, 2}), V(t->GetFrameRect(3))); // centred
    nE_RenderState plain, moved;
    moved.offsetX = 3;
    moved.offsetY = -1;
    nE_Matrix::BuildObjectTransform(moved.matrix, 100, 50, float(M_PI / 2), 10, 5);
    nE_Matrix full;
    nE_Matrix::Translate(full, moved.offsetX, moved.offsetY);
    nE_Matrix::MultiplyAssign(full, moved.matrix);
    auto world = [&](float x, float y)
    {
        nE_Vec3 w;
        nE_Matrix::TransformPoint(w, nE_Vec3(x, y, 0), full);
        return w;
    };
    for (int i = 0; i < 8; ++i)
    {
        const float x = float(i % 4) - 1.5f, y = float(i / 4) - 0.5f; // the pixel's centre
        EXPECT_EQ(hit[i], t->HitTest(x, y, plain)) << i;
        EXPECT_EQ(hit[i], t->HitTest(world(x, y).x, world(x, y).y, moved)) << i;
    }
    // Outside the rotated rectangle; the untransformed point is not hit either.
    EXPECT_FALSE(t->HitTest(world(-2.5f, 0).x, world(-2.5f, 0).y, moved));
    EXPECT_FALSE(t->HitTest(0.5f, -0.5f, moved));

    // Edges: the far edge is the last pixel; beyond it and non-finite points miss.
    WriteSolid("s.png", 3, 3, 0xFF102030);
    auto solid = Load<nE_Texture_Pl5>("s");
    EXPECT_TRUE(solid->HitTest(-1.5f, -1.5f, plain) && solid->HitTest(1.49f, 1.49f, plain));
    EXPECT_FALSE(solid->HitTest(1.6f, 0, plain) || solid->HitTest(0, -1.6f, plain));
    EXPECT_FALSE(solid->HitTest(NAN, 0, plain));
}

// A PNG is chosen before a JPEG of the same name; a JPEG alone loads, whole and
// opaque to the mouse. Missing, cut, foreign and oversized images fail cleanly.
TEST_F(TextureTest, LoadsPngBeforeJpgAndBadImagesFailCleanly)
{
    WriteSolid("both.png", 4, 4, 0x00000000);
    WriteSolid("both.jpg", 8, 8, 0xFFFFFFFF, true);
    auto both = Load<nE_Texture_Pl5>("both");
    EXPECT_EQ(4.0f, both->GetWidth());
    EXPECT_FALSE(both->HitTest(0, 0, nE_RenderState())); // the transparent png
    WriteSolid("photo.jpg", 6, 3, 0xFFFFFFFF, true);
    auto photo = Load<nE_Texture_Pl5>("photo");
    EXPECT_EQ((std::vector<float>{6, 3}), (std::vector<float>{photo->GetWidth(), photo->GetHeight()}));
    EXPECT_TRUE(photo->HitTest(2.5f, 1, nE_RenderState()));

    std::vector<uint32_t> px(32 * 32);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = uint32_t(i * 2654435761u) | 0xFF000000;
    WriteImage("full.png", 32, 32, px);
    const std::string bytes = de50test::Slurp(dir + "full.png");
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
    std::string jpeg = de50test::Slurp(dir + "big.jpg");
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(std::string::npos, sof);
    WriteText("big.png", jpeg.replace(sof + 5, 4, "\x4E\x20\x4E\x20"));

    for (const char* name :
         {"nothing", "cut", "junk", "empty", "gif", "wide", "side", "area", "chunk", "big"})
    {
        log.lines.clear();
        auto t = Load<nE_Texture_Pl5>(name, false);
        EXPECT_FALSE(t->GetPlatformTexture(0)) << name;
        EXPECT_EQ((std::vector<float>{1, 1}), (std::vector<float>{t->GetWidth(), t->GetHeight()})) << name;
        EXPECT_FALSE(t->HitTest(0, 0, nE_RenderState())) << name; // not even at its centre
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
    auto t = Load<nE_Texture_Pl5>("damaged");
    EXPECT_EQ((std::vector<float>{32, 32}), (std::vector<float>{t->GetWidth(), t->GetHeight()}));
    EXPECT_FALSE(t->HitTest(0, 0, nE_RenderState()));
    EXPECT_FALSE(t->GetPlatformTexture(0));
    EXPECT_TRUE(log.Has("Error: texture could not read \"" + dir + "damaged.png\" file!"));
}

// A picture memory cannot hold, read straight from its PNG or through the
// image library, is refused like a damaged one.
TEST_F(TextureTest, PicturesMemoryCannotHoldAreRefused)
{
    if (!FailingAllocations::Works()) GTEST_SKIP() << "the sanitizers' allocator is in force";
    WriteSolid("large_png.png", 2048, 2048, 0xFF336699);
    WriteSolid("large_jpg.jpg", 2048, 2048, 0xFF336699, true);
    for (const std::string name : {"large_png", "large_jpg"})
    {
        auto t = Load<nE_Texture_Pl5>(name);
        log.lines.clear();
        testing::internal::CaptureStderr();
        {
            FailingAllocations failing(8 << 20);
            EXPECT_FALSE(t->GetPlatformTexture(0)) << name;
        }
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                         "Error: image \"" + dir + name + (name == "large_png" ? ".png" : ".jpg") +
                                         "\" could not be read: out of memory"))
            << name;
        EXPECT_TRUE(log.Has("Error: texture could not read \"" + dir + name)) << name;
    }
}

// A JPEG damaged or cut inside its coded data still decodes (what is missing
// comes out grey) and names itself with one warning; one cut before its coded
// data starts cannot decode and is refused.
TEST_F(TextureTest, DamagedJpegsShowWhatDecodesWithOneWarning)
{
    const std::string good = hostile::Read("image", "gradient.jpg");
    const size_t scan = good.find("\xFF\xDA");
    ASSERT_NE(std::string::npos, scan);
    const struct
    {
        std::string name, bytes, line; // line: the start of the one line naming the file
        bool drawn;
    } cases[] = {
        {"good.jpg", good, "", true},
        {"damaged.jpg", hostile::Read("image", "damaged.jpg"), "Warning: image \"", true},
        {"cut_in_scan.jpg", good.substr(0, scan + (good.size() - scan) / 2), "Warning: image \"", true},
        {"cut_at_end.jpg", good.substr(0, good.size() - 2), "Warning: image \"", true},
        {"cut_in_head.jpg", good.substr(0, scan - 8), "Error: image \"", false},
    };
    for (const auto& c : cases)
    {
        WriteText(c.name, c.bytes);
        testing::internal::CaptureStderr();
        auto t = Load<nE_Texture_Pl5>(c.name);
        EXPECT_EQ(c.drawn, bool(t->GetPlatformTexture(0))) << c.name;
        std::istringstream lines(testing::internal::GetCapturedStderr());
        std::vector<std::string> named;
        for (std::string line; std::getline(lines, line);)
            if (line.find(c.name) != std::string::npos) named.push_back(line);
        if (c.line.empty())
        {
            EXPECT_TRUE(named.empty()) << named[0];
            continue;
        }
        ASSERT_FALSE(named.empty()) << c.name;
        EXPECT_EQ(0u, named[0].find(c.line + dir + c.name + "\"")) << named[0];
        // A picture that shows says so once; a refused one keeps its two error lines.
        EXPECT_EQ(c.drawn ? 1u : 2u, named.size()) << c.name;
    }
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
        auto t = Load<nE_Texture_Pl5>("grey")->GetPlatformTexture(0);
        ASSERT_TRUE(t) << c.depth;
        EXPECT_EQ(c.shown, TexturePixel(t, 0, 0)) << c.depth;
        EXPECT_EQ(0u, TexturePixel(t, 1, 0) >> 24) << c.depth;
        EXPECT_EQ(c.shown, TexturePixel(t, 2, 0)) << c.depth;
    }
}

// --- frame textures --------------------------------------------------------

TEST_F(TextureTest, FramesFromXmlShareTheImageAndHitTheirOwnPart)
{
    mkdir((dir + "sheet").c_str(), 0700);
    // Left half opaque, right half transparent, 8 x 4.
    std::vector<uint32_t> px(32);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = i % 8 < 4 ? 0xFF0000FF : 0x000000FF;
    WriteImage("sheet/img.png", 8, 4, px);
    // The third frame misspells "widht" the other way: its width is 0.
    WriteText("sheet/anim.xml", R"(<frametexture>
 <frame texture="img" left="0" top="0" widht="4" height="4" x="2" y="2"/>
 <frame texture="img" left="2" top="0" widht="4" height="2" x="0" y="0"/>
 <frame texture="img" left="4" top="2" width="4" height="2"/>
</frametexture>)");
    auto ft = Load<nE_FrameTexture_Pl5>("sheet/anim");
    ASSERT_EQ(3u, ft->GetFrameCount());
    EXPECT_EQ((std::vector<float>{-2, -2, 4, 4}), V(ft->GetFrameRect(0))); // centred pivot
    EXPECT_EQ((std::vector<float>{0, 2}), (std::vector<float>{ft->GetFrameRect(2).w, ft->GetFrameRect(2).h}));
    // Every frame shares the one cached image.
    ASSERT_TRUE(ft->GetPlatformTexture(0));
    EXPECT_EQ(ft->GetPlatformTexture(0), ft->GetPlatformTexture(2));
    EXPECT_FALSE(ft->GetPlatformTexture(3));
    EXPECT_EQ(ft->GetFrame(0)->texture, cache.GetTexture(dir + "sheet/img"));
    // Frame 0 is image columns 0..3 (opaque) around the origin, its far edge its last
    // pixel; frame 1 columns 2..5, the right half transparent; frame 3 is beyond the list.
    const std::tuple<int, float, float, bool> hits[] = {
        {0, -1.5f, -1.5f, true}, {0, 1.99f, 1.99f, true}, {0, 2.5f, 0, false},     {1, 0.5f, 0.5f, true},
        {1, 1.5f, 1.5f, true},   {1, 2.5f, 0.5f, false},  {1, -0.5f, 0.5f, false}, {3, 0, 0, false}};
    nE_RenderState state;
    for (const auto& [frame, x, y, hit] : hits)
    {
        state.frame = frame;
        EXPECT_EQ(hit, ft->HitTest(x, y, state)) << frame << ": " << x << "," << y;
    }
    EXPECT_EQ(0.0f, ft->GetTexCoordRect(state).w);
    state.frame = 1;
    EXPECT_EQ((std::vector<float>{0.25f, 0, 0.5f, 0.5f}), V(ft->GetTexCoordRect(state)));
    // Under a transform: frame 1 moved by (10, 20) and doubled.
    nE_Matrix::BuildObjectTransform(state.matrix, 10, 20, 0, 2, 2);
    EXPECT_TRUE(ft->HitTest(13, 22, state));
    EXPECT_FALSE(ft->HitTest(15, 22, state));

    // A name without a slash reads from the working folder, its images too.
    char old[4096];
    ASSERT_NE(nullptr, getcwd(old, sizeof old));
    ASSERT_EQ(0, chdir((dir + "sheet").c_str()));
    nE_FrameTexture_Pl5 local;
    const bool loaded = local.Load("anim"), drawable = bool(local.GetPlatformTexture(0));
    ASSERT_EQ(0, chdir(old));
    EXPECT_TRUE(loaded && drawable);
}

TEST_F(TextureTest, BadFrameFilesMissingImagesAndNoTextureAttributeFailCleanly)
{
    EXPECT_EQ(0u, Load<nE_FrameTexture_Pl5>("none", false)->GetFrameCount());
    EXPECT_TRUE(log.Has("Error: frametexture could not find \"" + dir + "none\" file!"));
    WriteText("bad.xml", "<frametexture><frame texture=\"x\"</frametexture>");
    log.lines.clear();
    Load<nE_FrameTexture_Pl5>("bad", false);
    EXPECT_FALSE(log.lines.empty());

    WriteText("gaps.xml", "<frametexture><frame texture=\"gone\" widht=\"4\" height=\"4\" x=\"2\" y=\"2\"/>"
                          "<frame widht=\"4\" height=\"4\"/></frametexture>");
    auto ft = Load<nE_FrameTexture_Pl5>("gaps");
    ASSERT_EQ(2u, ft->GetFrameCount());
    EXPECT_TRUE(log.Has("Error: texture could not find \"" + dir + "gone\" file!"));
    EXPECT_TRUE(log.Has("has no texture"));
    nE_RenderState state;
    for (state.frame = 0; state.frame < 2; ++state.frame)
    {
        EXPECT_FALSE(ft->GetPlatformTexture(state.frame));
        EXPECT_FALSE(ft->HitTest(0.5f, 0.5f, state));
    }
    state.frame = 1;
    EXPECT_EQ(0.0f, ft->GetTexCoordRect(state).w);
}

// Each damaged frame file is named in one line: numbers that are none read
// as 0, frames outside their picture and stray text are kept as they are.
TEST_F(TextureTest, HostileFrameFilesAreNamedOnce)
{
    WriteSolid("sheet.png", 8, 4, 0xFFFFFFFF);
    const std::pair<const char*, const char*> cases[] = {
        {"garbage", "\" could not be parsed: "},
        {"nonfinite",
         "\": \"height\" (line 2) is not a finite number (\"inf\"); it reads as 0 (and 1 more such"},
        {"outside", "\": frame 1 (400000 x 4 at 4, 0) does not lie inside its picture \""},
        {"stray", "\": it holds stray text at line 2 (\"\\xDF\\xC3\\x90\\x9D\\x95 \"); it is ignored"},
    };
    for (auto [file, line] : cases)
    {
        hostile::CopyTo("frametexture", std::string(file) + ".xml", dir + file + ".xml");
        log.lines.clear();
        auto ft = Load<nE_FrameTexture_Pl5>(file, std::string(file) != "garbage");
        ASSERT_EQ(1u, log.lines.size()) << file;
        const std::string start = std::string(file) == "garbage" ? "Error" : "Warning";
        EXPECT_EQ(0u, log.lines[0].find(start + ": frametexture \"" + dir + file + line)) << log.lines[0];
    }
}

// --- generated textures ------------------------------------------------------

// Text comes as coverage bytes (white with that alpha, padded with clear white
// so filtering does not darken its edge), video as BGRA.
TEST_F(TextureTest, GeneratedFillFromCoverageAndBgra)
{
    nE_GeneratedTexture_Pl5 text, video;
    const uint8_t coverage[3 * 2] = {0, 128, 255, 1, 2, 3};
    ASSERT_TRUE(text.Fill(coverage, 3, 2, NE_PIXELS_COVERAGE));
    const uint8_t alpha[8] = {0, 0x80, 0xFF, 0, 1, 2, 3, 0};
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(uint32_t(alpha[i]) << 24 | 0xFFFFFF, TexturePixel(text.GetPlatformTexture(0), i % 4, i / 4))
            << i;
    // Wider than a run of 16 and odd both ways: each byte lands in place, the
    // padding column and row stay clear white.
    nE_GeneratedTexture_Pl5 wide;
    std::vector<uint8_t> ramp(19 * 3);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = uint8_t(i * 4 + 1);
    ASSERT_TRUE(wide.Fill(ramp.data(), 19, 3, NE_PIXELS_COVERAGE));
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 20; ++x)
            EXPECT_EQ((x < 19 && y < 3 ? uint32_t(ramp[y * 19 + x]) << 24 : 0u) | 0x00FFFFFFu,
                      TexturePixel(wide.GetPlatformTexture(0), x, y))
                << x << "," << y;

    const uint8_t bgra[2 * 2 * 4] = {0x10, 0x20, 0x30, 0xFF, 1, 2, 3, 4, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD};
    ASSERT_TRUE(video.Fill(bgra, 2, 2, NE_PIXELS_BGRA));
    const uint32_t argb[4] = {0xFF302010u, 0x04030201u, 0, 0xDDCCBBAAu};
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(argb[i], TexturePixel(video.GetPlatformTexture(0), i % 2, i / 2)) << i;
}

TEST_F(TextureTest, CacheMakesEachKindAndKeepsNoFailedTexture)
{
    WriteSolid("c.png", 2, 2, 0xFF000000);
    EXPECT_TRUE(std::dynamic_pointer_cast<nE_Texture_Pl5>(cache.Get(dir + "c", NE_RES_TEXTURE)));
    EXPECT_TRUE(std::dynamic_pointer_cast<nE_FrameTexture_Pl5>(cache.Get(dir + "c", NE_RES_FRAME_TEXTURE)));
    nE_ResourcePtr missing = cache.GetTexture(dir + "missing"); // handed out but not kept
    ASSERT_TRUE(missing);
    EXPECT_NE(missing, cache.GetTexture(dir + "missing"));
    EXPECT_FALSE(std::dynamic_pointer_cast<nE_Texture_Pl5>(missing)->GetPlatformTexture(0));
}

// Images, text and video survive a lost device. A video refills one texture
// each frame or writes into it in place; it always shows its latest pixels,
// across a change of size or format and across a lost device too.
TEST_F(TextureTest, TexturesShowTheirLatestPixelsAcrossALostDevice)
{
    WriteSolid("red.png", 4, 4, 0xFFFF0000);
    auto image = Load<nE_Texture_Pl5>("red");
    nE_GeneratedTexture_Pl5 text, video;
    const uint8_t white[4] = {255, 255, 255, 255};
    ASSERT_TRUE(text.Fill(white, 2, 2, NE_PIXELS_COVERAGE));
    struct Step
    {
        unsigned w;
        int format;
        bool write;    // written through BeginWrite rather than filled
        uint8_t value; // blue, green and red of every pixel (opaque)
        bool lose;     // device lost before drawing
    };
    const Step steps[] = {
        {3, NE_PIXELS_BGRA, false, 0x40, false},     {3, NE_PIXELS_BGRA, false, 0xF0, false},
        {3, NE_PIXELS_BGRA, true, 0x60, false},      {3, NE_PIXELS_BGRA, false, 0x80, true},
        {3, NE_PIXELS_COVERAGE, false, 0xFF, false}, {3, NE_PIXELS_BGRA, true, 0x30, true},
        {3, NE_PIXELS_COVERAGE, true, 0xFF, true},   {3, NE_PIXELS_BGRA, true, 0x50, false},
        {4, NE_PIXELS_BGRA, false, 0x20, false}};
    for (const Step& s : steps)
    {
        std::vector<uint8_t> bytes(s.w * 3 * 4, s.value);
        for (size_t i = 3; s.format == NE_PIXELS_BGRA && i < bytes.size(); i += 4)
            bytes[i] = 0xFF;
        if (s.write)
        {
            unsigned stride = 0;
            uint8_t* out = video.BeginWrite(s.w, 3, &stride, s.format);
            ASSERT_TRUE(out);
            EXPECT_EQ(nullptr, video.BeginWrite(s.w, 3, &stride, s.format)); // one lender at a time
            const unsigned size = s.format == NE_PIXELS_BGRA ? 4 : 1;
            for (unsigned y = 0; y < 3; ++y)
                std::copy_n(&bytes[y * s.w * size], s.w * size, out + size_t(y) * stride * size);
            video.EndWrite();
        }
        else
        {
            ASSERT_TRUE(video.Fill(bytes.data(), s.w, 3, s.format));
        }
        if (s.lose)
        {
            DE50::Test::SimulateLostTextures();
            DE50::Test::DeliverPendingTasks();
            text.Recreate(); // what a restore pass does; must not wipe the pixels
            video.Recreate();
        }
        const std::pair<std::shared_ptr<DE50::TTexture>, uint32_t> shown[] = {
            {video.GetPlatformTexture(0), de50test::Grey(s.value / 255.0)},
            {image->GetPlatformTexture(0), 0xFFFF0000},
            {text.GetPlatformTexture(0), 0xFFFFFFFF}};
        for (const auto& [texture, colour] : shown)
        {
            DrawFull(texture);
            EXPECT_TRUE(Near(Pixel(2, 2), colour, 3)) << int(s.value) << " " << std::hex << colour;
        }
    }
    // A texture never made stays empty when the device comes back.
    nE_GeneratedTexture_Pl5 empty;
    EXPECT_FALSE(empty.Create(0, 0, true, nullptr));
    empty.Recreate();
    EXPECT_FALSE(empty.GetPlatformTexture(0));
}

// --- vertex lists ----------------------------------------------------------

// Indexed writes outside the allocation are ignored; appends grow the list;
// a later allocation starts zeroed and draws only its own count.
TEST(VertexList, IgnoresOutOfRangeGrowsAndRestarts)
{
    nE_VertexList_Pl5 list;
    list.SetVertex(0, nE_Vec3(1, 2, 3), 0xFF00FF00, 0.5f, 0.25f); // nothing allocated
    EXPECT_EQ(0u, list.GetCount());
    list.Allocate(3);
    list.SetVertex(1, nE_Vec3(1, 2, 3), 0xFF00FF00, 0.5f, 0.25f);
    list.SetVertex(3, nE_Vec3(9, 9, 9), 0xFFFFFFFF, 0, 0);
    EXPECT_EQ(2u, list.GetCount());
    EXPECT_EQ(0xFF00FF00u, list.GetVertices()[1].color.argb);

    list.Allocate(12);
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(0.0f, list.GetVertices()[1].position.y);
    for (int i = 0; i < 13; ++i)
        list.SetVertex(float(i), 1, 0, 1, 1, 0, 0, 0.5f); // past the allocation too
    EXPECT_EQ(13u, list.GetVertexSet().count);
    EXPECT_EQ(12.0f, list.GetVertices()[12].position.x);
    EXPECT_EQ(0x7FFF0000u, list.GetVertices()[12].color.argb);
    list.Allocate(2);
    list.SetVertex(0, 0, 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(1u, list.GetVertexSet().count);
}

} // namespace
