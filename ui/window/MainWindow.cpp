#include "ui/window/MainWindow.h"

#include "app/AppCommandCenter.h"
#include "app/AppLifecycleDelegate.h"
#include "app/AppState.h"
#include "app/SaveFlowCoordinator.h"
#include "platform/qt/EventLoop.h"
#include "ui/window/ContentView.h"
#include "ui/window/FinishingSavesIndicator.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPointer>

namespace tl {

MainWindow::MainWindow(AppCommandCenter& commandCenter, AppLifecycleDelegate& lifecycle, GenerationServices& generation,
    AppActions::Handlers handlers)
    : commandCenter_(commandCenter)
    , lifecycle_(lifecycle)
    , undoManager_(std::make_shared<UndoManager>(qtEventEndScheduler()))
    , actions_(new AppActions(commandCenter, *undoManager_, std::move(handlers), this))
    , title_(*this, commandCenter.appState)
{
    resize(1200, 800);
    commandCenter_.appState.undoManager = undoManager_;
    actions_->populate(*menuBar());
    auto* content = new ContentView(commandCenter_, *actions_, generation, this);
    addToolBar(content->toolbar());
    setCentralWidget(content);
    new ui::FinishingSavesIndicator(*this, commandCenter_.saveFlow.isFinishingSaves);
}

MainWindow::~MainWindow()
{
    // The store outlives the window; its undo actions must not outlive the manager.
    commandCenter_.appState.undoManager.reset();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    lifecycle_.attach(commandCenter_);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    const bool mayClose = lifecycle_.windowShouldClose([window = QPointer<MainWindow>(this)] {
        if (window) window->close();
    });
    if (mayClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

} // namespace tl
