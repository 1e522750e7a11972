#pragma once

#include "app/AppUIState.h"
#include "model/WallpaperMode.h"
#include "platform/Observation.h"
#include "ui/export/ExportSheetModel.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace tl::ui {

class CanvasSizeControls;
class UpscaleEstimateReader;
class ExportProgressView;
class ExportResultView;
class ThumbnailCache;

// The window-modal sheet that edits the export options, starts the export, follows it and
// cancels it. Every control writes one option through the sheet's model; the widgets are
// refreshed from the model and the window state with their signals blocked, so a refresh never
// writes anything back. Open it with open(); the buttons only call the given actions.
class ExportOptionsSheet : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onCancel;
        std::function<void()> onCancelExport;
        std::function<void()> onExport;
    };

    ExportOptionsSheet(AppUIState& uiState, Actions actions, QWidget* parent = nullptr);
    ~ExportOptionsSheet() override;

    ExportSheetModel& model() { return model_; }
    // The running export's strip draws the key frames from these pictures.
    void setThumbnails(ThumbnailCache& thumbnails);
    // The upscaler line estimates the time of upscaling these key frames; their sizes are read on
    // a worker meanwhile, and `probe` measures this machine there while no export has.
    void setKeyFrames(std::vector<std::filesystem::path> files,
        std::function<std::optional<double>(const std::stop_token&)> probe = {});
    // The header says what the file is for in this mode.
    void setMode(WallpaperMode mode);
    ExportResultView& resultView() { return *result_; }
    QPushButton& primaryButton() { return *primary_; }
    QPushButton& dismissButton() { return *dismiss_; }

    // Escape: Cancel Export while exporting, otherwise the sheet's Cancel or Close.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeQualitySection();
    QWidget* makeTargetSection();
    QWidget* makeAdvancedSection();
    void refresh();
    void fitToWindow();
    // Where the sheet may lie: its window's frame within the screen's free part.
    QRect roomForSheet() const;
    std::optional<TileTime> tileTime() const;

    AppUIState& uiState_;
    Actions actions_;
    ExportSheetModel model_;
    QButtonGroup* qualities_ = nullptr;
    QButtonGroup* targets_ = nullptr;
    CanvasSizeControls* targetCanvas_ = nullptr;
    QWidget* upscalerReady_ = nullptr;
    QLabel* upscalerIcon_ = nullptr;
    QLabel* upscalerLine_ = nullptr;
    QToolButton* advancedToggle_ = nullptr;
    QWidget* advanced_ = nullptr;
    QCheckBox* resize_ = nullptr;
    CanvasSizeControls* advancedCanvas_ = nullptr;
    QCheckBox* upscale_ = nullptr;
    QWidget* strategyRow_ = nullptr;
    QComboBox* strategies_ = nullptr;
    QCheckBox* dither_ = nullptr;
    QCheckBox* keep_ = nullptr;
    QLabel* keepNote_ = nullptr;
    QWidget* validation_ = nullptr;
    QLabel* validationText_ = nullptr;
    ExportProgressView* progress_ = nullptr;
    QLabel* purpose_ = nullptr;
    ExportResultView* result_ = nullptr;
    bool measuring_ = false;
    QPushButton* dismiss_ = nullptr;
    QPushButton* primary_ = nullptr;
    QWidget* body_ = nullptr;
    std::unique_ptr<UpscaleEstimateReader> estimateReader_;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
