#include "platform/WorkerRuns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tl {
namespace {

// Stands in for the GUI thread's queue: workers post into it, the test thread drains it.
class PostQueue {
public:
    WorkerRuns::Poster poster()
    {
        return [this](std::function<void()> work) {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(work));
        };
    }
    void drain()
    {
        for (;;) {
            std::function<void()> work;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty()) return;
                work = std::move(queue_.front());
                queue_.pop_front();
            }
            work();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

TEST(WorkerRuns, OnlyTheNewestRunIsHeardButEveryEndArrives)
{
    PostQueue queue;
    std::vector<std::string> heard;
    std::vector<bool> endWasCurrent;
    {
        WorkerRuns runs(queue.poster());
        std::promise<void> release;
        auto released = release.get_future().share();
        runs.start([&, released](const WorkerRuns::Run& run) {
            released.wait();
            run.post([&] { heard.push_back("old progress"); });
            run.postAlways([&, run] { endWasCurrent.push_back(run.isCurrent()); });
        });
        runs.start([&](const WorkerRuns::Run& run) {
            run.post([&] { heard.push_back("new progress"); });
            run.postAlways([&, run] { endWasCurrent.push_back(run.isCurrent()); });
        });
        release.set_value();
        runs.waitForWorkers();
        queue.drain();
    }
    EXPECT_EQ(heard, std::vector<std::string> { "new progress" });
    ASSERT_EQ(endWasCurrent.size(), 2u);
    EXPECT_EQ(std::count(endWasCurrent.begin(), endWasCurrent.end(), true), 1);
}

TEST(WorkerRuns, AStoppedRunSeesItsStopAndIsNoLongerHeard)
{
    PostQueue queue;
    WorkerRuns runs(queue.poster());
    std::promise<void> stopped;
    auto stoppedSeen = stopped.get_future();
    int heard = 0;
    bool ended = false;
    std::stop_source stop = runs.start([&](const WorkerRuns::Run& run) {
        run.post([&] { ++heard; });
        while (!run.stopToken().stop_requested())
            std::this_thread::yield();
        run.post([&] { ++heard; });
        run.postAlways([&] { ended = true; });
    });
    queue.drain(); // the first post may or may not have arrived yet
    stop.request_stop();
    runs.waitForWorkers();
    const int beforeStop = heard;
    queue.drain();
    EXPECT_EQ(heard, beforeStop);
    EXPECT_LE(heard, 1);
    EXPECT_TRUE(ended);
}

TEST(WorkerRuns, DestructionStopsAndJoinsAndDropsWhatIsStillQueued)
{
    PostQueue queue;
    bool sawStop = false;
    bool delivered = false;
    {
        WorkerRuns runs(queue.poster());
        runs.start([&](const WorkerRuns::Run& run) {
            while (!run.stopToken().stop_requested())
                std::this_thread::yield();
            sawStop = true;
            run.postAlways([&] { delivered = true; });
        });
    }
    EXPECT_TRUE(sawStop); // joined before the destructor returned
    queue.drain();
    EXPECT_FALSE(delivered);
}

} // namespace
} // namespace tl
