#pragma once

#include "app/AppUIState.h"
#include "platform/Observation.h"
#include "ui/export/ExportFilePanel.h"
#include "ui/export/ExportWork.h"

#include <QWidget>

#include <memory>
#include <vector>

class QToolBar;

namespace tl {

class AppActions;
class AppCommandCenter;
class AppState;
struct GenerationServices;

namespace ui {
class ExportController;
class ExportOptionsSheet;
class DynamicWallpaperOpener;
class ImagesLibraryView;
class LibraryContext;
class WindowSheets;
} // namespace ui

// The main window's content: the images library beside the inspector column, the window toolbar
// over the action registry's actions, and the one sheet slot, with the export run behind the
// export sheet. It owns the panes' shared library context.
class ContentView final : public QWidget {
    Q_OBJECT
public:
    ContentView(AppCommandCenter& commandCenter, AppActions& actions, GenerationServices& generation,
        QWidget* parent = nullptr);
    ContentView(AppCommandCenter& commandCenter, AppActions& actions, GenerationServices& generation,
        ui::ExportServices services, ui::ExportFilePanel panel, QWidget* parent = nullptr);
    ~ContentView() override;

    QToolBar* toolbar() { return toolbar_; }
    ui::LibraryContext& context() { return *context_; }
    ui::ImagesLibraryView& library() { return *library_; }
    // The open export sheet, if any.
    ui::ExportOptionsSheet* exportSheet();
    ui::ExportController& exportController() { return *export_; }
    void setExportFilePanel(ui::ExportFilePanel panel) { panel_ = std::move(panel); }

    void startExport();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar(AppActions& actions);
    QDialog* makeSheet(AppUIState::ActiveSheet sheet);
    void viewModeChanged();
    void exportHeic(const HeicExportOptions& options);

    AppCommandCenter& commandCenter_;
    AppState& appState_;
    AppUIState& uiState_;
    ui::ExportFilePanel panel_;
    std::unique_ptr<ui::LibraryContext> context_;
    std::unique_ptr<ui::WindowSheets> sheets_;
    std::unique_ptr<ui::DynamicWallpaperOpener> wallpaperOpener_;
    ui::ImagesLibraryView* library_;
    ui::ExportController* export_;
    QToolBar* toolbar_;
    QAction* openAction_ = nullptr;
    QAction* setDesktopBackgroundAction_ = nullptr;
    std::vector<Observation> observations_;
};

} // namespace tl
