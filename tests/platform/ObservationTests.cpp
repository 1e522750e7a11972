#include "platform/Observation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tl {
namespace {

TEST(ChangeNotifier, ObservationLifetimeControlsCallbacks)
{
    ChangeNotifier notifier;
    int calls = 0;
    {
        Observation observation = notifier.observe([&] { ++calls; });
        notifier.notify();
        Observation moved = std::move(observation);
        notifier.notify();
    }
    notifier.notify();
    EXPECT_EQ(calls, 2);
}

TEST(ChangeNotifier, MoveAssignmentCancelsTheReplacedObservation)
{
    ChangeNotifier notifier;
    int first = 0;
    int second = 0;
    Observation observation = notifier.observe([&] { ++first; });
    observation = notifier.observe([&] { ++second; });
    notifier.notify();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TEST(ChangeNotifier, CallbackCancellingItselfIsNotCalledAgain)
{
    ChangeNotifier notifier;
    int calls = 0;
    Observation self;
    self = notifier.observe([&] {
        ++calls;
        self.cancel();
    });
    int others = 0;
    const Observation other = notifier.observe([&] { ++others; });
    notifier.notify();
    notifier.notify();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(others, 2);
}

TEST(ChangeNotifier, CallbackCancellingALaterOneStopsItInTheSameRound)
{
    ChangeNotifier notifier;
    Observation later;
    const Observation canceller = notifier.observe([&] { later.cancel(); });
    int laterCalls = 0;
    later = notifier.observe([&] { ++laterCalls; });
    notifier.notify();
    EXPECT_EQ(laterCalls, 0);
}

TEST(ChangeNotifier, CallbackMayAddAnObserverThatHearsLaterRounds)
{
    ChangeNotifier notifier;
    std::optional<Observation> added;
    int addedCalls = 0;
    const Observation adder = notifier.observe([&] {
        if (!added) added = notifier.observe([&] { ++addedCalls; });
    });
    notifier.notify();
    notifier.notify();
    EXPECT_EQ(addedCalls, 1);
}

TEST(Observable, SetRunsDidSetWithOldValueBeforeObservers)
{
    Observable<std::string> name{"before"};
    std::vector<std::string> log;
    name.setDidSet([&](const std::string& old) { log.push_back("didSet " + old + "->" + name.get()); });
    const Observation observation = name.observe([&] { log.push_back("observer " + name.get()); });

    name = "after";
    EXPECT_EQ(name.get(), "after");
    EXPECT_EQ(log, (std::vector<std::string>{"didSet before->after", "observer after"}));
}

TEST(Observable, MutateRunsDidSetWithValueBeforeTheChange)
{
    Observable<std::vector<int>> numbers{{1, 2}};
    std::vector<int> oldSeen;
    numbers.setDidSet([&](const std::vector<int>& old) { oldSeen = old; });
    int notified = 0;
    const Observation observation = numbers.observe([&] { ++notified; });

    numbers.mutate([](std::vector<int>& value) { value.push_back(3); });
    EXPECT_EQ(oldSeen, (std::vector<int>{1, 2}));
    EXPECT_EQ(numbers.get(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(notified, 1);
}

TEST(Observable, MutateWithoutDidSetStillNotifies)
{
    Observable<std::vector<int>> numbers;
    int notified = 0;
    const Observation observation = numbers.observe([&] { ++notified; });
    numbers.mutate([](std::vector<int>& value) { value.push_back(7); });
    EXPECT_EQ(numbers.get(), std::vector<int>{7});
    EXPECT_EQ(notified, 1);
}

}  // namespace
}  // namespace tl
