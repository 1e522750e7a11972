#include "ui/library/TimelineListModel.h"

#include "platform/qt/QtText.h"
#include "ui/common/ImageConversion.h"
#include "ui/common/ThumbnailCache.h"
#include "ui/library/LibraryDrop.h"

#include <algorithm>

namespace tl::ui {

TimelineListModel::TimelineListModel(AppState& appState, ThumbnailCache& thumbnails, QObject* parent)
    : QAbstractListModel(parent)
    , appState_(appState)
    , thumbnails_(thumbnails)
    , images_(appState.images.get())
{
    imagesObservation_ = appState_.images.observe([this] { imagesChanged(); });
    modeObservation_ = appState_.mode.observe([this] {
        if (!images_.empty()) emit dataChanged(index(0), index(rowCount() - 1));
    });
    connect(&thumbnails_, &ThumbnailCache::thumbnailReady, this, &TimelineListModel::thumbnailArrived);
    connect(&thumbnails_, &ThumbnailCache::thumbnailFailed, this, &TimelineListModel::thumbnailArrived);
    arrivalTimer_.setSingleShot(true);
    arrivalTimer_.setInterval(arrivalBatchMs);
    connect(&arrivalTimer_, &QTimer::timeout, this, &TimelineListModel::announceArrivals);
}

int TimelineListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(images_.size());
}

QVariant TimelineListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto& image = imageAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return toDisplayText(image.fileName);
    case Qt::ToolTipRole: {
        const QString problem = pictureProblem(index.row());
        return problem.isEmpty() ? toDisplayText(image.fileName)
                                 : toDisplayText(image.fileName) + QLatin1Char('\n') + problem;
    }
    case Qt::DecorationRole:
        return thumbnail(index.row());
    case IdRole:
        return QString::fromStdString(image.id.text());
    default:
        return {};
    }
}

Qt::ItemFlags TimelineListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Tweens are neither dragged nor reorder targets; files may still be dropped on them.
    if (!imageAt(index.row()).isTween) flags |= Qt::ItemIsDragEnabled;
    return flags | Qt::ItemIsDropEnabled;
}

QStringList TimelineListModel::mimeTypes() const
{
    return { QString::fromLatin1(libraryImageMimeType), QStringLiteral("text/uri-list") };
}

QMimeData* TimelineListModel::mimeData(const QModelIndexList& indexes) const
{
    for (const auto& index : indexes) {
        if (index.isValid() && !imageAt(index.row()).isTween) return makeLibraryDragData(imageAt(index.row()).id);
    }
    return nullptr;
}

Qt::DropActions TimelineListModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

bool TimelineListModel::canDropMimeData(
    const QMimeData* data, Qt::DropAction, int row, int, const QModelIndex& parent) const
{
    if (!data) return false;
    const auto drop = classifyDrop(*data);
    if (std::holds_alternative<ImportDrop>(drop)) return true;
    if (!std::holds_alternative<ReorderDrop>(drop)) return false;
    // A reorder needs a key image to go before; tweens never take one.
    const int target = parent.isValid() ? parent.row() : row;
    return target >= 0 && target < rowCount() && !imageAt(target).isTween;
}

bool TimelineListModel::dropMimeData(
    const QMimeData* data, Qt::DropAction action, int row, int, const QModelIndex& parent)
{
    if (!data || action == Qt::IgnoreAction) return false;
    const int targetRow = parent.isValid() ? parent.row() : row;
    std::optional<Uuid> target;
    if (targetRow >= 0 && targetRow < rowCount()) target = imageAt(targetRow).id;
    handleDrop(*data, target);
    // Never report a move as done: the view would then remove the dragged rows itself.
    return false;
}

bool TimelineListModel::handleDrop(const QMimeData& data, const std::optional<Uuid>& target)
{
    const auto drop = classifyDrop(data);
    if (const auto* files = std::get_if<ImportDrop>(&drop)) {
        if (importHandler_) importHandler_(files->files);
        return true;
    }
    if (const auto* reorder = std::get_if<ReorderDrop>(&drop)) {
        if (target) appState_.reorderImages(reorder->moving, *target);
        return true;
    }
    return false;
}

std::optional<int> TimelineListModel::rowOf(const Uuid& id) const
{
    const auto index = indexOfImage(images_, id);
    if (!index) return std::nullopt;
    return static_cast<int>(*index);
}

QString TimelineListModel::pictureProblem(int row) const
{
    const auto& source = imageAt(row).sourcePath;
    return source ? thumbnails_.problem(QString::fromStdString(*source)) : QString();
}

QImage TimelineListModel::thumbnail(int row) const
{
    const auto& image = imageAt(row);
    if (image.sourcePath) return thumbnails_.thumbnail(QString::fromStdString(*image.sourcePath), image.thumbnail);
    if (!image.thumbnail) return {};
    // A frame without a file: convert its picture once. Edits share the picture, so they keep it.
    auto found = inMemoryPictures_.find(image.thumbnail);
    if (found == inMemoryPictures_.end()) {
        found = inMemoryPictures_
                    .emplace(image.thumbnail,
                        toQImage(*image.thumbnail).scaled(320, 320, Qt::KeepAspectRatio, Qt::SmoothTransformation))
                    .first;
    }
    return found->second;
}

void TimelineListModel::forgetUnusedPictures()
{
    std::set<const Image*> used;
    for (const auto& image : images_)
        used.insert(image.thumbnail.get());
    std::erase_if(inMemoryPictures_, [&](const auto& entry) { return !used.contains(entry.first.get()); });
}

void TimelineListModel::imagesChanged()
{
    const auto& next = appState_.images.get();
    const bool sameRows = std::ranges::equal(next, images_, {}, &WallpaperImage::id, &WallpaperImage::id);
    if (sameRows) {
        images_ = next;
        forgetUnusedPictures();
        if (!images_.empty()) emit dataChanged(index(0), index(rowCount() - 1));
        return;
    }
    beginResetModel();
    images_ = next;
    forgetUnusedPictures();
    endResetModel();
}

void TimelineListModel::thumbnailArrived(const QString& path)
{
    // Pictures arrive one by one; the views hear of them in batches so a full library of new
    // thumbnails costs a few repaints, not one per picture.
    arrivedPaths_.insert(path.toStdString());
    if (!arrivalTimer_.isActive()) arrivalTimer_.start();
}

void TimelineListModel::announceArrivals()
{
    int first = rowCount();
    int last = -1;
    for (int row = 0; row < rowCount(); ++row) {
        const auto& source = imageAt(row).sourcePath;
        if (source && arrivedPaths_.contains(*source)) {
            first = std::min(first, row);
            last = row;
        }
    }
    arrivedPaths_.clear();
    if (last >= first) emit dataChanged(index(first), index(last), { Qt::DecorationRole, Qt::ToolTipRole });
}

} // namespace tl::ui
