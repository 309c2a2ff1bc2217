#include "engine/core/nE_Tween.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace
{
typedef std::vector<std::pair<std::string, std::string>> Posts;

nE_TweenPoster Recorder(Posts* posts)
{
    return [posts](const std::string& trigger, const std::string& sender) {
        posts->push_back({trigger, sender});
    };
}

// One-component tween from (time, curve, value) triples.
std::unique_ptr<nE_Tween> Single(const std::vector<float>& v, bool loop, Posts* posts)
{
    return nE_MakeTween(NE_TWEEN_X, loop, "done()", "obj", v.data(), static_cast<unsigned>(v.size()),
                        Recorder(posts));
}

float Advance(nE_Tween& t, float dt)
{
    float c1 = -999.0f;
    t.Update(dt, &c1, nullptr, nullptr);
    return c1;
}
} // namespace

TEST(TweenCurves, ValuesAtStartMiddleAndEnd)
{
    const struct
    {
        int curve;
        float mid;
    } cases[] = {{NE_CURVE_LINEAR, 15.0f},
                 {NE_CURVE_EASE_IN, 10.0f + 10.0f * (1.0f - std::sqrt(0.5f))},
                 {NE_CURVE_EASE_OUT, 10.0f + 10.0f * std::sqrt(0.5f)},
                 {NE_CURVE_EASE_IN_OUT, 15.0f},
                 {7, 15.0f}}; // unknown: linear
    for (const auto& c : cases)
    {
        EXPECT_NEAR(10.0f, nE_Interpolate(c.curve, 10, 20, 0.0f), 1e-4f) << "curve " << c.curve;
        EXPECT_NEAR(c.mid, nE_Interpolate(c.curve, 10, 20, 0.5f), 1e-4f) << "curve " << c.curve;
        EXPECT_NEAR(20.0f, nE_Interpolate(c.curve, 10, 20, 1.0f), 1e-4f) << "curve " << c.curve;
    }
    EXPECT_FLOAT_EQ(30.0f, nE_Interpolate(NE_CURVE_LINEAR, 10, 20, 2.0f)); // not clamped
}

TEST(TweenRun, LoopPostsEveryLapAndDropsOvershoot)
{
    Posts posts;
    auto t = Single({0, 0, 0, 1, 0, 10}, true, &posts);
    for (size_t lap = 1; lap <= 3; ++lap)
    {
        EXPECT_NEAR(5.0f, Advance(*t, 0.5f), 1e-5f);
        EXPECT_EQ(lap - 1, posts.size());
        EXPECT_EQ(10.0f, Advance(*t, 0.75f)); // past the end: last value, back to 0
        EXPECT_EQ(lap, posts.size());
        EXPECT_EQ(0.0f, t->GetCurrentTime());
        EXPECT_FALSE(t->IsFinished());
    }
    EXPECT_EQ("obj", posts.back().second);
}

// Keys that share a time give the later value at or after that time, never NaN.
TEST(TweenRun, EqualKeyTimes)
{
    Posts posts;
    auto mid = Single({0, 0, 0, 1, 0, 10, 1, 0, 20, 2, 0, 30}, false, &posts);
    EXPECT_NEAR(9.0f, Advance(*mid, 0.9f), 1e-4f);
    EXPECT_FLOAT_EQ(20.0f, Advance(*mid, 0.1f)); // exactly at the shared time
    EXPECT_NEAR(25.0f, Advance(*mid, 0.5f), 1e-4f);

    auto leading = Single({1, 0, 5, 1, NE_CURVE_EASE_IN, 7, 2, 0, 9}, false, &posts);
    EXPECT_EQ(5.0f, Advance(*leading, 0.5f)); // the jump has not happened yet
    EXPECT_FLOAT_EQ(7.0f, Advance(*leading, 0.5f));

    auto all = Single({1, 0, 5, 1, 0, 7}, false, &posts);
    EXPECT_EQ(5.0f, Advance(*all, 0.25f));
    EXPECT_TRUE(posts.empty());
    EXPECT_EQ(7.0f, Advance(*all, 0.75f));
    EXPECT_EQ(1u, posts.size());
}

// Each segment is shaped by the curve of the key it ends at; the first key's
// curve shapes nothing.
TEST(TweenRun, EachSegmentFollowsItsEndKeysCurve)
{
    Posts posts;
    auto t = Single({0, NE_CURVE_EASE_IN_OUT, 0, 1, NE_CURVE_EASE_IN, 10, 2, NE_CURVE_EASE_OUT, 20, 3,
                     NE_CURVE_LINEAR, 30, 4, NE_CURVE_EASE_IN_OUT, 60},
                    false, &posts);
    const float s = std::sqrt(0.5f);
    const struct
    {
        float time, value;
    } expected[] = {{0.5f, 10.0f * (1.0f - s)}, {1.0f, 10.0f},  {1.5f, 10.0f + 10.0f * s},
                    {2.0f, 20.0f},              {2.5f, 25.0f},  {3.25f, 30.0f + 30.0f * (1.0f - s) * 0.5f},
                    {3.5f, 45.0f},              {4.0f, 60.0f}};
    const float step = 1.0f / 64.0f; // exact in binary: the keys' times are met, not stepped over
    float now = 0.0f, value = 0.0f;
    for (const auto& e : expected)
    {
        for (; now < e.time; now += step)
            value = Advance(*t, step);
        EXPECT_NEAR(e.value, value, 1e-3f) << "at " << e.time << " s";
    }
    EXPECT_TRUE(t->IsFinished());
    EXPECT_EQ(1u, posts.size());
}
