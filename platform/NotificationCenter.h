#pragma once

#include "platform/Observation.h"

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace tl {

using NotificationUserInfo = std::map<std::string, std::any, std::less<>>;

// Named broadcasts between parts that do not know each other. Observers run
// synchronously on the posting thread; one that touches the GUI hops to the main
// thread itself. Safe to use from any thread.
class NotificationCenter {
public:
    using Callback = std::function<void(const NotificationUserInfo&)>;

    NotificationCenter();

    [[nodiscard]] Observation observe(std::string name, Callback callback);
    void post(std::string_view name, const NotificationUserInfo& userInfo = {});

private:
    struct Registry;
    std::shared_ptr<Registry> registry_;
};

} // namespace tl
