#pragma once

#include "app/AppState.h"
#include "app/AppUIState.h"
#include "platform/Observation.h"
#include "platform/WorkerRuns.h"
#include "ui/library/ImageReorderDrop.h"
#include "ui/library/LibraryViewModel.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QListView;
class QPushButton;
class QStackedLayout;

namespace tl::ui {

class EmptyStateView;
class ImageImporter;
class LibraryContext;
class PlaybackController;
class SingleImageView;
class TimelineListModel;
class TimelineScrubberView;
class TweenInsertion;

// The left pane: the timeline in grid, list or single layout over the window's one model and one
// selection model, the strip with the scrubber below it in time mode, and drops of image files anywhere.
class ImagesLibraryView : public QWidget {
    Q_OBJECT
public:
    ImagesLibraryView(LibraryContext& context, std::function<void()> onImport, std::function<void()> onGenerate,
        QWidget* parent = nullptr);
    ~ImagesLibraryView() override;

    LibraryViewModel& viewModel() { return viewModel_; }
    ImageImporter& importer() { return *importer_; }
    TweenInsertion& tweens() { return *tweens_; }
    // Opens the image edit sheet for `image`; an applied edit is saved beside its file.
    void editImage(const WallpaperImage& image);
    // The image the edit sheet was last opened for.
    const std::optional<WallpaperImage>& imageToEdit() const { return imageToEdit_; }
    TimelineListModel& model();
    QListView& gridView() { return *grid_; }
    QListView& listView() { return *list_; }
    SingleImageView& singleView() { return *single_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showLayout();
    void showSelectedImage();
    void layoutGrid();
    void showContextMenu(QListView& view, const QPoint& position, LibraryViewMode layout);
    void tweenSheetShownChanged();
    // Writes an applied edit on a worker, points the frame at it, then tells the sheet.
    void saveEditedImage(const WallpaperImage& image, const std::string& bytes,
        std::function<void(std::optional<std::string>)> finished);

    LibraryContext& context_;
    AppState& appState_;
    AppUIState& uiState_;
    LibraryViewModel viewModel_;
    TweenInsertion* tweens_;
    ImageReorderDrop reorder_;
    std::optional<WallpaperImage> imageToEdit_;
    ImageImporter* importer_;
    PlaybackController* playback_;
    QStackedLayout* layouts_;
    EmptyStateView* empty_;
    QListView* grid_;
    QListView* list_;
    SingleImageView* single_;
    QPushButton* singleTweens_;
    QWidget* handle_;
    TimelineScrubberView* scrubber_;
    std::vector<Observation> observations_;
    // Applied edits are written and decoded here, off the GUI thread.
    WorkerRuns editSaves_;
};

} // namespace tl::ui
