#include "app/AppState.h"

namespace tl {

AppState::Place AppState::place() const
{
    if (const auto& path = currentProjectPath.get()) return *path;
    return projectGeneration_;
}

void AppState::noteDirtyFlagWrite()
{
    if (refreshingDirtyFlag_) return;
    if (isDirty.get()) {
        contentVersion_ = ++lastContentVersion_;
    } else {
        keptVersions_[place()] = contentVersion_;
    }
}

void AppState::refreshDirtyFlag()
{
    const auto kept = keptVersions_.find(place());
    refreshingDirtyFlag_ = true;
    isDirty = kept == keptVersions_.end() || kept->second != contentVersion_;
    refreshingDirtyFlag_ = false;
}

void AppState::recordSavedState(const std::filesystem::path& package, std::uint64_t version)
{
    keptVersions_[package] = version;
    refreshDirtyFlag();
}

} // namespace tl
