#pragma once
// Test sounds made at run time (the tones and loopback turns the benchmarks
// use too), and a loopback device for each test.

#include "bench/fixtures/sound_tones.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace sound_fixture
{
// The output level once gain changes have settled; after(turn) as above.
template <class After> float Level(After after)
{
    RenderTurns(0.03f, 0.03f, after);
    return RenderTurns(0.05f, 0.05f, after).peak;
}
inline float Level()
{
    return Level([](float) {});
}

// A loopback device for each test; a folder for the suite holding the tones
// "short" and "other" (0.2 s each) and what tests add.
class LoopbackTest : public testing::Test
{
protected:
    inline static std::string s_dir;

    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/ne_sound_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        s_dir = tmpl;
        ASSERT_TRUE(WriteTone(Name("short.ogg"), 0.2f) && WriteTone(Name("other.ogg"), 0.2f));
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        std::filesystem::remove_all(s_dir, ec);
    }
    void SetUp() override { ASSERT_TRUE(DE50::TSoundManager::OpenLoopback(kLoopbackRate)); }
    void TearDown() override { DE50::TSoundManager::Shutdown(); }

    static std::string Name(const char* sound) { return s_dir + "/" + sound; }
};
} // namespace sound_fixture
