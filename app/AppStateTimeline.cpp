#include "app/AppState.h"

#include "app/FrameFile.h"

#include <algorithm>

namespace tl {

void AppState::setImages(
    std::vector<WallpaperImage> newImages, std::optional<WallpaperMode> newMode, bool clearProjectPath)
{
    if (clearProjectPath) startAnotherProject();
    images = std::move(newImages);
    if (newMode) mode = *newMode;
    if (clearProjectPath) currentProjectPath = std::nullopt;
    pruneSelection();
    normalizeImages();
    isDirty = true;
}

void AppState::replaceImages(std::vector<WallpaperImage> newImages, const std::string& actionName, bool markDirty)
{
    Snapshot before = makeSnapshot();
    images = std::move(newImages);
    pruneSelection();
    normalizeImages();
    isDirty = markDirty;
    recordUndo(std::move(before), actionName);
}

void AppState::insertImages(std::vector<WallpaperImage> newImages, std::ptrdiff_t index, const std::string& actionName)
{
    if (newImages.empty()) return;
    Snapshot before = makeSnapshot();
    const auto count = static_cast<std::ptrdiff_t>(images.get().size());
    const auto position = std::clamp<std::ptrdiff_t>(index, 0, count);
    images.mutate([&](std::vector<WallpaperImage>& timeline) {
        timeline.insert(timeline.begin() + position, std::make_move_iterator(newImages.begin()),
            std::make_move_iterator(newImages.end()));
    });
    normalizeImages();
    isDirty = true;
    recordUndo(std::move(before), actionName);
}

void AppState::addImage(WallpaperImage image)
{
    Snapshot before = makeSnapshot();
    images.mutate([&](std::vector<WallpaperImage>& timeline) { timeline.push_back(std::move(image)); });
    normalizeImages();
    isDirty = true;
    recordUndo(std::move(before), "Add Image");
}

void AppState::addImage(const std::filesystem::path& file)
{
    auto image = readFrameFile(file);
    if (!image) return;
    setNewFrameDefaults(*image, mode.get());
    addImage(std::move(*image));
}

void AppState::updateImage(const WallpaperImage& image)
{
    const auto index = indexOfImage(images.get(), image.id);
    if (!index) return;
    Snapshot before = makeSnapshot();
    images.mutate([&](std::vector<WallpaperImage>& frames) { frames[*index] = image; });
    normalizeImages();
    isDirty = true;
    recordUndo(std::move(before), "Edit Image");
}

void AppState::deleteImage(const Uuid& id)
{
    if (!indexOfImage(images.get(), id)) return;
    Snapshot before = makeSnapshot();
    images.mutate([&](std::vector<WallpaperImage>& timeline) {
        std::erase_if(timeline, [&](const WallpaperImage& image) { return image.id == id; });
    });
    removeFromSelection({ id });
    isDirty = true;
    recordUndo(std::move(before), "Delete Image");
}

void AppState::deleteAllTweens()
{
    std::set<Uuid> tweenIds;
    for (const auto& image : images.get()) {
        if (image.isTween) tweenIds.insert(image.id);
    }
    if (tweenIds.empty()) return;
    Snapshot before = makeSnapshot();
    images.mutate([](std::vector<WallpaperImage>& timeline) {
        std::erase_if(timeline, [](const WallpaperImage& image) { return image.isTween; });
    });
    removeFromSelection(tweenIds);
    isDirty = true;
    recordUndo(std::move(before), "Delete All Tweens");
}

void AppState::setMode(WallpaperMode newMode)
{
    if (mode.get() == newMode) return;
    Snapshot before = makeSnapshot();
    mode = newMode;
    normalizeImages();
    isDirty = true;
    recordUndo(std::move(before), "Change Mode");
}

void AppState::reorderImages(const Uuid& moving, const Uuid& onto)
{
    if (moving == onto) return;
    const auto& timeline = images.get();
    const auto source = indexOfImage(timeline, moving);
    const auto target = indexOfImage(timeline, onto);
    if (!source || !target) return;
    // Tweens never move alone, and nothing is dropped onto a tween.
    if (timeline[*source].isTween || timeline[*target].isTween) return;

    Snapshot before = makeSnapshot();
    const auto sourceIndex = static_cast<std::ptrdiff_t>(*source);
    const auto targetIndex = static_cast<std::ptrdiff_t>(*target);
    auto groupEnd = *source + 1;
    while (groupEnd < timeline.size() && timeline[groupEnd].isTween && timeline[groupEnd].parentId == moving) {
        ++groupEnd;
    }
    const auto groupSize = static_cast<std::ptrdiff_t>(groupEnd - *source);

    images.mutate([&](std::vector<WallpaperImage>& frames) {
        const auto first = frames.begin() + sourceIndex;
        std::vector<WallpaperImage> group(std::make_move_iterator(first), std::make_move_iterator(first + groupSize));
        frames.erase(first, first + groupSize);
        const auto remaining = static_cast<std::ptrdiff_t>(frames.size());
        const auto insertion = std::clamp<std::ptrdiff_t>(
            sourceIndex < targetIndex ? targetIndex - groupSize : targetIndex, 0, remaining);
        frames.insert(
            frames.begin() + insertion, std::make_move_iterator(group.begin()), std::make_move_iterator(group.end()));
    });
    isDirty = true;
    recordUndo(std::move(before), "Reorder Images");
}

void AppState::applyOpenedProject(std::vector<WallpaperImage> openedImages, WallpaperMode openedMode,
    const std::filesystem::path& url, std::optional<std::string> magicPrompt, std::optional<std::string> magicSize,
    std::optional<std::int64_t> magicTweenCount, std::optional<std::string> magicStartingImageFileName,
    std::optional<std::string> record)
{
    Snapshot before = makeSnapshot();
    startAnotherProject();
    // A package opened again as this store last knew it holds the same content: the same version,
    // so undoing back to the earlier opening finds it saved too.
    const auto known = packageStates_.find(url);
    if (record && known != packageStates_.end() && known->second.record == *record)
        contentVersion_ = known->second.version;
    images = std::move(openedImages);
    mode = openedMode;
    currentProjectPath = url;
    selectedImageIds.set({});
    lastSelectedImageId = std::nullopt;
    isDirty = false;
    lastMagicPrompt = std::move(magicPrompt).value_or("");
    lastMagicSize = std::move(magicSize).value_or(std::string(defaultMagicSize));
    lastMagicTweenCount = magicTweenCount.value_or(defaultMagicTweenCount);
    lastMagicStartingImageFileName = std::move(magicStartingImageFileName).value_or("");
    if (record) packageStates_[url] = { contentVersion_, std::move(*record) };
    recordUndo(std::move(before), "Open Project");
}

void AppState::newProject(const std::string& actionName)
{
    resetProject(actionName);
}

void AppState::closeProject(const std::string& actionName)
{
    resetProject(actionName);
}

void AppState::resetProject(const std::string& actionName)
{
    Snapshot before = makeSnapshot();
    startAnotherProject();
    images.set({});
    mode = WallpaperMode::time;
    currentProjectPath = std::nullopt;
    selectedImageIds.set({});
    lastSelectedImageId = std::nullopt;
    isDirty = false;
    lastMagicPrompt = std::string();
    lastMagicSize = std::string(defaultMagicSize);
    lastMagicTweenCount = defaultMagicTweenCount;
    lastMagicStartingImageFileName = std::string();
    recordUndo(std::move(before), actionName);
}

void AppState::normalizeImages()
{
    if (mode.get() != WallpaperMode::time) return;
    const auto& timeline = images.get();
    // Each hour is computed once, by position, so duplicate ids from a hand-edited file still sort.
    std::vector<std::pair<double, std::size_t>> order;
    order.reserve(timeline.size());
    for (std::size_t i = 0; i < timeline.size(); ++i)
        order.emplace_back(effectiveHour(timeline[i]), i);
    std::ranges::stable_sort(order, {}, &std::pair<double, std::size_t>::first);

    std::vector<WallpaperImage> sorted;
    sorted.reserve(timeline.size());
    for (const auto& entry : order)
        sorted.push_back(timeline[entry.second]);
    images = std::move(sorted);
}

int AppState::keyImageCount() const
{
    return static_cast<int>(std::ranges::count(images.get(), false, &WallpaperImage::isTween));
}

bool AppState::hasMultipleKeyImages() const
{
    return keyImageCount() > 1;
}

} // namespace tl
