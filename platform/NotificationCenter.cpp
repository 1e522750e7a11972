#include "platform/NotificationCenter.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace tl {

struct NotificationCenter::Registry {
    struct Entry {
        std::uint64_t id;
        std::string name;
        std::shared_ptr<Callback> callback;
    };

    std::mutex mutex;
    std::uint64_t nextId = 0;
    std::vector<Entry> entries;
};

NotificationCenter::NotificationCenter()
    : registry_(std::make_shared<Registry>())
{
}

Observation NotificationCenter::observe(std::string name, Callback callback)
{
    std::lock_guard lock(registry_->mutex);
    const auto id = registry_->nextId++;
    registry_->entries.push_back({ id, std::move(name), std::make_shared<Callback>(std::move(callback)) });
    return Observation { [weak = std::weak_ptr<Registry>(registry_), id] {
        const auto registry = weak.lock();
        if (!registry) return;
        std::lock_guard registryLock(registry->mutex);
        std::erase_if(registry->entries, [id](const Registry::Entry& entry) { return entry.id == id; });
    } };
}

void NotificationCenter::post(std::string_view name, const NotificationUserInfo& userInfo)
{
    std::vector<std::shared_ptr<Callback>> callbacks;
    {
        std::lock_guard lock(registry_->mutex);
        for (const auto& entry : registry_->entries) {
            if (entry.name == name) callbacks.push_back(entry.callback);
        }
    }
    // Called without the lock, so an observer may observe or post in turn.
    for (const auto& callback : callbacks)
        (*callback)(userInfo);
}

} // namespace tl
