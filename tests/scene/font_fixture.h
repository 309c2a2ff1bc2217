#pragma once
// Shared set-up for the font and text tests: a scratch folder holding the
// box test font, the bus for log lines and a cache with the font and texture
// creators.

#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Resource.h"
#include "engine/platform/nE_Texture_Pl5.h"
#include "engine/scene/nE_Font.h"
#include "platform/de50_test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fonttest
{

// Every test-font glyph advances 500 units; at 20 px that is 10 px.
const int kAdvance20 = 10;

inline std::string SourceDir()
{
    const char* dir = std::getenv("NE_SOURCE_DIR");
    return dir ? dir : ".";
}

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<unsigned char> TestFontBytes()
{
    std::ifstream in(SourceDir() + "/tests/data/fonts/testfont.ttf", std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs in a window: generated textures are platform textures.
class FontTest : public de50test::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        if (HasFatalFailure()) return; // no window: the test is failed, not crashed
        g_mediator = &bus;
        bus.Subscribe(&log, NE_MSG_LOG);
        g_resourceCache = &cache;
        for (int kind = 0; kind < NE_RES_KIND_COUNT; ++kind)
            saved[kind] = nE_ResourceCache::SetCreator(kind, nE_ResourceCreator());
        nE_RegisterTextureCreators();
        nE_RegisterFontCreator();
    }
    void TearDown() override
    {
        cache.Clear();
        for (int kind = 0; kind < NE_RES_KIND_COUNT; ++kind)
            nE_ResourceCache::SetCreator(kind, saved[kind]);
        g_resourceCache = nullptr;
        g_mediator = nullptr;
        WindowTest::TearDown();
    }

    // The test font stored as dir + name + ".nefnt"; answers the asset name.
    std::string InstallScrambled(const std::string& name = "boxes")
    {
        const std::vector<unsigned char> plain = TestFontBytes();
        WriteBytes(dir + name + ".nefnt", nE_ScrambleFont(plain.data(), plain.size()));
        return dir + name;
    }
    std::string InstallTtf(const std::string& name = "boxes")
    {
        WriteBytes(dir + name + ".ttf", TestFontBytes());
        return dir + name;
    }

    nE_Mediator bus;
    de50test::LogCapture log;
    nE_ResourceCache cache;
    nE_ResourceCreator saved[NE_RES_KIND_COUNT];
    de50test::ScratchDir scratch;
    const std::string& dir = scratch.path;
};

} // namespace fonttest
