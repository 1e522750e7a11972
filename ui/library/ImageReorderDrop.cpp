#include "ui/library/ImageReorderDrop.h"

#include "ui/library/LibraryDrop.h"

namespace tl::ui {

ImageReorderDrop::ImageReorderDrop(AppState& appState, Observable<std::optional<Uuid>>& dropTargetId)
    : appState_(appState)
    , dropTargetId_(dropTargetId)
{
}

bool ImageReorderDrop::validate(const WallpaperImage& target, const QMimeData& data)
{
    return !target.isTween && data.hasFormat(QString::fromLatin1(libraryImageMimeType));
}

void ImageReorderDrop::entered(const WallpaperImage& target)
{
    if (!target.isTween) dropTargetId_ = target.id;
}

void ImageReorderDrop::exited(const WallpaperImage& target)
{
    // The next item may already have claimed the marker.
    if (dropTargetId_.get() == target.id) dropTargetId_ = std::nullopt;
}

bool ImageReorderDrop::perform(const WallpaperImage& target, const QMimeData& data)
{
    if (!validate(target, data)) return false;
    dropTargetId_ = std::nullopt;
    const auto drop = classifyDrop(data);
    if (const auto* reorder = std::get_if<ReorderDrop>(&drop)) appState_.reorderImages(reorder->moving, target.id);
    return true;
}

} // namespace tl::ui
