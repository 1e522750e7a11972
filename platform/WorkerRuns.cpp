#include "platform/WorkerRuns.h"

#include <algorithm>

namespace tl {

// Read and written on the GUI thread only, except `poster`, which never changes.
struct WorkerRuns::Run::Shared {
    Poster poster;
    std::uint64_t currentRun = 0;
    bool ownerAlive = true;
};

WorkerRuns::Run::Run(std::shared_ptr<Shared> shared, std::uint64_t number, std::stop_token stop)
    : shared_(std::move(shared))
    , number_(number)
    , stop_(std::move(stop))
{
}

bool WorkerRuns::Run::isCurrent() const
{
    return shared_->ownerAlive && shared_->currentRun == number_ && !stop_.stop_requested();
}

void WorkerRuns::Run::post(std::function<void()> apply) const
{
    shared_->poster([run = *this, apply = std::move(apply)] {
        if (run.isCurrent()) apply();
    });
}

void WorkerRuns::Run::postAlways(std::function<void()> apply) const
{
    shared_->poster([shared = shared_, apply = std::move(apply)] {
        if (shared->ownerAlive) apply();
    });
}

WorkerRuns::WorkerRuns(Poster poster)
    : shared_(std::make_shared<Run::Shared>(Run::Shared { .poster = std::move(poster) }))
{
}

WorkerRuns::~WorkerRuns()
{
    stopAll();
}

void WorkerRuns::stopAll()
{
    shared_->ownerAlive = false;
    // Each jthread asks its run to stop and joins as it is destroyed.
    workers_.clear();
}

std::stop_source WorkerRuns::start(std::function<void(const Run&)> work)
{
    std::erase_if(workers_, [](const Worker& worker) { return worker.finished->load(); });
    const std::uint64_t number = ++shared_->currentRun;
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::jthread thread([shared = shared_, number, finished, work = std::move(work)](std::stop_token stop) {
        work(Run(shared, number, std::move(stop)));
        finished->store(true);
    });
    std::stop_source stop = thread.get_stop_source();
    workers_.push_back({ std::move(thread), std::move(finished) });
    return stop;
}

void WorkerRuns::waitForWorkers()
{
    for (auto& worker : workers_) {
        if (worker.thread.joinable()) worker.thread.join();
    }
}

} // namespace tl
