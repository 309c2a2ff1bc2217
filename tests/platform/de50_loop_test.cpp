#include "platform/de50_test_support.h"

#include <SDL.h>
#include <SDL_image.h>

using namespace DE50;

namespace
{

// What the callbacks saw during one run of the loop.
struct Seen
{
    std::string commandLine;
    std::vector<uint32_t> clockAtUpdate;
    std::vector<std::string> events; // "turn type value x y flags"
    int frames = 0, stops = 0;
    int exitOnEventType = -1;
    bool loseTexturesAtFirstFrame = false;
    std::vector<int> refreshAtTurn;
};
Seen g_seen;

bool OnStart(const char* line)
{
    g_seen.commandLine = line;
    return TPlatform::GetInstance()->SetDisplay(64, 48, false, false, 0);
}

bool OnEvent(const TEvent& e)
{
    std::ostringstream s;
    s << g_seen.clockAtUpdate.size() << ' ' << e.type << ' ' << e.value << ' ' << e.x << ' ' << e.y << ' '
      << e.flags;
    g_seen.events.push_back(s.str());
    if (int(e.type) == g_seen.exitOnEventType) TPlatform::GetInstance()->Exit(3);
    return true;
}

void OnFrame()
{
    TRenderer* r = TRenderer::GetInstance();
    if (r->BeginDraw())
    {
        r->Begin2d();
        r->FillRect(TURect(0, 0, 64, 48), TColor(float(g_seen.frames % 4) / 4.0f, 0.5f, 1.0f, 1.0f));
        r->End2d();
        r->EndDraw(true);
    }
    if (g_seen.frames++ == 0 && g_seen.loseTexturesAtFirstFrame) DE50::Test::SimulateLostTextures();
}

struct RefreshTask : TTask
{
    bool Run() override
    {
        g_seen.refreshAtTurn.push_back(int(g_seen.clockAtUpdate.size()));
        return true;
    }
};

class De50Loop : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitLibrary());
        g_seen = Seen();
    }
    void TearDown() override { DE50::Test::Reset(); }
    int Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "prog");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        return RunMainLoop(
            int(argv.size()), argv.data(), OnStart, OnEvent, OnFrame,
            [](float) { g_seen.clockAtUpdate.push_back(timeGetTime()); }, [] { ++g_seen.stops; }, false);
    }
    de50test::ScratchDir dir;
};

// The run tests use the other flags; a flag of the game's own passes unharmed.
TEST_F(De50Loop, ParsesFlagsAndWarnsAboutBadValues)
{
    uint32_t w = 1, h = 1;
    GetDesktopSize(&w, &h);
    EXPECT_EQ(1920u * 1080u, w * h); // the test screen, until --desktop says otherwise
    const char* args[] = {"prog", "--windowed", "--own-flag", "--desktop", "1280x1024", "--cheats"};
    TLoopOptions o = ParseLoopOptions(6, const_cast<char**>(args));
    EXPECT_TRUE(o.windowed && o.cheats && !o.fixedStep);
    SetLoopOptions(o);
    GetDesktopSize(&w, &h);
    EXPECT_EQ(1280u * 1024u, w * h);

    const char* bad[] = {"prog", "--frames", "-3", "--desktop", "1280", "--screenshot", nullptr};
    testing::internal::CaptureStderr();
    o = ParseLoopOptions(6, const_cast<char**>(bad));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, o.frames + o.desktopWidth + o.desktopHeight);
    EXPECT_TRUE(o.screenshot.empty());
    for (const char* line :
         {"Warning: --frames", "Warning: --desktop", "Warning: --screenshot needs a value"})
        EXPECT_NE(std::string::npos, log.find(line)) << line;
}

TEST_F(De50Loop, FixedStepRunsCountedTurnsAndHooks)
{
    static int hookRuns = 0;
    static bool added = false;
    if (!added) AddLoopTurnHook([] { ++hookRuns; });
    added = true;
    hookRuns = 0;
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "5", "--windowed", "extra"}));
    EXPECT_EQ("--fixed-step --frames 5 --windowed extra", g_seen.commandLine);
    ASSERT_EQ(5u, g_seen.clockAtUpdate.size());
    for (size_t i = 1; i < 5; ++i)
        EXPECT_EQ(kFixedStepMs, g_seen.clockAtUpdate[i] - g_seen.clockAtUpdate[i - 1]);
    EXPECT_EQ(5, g_seen.frames);
    EXPECT_EQ(5, hookRuns);
    EXPECT_EQ(1, g_seen.stops);
    uint32_t w = 1;
    TPlatform::GetInstance()->GetDisplay(&w, nullptr, nullptr);
    EXPECT_EQ(0u, w); // the window closes with the loop
}

TEST_F(De50Loop, ExitCodeFromEventAndInjectedEvents)
{
    g_seen.exitOnEventType = TEvent::kQuit;
    DE50::Test::InjectEvent(TEvent{TEvent::kKeyDown, Key::kLeft, 0, 0, TEvent::kFlagSystemKey});
    DE50::Test::InjectEvent(TEvent());
    EXPECT_EQ(3, Run({"--fixed-step", "--frames", "50"}));
    ASSERT_GE(g_seen.events.size(), 2u);
    EXPECT_EQ("0 7 4294967170 0 0 4", g_seen.events[g_seen.events.size() - 2]);
    EXPECT_EQ(1, g_seen.frames); // the turn in which Exit came still finishes
    EXPECT_EQ(1, g_seen.stops);
}

TEST_F(De50Loop, ReplayDeliversAtTurnsAndRecordingRoundTrips)
{
    const std::string input = dir.path + "input", record = dir.path + "record", again = dir.path + "again";
    std::ofstream(input) << "# turn type value x y flags\n0 4 0 10 20 0\n2 1 0 10 20 0\n2 3 0 11 21 0\n"
                            "garbage line\n3 9 233 0 0 0\n4 7 -126 0 0 0\n5 4 0 2147483647 -2147483648 0\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "7", "--input", input, "--record", record}));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("line 5 ignored"));
    const std::vector<std::string> expected = {
        "0 4 0 10 20 0", "2 1 0 10 20 0",        "2 3 0 11 21 0",
        "3 9 233 0 0 0", "4 7 4294967170 0 0 0", "5 4 0 1048576 -1048576 0"}; // far pointers clamped
    EXPECT_EQ(expected, g_seen.events);
    std::string lines;
    for (const std::string& e : expected)
        lines += e + "\n";
    EXPECT_EQ(lines, de50test::Slurp(record));

    g_seen = Seen();
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "7", "--input", record, "--record", again}));
    EXPECT_EQ(expected, g_seen.events);
    EXPECT_EQ(lines, de50test::Slurp(again));
}

TEST_F(De50Loop, ScreenshotHoldsTheLastFrameAndLostTexturesAreReportedNextTurn)
{
    g_seen.loseTexturesAtFirstFrame = true;
    TPlatform::GetInstance()->AdoptTextureRefreshListener(new RefreshTask);
    const std::string shot = dir.path + "shot.png";
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "3", "--screenshot", shot}));
    EXPECT_EQ(std::vector<int>{1}, g_seen.refreshAtTurn); // lost in turn 0's frame
    SDL_Surface* loaded = IMG_Load(shot.c_str());
    ASSERT_NE(nullptr, loaded);
    SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(nullptr, s);
    EXPECT_TRUE(s->w == 64 && s->h == 48);
    const uint32_t corner = static_cast<uint32_t*>(s->pixels)[0];
    SDL_FreeSurface(s);
    EXPECT_TRUE(de50test::Near(corner, 0xFF8080FFu)); // frame 2: red 0.5, green 0.5, blue 1
}

TEST(De50Keys, ClassicCodes)
{
    const std::pair<SDL_Keycode, uint32_t> keys[] = {
        {SDLK_a, 'A'},       {SDLK_z, 'Z'},     {SDLK_7, '7'},    {SDLK_RETURN, 13},
        {SDLK_BACKSPACE, 8}, {SDLK_ESCAPE, 27}, {SDLK_SPACE, 32}, {SDLK_LEFT, uint32_t(-126)},
        {SDLK_MUTE, 0}};
    for (const auto& k : keys)
        EXPECT_EQ(k.second, KeyCodeFromSdl(k.first)) << k.first;
}

} // namespace
