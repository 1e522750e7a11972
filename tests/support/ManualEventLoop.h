#pragma once

#include "platform/UndoManager.h"

#include <functional>
#include <memory>
#include <vector>

namespace tl::testing {

// Stands in for the GUI event loop: work scheduled for the end of the current
// event runs when the test says the event is over.
class ManualEventLoop {
public:
    UndoManager::EventEndScheduler scheduler()
    {
        return [this](std::function<void()> work) { pending_.push_back(std::move(work)); };
    }

    void finishEvent()
    {
        auto work = std::move(pending_);
        pending_.clear();
        for (auto& item : work)
            item();
    }

    std::shared_ptr<UndoManager> makeUndoManager() { return std::make_shared<UndoManager>(scheduler()); }

private:
    std::vector<std::function<void()>> pending_;
};

} // namespace tl::testing
