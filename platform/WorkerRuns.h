#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

namespace tl {

// Long work on worker threads whose results come back to the GUI thread. Each start begins a new
// run and makes every earlier run stale; posts of a stale or stopped run are dropped, so a
// cancelled or replaced run never changes what a newer one shows. Destruction stops every run,
// waits for the workers and drops whatever they posted that has not run yet.
class WorkerRuns {
public:
    // Queues work for the GUI thread; called from worker threads.
    using Poster = std::function<void(std::function<void()>)>;

    // What the work of one run holds on its worker thread.
    class Run {
    public:
        const std::stop_token& stopToken() const { return stop_; }
        // Runs `apply` on the GUI thread if this run is then still current and not stopped.
        void post(std::function<void()> apply) const;
        // Runs `apply` on the GUI thread even when the run has gone stale or was stopped (ends that
        // must always be closed); dropped only when the owner is gone.
        void postAlways(std::function<void()> apply) const;
        // GUI thread only: no newer run started, the owner still exists and nobody stopped this one.
        bool isCurrent() const;

    private:
        friend class WorkerRuns;
        struct Shared;
        Run(std::shared_ptr<Shared> shared, std::uint64_t number, std::stop_token stop);

        std::shared_ptr<Shared> shared_;
        std::uint64_t number_;
        std::stop_token stop_;
    };

    explicit WorkerRuns(Poster poster);
    ~WorkerRuns();
    WorkerRuns(const WorkerRuns&) = delete;
    WorkerRuns& operator=(const WorkerRuns&) = delete;

    // GUI thread: starts `work` on a new thread as the current run and returns its stop source,
    // which a cancel button may hold. Earlier runs are not stopped, only made stale.
    std::stop_source start(std::function<void(const Run&)> work);

    // Stops every run and waits for the workers; what they posted and has not run yet is dropped.
    // For owners that must clean up after their workers before they go.
    void stopAll();

    // Tests: waits until every worker has finished (their posts still need the GUI thread).
    void waitForWorkers();

private:
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    std::shared_ptr<Run::Shared> shared_;
    std::vector<Worker> workers_;
};

} // namespace tl
