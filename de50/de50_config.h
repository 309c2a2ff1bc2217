#pragma once
// The library's platform settings: a key/value store that TPlatform::SetConfig
// fills and the services read (the user folder needs the publisher and game
// names).

#include "de50/de50_base.h"

namespace DE50
{

// Key values behind TPlatform::kPublisherName and TPlatform::kGameName.
inline constexpr const char kConfigPublisherName[] = "publisher_name";
inline constexpr const char kConfigGameName[] = "game_name";

// Stores a value; a later call with the same key replaces it.
void SetConfigValue(const str& key, const str& value);
// The stored value, empty when the key was never set.
str GetConfigValue(const str& key);

} // namespace DE50
