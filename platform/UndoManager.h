#pragma once

#include "platform/Observation.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tl {

// Records inverse actions. What is registered while undoing becomes the redo
// action (and while redoing, the undo action again), so one step alternates
// between undo and redo without limit. Registrations made while one user event
// is handled form one group, closed when the event loop finishes that event.
class UndoManager {
public:
    // Runs the given callback once the event being handled is finished.
    using EventEndScheduler = std::function<void(std::function<void()>)>;

    // Throws std::invalid_argument when `scheduleAtEventEnd` is empty.
    explicit UndoManager(EventEndScheduler scheduleAtEventEnd);
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // `target` only identifies the owner, so its actions can be dropped when it goes away.
    void registerUndo(const void* target, std::function<void()> action);
    // Names the step being recorded: the redo step while undoing, the undo step otherwise.
    void setActionName(std::string name);

    void beginUndoGrouping();
    void endUndoGrouping();

    bool canUndo() const;
    bool canRedo() const;
    std::string undoActionName() const;
    std::string redoActionName() const;
    bool isUndoing() const { return replaying_ == Replaying::undo; }
    bool isRedoing() const { return replaying_ == Replaying::redo; }

    void undo();
    void redo();

    void removeAllActions();
    void removeAllActions(const void* target);

    [[nodiscard]] Observation observeChanges(std::function<void()> callback);

private:
    struct Action {
        const void* target;
        std::function<void()> body;
    };
    struct Group {
        std::vector<Action> actions;
        std::string actionName;
    };
    enum class Replaying { none, undo, redo };

    void openGroupIfNeeded();
    void closeGroup();
    void replay(std::vector<Group>& from, std::vector<Group>& to, Replaying direction);
    Group* groupBeingNamed();

    EventEndScheduler scheduleAtEventEnd_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
    std::vector<Group> undoStack_;
    std::vector<Group> redoStack_;
    std::optional<Group> openGroup_;
    int groupingLevel_ = 0;
    bool eventGroupOpen_ = false;
    Replaying replaying_ = Replaying::none;
    std::optional<Group> replayGroup_;
    ChangeNotifier changes_;
};

}  // namespace tl
