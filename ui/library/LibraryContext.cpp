#include "ui/library/LibraryContext.h"

#include "ui/common/SheetPresenter.h"
#include "ui/common/ThumbnailCache.h"
#include "ui/library/SelectionSync.h"
#include "ui/library/TimelineListModel.h"

namespace tl::ui {
namespace {

// The single layout's large pictures: about eight frames of 1600x900, so playing through a long
// timeline keeps the last few, not every frame.
constexpr qint64 previewByteBudget = 48LL * 1024 * 1024;

} // namespace

LibraryContext::LibraryContext(AppState& store, AppUIState& windowState, QWidget& window, GenerationServices& services)
    : appState(store)
    , uiState(windowState)
    , generation(services)
    , thumbnails_(std::make_unique<ThumbnailCache>(320))
    , previews_(std::make_unique<ThumbnailCache>(1600, previewByteBudget))
    , model_(std::make_unique<TimelineListModel>(store, *thumbnails_))
    , selection_(std::make_unique<SelectionSync>(store, *model_))
    , sheets_(std::make_unique<SheetPresenter>(window))
{
}

LibraryContext::~LibraryContext() = default;

QItemSelectionModel& LibraryContext::selectionModel()
{
    return selection_->selectionModel();
}

} // namespace tl::ui
