#include "ui/library/LibraryViewModel.h"

#include <algorithm>

namespace tl::ui {

LibraryViewModel::LibraryViewModel(AppState& appState, AppUIState& uiState)
    : appState_(appState)
    , uiState_(uiState)
{
}

std::optional<TweenTarget> LibraryViewModel::tweenTarget(const WallpaperImage& source) const
{
    if (source.isTween) return std::nullopt;
    const auto& images = appState_.images.get();
    const auto index = indexOfImage(images, source.id);
    if (!index) return std::nullopt;
    const std::size_t next = *index + 1;
    if (next < images.size()) {
        if (images[next].isTween) return std::nullopt;
        return TweenTarget { images[next], next };
    }
    const auto wrap = std::ranges::find_if(
        images, [&](const WallpaperImage& image) { return !image.isTween && image.id != source.id; });
    if (wrap == images.end()) return std::nullopt;
    return TweenTarget { *wrap, images.size() };
}

bool LibraryViewModel::canAutoTween() const
{
    return appState_.hasMultipleKeyImages();
}

bool LibraryViewModel::canGenerateTweensForSelection() const
{
    const auto selected = appState_.selectedImage();
    return selected && tweenTarget(*selected);
}

bool LibraryViewModel::showsTimeline() const
{
    return appState_.mode.get() == WallpaperMode::time && !appState_.images.get().empty();
}

void LibraryViewModel::handleClick(const Uuid& id, ClickModifiers modifiers)
{
    if (modifiers.shift) {
        appState_.extendSelection(id);
    } else if (modifiers.command) {
        appState_.toggleSelection(id);
    } else {
        appState_.select(id);
    }
}

void LibraryViewModel::handleDoubleClick(const Uuid& id)
{
    const auto& images = appState_.images.get();
    const auto index = indexOfImage(images, id);
    if (appState_.mode.get() == WallpaperMode::time && index) previewHour = AppState::effectiveHour(images[*index]);
    appState_.select(id);
    uiState_.viewMode = LibraryViewMode::single;
}

std::vector<LibraryMenuItem> LibraryViewModel::contextMenu(const WallpaperImage& image, LibraryViewMode layout) const
{
    std::vector<LibraryMenuItem> items { LibraryMenuItem::editWithAI };
    const bool tweens = tweenTarget(image).has_value();
    if (tweens) items.push_back(LibraryMenuItem::generateTweens);
    if (tweens || layout == LibraryViewMode::grid) items.push_back(LibraryMenuItem::divider);
    items.push_back(LibraryMenuItem::deleteImage);
    return items;
}

void LibraryViewModel::deleteImage(const Uuid& id)
{
    appState_.deleteImage(id);
}

void LibraryViewModel::timelineResizeChanged(double translationY)
{
    if (!dragStartHeight_) dragStartHeight_ = timelineHeight.get();
    isDraggingTimeline = true;
    timelineHeight = std::clamp(*dragStartHeight_ - translationY, minimumTimelineHeight, maximumTimelineHeight);
}

void LibraryViewModel::timelineResizeEnded()
{
    dragStartHeight_.reset();
    isDraggingTimeline = false;
}

} // namespace tl::ui
