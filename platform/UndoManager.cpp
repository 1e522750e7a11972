#include "platform/UndoManager.h"

#include <algorithm>
#include <ranges>
#include <stdexcept>
#include <utility>

namespace tl {

UndoManager::UndoManager(EventEndScheduler scheduleAtEventEnd)
    : scheduleAtEventEnd_(std::move(scheduleAtEventEnd))
{
    // Without it a user event's group would never close and every edit would merge into one step.
    if (!scheduleAtEventEnd_) throw std::invalid_argument("UndoManager needs an event-end scheduler");
}

void UndoManager::registerUndo(const void* target, std::function<void()> action)
{
    if (replayGroup_) {
        replayGroup_->actions.push_back({target, std::move(action)});
        return;
    }
    openGroupIfNeeded();
    openGroup_->actions.push_back({target, std::move(action)});
    redoStack_.clear();
    changes_.notify();
}

void UndoManager::setActionName(std::string name)
{
    if (Group* group = groupBeingNamed()) {
        group->actionName = std::move(name);
        changes_.notify();
    }
}

UndoManager::Group* UndoManager::groupBeingNamed()
{
    if (replayGroup_) return &*replayGroup_;
    if (openGroup_) return &*openGroup_;
    if (!undoStack_.empty()) return &undoStack_.back();
    return nullptr;
}

void UndoManager::openGroupIfNeeded()
{
    if (groupingLevel_ > 0) return;
    beginUndoGrouping();
    eventGroupOpen_ = true;
    scheduleAtEventEnd_([this, alive = std::weak_ptr<int>(lifetime_)] {
        if (alive.expired() || !eventGroupOpen_) return;
        // Only the event's own, outermost level ends here: a group opened by hand
        // inside the event keeps recording until it is closed by hand, and then
        // closes as a whole instead of absorbing the edits of later events.
        eventGroupOpen_ = false;
        if (--groupingLevel_ == 0) closeGroup();
    });
}

void UndoManager::beginUndoGrouping()
{
    if (groupingLevel_++ == 0) openGroup_.emplace();
}

void UndoManager::endUndoGrouping()
{
    if (groupingLevel_ == 0) return;
    if (--groupingLevel_ == 0) closeGroup();
}

void UndoManager::closeGroup()
{
    eventGroupOpen_ = false;
    auto group = std::exchange(openGroup_, std::nullopt);
    if (group && !group->actions.empty()) undoStack_.push_back(std::move(*group));
    changes_.notify();
}

bool UndoManager::canUndo() const
{
    return !undoStack_.empty() || (openGroup_ && !openGroup_->actions.empty());
}

bool UndoManager::canRedo() const
{
    return !redoStack_.empty();
}

std::string UndoManager::undoActionName() const
{
    if (openGroup_ && !openGroup_->actions.empty()) return openGroup_->actionName;
    return undoStack_.empty() ? std::string{} : undoStack_.back().actionName;
}

std::string UndoManager::redoActionName() const
{
    return redoStack_.empty() ? std::string{} : redoStack_.back().actionName;
}

void UndoManager::undo()
{
    // Undo ends the group of the current event, as pressing undo ends the event's edits.
    if (eventGroupOpen_ && groupingLevel_ == 1) endUndoGrouping();
    if (groupingLevel_ > 0) return;
    replay(undoStack_, redoStack_, Replaying::undo);
}

void UndoManager::redo()
{
    if (groupingLevel_ > 0) return;
    replay(redoStack_, undoStack_, Replaying::redo);
}

void UndoManager::replay(std::vector<Group>& from, std::vector<Group>& to, Replaying direction)
{
    if (from.empty() || replaying_ != Replaying::none) return;
    Group group = std::move(from.back());
    from.pop_back();

    replaying_ = direction;
    replayGroup_.emplace(Group{{}, group.actionName});
    for (auto& action : std::views::reverse(group.actions)) action.body();
    auto inverse = std::exchange(replayGroup_, std::nullopt);
    replaying_ = Replaying::none;

    if (!inverse->actions.empty()) to.push_back(std::move(*inverse));
    changes_.notify();
}

void UndoManager::removeAllActions()
{
    undoStack_.clear();
    redoStack_.clear();
    if (openGroup_) openGroup_->actions.clear();
    changes_.notify();
}

void UndoManager::removeAllActions(const void* target)
{
    const auto ownedByTarget = [target](const Action& action) { return action.target == target; };
    const auto emptyGroup = [](const Group& group) { return group.actions.empty(); };
    for (auto* stack : {&undoStack_, &redoStack_}) {
        for (auto& group : *stack) std::erase_if(group.actions, ownedByTarget);
        std::erase_if(*stack, emptyGroup);
    }
    if (openGroup_) std::erase_if(openGroup_->actions, ownedByTarget);
    changes_.notify();
}

Observation UndoManager::observeChanges(std::function<void()> callback)
{
    return changes_.observe(std::move(callback));
}

}  // namespace tl
