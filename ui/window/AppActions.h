#pragma once

#include "platform/Observation.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QObject>

#include <functional>
#include <vector>

class QMenuBar;

namespace tl {

class AppCommandCenter;
class UndoManager;

// The window's one action registry: one QAction per command, created once and shared by the menu
// bar and the toolbar, with enabled states, checks, titles and icons decided in `updateActions()`
// from the store's change notifications. Toolbar buttons show an action's icon text ("Open")
// where the menu shows its text ("Open...").
class AppActions final : public QObject {
public:
    struct Handlers {
        std::function<void()> quit;
        std::function<void()> showSettings;
    };

    AppActions(AppCommandCenter& commandCenter, UndoManager& undoManager, Handlers handlers, QObject* parent = nullptr);

    // Fills `menuBar` with the File, Edit, Playback and Help menus.
    void populate(QMenuBar& menuBar);
    void updateActions();

    QAction newProject;
    QAction open;
    QAction closeProject;
    QAction save;
    QAction saveAs;
    QAction exportWallpaper;
    QAction setDesktopBackground;
    QAction settings;
    QAction quit;
    QAction undo;
    QAction redo;
    QAction deleteAllTweens;
    QAction playback;
    QAction checkForUpdates;
    QAction importImages;
    QAction importDynamicWallpaper;
    QAction generateTimeline;
    QAction autoTween;
    QAction viewGrid;
    QAction viewList;
    QAction viewSingle;
    QAction toggleInspector;
    QActionGroup viewModes { nullptr };
    QMenu openRecentMenu;
    QMenu tweensMenu;

private:
    void connectActions();
    void connectToolbarActions();
    void rebuildOpenRecentMenu();

    AppCommandCenter& commandCenter_;
    UndoManager& undoManager_;
    Handlers handlers_;
    std::vector<Observation> observations_;
};

} // namespace tl
