#include "engine/core/nE_Log.h"
#include "engine/core/nE_Mediator.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
struct Recorder : nE_Listener
{
    std::string name;
    std::vector<std::string>* calls;
    std::function<void(int, void*)> action;
    Recorder(const std::string& n, std::vector<std::string>* c) : name(n), calls(c) {}
    void OnMessage(int id, void* record) override
    {
        calls->push_back(name + ":" + std::to_string(id));
        if (action)
            action(id, record);
    }
};

struct BusFixture : testing::Test
{
    nE_Mediator bus;
    std::vector<std::string> calls;
    void SetUp() override { g_mediator = &bus; }
    void TearDown() override { g_mediator = nullptr; }
};
} // namespace

TEST_F(BusFixture, UnknownIdCallsNobodyAndKeepsAnEntry)
{
    bus.Send(77, nullptr);
    EXPECT_TRUE(bus.GetListeners(77).empty());
}

TEST_F(BusFixture, DuplicateSubscriptionsAndTheirRemoval)
{
    Recorder a("a", &calls);
    bus.Subscribe(&a, 5);
    bus.Subscribe(&a, 5);
    bus.Send(5, nullptr);
    EXPECT_EQ(2u, calls.size());
    bus.Unsubscribe(5, &a);
    bus.Send(5, nullptr);
    EXPECT_EQ(3u, calls.size());
    bus.Subscribe(&a, 5);
    bus.Subscribe(&a, 6);
    bus.UnsubscribeAll(&a);
    bus.Send(5, nullptr);
    bus.Send(6, nullptr);
    EXPECT_EQ(3u, calls.size());
}

TEST_F(BusFixture, UnsubscribingDuringSendSkipsNoOneAndRevisitsNoOne)
{
    Recorder a("a", &calls), b("b", &calls), c("c", &calls);
    a.action = [&](int id, void*) { bus.Unsubscribe(id, &a); };
    for (Recorder* r : {&a, &b, &c})
        bus.Subscribe(r, 1);
    bus.Send(1, nullptr);
    EXPECT_EQ((std::vector<std::string>{"a:1", "b:1", "c:1"}), calls);
    calls.clear();
    bus.Send(1, nullptr);
    EXPECT_EQ((std::vector<std::string>{"b:1", "c:1"}), calls);
}

TEST_F(BusFixture, ListenerRemovingALaterOneStopsItsCall)
{
    Recorder a("a", &calls), b("b", &calls), c("c", &calls);
    a.action = [&](int id, void*) { bus.Unsubscribe(id, &b); };
    for (Recorder* r : {&a, &b, &c})
        bus.Subscribe(r, 1);
    bus.Send(1, nullptr);
    EXPECT_EQ((std::vector<std::string>{"a:1", "c:1"}), calls);
}

TEST_F(BusFixture, ListenerDestroyedDuringSendIsNeverTouched)
{
    Recorder a("a", &calls);
    auto* b = new Recorder("b", &calls);
    Recorder c("c", &calls);
    a.action = [&](int, void*) { delete b; };
    bus.Subscribe(&a, 3);
    bus.Subscribe(b, 3);
    bus.Subscribe(&c, 3);
    bus.Send(3, nullptr);
    EXPECT_EQ((std::vector<std::string>{"a:3", "c:3"}), calls);
    EXPECT_EQ(2u, bus.GetListeners(3).size());
}

TEST_F(BusFixture, SubscribedDuringSendReceivesThatMessageAndNestedSendsWork)
{
    Recorder a("a", &calls), d("d", &calls);
    a.action = [&](int id, void*) {
        if (id == 1)
        {
            bus.Subscribe(&d, 1);
            bus.Send(2, nullptr);
        }
    };
    bus.Subscribe(&a, 1);
    bus.Subscribe(&a, 2);
    bus.Send(1, nullptr);
    EXPECT_EQ((std::vector<std::string>{"a:1", "a:2", "d:1"}), calls);
}

TEST_F(BusFixture, QueryAnswersThroughTheSharedRecord)
{
    Recorder a("a", &calls), b("b", &calls);
    a.action = [](int, void* r) { *static_cast<int*>(r) += 1; };
    b.action = [](int, void* r) { *static_cast<int*>(r) *= 10; };
    bus.Subscribe(&a, 9);
    bus.Subscribe(&b, 9);
    int value = 4;
    bus.Send(9, &value);
    EXPECT_EQ(50, value);
}

TEST_F(BusFixture, LogLineSurvivesListenerThatLogsAgain)
{
    std::vector<std::string> seen;
    Recorder first("first", &calls), second("second", &calls);
    first.action = [&](int, void* r) {
        seen.push_back(static_cast<const char*>(r));
        nE_LogFmt("Warning: nested %d", 7);
    };
    second.action = [&](int, void* r) { seen.push_back(static_cast<const char*>(r)); };
    bus.Subscribe(&first, NE_MSG_LOG);
    bus.Subscribe(&second, NE_MSG_LOG);
    testing::internal::CaptureStderr();
    nE_LogFmt2("Error: %s at %d", "outer", 1);
    std::string err = testing::internal::GetCapturedStderr();
    // The second listener still receives the outer line after the first logged.
    ASSERT_LE(2u, seen.size());
    EXPECT_EQ("Error: outer at 1", seen[0]);
    EXPECT_EQ("Error: outer at 1", seen.back());
    EXPECT_NE(std::string::npos, err.find("Error: outer at 1\n"));
    // Recursion is bounded: each listener logs once per line, so without a bound this never ends.
    EXPECT_LT(seen.size(), 50u);
}

TEST(Log, WorksWithoutBusAndWithNullAndLongArguments)
{
    g_mediator = nullptr;
    testing::internal::CaptureStderr();
    nE_LogFmt("Error: missing %s", static_cast<const char*>(nullptr));
    nE_Log(static_cast<const char*>(nullptr));
    nE_LogFmt("%s", std::string(2000, 'y'));
    nE_Log("100% sure");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("Error: missing (null)\n"));
    EXPECT_NE(std::string::npos, err.find("100% sure\n"));
    // Formatted lines are cut to 511 characters.
    EXPECT_NE(std::string::npos, err.find(std::string(511, 'y') + "\n"));
    EXPECT_EQ(std::string::npos, err.find(std::string(512, 'y')));
}
