#include "de50/de50_config.h"

#include <map>

namespace DE50
{

static std::map<std::string, std::string>& Store()
{
    static std::map<std::string, std::string> store;
    return store;
}

void SetConfigValue(const str& key, const str& value)
{
    Store()[key] = value;
}

str GetConfigValue(const str& key)
{
    auto it = Store().find(key);
    return it == Store().end() ? str() : str(it->second);
}

} // namespace DE50
