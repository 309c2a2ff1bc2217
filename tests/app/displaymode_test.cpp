#include "de50/de50_loop.h"
#include "game/app/nG_DisplayMode.h"
#include "tests/app/user_folder.h"

namespace
{
struct Case
{
    const char* what;
    unsigned desktopW, desktopH;
    bool fullWanted, wideWanted;
    unsigned width, height;
    bool full, wide;
    float offsetX, offsetY, scaleX, scaleY;
};

const Case kCases[] = {
    {"1920x1080 wide window", 1920, 1080, false, true, 1366, 768, false, true, 171, 0, 1, 1},
    {"1920x1080 wide full", 1920, 1080, true, true, 1920, 1080, true, true, 240, 0, 1.40625f, 1.40625f},
    {"1920x1080 narrow full stretches", 1920, 1080, true, false, 1920, 1080, true, false, 0, 0, 1.875f,
     1.40625f},
    {"1280x1024 wide refused, window stays", 1280, 1024, false, true, 1024, 768, false, false, 0, 0, 1, 1},
    {"1280x1024 full", 1280, 1024, true, false, 1280, 1024, true, false, 0, 0, 1.25f, 1024.0f / 768},
    {"1280x1024 full, wide refused", 1280, 1024, true, true, 1280, 1024, true, false, 0, 0, 1.25f,
     1024.0f / 768},
    {"1366x768 low screen forces full", 1366, 768, false, false, 1366, 768, true, false, 0, 0, 1366.0f / 1024,
     1},
    {"1366x768 wide full", 1366, 768, false, true, 1366, 768, true, true, 171, 0, 1, 1},
    {"1440x900 wide window", 1440, 900, false, true, 1366, 768, false, true, 171, 0, 1, 1},
    {"1360x850 wide window too narrow: narrow window", 1360, 850, false, true, 1024, 768, false, false, 0, 0,
     1, 1},
    {"1024x900 cannot hold a window", 1024, 900, false, false, 1024, 900, true, false, 0, 0, 1, 900.0f / 768},
    {"0 height counts as 1024x768", 1920, 0, false, true, 1024, 768, true, false, 0, 0, 1, 1},
};
} // namespace

TEST(DisplayMode, TableOfDesktops)
{
    for (const Case& c : kCases)
    {
        SCOPED_TRACE(c.what);
        nG_DisplayMode m = nG_ChooseDisplayMode(c.fullWanted, c.wideWanted, c.desktopW, c.desktopH);
        EXPECT_EQ(std::make_tuple(m.width, m.height, m.fullScreen, m.wideScreen),
                  std::make_tuple(c.width, c.height, c.full, c.wide));
        EXPECT_FLOAT_EQ(m.offsetX, c.offsetX);
        EXPECT_FLOAT_EQ(m.offsetY, c.offsetY);
        EXPECT_FLOAT_EQ(m.scaleX, c.scaleX);
        EXPECT_FLOAT_EQ(m.scaleY, c.scaleY);
    }
}

// The log reports the mode in force: --windowed keeps a window the choice made full screen.
using DisplayModeLog = UserFolderTest;

TEST_F(DisplayModeLog, LogLineReportsTheModeInForce)
{
    DE50::TLoopOptions options;
    for (bool windowed : {false, true})
    {
        options.windowed = windowed;
        DE50::SetLoopOptions(options);
        nG_ChooseDisplayMode(false, false, 1024, 768);
    }
    DE50::SetLoopOptions(DE50::TLoopOptions());
    EXPECT_EQ((std::vector<std::string>{
                  "Display mode: 1024x768, fullscreen=1, widescreen=0.",
                  "Display mode: 1024x768, fullscreen=0, widescreen=0. (full screen chosen; --windowed keeps a window)"}),
              log.lines);
}
