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

TEST(TweenBuild, CurveCodesRoundAndBadInputMakesAFinishedTween)
{
    const float v[] = {0, 1.00005f, 1, 2, 3, 1, 1.5f, 4, 5, 6, 2, 2.99995f, 7, 8, 9};
    nE_Tween t(3, false, "trg", "name", v, 3);
    ASSERT_EQ(3u, t.GetKeys().size());
    EXPECT_EQ(NE_CURVE_EASE_IN, t.GetKeys()[0].curve);
    EXPECT_EQ(NE_CURVE_LINEAR, t.GetKeys()[1].curve);
    EXPECT_EQ(NE_CURVE_EASE_IN_OUT, t.GetKeys()[2].curve);
    const float w[] = {0, 0, 1, 1, 0, 2, 7}; // a trailing partial key is ignored
    EXPECT_EQ(2, nE_MakeTween(NE_TWEEN_ALPHA, false, "", "", w, 7)->GetKeyCount());

    Posts posts;
    nE_Tween noKeys(0, false, "t", "o", w, 1, Recorder(&posts)),
        tooMany(1, false, "t", "o", w, 4, Recorder(&posts)),
        noValues(1, false, "t", "o", nullptr, 1, Recorder(&posts));
    for (nE_Tween* e : {&noKeys, &tooMany, &noValues})
        EXPECT_TRUE(e->IsFinished() && Advance(*e, 1.0f) == -999.0f);
    EXPECT_TRUE(posts.empty());
}

// A single key ends at once, posting once; with no poster a tween still
// finishes, and with no output it does not advance.
TEST(TweenRun, SingleKeyMissingOutputAndNoPoster)
{
    Posts posts;
    const float v[] = {5, 0, 1, 2, 1, 0, 3, 4};
    nE_Tween t(1, false, "end(1)", "box", v, 2, Recorder(&posts));
    float c1 = 0, c2 = 0;
    t.Update(0.01f, &c1, &c2, nullptr);
    EXPECT_TRUE(c1 == 1.0f && c2 == 2.0f && t.IsFinished());
    t.Update(1.0f, &c1, &c2, nullptr);
    EXPECT_EQ((Posts{{"end(1)", "box"}}), posts);

    nE_Tween two(2, false, "", "o", v, 2);
    c1 = -1;
    two.Update(5.0f, &c1, nullptr, nullptr);
    EXPECT_TRUE(c1 == -1.0f && two.GetCurrentTime() == 0.0f && !two.IsFinished());
    nE_Tween one(1, false, "x", "o", v, 1);
    EXPECT_EQ(1.0f, Advance(one, 1.0f));
    EXPECT_TRUE(one.IsFinished());
}

TEST(TweenRun, SegmentsUseTheEndKeysCurveAndExtrapolateBeforeTheFirst)
{
    Posts posts;
    auto t =
        Single({0, NE_CURVE_EASE_IN, 0, 1, NE_CURVE_EASE_OUT, 10, 2, NE_CURVE_LINEAR, 20}, false, &posts);
    EXPECT_NEAR(10.0f * std::sqrt(0.5f), Advance(*t, 0.5f), 1e-3f);
    EXPECT_NEAR(15.0f, Advance(*t, 1.0f), 1e-3f);
    EXPECT_TRUE(posts.empty());
    EXPECT_EQ(20.0f, Advance(*t, 0.6f));
    EXPECT_TRUE(t->IsFinished());
    EXPECT_EQ(1u, posts.size());

    auto late = Single({1, 0, 10, 2, 0, 20}, false, &posts);
    EXPECT_FLOAT_EQ(5.0f, Advance(*late, 0.5f));
    // A NaN step does not poison the clock.
    EXPECT_FALSE(std::isnan(Advance(*late, std::nanf(""))));
    EXPECT_FLOAT_EQ(10.0f, Advance(*late, 0.5f));
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

    auto zero = Single({0, 0, 5, 0, 0, 7}, true, &posts); // zero length: a lap per update
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(7.0f, Advance(*zero, 0.016f));
    EXPECT_EQ(6u, posts.size());
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

TEST(TweenRun, UnknownKindStillRunsAndPosts)
{
    Posts posts;
    const float v[] = {0, 0, 1, 0.5f, 0, 2};
    auto t = nE_MakeTween(42, false, "gone()", "thing", v, 6, Recorder(&posts));
    Advance(*t, 0.25f);
    EXPECT_FLOAT_EQ(0.25f, t->GetCurrentTime());
    Advance(*t, 0.5f);
    EXPECT_TRUE(t->IsFinished());
    EXPECT_EQ((Posts{{"gone()", "thing"}}), posts);
}
