#pragma once
// What the game asks of the machine beyond the engine's services: the
// desktop's browser, whether there is a sound device, the game's name as the
// platform knows it and the options the program was started with. The game
// reaches the engine library only through the platform layer; these are its
// answers that belong to no service.

#include <string>

// Hands the address to the desktop's browser; false when it could not.
bool nE_OpenBrowser(const std::string& url);
// The number of sound output devices the library finds.
unsigned nE_GetSoundDeviceCount();
// The game's name as given to the platform (it names the user folder).
std::string nE_GetPlatformGameName();
// --windowed: the program keeps a window even when full screen is chosen.
bool nE_IsWindowKept();
