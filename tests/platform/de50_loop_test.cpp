#include "platform/de50_test_support.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace DE50;

namespace
{

// What the callbacks saw during one run of the loop.
struct Seen
{
    std::string commandLine;
    std::vector<uint32_t> clockAtUpdate;
    std::vector<std::string> events; // "turn type value x y flags"
    int frames = 0, stops = 0, refreshRuns = 0;
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

void OnUpdate(float)
{
    g_seen.clockAtUpdate.push_back(timeGetTime());
}

void OnFrame()
{
    TRenderer* r = TRenderer::GetInstance();
    if (r->BeginDraw())
    {
        r->Begin2d();
        float v = float(g_seen.frames % 4) / 4.0f;
        r->FillRect(TURect(0, 0, 64, 48), TColor(v, 0.5f, 1.0f, 1.0f));
        r->End2d();
        r->EndDraw(true);
    }
    if (g_seen.frames == 0 && g_seen.loseTexturesAtFirstFrame) DE50::Test::SimulateLostTextures();
    ++g_seen.frames;
}

void OnStop()
{
    ++g_seen.stops;
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
    void TearDown() override
    {
        DE50::Test::Reset();
        for (const std::string& f : files)
            std::remove(f.c_str());
    }
    int Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "prog");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        return RunMainLoop(int(argv.size()), argv.data(), OnStart, OnEvent, OnFrame, OnUpdate, OnStop, false);
    }
    std::string TempFile(const char* name)
    {
        std::string path = testing::TempDir() + "de50_loop_" + name;
        files.push_back(path);
        return path;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream f(path);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    std::vector<std::string> files;
};

TEST(De50Flags, ParsesEveryFlag)
{
    const char* args[] = {"prog",     "--windowed",   "--frames",  "30",        "--screenshot",
                          "shot.png", "--fixed-step", "--desktop", "1280x1024", "--input",
                          "in",       "--record",     "out",       "--own-flag"};
    TLoopOptions o = ParseLoopOptions(14, const_cast<char**>(args));
    EXPECT_TRUE(o.windowed);
    EXPECT_EQ(30u, o.frames);
    EXPECT_EQ("shot.png", o.screenshot);
    EXPECT_TRUE(o.fixedStep);
    EXPECT_EQ(1280u, o.desktopWidth);
    EXPECT_EQ(1024u, o.desktopHeight);
    EXPECT_EQ("in", o.inputFile);
    EXPECT_EQ("out", o.recordFile);
}

TEST(De50Flags, BadValuesAreIgnoredWithWarning)
{
    const char* args[] = {"prog", "--frames", "-3", "--desktop", "1280", "--screenshot", nullptr};
    testing::internal::CaptureStderr();
    TLoopOptions o = ParseLoopOptions(6, const_cast<char**>(args));
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, o.frames);
    EXPECT_EQ(0u, o.desktopWidth);
    EXPECT_EQ(0u, o.desktopHeight);
    EXPECT_TRUE(o.screenshot.empty());
    EXPECT_NE(std::string::npos, log.find("Warning: --frames"));
    EXPECT_NE(std::string::npos, log.find("Warning: --desktop"));
    EXPECT_NE(std::string::npos, log.find("Warning: --screenshot needs a value"));
}

TEST(De50Keys, ClassicCodes)
{
    EXPECT_EQ(uint32_t('A'), KeyCodeFromSdl(SDLK_a));
    EXPECT_EQ(uint32_t('Z'), KeyCodeFromSdl(SDLK_z));
    EXPECT_EQ(uint32_t('7'), KeyCodeFromSdl(SDLK_7));
    EXPECT_EQ(13u, KeyCodeFromSdl(SDLK_RETURN));
    EXPECT_EQ(8u, KeyCodeFromSdl(SDLK_BACKSPACE));
    EXPECT_EQ(9u, KeyCodeFromSdl(SDLK_TAB));
    EXPECT_EQ(27u, KeyCodeFromSdl(SDLK_ESCAPE));
    EXPECT_EQ(32u, KeyCodeFromSdl(SDLK_SPACE));
    EXPECT_EQ(uint32_t(-126), KeyCodeFromSdl(SDLK_LEFT));
    EXPECT_EQ(uint32_t(-125), KeyCodeFromSdl(SDLK_RIGHT));
    EXPECT_EQ(0u, KeyCodeFromSdl(SDLK_MUTE));
}

TEST_F(De50Loop, FixedStepRunsCountedTurns)
{
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "5", "--windowed", "extra"}));
    EXPECT_EQ("--fixed-step --frames 5 --windowed extra", g_seen.commandLine);
    ASSERT_EQ(5u, g_seen.clockAtUpdate.size());
    for (size_t i = 1; i < 5; ++i)
        EXPECT_EQ(kFixedStepMs, g_seen.clockAtUpdate[i] - g_seen.clockAtUpdate[i - 1]);
    EXPECT_EQ(5, g_seen.frames);
    EXPECT_EQ(1, g_seen.stops);
    uint32_t w = 1;
    TPlatform::GetInstance()->GetDisplay(&w, nullptr, nullptr);
    EXPECT_EQ(0u, w); // the window closes with the loop
}

TEST_F(De50Loop, ExitCodeFromEventAndInjectedEvents)
{
    g_seen.exitOnEventType = TEvent::kQuit;
    TEvent key;
    key.type = TEvent::kKeyDown;
    key.value = Key::kLeft;
    key.flags = TEvent::kFlagSystemKey;
    DE50::Test::InjectEvent(key);
    DE50::Test::InjectEvent(TEvent());
    EXPECT_EQ(3, Run({"--fixed-step", "--frames", "50"}));
    ASSERT_GE(g_seen.events.size(), 2u);
    EXPECT_EQ("0 7 4294967170 0 0 4", g_seen.events[g_seen.events.size() - 2]);
    EXPECT_EQ(1, g_seen.frames); // the turn in which Exit came still finishes
    EXPECT_EQ(1, g_seen.stops);
}

TEST_F(De50Loop, ReplayDeliversAtTurnsAndRecordingRoundTrips)
{
    std::string input = TempFile("input.txt"), record = TempFile("record.txt"), again = TempFile("again.txt");
    std::ofstream(input) << "# turn type value x y flags\n"
                            "0 4 0 10 20 0\n"
                            "2 1 0 10 20 0\n"
                            "2 3 0 11 21 0\n"
                            "garbage line\n"
                            "3 9 233 0 0 0\n"
                            "4 7 -126 0 0 0\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "6", "--input", input, "--record", record}));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("line 5 ignored"));
    std::vector<std::string> expected = {"0 4 0 10 20 0", "2 1 0 10 20 0", "2 3 0 11 21 0", "3 9 233 0 0 0",
                                         "4 7 4294967170 0 0 0"};
    EXPECT_EQ(expected, g_seen.events);
    std::string recorded = Read(record);
    EXPECT_EQ("0 4 0 10 20 0\n2 1 0 10 20 0\n2 3 0 11 21 0\n3 9 233 0 0 0\n4 7 4294967170 0 0 0\n", recorded);

    g_seen = Seen();
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "6", "--input", record, "--record", again}));
    EXPECT_EQ(expected, g_seen.events);
    EXPECT_EQ(recorded, Read(again));
}

TEST_F(De50Loop, MissingInputFileIsReported)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "2", "--input", "/nonexistent/in.txt"}));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error: input file"));
    EXPECT_EQ(2, g_seen.frames);
}

TEST_F(De50Loop, ScreenshotHoldsTheLastFrame)
{
    std::string shot = TempFile("shot.png");
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "3", "--screenshot", shot}));
    SDL_Surface* loaded = IMG_Load(shot.c_str());
    ASSERT_NE(nullptr, loaded);
    SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(64, s->w);
    EXPECT_EQ(48, s->h);
    uint32_t corner = static_cast<uint32_t*>(s->pixels)[0];
    SDL_FreeSurface(s);
    // The third frame (index 2) filled red 0.5, green 0.5, blue 1.
    EXPECT_TRUE(de50test::Near(corner, 0xFF8080FFu));
}

TEST_F(De50Loop, LostTexturesReportedOnNextTurn)
{
    g_seen.loseTexturesAtFirstFrame = true;
    TPlatform::GetInstance()->AdoptTextureRefreshListener(new RefreshTask);
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "3"}));
    // Lost during turn 0's frame, reported before turn 1's update.
    EXPECT_EQ(std::vector<int>{1}, g_seen.refreshAtTurn);
}

TEST_F(De50Loop, TurnHooksRunEachTurn)
{
    static int hookRuns = 0;
    hookRuns = 0;
    static bool added = false;
    if (!added) AddLoopTurnHook([] { ++hookRuns; });
    added = true;
    EXPECT_EQ(0, Run({"--fixed-step", "--frames", "4"}));
    EXPECT_EQ(4, hookRuns);
}

TEST(De50Platform, DisplayReportsWhatWasAskedUnlessForced)
{
    ASSERT_TRUE(InitLibrary());
    TPlatform* p = TPlatform::GetInstance();
    uint32_t w = 1, h = 1;
    bool full = true;
    p->GetDisplay(&w, &h, &full);
    EXPECT_EQ(0u, w);
    EXPECT_FALSE(full);
    EXPECT_FALSE(p->SetDisplay(0, 600, false, false, 0));
    EXPECT_TRUE(p->SetDisplay(200, 100, false, false, 0));
    p->GetDisplay(&w, &h, &full);
    EXPECT_EQ(200u, w);
    EXPECT_EQ(100u, h);
    DE50::Test::ForceDisplayResult(640, 480, true);
    EXPECT_FALSE(p->SetDisplay(300, 200, false, false, 0));
    p->GetDisplay(&w, &h, &full);
    EXPECT_EQ(640u, w);
    EXPECT_TRUE(full);
    EXPECT_TRUE(p->SetDisplay(300, 200, false, false, 0)); // forcing holds once
    p->GetDisplay(&w, &h, &full);
    EXPECT_EQ(300u, w);
    DE50::Test::Reset();
}

TEST(De50Platform, DesktopSizeFromHookFlagOrDisplay)
{
    ASSERT_TRUE(InitLibrary());
    uint32_t w = 0, h = 0;
    GetDesktopSize(&w, &h);
    EXPECT_EQ(1920u, w); // the test screen
    EXPECT_EQ(1080u, h);
    TLoopOptions o;
    o.desktopWidth = 1366;
    o.desktopHeight = 768;
    SetLoopOptions(o);
    GetDesktopSize(&w, &h);
    EXPECT_EQ(1366u, w);
    DE50::Test::SetDesktopSize(1280, 1024);
    GetDesktopSize(&w, &h);
    EXPECT_EQ(1280u, w);
    EXPECT_EQ(1024u, h);
    DE50::Test::Reset();
}

TEST(De50Platform, ConfigAndClock)
{
    ASSERT_TRUE(InitLibrary());
    TPlatform* p = TPlatform::GetInstance();
    p->SetConfig(TPlatform::kGameName, "Game");
    p->SetConfig("texturememorymax", "524288000");
    EXPECT_EQ("Game", p->GetConfig(TPlatform::kGameName));
    EXPECT_EQ("", p->GetConfig(TPlatform::kPublisherName));
    DE50::Test::SetClock(0xFFFFFFF0u);
    EXPECT_EQ(0xFFFFFFF0u, timeGetTime());
    DE50::Test::AdvanceClock(0x20);
    EXPECT_EQ(0x10u, timeGetTime()); // wraps as a 32-bit count
    DE50::Test::Reset();
    EXPECT_EQ("", p->GetConfig(TPlatform::kGameName));
}

} // namespace
