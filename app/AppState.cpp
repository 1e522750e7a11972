#include "app/AppState.h"

#include <algorithm>
#include <utility>

namespace tl {

AppState::AppState(Defaults& defaults)
    : defaults_(defaults)
{
    selectedImageIds.setDidSet([this](const std::set<Uuid>& oldSelection) { applySelectionChangeRule(oldSelection); });
    const auto persistGenerationState = [this](const std::optional<std::string>&) { saveGenerationState(); };
    currentGenerationJobId.setDidSet(persistGenerationState);
    currentGenerationIdempotencyKey.setDidSet(persistGenerationState);
    currentGenerationLastEventId.setDidSet(persistGenerationState);
    isDirty.setDidSet([this](bool) { noteDirtyFlagWrite(); });
    keptVersions_[place()] = contentVersion_;

    loadRecentProjects();
    loadGenerationState();
}

AppState::~AppState()
{
    // Registered actions point at this store, and any manager it used may outlive it.
    for (const auto& registered : registeredManagers_) {
        if (const auto manager = registered.lock()) manager->removeAllActions(this);
    }
}

AppState::Snapshot AppState::makeSnapshot() const
{
    return Snapshot {
        .images = images.get(),
        .mode = mode.get(),
        .selectedImageIds = selectedImageIds.get(),
        .lastSelectedImageId = lastSelectedImageId.get(),
        .currentProjectPath = currentProjectPath.get(),
        .contentVersion = contentVersion_,
        .lastMagicPrompt = lastMagicPrompt.get(),
        .lastMagicSize = lastMagicSize.get(),
        .lastMagicTweenCount = lastMagicTweenCount.get(),
        .lastMagicStartingImageFileName = lastMagicStartingImageFileName.get(),
        .projectGeneration = projectGeneration_,
    };
}

void AppState::restore(const Snapshot& snapshot, const std::string& actionName)
{
    Snapshot current = makeSnapshot();
    assign(snapshot);
    // Registered while the manager replays, so this becomes the opposite step.
    recordUndo(std::move(current), actionName);
}

void AppState::assign(const Snapshot& snapshot)
{
    projectGeneration_ = snapshot.projectGeneration;
    contentVersion_ = snapshot.contentVersion;
    images = snapshot.images;
    mode = snapshot.mode;
    selectedImageIds = snapshot.selectedImageIds;
    lastSelectedImageId = snapshot.lastSelectedImageId;
    currentProjectPath = snapshot.currentProjectPath;
    lastMagicPrompt = snapshot.lastMagicPrompt;
    lastMagicSize = snapshot.lastMagicSize;
    lastMagicTweenCount = snapshot.lastMagicTweenCount;
    lastMagicStartingImageFileName = snapshot.lastMagicStartingImageFileName;
    // A save made since the snapshot may have written this state or another one over it.
    refreshDirtyFlag();
}

void AppState::startAnotherProject()
{
    projectGeneration_ = ++lastProjectGeneration_;
    contentVersion_ = ++lastContentVersion_;
}

void AppState::recordUndo(Snapshot before, const std::string& actionName)
{
    const auto manager = undoManager.lock();
    if (!manager) return;
    const bool known = std::ranges::any_of(registeredManagers_, [&](const std::weak_ptr<UndoManager>& registered) {
        return !registered.owner_before(manager) && !manager.owner_before(registered);
    });
    if (!known) registeredManagers_.push_back(manager);
    auto held = std::make_shared<const Snapshot>(std::move(before));
    std::erase_if(undoSnapshots_, [](const std::weak_ptr<const Snapshot>& snapshot) { return snapshot.expired(); });
    undoSnapshots_.push_back(held);
    manager->registerUndo(this, [this, held, actionName] { restore(*held, actionName); });
    manager->setActionName(actionName);
}

void AppState::beginBatch(std::optional<std::string> actionName)
{
    if (batchSnapshot_) return;
    batchSnapshot_ = makeSnapshot();
    batchActionName_ = std::move(actionName);
}

void AppState::endBatch()
{
    if (!batchSnapshot_) return;
    recordUndo(std::move(*batchSnapshot_), batchActionName_.value_or("Update"));
    batchSnapshot_.reset();
    batchActionName_.reset();
}

void AppState::abandonBatch()
{
    if (!batchSnapshot_) return;
    const Snapshot before = std::move(*batchSnapshot_);
    batchSnapshot_.reset();
    batchActionName_.reset();
    assign(before);
}

} // namespace tl
