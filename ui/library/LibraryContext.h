#pragma once

#include "app/AppState.h"
#include "app/AppUIState.h"

#include <memory>

class QItemSelectionModel;
class QWidget;

namespace tl {
class Dialogs;
struct GenerationServices;
} // namespace tl

namespace tl::ui {

class SelectionSync;
class SheetPresenter;
class ThumbnailCache;
class TimelineListModel;

// What the panes of one window share: the store and the window state, the one list model over
// the timeline, the one selection model kept in step with the store, the picture caches, the
// sheet presenter and the generation services. The content view owns it; the library views,
// the strip, the inspector and the sheets take it by reference, so it must outlive them all.
class LibraryContext {
public:
    LibraryContext(AppState& appState, AppUIState& uiState, QWidget& window, GenerationServices& generation);
    ~LibraryContext();
    LibraryContext(const LibraryContext&) = delete;
    LibraryContext& operator=(const LibraryContext&) = delete;

    AppState& appState;
    AppUIState& uiState;
    GenerationServices& generation;
    // The application's panels and alerts, for the sheets that ask for files; may be unset in tests.
    Dialogs* dialogs = nullptr;

    TimelineListModel& model() { return *model_; }
    QItemSelectionModel& selectionModel();
    // Small pictures for tiles, rows and the strip; large ones for the single layout.
    ThumbnailCache& thumbnails() { return *thumbnails_; }
    ThumbnailCache& previews() { return *previews_; }
    SheetPresenter& sheets() { return *sheets_; }

private:
    std::unique_ptr<ThumbnailCache> thumbnails_;
    std::unique_ptr<ThumbnailCache> previews_;
    std::unique_ptr<TimelineListModel> model_;
    std::unique_ptr<SelectionSync> selection_;
    // Last, so a sheet still on screen goes before the model and caches it may use.
    std::unique_ptr<SheetPresenter> sheets_;
};

} // namespace tl::ui
