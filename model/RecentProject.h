#pragma once

#include "platform/Date.h"

#include <cstddef>
#include <functional>
#include <string>

namespace tl {

// One entry of the recent-projects list: identified by its path, equal only when
// all three fields are.
struct RecentProject {
    std::string path;
    std::string displayName;
    Date lastOpened;

    const std::string& id() const { return path; }

    friend bool operator==(const RecentProject&, const RecentProject&) = default;
};

} // namespace tl

template <> struct std::hash<tl::RecentProject> {
    std::size_t operator()(const tl::RecentProject& project) const noexcept;
};
