#pragma once

#include "ui/window/AppActions.h"
#include "ui/window/WindowTitle.h"

#include <QMainWindow>

#include <memory>

namespace tl {

class AppCommandCenter;
class AppLifecycleDelegate;
class UndoManager;
struct GenerationServices;

// The main window: the menu bar over the content view. It owns the window's undo
// manager and hands it to the state store.
class MainWindow final : public QMainWindow {
public:
    MainWindow(AppCommandCenter& commandCenter, AppLifecycleDelegate& lifecycle, GenerationServices& generation,
        AppActions::Handlers handlers);
    ~MainWindow() override;

    AppActions& actions() { return *actions_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    AppCommandCenter& commandCenter_;
    AppLifecycleDelegate& lifecycle_;
    std::shared_ptr<UndoManager> undoManager_;
    AppActions* actions_;
    WindowTitle title_;
};

} // namespace tl
