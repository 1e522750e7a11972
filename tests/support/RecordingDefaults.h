#pragma once

#include "platform/Defaults.h"

#include <string>
#include <vector>

namespace tl::testing {

// In-memory defaults that remember which keys were written or removed.
class RecordingDefaults final : public Defaults {
public:
    std::optional<Value> value(std::string_view key) const override { return store.value(key); }
    void set(std::string_view key, Value value) override
    {
        writes.emplace_back(key);
        store.set(key, std::move(value));
    }
    void remove(std::string_view key) override
    {
        removals.emplace_back(key);
        store.remove(key);
    }

    InMemoryDefaults store;
    std::vector<std::string> writes;
    std::vector<std::string> removals;
};

} // namespace tl::testing
