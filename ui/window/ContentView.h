#pragma once

#include "app/AppUIState.h"
#include "platform/Observation.h"
#include "ui/export/ExportFilePanel.h"
#include "ui/export/ExportOptionsSheet.h"
#include "ui/export/ExportWork.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class QAction;
class QActionGroup;
class QToolBar;

namespace tl {

class AppActions;
class AppCommandCenter;
class AppState;

namespace ui {
class ExportController;
class ImagesLibraryView;
} // namespace ui

// The main window's content: the images library, the window toolbar (sharing the menu's actions
// for Open, Save and Export) and the one sheet slot, with the export run behind the export sheet.
class ContentView final : public QWidget {
    Q_OBJECT
public:
    ContentView(AppCommandCenter& commandCenter, AppActions& actions, QWidget* parent = nullptr);
    ContentView(AppCommandCenter& commandCenter, AppActions& actions, ui::ExportServices services,
        ui::ExportFilePanel panel, QWidget* parent = nullptr);
    ~ContentView() override;

    QToolBar* toolbar() { return toolbar_; }
    ui::ImagesLibraryView& library() { return *library_; }
    // The open export sheet, if any.
    ui::ExportOptionsSheet* exportSheet() { return sheet_; }
    ui::ExportController& exportController() { return *export_; }
    void setExportFilePanel(ui::ExportFilePanel panel) { panel_ = std::move(panel); }

    void startExport();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar(AppActions& actions);
    void activeSheetChanged();
    void viewModeChanged();
    void exportHeic(const HeicExportOptions& options);
    void updateActions();
    bool hasMultipleKeyImages() const;

    AppCommandCenter& commandCenter_;
    AppState& appState_;
    AppUIState& uiState_;
    ui::ExportFilePanel panel_;
    ui::ImagesLibraryView* library_;
    ui::ExportController* export_;
    QToolBar* toolbar_;
    QAction* openAction_ = nullptr;
    QAction* autoTween_ = nullptr;
    QActionGroup* viewModes_ = nullptr;
    QPointer<ui::ExportOptionsSheet> sheet_;
    std::optional<AppUIState::ActiveSheet> shownSheet_;
    std::vector<Observation> observations_;
};

} // namespace tl
