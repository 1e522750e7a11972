#pragma once

#include "app/AppState.h"
#include "platform/Image.h"
#include "platform/Observation.h"

#include <QAbstractListModel>
#include <QImage>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tl::ui {

class ThumbnailCache;

// The one item model over the project's timeline, shared by the grid, the list and the
// scrubber. Rows follow the store's images; pictures come from the thumbnail cache, so the
// model never decodes. Drops of files ask for an import; drops of our own drags reorder.
class TimelineListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { IdRole = Qt::UserRole + 1 };
    using ImportHandler = std::function<void(std::vector<std::filesystem::path>)>;

    TimelineListModel(AppState& appState, ThumbnailCache& thumbnails, QObject* parent = nullptr);

    void setImportHandler(ImportHandler handler) { importHandler_ = std::move(handler); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(
        const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent) const override;
    bool dropMimeData(
        const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent) override;

    const WallpaperImage& imageAt(int row) const { return images_[static_cast<std::size_t>(row)]; }
    std::optional<int> rowOf(const Uuid& id) const;
    WallpaperMode mode() const { return appState_.mode.get(); }
    // The picture of a row, or a null image while it is decoded (the row changes when it arrives).
    QImage thumbnail(int row) const;
    // Why the row's picture cannot be shown; empty while it is decoded and when it could be.
    QString pictureProblem(int row) const;
    // Handles a drop anywhere on the library onto `target` (none: no image under the pointer).
    bool handleDrop(const QMimeData& data, const std::optional<Uuid>& target);

private:
    void imagesChanged();
    void forgetUnusedPictures();
    void thumbnailArrived(const QString& path);
    void announceArrivals();

    static constexpr int arrivalBatchMs = 40;

    AppState& appState_;
    ThumbnailCache& thumbnails_;
    std::vector<WallpaperImage> images_;
    // Keyed by the picture itself, which the entry keeps alive, so a key is never reused.
    mutable std::map<std::shared_ptr<const Image>, QImage> inMemoryPictures_;
    ImportHandler importHandler_;
    std::set<std::string> arrivedPaths_;
    QTimer arrivalTimer_;
    Observation imagesObservation_;
    Observation modeObservation_;
};

} // namespace tl::ui
