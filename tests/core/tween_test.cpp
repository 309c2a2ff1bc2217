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

float Step(nE_Tween& t, float dt)
{
    float c1 = -999.0f;
    t.Update(dt, &c1, nullptr, nullptr);
    return c1;
}
} // namespace

// ---- curves ----

TEST(TweenCurves, ValuesAtStartMiddleAndEnd)
{
    const struct
    {
        int curve;
        float mid;
    } cases[] = {{NE_CURVE_LINEAR, 15.0f},
                 {NE_CURVE_EASE_IN, 10.0f + 10.0f * (1.0f - std::sqrt(0.5f))},
                 {NE_CURVE_EASE_OUT, 10.0f + 10.0f * std::sqrt(0.5f)},
                 {NE_CURVE_EASE_IN_OUT, 15.0f}};
    for (const auto& c : cases)
    {
        EXPECT_NEAR(10.0f, nE_Interpolate(c.curve, 10, 20, 0.0f), 1e-4f) << "curve " << c.curve;
        EXPECT_NEAR(c.mid, nE_Interpolate(c.curve, 10, 20, 0.5f), 1e-4f) << "curve " << c.curve;
        EXPECT_NEAR(20.0f, nE_Interpolate(c.curve, 10, 20, 1.0f), 1e-4f) << "curve " << c.curve;
    }
}

TEST(TweenCurves, UnknownCurveIsLinearAndTIsNotClamped)
{
    EXPECT_FLOAT_EQ(15.0f, nE_Interpolate(7, 10, 20, 0.5f));
    EXPECT_FLOAT_EQ(30.0f, nE_Interpolate(NE_CURVE_LINEAR, 10, 20, 2.0f));
    EXPECT_FLOAT_EQ(0.0f, nE_Interpolate(-1, 10, 20, -1.0f));
}

// ---- construction ----

TEST(TweenBuild, KeysCurveCodesAndComponents)
{
    const float v[] = {0, 1.00005f, 1, 2, 3, 1, 1.5f, 4, 5, 6, 2, 2.99995f, 7, 8, 9};
    nE_Tween t(3, false, "trg", "name", v, 3);
    ASSERT_FALSE(t.IsFinished());
    ASSERT_EQ(3u, t.GetKeys().size());
    EXPECT_EQ(NE_CURVE_EASE_IN, t.GetKeys()[0].curve);
    EXPECT_EQ(NE_CURVE_LINEAR, t.GetKeys()[1].curve);
    EXPECT_EQ(NE_CURVE_EASE_IN_OUT, t.GetKeys()[2].curve);
    EXPECT_EQ(2.0f, t.GetKeys()[2].time);
    EXPECT_EQ(9.0f, t.GetKeys()[2].value3);
    EXPECT_EQ("trg", t.GetTrigger());
    EXPECT_EQ("name", t.GetObjectName());

    const float w[] = {0, 0, 1, 2, 0, 5}; // one component: stride 3
    nE_Tween one(2, false, "", "", w, 1);
    EXPECT_EQ(2.0f, one.GetKeys()[1].time);
    EXPECT_EQ(5.0f, one.GetKeys()[1].value1);
    EXPECT_EQ(0.0f, one.GetKeys()[1].value2);
}

TEST(TweenBuild, StrideByKindAndRemainderIgnored)
{
    EXPECT_EQ(3, nE_TweenStride(NE_TWEEN_X));
    EXPECT_EQ(4, nE_TweenStride(NE_TWEEN_XY));
    EXPECT_EQ(4, nE_TweenStride(NE_TWEEN_SCALE_XY));
    EXPECT_EQ(5, nE_TweenStride(NE_TWEEN_COLOR_RGB));
    EXPECT_EQ(3, nE_TweenStride(NE_TWEEN_TILE_Y));
    EXPECT_EQ(3, nE_TweenStride(99));

    const float v[] = {0, 0, 1, 1, 0, 2, 7};
    EXPECT_EQ(2, nE_MakeTween(NE_TWEEN_ALPHA, false, "", "", v, 7)->GetKeyCount());
    EXPECT_TRUE(nE_MakeTween(NE_TWEEN_COLOR_RGB, false, "", "", v, 4)->IsFinished());
}

TEST(TweenBuild, EmptyTweensAreFinishedAndNeverPost)
{
    Posts posts;
    const float v[] = {0, 0, 1};
    nE_Tween noKeys(0, false, "t", "o", v, 1, Recorder(&posts));
    nE_Tween noComponents(1, false, "t", "o", v, 0, Recorder(&posts));
    nE_Tween tooMany(1, false, "t", "o", v, 4, Recorder(&posts));
    nE_Tween noValues(1, false, "t", "o", nullptr, 1, Recorder(&posts));
    for (nE_Tween* t : {&noKeys, &noComponents, &tooMany, &noValues})
    {
        EXPECT_TRUE(t->IsFinished());
        EXPECT_EQ(-999.0f, Step(*t, 1.0f));
    }
    EXPECT_TRUE(posts.empty());
}

// ---- running ----

TEST(TweenRun, SingleKeyEndsAtOnceWithItsValues)
{
    Posts posts;
    const float v[] = {5, 0, 1, 2};
    nE_Tween t(1, false, "end(1)", "box", v, 2, Recorder(&posts));
    float c1 = 0, c2 = 0;
    t.Update(0.01f, &c1, &c2, nullptr);
    EXPECT_EQ(1.0f, c1);
    EXPECT_EQ(2.0f, c2);
    EXPECT_TRUE(t.IsFinished());
    ASSERT_EQ(1u, posts.size());
    EXPECT_EQ("end(1)", posts[0].first);
    EXPECT_EQ("box", posts[0].second);
    t.Update(1.0f, &c1, &c2, nullptr);
    EXPECT_EQ(1u, posts.size());
}

TEST(TweenRun, SegmentUsesCurveOfItsEndKey)
{
    Posts posts;
    auto t =
        Single({0, NE_CURVE_EASE_IN, 0, 1, NE_CURVE_EASE_OUT, 10, 2, NE_CURVE_LINEAR, 20}, false, &posts);
    EXPECT_NEAR(10.0f * std::sqrt(0.5f), Step(*t, 0.5f), 1e-3f);
    EXPECT_NEAR(15.0f, Step(*t, 1.0f), 1e-3f);
    EXPECT_TRUE(posts.empty());
    EXPECT_EQ(20.0f, Step(*t, 0.6f));
    EXPECT_TRUE(t->IsFinished());
    EXPECT_EQ(1u, posts.size());
}

TEST(TweenRun, BeforeFirstKeyExtrapolatesFirstSegment)
{
    Posts posts;
    auto t = Single({1, 0, 10, 2, 0, 20}, false, &posts);
    EXPECT_FLOAT_EQ(5.0f, Step(*t, 0.5f));
}

TEST(TweenRun, MissingOutputDoesNothing)
{
    Posts posts;
    const float v[] = {0, 0, 1, 2, 1, 0, 3, 4};
    nE_Tween t(2, false, "", "o", v, 2, Recorder(&posts));
    float c1 = -1;
    t.Update(5.0f, &c1, nullptr, nullptr);
    EXPECT_EQ(-1.0f, c1);
    EXPECT_EQ(0.0f, t.GetCurrentTime());
    EXPECT_FALSE(t.IsFinished());
}

TEST(TweenRun, LoopPostsEveryLapAndDropsOvershoot)
{
    Posts posts;
    auto t = Single({0, 0, 0, 1, 0, 10}, true, &posts);
    for (int lap = 1; lap <= 3; ++lap)
    {
        EXPECT_NEAR(5.0f, Step(*t, 0.5f), 1e-5f);
        EXPECT_EQ(static_cast<size_t>(lap - 1), posts.size());
        EXPECT_EQ(10.0f, Step(*t, 0.75f)); // past the end: last value, back to 0
        EXPECT_EQ(static_cast<size_t>(lap), posts.size());
        EXPECT_EQ(0.0f, t->GetCurrentTime());
        EXPECT_FALSE(t->IsFinished());
    }
    for (const auto& p : posts)
        EXPECT_EQ("obj", p.second);
}

TEST(TweenRun, EndWithoutPosterStillFinishes)
{
    const float v[] = {0, 0, 3};
    nE_Tween t(1, false, "x", "o", v, 1);
    EXPECT_EQ(3.0f, Step(t, 1.0f));
    EXPECT_TRUE(t.IsFinished());
}

TEST(TweenRun, NonFiniteStepDoesNotPoisonTheClock)
{
    Posts posts;
    auto t = Single({0, 0, 0, 1, 0, 10}, false, &posts);
    float v = Step(*t, std::nanf(""));
    EXPECT_FALSE(std::isnan(v));
    EXPECT_NEAR(5.0f, Step(*t, 0.5f), 1e-5f);
}

// ---- keys that share a time ----

TEST(TweenEqualTimes, SharedTimeGivesLaterValueNeverNaN)
{
    Posts posts;
    auto t = Single({0, 0, 0, 1, 0, 10, 1, 0, 20, 2, 0, 30}, false, &posts);
    EXPECT_NEAR(9.0f, Step(*t, 0.9f), 1e-4f);
    EXPECT_FLOAT_EQ(20.0f, Step(*t, 0.1f)); // exactly at the shared time
    EXPECT_NEAR(25.0f, Step(*t, 0.5f), 1e-4f);
}

TEST(TweenEqualTimes, LeadingZeroLengthSegment)
{
    Posts posts;
    auto t = Single({1, 0, 5, 1, NE_CURVE_EASE_IN, 7, 2, 0, 9}, false, &posts);
    float before = Step(*t, 0.5f);
    EXPECT_FALSE(std::isnan(before));
    EXPECT_EQ(5.0f, before); // the jump has not happened yet
    EXPECT_FLOAT_EQ(7.0f, Step(*t, 0.5f));
}

TEST(TweenEqualTimes, AllKeysAtOneTime)
{
    Posts posts;
    auto t = Single({1, 0, 5, 1, 0, 7}, false, &posts);
    EXPECT_EQ(5.0f, Step(*t, 0.25f));
    EXPECT_TRUE(posts.empty());
    EXPECT_EQ(7.0f, Step(*t, 0.75f));
    EXPECT_EQ(1u, posts.size());
}

TEST(TweenEqualTimes, LoopingZeroLengthTweenPostsEachUpdate)
{
    Posts posts;
    auto t = Single({0, 0, 5, 0, 0, 7}, true, &posts);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(7.0f, Step(*t, 0.016f));
    EXPECT_EQ(3u, posts.size());
}

// ---- unknown kinds ----

TEST(TweenKinds, UnknownKindStillRunsAndPosts)
{
    Posts posts;
    const float v[] = {0, 0, 1, 0.5f, 0, 2};
    auto t = nE_MakeTween(42, false, "gone()", "thing", v, 6, Recorder(&posts));
    ASSERT_FALSE(t->IsFinished());
    Step(*t, 0.25f);
    EXPECT_FLOAT_EQ(0.25f, t->GetCurrentTime());
    Step(*t, 0.5f);
    EXPECT_TRUE(t->IsFinished());
    ASSERT_EQ(1u, posts.size());
    EXPECT_EQ("gone()", posts[0].first);
    EXPECT_EQ("thing", posts[0].second);
}
