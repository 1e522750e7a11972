#include "app/AppState.h"

#include "app/ProjectPackage.h"

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

void AppState::recordSavedState(const std::filesystem::path& package, std::uint64_t version, std::string record)
{
    keptVersions_[package] = version;
    packageStates_[package] = { version, std::move(record) };
    refreshDirtyFlag();
}

std::optional<std::string> AppState::knownRecord(const std::filesystem::path& package) const
{
    const auto known = packageStates_.find(package);
    if (known == packageStates_.end()) return std::nullopt;
    return known->second.record;
}

std::set<std::string> AppState::fileNamesInUse() const
{
    std::set<std::string> names;
    addFrameFileNames(images.get(), names);
    if (batchSnapshot_) addFrameFileNames(batchSnapshot_->images, names);
    for (const auto& held : undoSnapshots_) {
        if (const auto snapshot = held.lock()) addFrameFileNames(snapshot->images, names);
    }
    return names;
}

} // namespace tl
