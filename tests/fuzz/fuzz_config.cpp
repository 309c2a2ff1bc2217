// The game configuration with the string tables it names, then the user
// settings file read, saved and read again.
#include "engine/core/nE_StringTable.h"
#include "game/app/nG_Config.h"
#include "game/app/nG_Settings.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Scratch();
    const std::vector<std::string> parts = fuzz::Split(data, size, 3);
    fuzz::Write("assets/config.xml", parts[0]);
    fuzz::Write("assets/strings.xml", parts[1]);
    fuzz::Write("settings.xml", parts[2]);
    nE_StringTable strings;
    g_stringTable = &strings;
    nG_Config config;
    g_config = &config;
    config.Load();
    nG_Settings settings;
    settings.Load();
    const nG_SettingsValues read = settings.GetValues();
    settings.Save();
    nG_Settings again;
    again.Load();
    // Values are saved to six significant digits.
    const float sfx = again.GetVolume("sfx");
    if (std::fabs(sfx - read.sfxVolume) > 1e-5f * std::max(1.0f, std::fabs(sfx)) ||
        again.GetFullScreen() != read.fullScreen)
        std::abort();
    g_config = nullptr;
    g_stringTable = nullptr;
    return 0;
}
