#include "core/core_test_util.h"

#include <functional>
#include <type_traits>

// Test messages: one record shared by two ids, one id without a record, one
// whose record some senders leave out.
struct TestRecord
{
    int value = 0;
};
NE_MESSAGE(kMsgQuery, 9001, TestRecord);
NE_MESSAGE(kMsgOther, 9002, TestRecord);
NE_MESSAGE(kMsgBare, 9003, void);
NE_MESSAGE_OR_NONE(kMsgMaybe, 9004, TestRecord);

namespace
{
template <int Id, class R, class = void> struct SendsWith : std::false_type
{
};
template <int Id, class R>
struct SendsWith<Id, R, std::void_t<decltype(nE_Send<Id>(std::declval<R&>()))>> : std::true_type
{
};
template <int Id, class = void> struct SendsEmpty : std::false_type
{
};
template <int Id> struct SendsEmpty<Id, std::void_t<decltype(nE_Send<Id>())>> : std::true_type
{
};
template <int Id, class = void> struct Reads : std::false_type
{
};
template <int Id> struct Reads<Id, std::void_t<decltype(nE_MsgAs<Id>(0, nullptr))>> : std::true_type
{
};

// The id decides the record: what any other type, or no record, would do does not compile.
static_assert(SendsWith<kMsgQuery, TestRecord>::value && SendsWith<kMsgOther, TestRecord>::value);
static_assert(!SendsWith<kMsgQuery, int>::value && !SendsWith<kMsgQuery, const TestRecord>::value);
static_assert(!SendsWith<NE_MSG_SUBTITLE, std::string>::value && !SendsWith<NE_MSG_LOG, int>::value);
static_assert(!SendsWith<9999, TestRecord>::value && !SendsEmpty<9999>::value, "an undeclared id");
static_assert(SendsEmpty<kMsgBare>::value && !SendsWith<kMsgBare, TestRecord>::value && !Reads<kMsgBare>::value);
static_assert(SendsEmpty<kMsgMaybe>::value && !SendsEmpty<kMsgQuery>::value);
static_assert(std::is_same<decltype(nE_MsgAs<kMsgOther>(0, nullptr)), TestRecord*>::value);
static_assert(std::is_same<decltype(nE_MsgAs<NE_MSG_LOG>(0, nullptr)), const char*>::value);

struct Recorder : nE_Listener
{
    std::string name;
    Lines* calls;
    std::function<void(int, void*)> action;
    Recorder(const std::string& n, Lines* c) : name(n), calls(c) {}
    void OnMessage(int id, void* record) override
    {
        calls->push_back(name + ":" + std::to_string(id));
        if (action) action(id, record);
    }
};

struct BusFixture : testing::Test
{
    nE_Mediator bus;
    Lines calls;
    Recorder a{"a", &calls}, b{"b", &calls}, c{"c", &calls};
    void SetUp() override
    {
        g_mediator = &bus;
        for (Recorder* r : {&a, &b, &c})
            bus.Subscribe(r, 1);
    }
    void TearDown() override { g_mediator = nullptr; }
};
} // namespace

TEST_F(BusFixture, DeliveryOrderDuplicatesAndRemoval)
{
    bus.Subscribe(&a, 1); // a duplicate is called twice
    bus.Send(1, nullptr);
    bus.Unsubscribe(1, &a); // removes one entry
    bus.UnsubscribeAll(&b);
    bus.Send(1, nullptr);
    bus.Send(77, nullptr); // unknown id: nobody
    EXPECT_EQ((Lines{"a:1", "b:1", "c:1", "a:1", "c:1", "a:1"}), calls);
}

// A listener that unsubscribes itself or another, deletes another, or
// subscribes another and sends again, during a send.
TEST_F(BusFixture, ListenersChangedDuringSendSkipNoOneAndRevisitNoOne)
{
    a.action = [&](int id, void*) { bus.Unsubscribe(id, &a); };
    bus.Send(1, nullptr);
    EXPECT_EQ((Lines{"a:1", "b:1", "c:1"}), calls);
    calls.clear();
    bus.Send(1, nullptr);
    EXPECT_EQ((Lines{"b:1", "c:1"}), calls);

    calls.clear();
    b.action = [&](int id, void*) { bus.Unsubscribe(id, &c); };
    bus.Send(1, nullptr);
    EXPECT_EQ((Lines{"b:1"}), calls);

    // A listener destroyed during the send is never touched.
    calls.clear();
    auto* doomed = new Recorder("d", &calls);
    bus.Subscribe(doomed, 1);
    bus.Subscribe(&c, 1);
    b.action = [&](int, void*) { delete doomed; };
    bus.Send(1, nullptr);
    EXPECT_EQ((Lines{"b:1", "c:1"}), calls);
    EXPECT_EQ(2u, bus.GetListeners(1).size());

    // One subscribed during the send receives that message; a nested send works.
    calls.clear();
    Recorder d("d", &calls);
    b.action = [&](int id, void*)
    {
        if (id != 1) return;
        bus.Subscribe(&d, 1);
        bus.Send(2, nullptr);
    };
    bus.Subscribe(&c, 2);
    bus.Send(1, nullptr);
    EXPECT_EQ((Lines{"b:1", "c:2", "c:1", "d:1"}), calls);
    bus.UnsubscribeAll(&d);
}

// A typed send hands listeners the sender's own record (a query is answered
// in place); a reader gets it only under its own id.
TEST_F(BusFixture, TypedSendsReachOnlyTheReaderOfTheirId)
{
    Lines read;
    a.action = [&](int id, void* r)
    {
        read.push_back(std::to_string(id) + (nE_MsgAs<kMsgQuery>(id, r) ? " query" : "") +
                       (nE_MsgAs<kMsgOther>(id, r) ? " other" : "") + (nE_MsgAs<kMsgMaybe>(id, r) ? " maybe" : ""));
        if (TestRecord* query = nE_MsgAs<kMsgQuery>(id, r)) query->value = 42;
    };
    for (int id : {kMsgQuery, kMsgOther, kMsgBare, kMsgMaybe})
        bus.Subscribe(&a, id);
    TestRecord query, other;
    nE_Send<kMsgQuery>(query);
    nE_Send<kMsgOther>(other);
    nE_Send<kMsgBare>();
    nE_Send<kMsgMaybe>();
    nE_Send<kMsgMaybe>(other);
    EXPECT_EQ(42, query.value);
    EXPECT_EQ(0, other.value);
    EXPECT_EQ((Lines{"9001 query", "9002 other", "9003", "9004", "9004 maybe"}), read);
    g_mediator = nullptr;
    nE_Send<kMsgQuery>(query); // no bus: nothing
}

TEST_F(BusFixture, LogLineSurvivesListenerThatLogsAgain)
{
    Lines seen;
    a.action = [&](int, void* r)
    {
        seen.push_back(static_cast<const char*>(r));
        nE_LogFmt("Warning: nested %d", 7);
    };
    b.action = [&](int, void* r) { seen.push_back(static_cast<const char*>(r)); };
    bus.Subscribe(&a, NE_MSG_LOG);
    bus.Subscribe(&b, NE_MSG_LOG);
    testing::internal::CaptureStderr();
    nE_LogFmt2("Error: %s at %d", "outer", 1);
    std::string err = testing::internal::GetCapturedStderr();
    // The second listener still receives the outer line after the first logged.
    ASSERT_LE(2u, seen.size());
    EXPECT_EQ("Error: outer at 1", seen[0]);
    EXPECT_EQ("Error: outer at 1", seen.back());
    EXPECT_NE(std::string::npos, err.find("Error: outer at 1\n"));
    // Each listener logs once per line: without a bound this never ends.
    EXPECT_LT(seen.size(), 50u);
}

TEST(Log, WorksWithoutBusAndWithNullAndLongArguments)
{
    g_mediator = nullptr;
    testing::internal::CaptureStderr();
    nE_LogFmt("Error: missing %s", static_cast<const char*>(nullptr));
    nE_Log(static_cast<const char*>(nullptr));
    nE_Log("100% sure");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("Error: missing (null)\n"));
    EXPECT_NE(std::string::npos, err.find("100% sure\n"));
}
