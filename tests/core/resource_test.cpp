#include "core/core_test_util.h"
#include "engine/core/nE_Resource.h"

namespace
{
int s_loads = 0;

// Names containing "missing" fail to load, as a missing image would.
struct FakeTexture : nE_Resource
{
    bool Load(const std::string& name) override
    {
        ++s_loads;
        nE_Resource::Load(name);
        return name.find("missing") == std::string::npos;
    }
};

// Loads the image of its own name through the cache, as frame textures do.
struct FakeFrameTexture : FakeTexture
{
    nE_ResourcePtr image;
    bool Load(const std::string& name) override
    {
        image = g_resourceCache->GetTexture(name);
        return FakeTexture::Load(name);
    }
};

// A font named "...loop" asks for itself: the cache must not recurse for ever.
struct FakeFont : FakeTexture
{
    nE_ResourcePtr self;
    bool Load(const std::string& name) override
    {
        if (name.find("loop") != std::string::npos) self = g_resourceCache->GetFont(name);
        return FakeTexture::Load(name);
    }
};

struct ResourceCacheTest : testing::Test
{
    LogCapture log;
    nE_ResourceCache cache;
    nE_ResourceCreator saved[NE_RES_KIND_COUNT];

    void SetUp() override
    {
        s_loads = 0;
        g_resourceCache = &cache;
        saved[0] = nE_ResourceCache::SetCreator(NE_RES_TEXTURE, [] { return new FakeTexture; });
        saved[1] = nE_ResourceCache::SetCreator(NE_RES_FRAME_TEXTURE, [] { return new FakeFrameTexture; });
        saved[2] = nE_ResourceCache::SetCreator(NE_RES_GENERATED_TEXTURE, nE_ResourceCreator());
        saved[3] = nE_ResourceCache::SetCreator(NE_RES_FONT, [] { return new FakeFont; });
    }
    void TearDown() override
    {
        for (int kind = 0; kind < NE_RES_KIND_COUNT; ++kind)
            nE_ResourceCache::SetCreator(kind, saved[kind]);
        g_resourceCache = nullptr;
    }
    // Requests that only advance the request counter.
    void Pad(int n)
    {
        for (int i = 0; i < n; ++i)
            cache.Get("", NE_RES_TEXTURE);
    }
};

TEST_F(ResourceCacheTest, ResourceAskingForItselfWhileLoadingGetsNothing)
{
    nE_ResourcePtr font = cache.GetFont("assets/fonts/loop");
    ASSERT_TRUE(font);
    EXPECT_FALSE(static_cast<FakeFont*>(font.get())->self);
    EXPECT_EQ(1, s_loads);
    EXPECT_EQ(Lines{"Error: resource \"assets/fonts/loop\" requested while it is loading!"}, log.lines);
    EXPECT_EQ(font, cache.GetFont("assets/fonts/loop"));
}

} // namespace

// Every 200th request sweeps first. Here the frame texture's nested request
// for the image of its own name (another entry: the kind is part of the key)
// is the 200th: its sweep removes the very entry the outer request found
// expired, while the outer one is loading.
TEST_F(ResourceCacheTest, NestedGetAndSweepInsideLoad)
{
    cache.GetFrameTexture("door"); // requests 1 and 2; both expire at once
    EXPECT_EQ(2u, cache.GetEntryCount());
    Pad(196);                                              // requests 3..198
    nE_ResourcePtr frames = cache.GetFrameTexture("door"); // 199, nested 200 sweeps
    ASSERT_TRUE(frames);
    nE_ResourcePtr image = static_cast<FakeFrameTexture*>(frames.get())->image;
    ASSERT_TRUE(image && image != frames);
    EXPECT_EQ(2u, cache.GetEntryCount());
    EXPECT_EQ(frames, cache.GetFrameTexture("door"));
    EXPECT_EQ(image, cache.GetTexture("door"));
    EXPECT_EQ(4, s_loads);
    frames.reset();
    image.reset();
    Pad(200);
    EXPECT_EQ(0u, cache.GetEntryCount());
}
