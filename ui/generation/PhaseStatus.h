#pragma once

#include <map>
#include <string>

namespace tl::ui {

// Where one phase of a generation stands; the sheet keeps one per phase id.
enum class PhaseStatus { pending, inProgress, completed };

// A missing id counts as pending.
using PhaseStatusMap = std::map<std::string, PhaseStatus>;

inline PhaseStatus statusOf(const PhaseStatusMap& status, const std::string& id)
{
    const auto found = status.find(id);
    return found == status.end() ? PhaseStatus::pending : found->second;
}

} // namespace tl::ui
