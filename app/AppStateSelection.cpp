#include "app/AppState.h"

#include <algorithm>

namespace tl {
void AppState::applySelectionChangeRule(const std::set<Uuid>& oldSelection)
{
    const auto& selection = selectedImageIds.get();
    for (const auto& id : selection) {
        if (!oldSelection.contains(id)) {
            lastSelectedImageId = id;
            return;
        }
    }
    const auto& anchor = lastSelectedImageId.get();
    if (anchor && selection.contains(*anchor)) return;
    lastSelectedImageId = selection.empty() ? std::nullopt : std::optional<Uuid>(*selection.begin());
}

void AppState::pruneSelection()
{
    if (selectedImageIds.get().empty()) return;
    std::set<Uuid> kept;
    for (const auto& image : images.get()) {
        if (selectedImageIds.get().contains(image.id)) kept.insert(image.id);
    }
    selectedImageIds = std::move(kept);
    if (selectedImageIds.get().empty()) lastSelectedImageId = std::nullopt;
}

void AppState::removeFromSelection(const std::set<Uuid>& ids)
{
    const auto& selection = selectedImageIds.get();
    if (std::ranges::none_of(ids, [&](const Uuid& id) { return selection.contains(id); })) return;
    selectedImageIds.mutate([&](std::set<Uuid>& selected) {
        for (const auto& id : ids) selected.erase(id);
    });
    if (selectedImageIds.get().empty()) lastSelectedImageId = std::nullopt;
}

void AppState::select(std::optional<Uuid> id)
{
    if (!id) {
        selectedImageIds.set({});
        lastSelectedImageId = std::nullopt;
        return;
    }
    selectedImageIds = std::set<Uuid>{*id};
    lastSelectedImageId = id;
}

void AppState::toggleSelection(const Uuid& id)
{
    if (selectedImageIds.get().contains(id)) {
        removeFromSelection({id});
        return;
    }
    selectedImageIds.mutate([&](std::set<Uuid>& selected) { selected.insert(id); });
    lastSelectedImageId = id;
}

void AppState::extendSelection(const Uuid& target)
{
    std::optional<Uuid> anchor = lastSelectedImageId.get();
    if (!anchor && !selectedImageIds.get().empty()) anchor = *selectedImageIds.get().begin();

    const auto& timeline = images.get();
    const auto anchorIndex = anchor ? indexOfImage(timeline, *anchor) : std::nullopt;
    const auto targetIndex = indexOfImage(timeline, target);
    if (!anchorIndex || !targetIndex) {
        select(target);
        return;
    }
    const auto [first, last] = std::minmax(*anchorIndex, *targetIndex);
    std::set<Uuid> range;
    for (std::size_t i = first; i <= last; ++i) range.insert(timeline[i].id);
    selectedImageIds = std::move(range);
    lastSelectedImageId = target;
}

std::optional<WallpaperImage> AppState::selectedImage() const
{
    const auto& selection = selectedImageIds.get();
    const auto& timeline = images.get();
    const auto& anchor = lastSelectedImageId.get();
    if (anchor && selection.contains(*anchor)) {
        if (const auto index = indexOfImage(timeline, *anchor)) return timeline[*index];
    }
    if (selection.empty()) return std::nullopt;
    if (const auto index = indexOfImage(timeline, *selection.begin())) return timeline[*index];
    return std::nullopt;
}

}  // namespace tl
