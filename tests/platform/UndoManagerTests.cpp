#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tl {
namespace {

// Stands in for the event loop: callbacks wait until the test ends the event.
class FakeEventLoop {
public:
    UndoManager::EventEndScheduler scheduler()
    {
        return [this](std::function<void()> callback) { pending_.push_back(std::move(callback)); };
    }

    void finishEvent()
    {
        auto due = std::exchange(pending_, {});
        for (auto& callback : due) callback();
    }

private:
    std::vector<std::function<void()>> pending_;
};

// Records undo the way the state store does: each change and each restore
// registers the inverse snapshot and names the step.
class Document {
public:
    explicit Document(UndoManager& undo) : undo_(undo) {}

    void change(std::string text, const std::string& actionName)
    {
        record(std::exchange(text_, std::move(text)), actionName);
    }

    const std::string& text() const { return text_; }

private:
    void restore(std::string snapshot, const std::string& actionName)
    {
        record(std::exchange(text_, std::move(snapshot)), actionName);
    }

    void record(std::string snapshot, const std::string& actionName)
    {
        undo_.registerUndo(this, [this, snapshot = std::move(snapshot), actionName] {
            restore(snapshot, actionName);
        });
        undo_.setActionName(actionName);
    }

    UndoManager& undo_;
    std::string text_;
};

class UndoManagerTest : public ::testing::Test {
protected:
    FakeEventLoop loop;
    UndoManager undo{loop.scheduler()};
    Document document{undo};

    void changeInOwnEvent(const std::string& text, const std::string& actionName)
    {
        document.change(text, actionName);
        loop.finishEvent();
    }
};

TEST_F(UndoManagerTest, UndoAndRedoOfOneStepAlternateWithTheSameName)
{
    changeInOwnEvent("first", "Type");
    changeInOwnEvent("second", "Rename");

    for (int round = 0; round < 5; ++round) {
        undo.undo();
        EXPECT_EQ(document.text(), "first");
        EXPECT_TRUE(undo.canRedo());
        EXPECT_EQ(undo.redoActionName(), "Rename");
        EXPECT_EQ(undo.undoActionName(), "Type");

        undo.redo();
        EXPECT_EQ(document.text(), "second");
        EXPECT_FALSE(undo.canRedo());
        EXPECT_EQ(undo.undoActionName(), "Rename");
    }
}

TEST_F(UndoManagerTest, StepsUndoAndRedoInStackOrder)
{
    changeInOwnEvent("one", "A");
    changeInOwnEvent("two", "B");
    changeInOwnEvent("three", "C");

    undo.undo();
    undo.undo();
    EXPECT_EQ(document.text(), "one");
    // Registering while redoing must not count as a new edit that clears the redo stack.
    undo.redo();
    EXPECT_EQ(document.text(), "two");
    EXPECT_TRUE(undo.canRedo());
    EXPECT_EQ(undo.redoActionName(), "C");
    undo.redo();
    EXPECT_EQ(document.text(), "three");
    undo.undo();
    undo.undo();
    undo.undo();
    EXPECT_EQ(document.text(), "");
    EXPECT_FALSE(undo.canUndo());
    undo.undo();
    EXPECT_EQ(document.text(), "");
}

TEST_F(UndoManagerTest, ReplayReportsItsDirection)
{
    std::vector<std::pair<bool, bool>> seen;
    std::function<void()> recordDirection = [&] {
        seen.emplace_back(undo.isUndoing(), undo.isRedoing());
        undo.registerUndo(this, recordDirection);
    };
    undo.registerUndo(this, recordDirection);
    loop.finishEvent();
    EXPECT_FALSE(undo.isUndoing());

    undo.undo();
    undo.redo();
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}}));
    EXPECT_FALSE(undo.isUndoing());
    EXPECT_FALSE(undo.isRedoing());
}

TEST_F(UndoManagerTest, NewRegistrationClearsRedo)
{
    changeInOwnEvent("one", "A");
    changeInOwnEvent("two", "B");
    undo.undo();
    ASSERT_TRUE(undo.canRedo());

    changeInOwnEvent("other", "C");
    EXPECT_FALSE(undo.canRedo());
    EXPECT_EQ(undo.redoActionName(), "");
    undo.redo();
    EXPECT_EQ(document.text(), "other");
    undo.undo();
    EXPECT_EQ(document.text(), "one");
}

TEST_F(UndoManagerTest, RegistrationsOfOneEventReplayTogetherInReverseOrder)
{
    std::vector<std::string> log;
    std::function<void(std::string)> registerLogged = [&](std::string label) {
        undo.registerUndo(this, [&, label] {
            log.push_back(label);
            registerLogged(label);
        });
    };
    registerLogged("first");
    registerLogged("second");
    loop.finishEvent();

    undo.undo();
    EXPECT_EQ(log, (std::vector<std::string>{"second", "first"}));
    EXPECT_FALSE(undo.canUndo());

    // The inverses were registered second-first, so redo runs first-second.
    undo.redo();
    EXPECT_EQ(log, (std::vector<std::string>{"second", "first", "first", "second"}));
    EXPECT_FALSE(undo.canRedo());
}

TEST_F(UndoManagerTest, EachEventIsItsOwnGroup)
{
    changeInOwnEvent("one", "A");
    document.change("two", "B");
    document.change("three", "B");
    loop.finishEvent();

    undo.undo();
    EXPECT_EQ(document.text(), "one");
    undo.undo();
    EXPECT_EQ(document.text(), "");
}

TEST(UndoManagerWithoutScheduler, IsRefusedAtConstruction)
{
    EXPECT_THROW(UndoManager{UndoManager::EventEndScheduler{}}, std::invalid_argument);
}

TEST_F(UndoManagerTest, ExplicitGroupsNestAndBlockUndoUntilClosed)
{
    changeInOwnEvent("before", "A");
    undo.beginUndoGrouping();
    undo.beginUndoGrouping();
    document.change("inner", "Drag");
    undo.endUndoGrouping();
    document.change("outer", "Drag");

    undo.undo();
    EXPECT_EQ(document.text(), "outer");
    undo.redo();
    EXPECT_EQ(document.text(), "outer");

    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(document.text(), "before");
}

TEST_F(UndoManagerTest, EventEndLeavesAnExplicitGroupOpen)
{
    undo.beginUndoGrouping();
    changeInOwnEvent("move 1", "Drag");
    changeInOwnEvent("move 2", "Drag");
    undo.endUndoGrouping();

    undo.undo();
    EXPECT_EQ(document.text(), "");
}

TEST_F(UndoManagerTest, GroupSpanningEventsClosesWhenItsExplicitPartEnds)
{
    // A press registers an edit and then starts a drag; the drag ends in a later event.
    document.change("pressed", "Drag");
    undo.beginUndoGrouping();
    loop.finishEvent();
    changeInOwnEvent("dragged", "Drag");
    undo.endUndoGrouping();
    loop.finishEvent();

    changeInOwnEvent("typed", "Type");
    undo.undo();
    EXPECT_EQ(document.text(), "dragged");
    EXPECT_EQ(undo.undoActionName(), "Drag");
    undo.undo();
    EXPECT_EQ(document.text(), "");
}

TEST_F(UndoManagerTest, ObserversHearRegisterUndoAndRedoUntilDestroyed)
{
    int changes = 0;
    auto observation = std::make_unique<Observation>(undo.observeChanges([&] { ++changes; }));

    changeInOwnEvent("one", "A");
    EXPECT_GT(changes, 0);

    changes = 0;
    undo.undo();
    EXPECT_GT(changes, 0);

    changes = 0;
    undo.redo();
    EXPECT_GT(changes, 0);

    observation.reset();
    changes = 0;
    undo.undo();
    document.change("two", "B");
    EXPECT_EQ(changes, 0);
}

TEST_F(UndoManagerTest, RemovingATargetDropsOnlyItsActionsAndEmptyGroups)
{
    Document other{undo};
    changeInOwnEvent("mine 1", "A");
    document.change("mine 2", "Both");
    other.change("theirs 1", "Both");
    loop.finishEvent();
    other.change("theirs 2", "B");
    loop.finishEvent();
    undo.undo();
    ASSERT_TRUE(undo.canRedo());

    undo.removeAllActions(&other);
    EXPECT_FALSE(undo.canRedo());
    ASSERT_TRUE(undo.canUndo());
    EXPECT_EQ(undo.undoActionName(), "Both");

    undo.undo();
    EXPECT_EQ(document.text(), "mine 1");
    EXPECT_EQ(other.text(), "theirs 1");
    undo.undo();
    EXPECT_EQ(document.text(), "");
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(UndoManagerTest, RemovingATargetAlsoPrunesTheOpenGroup)
{
    Document other{undo};
    document.change("mine", "A");
    other.change("theirs", "A");
    undo.removeAllActions(&document);
    loop.finishEvent();

    undo.undo();
    EXPECT_EQ(document.text(), "mine");
    EXPECT_EQ(other.text(), "");
}

TEST_F(UndoManagerTest, RemovingEverythingEmptiesBothStacks)
{
    changeInOwnEvent("one", "A");
    changeInOwnEvent("two", "B");
    undo.undo();
    undo.removeAllActions();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());
    EXPECT_EQ(undo.undoActionName(), "");
    EXPECT_EQ(undo.redoActionName(), "");
}

TEST(UndoManagerLifetime, EventEndAfterDestructionDoesNothing)
{
    FakeEventLoop loop;
    int runs = 0;
    {
        UndoManager undo{loop.scheduler()};
        undo.registerUndo(nullptr, [&] { ++runs; });
    }
    loop.finishEvent();  // Must not touch the destroyed manager.
    EXPECT_EQ(runs, 0);
}

}  // namespace
}  // namespace tl
