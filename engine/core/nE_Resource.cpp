#include "engine/core/nE_Resource.h"

#include "engine/core/nE_Log.h"

#include <vector>

nE_ResourceCache* g_resourceCache = nullptr;

namespace
{
// Expired entries linger until every this many requests.
const int kSweepPeriod = 200;

std::vector<nE_ResourceCreator>& Creators()
{
    static std::vector<nE_ResourceCreator> creators(NE_RES_KIND_COUNT);
    return creators;
}

bool ValidKind(int kind)
{
    return kind >= 0 && kind < NE_RES_KIND_COUNT;
}
} // namespace

bool nE_Resource::Load(const std::string& name)
{
    m_name = name;
    return true;
}

nE_ResourceCreator nE_ResourceCache::SetCreator(int kind, nE_ResourceCreator creator)
{
    if (!ValidKind(kind)) return nE_ResourceCreator();
    nE_ResourceCreator previous = std::move(Creators()[kind]);
    Creators()[kind] = std::move(creator);
    return previous;
}

void nE_ResourceCache::CountRequest()
{
    if (++m_requests < kSweepPeriod) return;
    m_requests = 0;
    for (auto it = m_map.begin(); it != m_map.end();)
        it = it->second.expired() ? m_map.erase(it) : std::next(it);
}

bool nE_ResourceCache::Holds(const std::string& name, int kind) const
{
    auto found = m_map.find(Key(kind, name));
    return found != m_map.end() && !found->second.expired();
}

nE_ResourcePtr nE_ResourceCache::Create(const Key& key)
{
    if (!ValidKind(key.first) || !Creators()[key.first]) return nE_ResourcePtr();
    return nE_ResourcePtr(Creators()[key.first]());
}

nE_ResourcePtr nE_ResourceCache::Get(const std::string& name, int kind)
{
    CountRequest();
    if (name.empty()) return nE_ResourcePtr();
    const Key key(kind, name);
    auto found = m_map.find(key);
    if (found != m_map.end())
    {
        if (nE_ResourcePtr live = found->second.lock()) return live;
    }
    // A resource that needs itself to load would recurse for ever.
    if (m_loading.count(key))
    {
        nE_LogFmt("Error: resource \"%s\" requested while it is loading!", name);
        return nE_ResourcePtr();
    }
    nE_ResourcePtr resource = Create(key);
    if (!resource) return resource;
    // Load may ask the cache for other resources and sweep the map, so no
    // iterator is kept across it.
    m_loading.insert(key);
    const bool loaded = resource->Load(name);
    m_loading.erase(key);
    if (loaded) m_map[key] = resource;
    return resource;
}
