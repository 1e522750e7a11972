#include "ui/common/ThumbnailCache.h"

#include "platform/Image.h"
#include "ui/common/ImageConversion.h"

#include <QFileInfo>
#include <QMetaObject>

namespace tl::ui {

ThumbnailCache::ThumbnailCache(int maxSide, QObject* parent)
    : QObject(parent)
    , maxSide_(maxSide)
{
    pool_.setMaxThreadCount(std::max(2, QThread::idealThreadCount() / 2));
}

ThumbnailCache::~ThumbnailCache()
{
    pool_.clear();
    pool_.waitForDone();
}

QImage ThumbnailCache::thumbnail(const QString& path)
{
    if (path.isEmpty()) return {};
    const QFileInfo info(path);
    const Key key { path, info.lastModified(), info.size() };
    if (const auto found = images_.constFind(key); found != images_.constEnd()) return *found;
    if (failed_.contains(key) || pending_.contains(key)) return {};

    pending_.insert(key);
    const int maxSide = maxSide_;
    // The destructor waits for the workers, and Qt drops queued calls to a deleted object.
    pool_.start([this, key, maxSide] {
        const auto picture = Image::loadPreview(key.path.toStdString(), maxSide);
        const QImage image = picture ? toQImage(*picture) : QImage();
        QMetaObject::invokeMethod(
            this, [this, key, image] { store(key, image); }, Qt::QueuedConnection);
    });
    return {};
}

void ThumbnailCache::store(const Key& key, const QImage& image)
{
    pending_.remove(key);
    if (image.isNull()) {
        failed_.insert(key);
        return;
    }
    images_.insert(key, image);
    emit thumbnailReady(key.path);
}

void ThumbnailCache::waitForIdle()
{
    pool_.waitForDone();
}

} // namespace tl::ui
