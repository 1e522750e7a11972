#pragma once

#include "platform/Observation.h"

#include <QAction>
#include <QMenu>
#include <QObject>

#include <functional>
#include <vector>

class QMenuBar;

namespace tl {

class AppCommandCenter;
class UndoManager;

// One QAction per command, shared by the menu bar and any toolbar, with enabled
// states and titles kept current from the store's change notifications.
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
    QAction settings;
    QAction quit;
    QAction undo;
    QAction redo;
    QAction deleteAllTweens;
    QAction playback;
    QAction checkForUpdates;
    QMenu openRecentMenu;
    QMenu tweensMenu;

private:
    void connectActions();
    void rebuildOpenRecentMenu();

    AppCommandCenter& commandCenter_;
    UndoManager& undoManager_;
    Handlers handlers_;
    std::vector<Observation> observations_;
};

} // namespace tl
