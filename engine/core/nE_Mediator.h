#pragma once
// The message bus: senders fill a record and send it under an integer id; every
// listener subscribed to that id is called at once, in subscription order.
//
// Typed messages: each id is declared once with the record its senders fill
// (NE_MESSAGE). Code sends with nE_Send<Id>(record) and reads with
// nE_MsgAs<Id>(id, record), both typed by the id, so a record of another type
// does not compile and a reader never takes one message's record for another's.

#include <map>
#include <type_traits>
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
    // The untyped send under the typed helpers below.
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

// What message Id carries; left undefined for an id nobody declared.
template <int Id> struct nE_MsgTraits;

template <class Record, bool MayBeEmpty = std::is_void<Record>::value> struct nE_MsgSpec
{
    typedef Record type;
    // Whether a sender may pass no record (a null pointer).
    static constexpr bool kMayBeEmpty = MayBeEmpty;
};

// Declares the message constant `name` = number and its record (void: none).
// A number declared twice does not compile.
#define NE_MESSAGE(name, number, Record)                                                                     \
    constexpr int name = number;                                                                             \
    template <> struct nE_MsgTraits<number> : nE_MsgSpec<Record>                                             \
    {                                                                                                        \
    }
// The same for a message that some senders send without its record.
#define NE_MESSAGE_OR_NONE(name, number, Record)                                                             \
    constexpr int name = number;                                                                             \
    template <> struct nE_MsgTraits<number> : nE_MsgSpec<Record, true>                                       \
    {                                                                                                        \
    }

template <int Id> using nE_MsgRecord = typename nE_MsgTraits<Id>::type;

// Sends message Id with its record on the global bus; nothing without a bus.
template <int Id> void nE_Send(nE_MsgRecord<Id>& record)
{
    if (g_mediator) g_mediator->Send(Id, const_cast<void*>(static_cast<const void*>(&record)));
}

// A temporary, or a value converted on its way in, is no record to send.
template <int Id> void nE_Send(const nE_MsgRecord<Id>&& record) = delete;

// Sends message Id without a record, for the ids declared to allow it.
template <int Id, std::enable_if_t<nE_MsgTraits<Id>::kMayBeEmpty, int> = 0> void nE_Send()
{
    if (g_mediator) g_mediator->Send(Id, nullptr);
}

// The record of message Id when `id` is that message; null under any other id
// or when the sender passed none.
template <int Id>
std::enable_if_t<!std::is_void<nE_MsgRecord<Id>>::value, nE_MsgRecord<Id>>* nE_MsgAs(int id, void* record)
{
    return id == Id ? static_cast<nE_MsgRecord<Id>*>(record) : nullptr;
}
