#pragma once
// Shared set-up for the engine library's windowed tests; it brings gtest and
// the standard headers the tests use.

#include "de50/de50.h"
#include "de50/de50_test.h"
#include "engine/core/nE_Mediator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace de50test
{

// A window of the given size with an open frame helper; everything reset afterwards.
class WindowTest : public testing::Test
{
protected:
    static constexpr uint32_t kW = 64, kH = 48;

    void SetUp() override
    {
        ASSERT_TRUE(DE50::InitLibrary());
        ASSERT_TRUE(DE50::TPlatform::GetInstance()->SetDisplay(kW, kH, false, false, 0));
        r = DE50::TRenderer::GetInstance();
    }
    void TearDown() override { DE50::Test::Reset(); }

    // Opens a frame and clears it to the grey level given (0..1).
    void Begin(float grey = 0.0f)
    {
        ASSERT_TRUE(r->BeginDraw());
        ASSERT_TRUE(r->Begin2d());
        r->SetWorldMatrix(DE50::TMat4());
        r->FillRect(DE50::TURect(0, 0, kW, kH), DE50::TColor(grey, grey, grey, 1));
    }
    void End()
    {
        r->End2d();
        r->EndDraw(true);
    }

    // A quad from (x, y) to (x + w, y + h) with uv (0, 0)..(us, vs).
    void Quad(float x, float y, float w, float h, DE50::TColor32 c, float us = 1, float vs = 1)
    {
        DE50::TTransformedLitVert v[4] = {{DE50::TVec3(x, y, 0), c, DE50::TVec2(0, 0)},
                                          {DE50::TVec3(x + w, y, 0), c, DE50::TVec2(us, 0)},
                                          {DE50::TVec3(x, y + h, 0), c, DE50::TVec2(0, vs)},
                                          {DE50::TVec3(x + w, y + h, 0), c, DE50::TVec2(us, vs)}};
        r->DrawVertices(DE50::TRenderer::kTriangleStrip, DE50::TVertexSet(v, 4));
    }

    // A plain texture filled from rows of 0xAARRGGBB values.
    static std::shared_ptr<DE50::TTexture> Texture(uint32_t w, uint32_t h, const uint32_t* pixels)
    {
        auto t = DE50::TTexture::Create(w, h, true, DE50::TTexture::kPlain);
        uint32_t pitch = 0;
        uint32_t* p = t->Lock(&pitch);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                p[y * pitch + x] = pixels[y * w + x];
        t->Unlock();
        return t;
    }

    static uint32_t Pixel(uint32_t x, uint32_t y) { return DE50::Test::ReadScreenPixel(x, y).argb; }

    static uint32_t TexturePixel(const std::shared_ptr<DE50::TTexture>& t, uint32_t x, uint32_t y)
    {
        uint32_t pitch = 0;
        uint32_t* p = t->Lock(&pitch);
        uint32_t value = p ? p[y * pitch + x] : 0xDEADBEEF;
        t->Unlock();
        return value;
    }

    DE50::TRenderer* r = nullptr;
};

// A fresh folder under /tmp, removed with its contents at the end; `path` ends in '/'.
struct ScratchDir
{
    std::string path;
    ScratchDir()
    {
        char tmpl[] = "/tmp/ne_test_XXXXXX";
        EXPECT_NE(nullptr, mkdtemp(tmpl));
        path = std::string(tmpl) + "/";
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

// Collects the log lines sent over the bus.
struct LogCapture : nE_Listener
{
    std::vector<std::string> lines;
    void OnMessage(int, void* record) override { lines.push_back(static_cast<const char*>(record)); }
    bool Has(const std::string& text) const
    {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

// Channels within a small tolerance of the expected bytes.
inline testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 2)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
        if (std::abs(a - e) > tolerance)
            return testing::AssertionFailure() << std::hex << "0x" << actual << " vs 0x" << expected;
    }
    return testing::AssertionSuccess();
}

// A grey of level v (0..1) with alpha a, as 0xAARRGGBB.
inline uint32_t Grey(double v, double a = 1.0)
{
    auto b = [](double x) { return uint32_t(std::lround(std::min(1.0, std::max(0.0, x)) * 255)); };
    return b(a) << 24 | b(v) << 16 | b(v) << 8 | b(v);
}

// The bytes of a file; empty when it cannot be read.
inline std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace de50test
