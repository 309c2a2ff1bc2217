#pragma once
// The message bus: senders fill a record and send it under an integer id; every
// listener subscribed to that id is called at once, in subscription order.

#include <map>
#include <vector>

class nE_Listener
{
public:
    virtual ~nE_Listener();
    virtual void OnMessage(int id, void* record) = 0;
};

typedef std::map<int, std::vector<nE_Listener*>> nE_MessageMap;

class nE_Mediator
{
public:
    virtual ~nE_Mediator();

    void Subscribe(nE_Listener* listener, int id);
    void Unsubscribe(int id, nE_Listener* listener);
    void UnsubscribeAll(nE_Listener* listener);
    void Send(int id, void* record);
    // The id's listeners in subscription order (created empty for a new id).
    // Entries removed during a send read as null until the send ends.
    std::vector<nE_Listener*>& GetListeners(int id);

private:
    void Compact();

    nE_MessageMap m_map;
    std::vector<nE_Listener*> m_all;
    int m_sendDepth = 0;
    bool m_dirty = false;
};

// The one bus of the program; null before start and after stop.
extern nE_Mediator* g_mediator;
