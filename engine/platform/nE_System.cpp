#include "engine/platform/nE_System.h"

#include "de50/de50_config.h"
#include "de50/de50_loop.h"
#include "de50/de50_platform.h"
#include "de50/de50_sound.h"

bool nE_OpenBrowser(const std::string& url)
{
    return DE50::TPlatform::GetInstance()->OpenBrowser(DE50::str(url));
}

unsigned nE_GetSoundDeviceCount()
{
    return DE50::GetNumSoundDevices();
}

std::string nE_GetPlatformGameName()
{
    return std::string(DE50::GetConfigValue(DE50::kConfigGameName));
}

bool nE_IsWindowKept()
{
    return DE50::GetLoopOptions().windowed;
}
