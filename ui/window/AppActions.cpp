#include "ui/window/AppActions.h"

#include "app/AppCommandCenter.h"
#include "app/AppState.h"
#include "app/AppUIState.h"
#include "platform/UndoManager.h"
#include "platform/qt/QtText.h"
#include "ui/common/Symbols.h"

#include <QMenuBar>

#include <filesystem>

namespace tl {
namespace {

using ui::symbolIcon;

void setup(QAction& action, const char* title, const QKeySequence& shortcut = {})
{
    action.setText(toQtLabel(title));
    action.setShortcut(shortcut);
}

void setupTool(QAction& action, const char* title, const char* symbol)
{
    setup(action, title);
    action.setIcon(symbolIcon(QString::fromLatin1(symbol)));
}

// "Undo Edit Image": the verb and the name of the step it would replay, when the step has one.
QString namedStep(const QString& verb, const std::string& actionName)
{
    if (actionName.empty()) return verb;
    return verb + QLatin1Char(' ') + toQtLabel(actionName);
}

constexpr std::pair<LibraryViewMode, QAction AppActions::*> viewModeActions[] = {
    { LibraryViewMode::grid, &AppActions::viewGrid },
    { LibraryViewMode::list, &AppActions::viewList },
    { LibraryViewMode::single, &AppActions::viewSingle },
};

} // namespace

AppActions::AppActions(AppCommandCenter& commandCenter, UndoManager& undoManager, Handlers handlers, QObject* parent)
    : QObject(parent)
    , commandCenter_(commandCenter)
    , undoManager_(undoManager)
    , handlers_(std::move(handlers))
{
    setup(newProject, "New Project", QKeySequence(Qt::CTRL | Qt::Key_N));
    setup(open, "Open...", QKeySequence(Qt::CTRL | Qt::Key_O));
    setup(closeProject, "Close Project", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    setup(save, "Save", QKeySequence(Qt::CTRL | Qt::Key_S));
    setup(saveAs, "Save As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    setup(exportWallpaper, "Export Dynamic Wallpaper...");
    setup(setDesktopBackground, "Set as Desktop Background...");
    setup(importDynamicWallpaper, "Import Dynamic Wallpaper...");
    setup(settings, "Settings...", QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings.setMenuRole(QAction::PreferencesRole);
    setup(quit, "Quit", QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit.setMenuRole(QAction::QuitRole);
    setup(undo, "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
    setup(redo, "Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    setup(deleteAllTweens, "Delete All");
    setup(playback, "Play Playback", QKeySequence(Qt::Key_Space));
    setup(checkForUpdates, "Check for Updates...", QKeySequence(Qt::CTRL | Qt::Key_U));
    open.setIconText(QStringLiteral("Open"));
    save.setIcon(symbolIcon(QStringLiteral("internaldrive")));
    exportWallpaper.setIconText(QStringLiteral("Export"));
    exportWallpaper.setIcon(symbolIcon(QStringLiteral("arrow.up.doc")));
    setupTool(importImages, "Import Images...", "plus");
    setupTool(generateTimeline, "Generate Timeline...", "sparkles");
    setupTool(autoTween, "Auto Tween...", "wand.and.stars");
    setupTool(viewGrid, "Grid", "square.grid.2x2");
    setupTool(viewList, "List", "list.bullet");
    setupTool(viewSingle, "Single", "photo");
    setupTool(toggleInspector, "Inspector", "sidebar.right");
    // Checkable, so the button's pressed look is the column's shown state.
    toggleInspector.setCheckable(true);
    for (const auto& [mode, member] : viewModeActions) {
        (this->*member).setCheckable(true);
        viewModes.addAction(&(this->*member));
    }
    openRecentMenu.setTitle(QStringLiteral("Open Recent"));
    tweensMenu.setTitle(QStringLiteral("Tweens"));
    tweensMenu.addAction(&deleteAllTweens);

    connectActions();

    AppState& state = commandCenter_.appState;
    const auto refresh = [this] { updateActions(); };
    observations_.push_back(state.images.observe(refresh));
    observations_.push_back(state.mode.observe(refresh));
    observations_.push_back(state.isDirty.observe(refresh));
    observations_.push_back(state.currentProjectPath.observe(refresh));
    observations_.push_back(state.recentProjects.observe(refresh));
    AppUIState& ui = commandCenter_.uiState;
    observations_.push_back(ui.isTimelinePlaying.observe(refresh));
    observations_.push_back(ui.viewMode.observe(refresh));
    observations_.push_back(ui.isHoveringOpenButton.observe(refresh));
    observations_.push_back(ui.showsInspector.observe(refresh));
    observations_.push_back(undoManager_.observeChanges(refresh));
    // Existence of recent packages is tested each time the submenu opens.
    connect(&openRecentMenu, &QMenu::aboutToShow, this, [this] { rebuildOpenRecentMenu(); });
    updateActions();
}

void AppActions::connectActions()
{
    AppCommandCenter& commands = commandCenter_;
    connect(&newProject, &QAction::triggered, this, [&commands] { commands.requestNewProject(); });
    connect(&open, &QAction::triggered, this, [&commands] { commands.requestOpen(); });
    connect(&closeProject, &QAction::triggered, this, [&commands] { commands.requestCloseProject(); });
    connect(&save, &QAction::triggered, this, [&commands] { commands.save(); });
    connect(&saveAs, &QAction::triggered, this, [&commands] { commands.saveProjectAs(); });
    connect(&exportWallpaper, &QAction::triggered, this, [&commands] { commands.requestExport(); });
    connect(
        &importDynamicWallpaper, &QAction::triggered, this, [&commands] { commands.requestImportDynamicWallpaper(); });
    connect(&deleteAllTweens, &QAction::triggered, this, [&commands] { commands.confirmDeleteAllTweens(); });
    connect(&playback, &QAction::triggered, this, [&commands] { commands.togglePlayback(); });
    connect(&checkForUpdates, &QAction::triggered, this, [&commands] { commands.checkForUpdates(); });
    connect(&undo, &QAction::triggered, this, [this] {
        if (undoManager_.canUndo()) undoManager_.undo();
    });
    connect(&redo, &QAction::triggered, this, [this] {
        if (undoManager_.canRedo()) undoManager_.redo();
    });
    connect(&quit, &QAction::triggered, this, [this] {
        if (handlers_.quit) handlers_.quit();
    });
    connect(&settings, &QAction::triggered, this, [this] {
        if (handlers_.showSettings) handlers_.showSettings();
    });
    connectToolbarActions();
}

void AppActions::connectToolbarActions()
{
    AppCommandCenter& commands = commandCenter_;
    connect(&importImages, &QAction::triggered, this, [&commands] { commands.presentImportPanel(); });
    connect(&generateTimeline, &QAction::triggered, this, [&commands] { commands.requestGenerateTimeline(); });
    connect(&autoTween, &QAction::triggered, this, [&commands] { commands.requestAutoTween(); });
    for (const auto& [mode, member] : viewModeActions) {
        connect(&(this->*member), &QAction::triggered, this,
            [&commands, mode = mode] { commands.uiState.viewMode = mode; });
    }
    // The action has already flipped its check when this runs; the state takes the check.
    connect(&toggleInspector, &QAction::triggered, this,
        [&commands](bool checked) { commands.uiState.showsInspector = checked; });
}

void AppActions::populate(QMenuBar& menuBar)
{
    QMenu* file = menuBar.addMenu(QStringLiteral("&File"));
    file->addAction(&newProject);
    file->addAction(&open);
    file->addMenu(&openRecentMenu);
    file->addAction(&closeProject);
    file->addSeparator();
    file->addAction(&importDynamicWallpaper);
    file->addSeparator();
    file->addAction(&save);
    file->addAction(&saveAs);
    file->addSeparator();
    file->addAction(&exportWallpaper);
    file->addAction(&setDesktopBackground);
    file->addSeparator();
    file->addAction(&settings);
    file->addSeparator();
    file->addAction(&quit);

    QMenu* edit = menuBar.addMenu(QStringLiteral("&Edit"));
    edit->addAction(&undo);
    edit->addAction(&redo);
    edit->addSeparator();
    edit->addMenu(&tweensMenu);

    QMenu* playbackMenu = menuBar.addMenu(QStringLiteral("&Playback"));
    playbackMenu->addAction(&playback);

    QMenu* help = menuBar.addMenu(QStringLiteral("&Help"));
    help->addAction(&checkForUpdates);
}

void AppActions::updateActions()
{
    const AppState& state = commandCenter_.appState;
    closeProject.setEnabled(commandCenter_.hasDocument());
    save.setEnabled(state.isDirty.get());
    exportWallpaper.setEnabled(!state.images.get().empty());
    setDesktopBackground.setEnabled(!state.images.get().empty());
    deleteAllTweens.setEnabled(commandCenter_.hasTweens());
    playback.setEnabled(commandCenter_.canPlayTimeline());
    playback.setText(commandCenter_.uiState.isTimelinePlaying.get() ? QStringLiteral("Pause Playback")
                                                                    : QStringLiteral("Play Playback"));
    open.setIcon(symbolIcon(
        commandCenter_.uiState.isHoveringOpenButton.get() ? QStringLiteral("folder.fill") : QStringLiteral("folder")));
    autoTween.setEnabled(state.hasMultipleKeyImages());
    for (const auto& [mode, member] : viewModeActions) {
        QAction& action = this->*member;
        action.setEnabled(!state.images.get().empty());
        action.setChecked(commandCenter_.uiState.viewMode.get() == mode);
    }
    undo.setEnabled(undoManager_.canUndo());
    redo.setEnabled(undoManager_.canRedo());
    undo.setText(namedStep(QStringLiteral("Undo"), undoManager_.undoActionName()));
    redo.setText(namedStep(QStringLiteral("Redo"), undoManager_.redoActionName()));
    toggleInspector.setChecked(commandCenter_.uiState.showsInspector.get());
    rebuildOpenRecentMenu();
}

void AppActions::rebuildOpenRecentMenu()
{
    // Deferred deletion: an item of this menu may be the one being triggered now.
    for (QAction* item : openRecentMenu.actions()) {
        openRecentMenu.removeAction(item);
        if (item->parent() == &openRecentMenu) item->deleteLater();
    }
    const auto& projects = commandCenter_.appState.recentProjects.get();
    if (projects.empty()) {
        openRecentMenu.addAction(QStringLiteral("No Recent Projects"))->setEnabled(false);
        return;
    }
    for (const auto& project : projects) {
        QAction* item = openRecentMenu.addAction(toQtLabel(project.displayName));
        const std::filesystem::path path(project.path);
        std::error_code error;
        item->setEnabled(std::filesystem::exists(path, error));
        connect(item, &QAction::triggered, this, [this, path] { commandCenter_.requestOpenRecent(path); });
    }
    openRecentMenu.addSeparator();
    QAction* clear = openRecentMenu.addAction(QStringLiteral("Clear Menu"));
    connect(clear, &QAction::triggered, this, [this] { commandCenter_.clearRecentProjects(); });
}

} // namespace tl
