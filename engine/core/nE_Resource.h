#pragma once
// Shared resources (textures, frame textures, generated textures, fonts) and
// the cache that hands them out by kind and name, keeping only weak references.

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

class nE_Resource
{
public:
    nE_Resource() : m_name("ne_dummyres") {}
    virtual ~nE_Resource() = default;
    // The base only records the name and succeeds.
    virtual bool Load(const std::string& name);
    std::string GetName() const { return m_name; }

protected:
    std::string m_name;
};

typedef std::shared_ptr<nE_Resource> nE_ResourcePtr;

enum nE_ResourceKind
{
    NE_RES_TEXTURE = 0,
    NE_RES_FRAME_TEXTURE = 1,
    NE_RES_GENERATED_TEXTURE = 2,
    NE_RES_FONT = 3,
    NE_RES_KIND_COUNT = 4
};

// Makes an empty resource of one kind; the cache then calls its Load.
typedef std::function<nE_Resource*()> nE_ResourceCreator;

class nE_ResourceCache
{
public:
    // The subsystem that owns a kind registers its creator once; the table is
    // shared by every cache. Answers the previous creator (empty when none).
    // A kind outside 0..3 is refused and answers empty.
    static nE_ResourceCreator SetCreator(int kind, nE_ResourceCreator creator);

    // The live resource cached under (kind, name), else a new one loaded now.
    // A failed load is answered but not cached. Empty for an empty name, an
    // unknown kind, a kind with no creator, or a resource that asks for itself
    // while it loads.
    nE_ResourcePtr Get(const std::string& name, int kind);
    nE_ResourcePtr GetTexture(const std::string& name) { return Get(name, NE_RES_TEXTURE); }
    nE_ResourcePtr GetFrameTexture(const std::string& name) { return Get(name, NE_RES_FRAME_TEXTURE); }
    nE_ResourcePtr GetFont(const std::string& name) { return Get(name, NE_RES_FONT); }
    // Whether a live resource loaded without fault is cached under (kind, name):
    // right after Get, false tells a failed load.
    bool Holds(const std::string& name, int kind) const;

    // Forgets every entry; resources still held elsewhere live on.
    void Clear() { m_map.clear(); }
    // Entries in the map, expired ones included until the next sweep.
    size_t GetEntryCount() const { return m_map.size(); }

private:
    typedef std::pair<int, std::string> Key;

    void CountRequest();
    nE_ResourcePtr Create(const Key& key);

    std::map<Key, std::weak_ptr<nE_Resource>> m_map;
    std::set<Key> m_loading;
    int m_requests = 0;
};

// The one cache; made by the engine shell at start, null before and after.
extern nE_ResourceCache* g_resourceCache;
