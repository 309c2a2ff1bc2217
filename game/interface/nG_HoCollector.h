#pragma once
// The two collectors of the interface. nG_HoCollector takes a found hidden
// object out of the room: it fades it out on the spot with a particle burst
// and tells the task list which object was found. nG_Collector flies an
// object from where it stands to a point of the HUD, swelling, shrinking and
// fading on the way. Both delete the object when its animation ends.

#include "engine/core/nE_Mediator.h"
#include "engine/core/nE_Object.h"

#include <string>
#include <vector>

struct nG_HoCollectEntry
{
    nE_ObjectHandle object;
    bool keep = false; // the task list keeps the object: it is not deleted
    nE_ObjectHandle effect;
};

class nG_HoCollector : public nE_Object, public nE_Listener
{
public:
    explicit nG_HoCollector(const std::string& name);
    ~nG_HoCollector() override;
    static nE_Object* Create(const std::string& name) { return new nG_HoCollector(name); }

    void Update(const nE_TimeStep* step) override;
    void OnMessage(int id, void* record) override;
    void CollectHo(const std::string& name);
    size_t GetEntryCount() const { return m_entries.size(); }

private:
    std::vector<nG_HoCollectEntry> m_entries;
    bool m_effectOn = true;
};

class nG_Collector : public nE_Object, public nE_Listener
{
public:
    explicit nG_Collector(const std::string& name);
    ~nG_Collector() override;
    static nE_Object* Create(const std::string& name) { return new nG_Collector(name); }

    void Update(const nE_TimeStep* step) override;
    void OnMessage(int id, void* record) override;
    void CollectToInterface(const std::string& name, int targetX, int targetY);
    size_t GetFlightCount() const { return m_flights.size(); }

private:
    std::vector<nE_ObjectHandle> m_flights;
};
