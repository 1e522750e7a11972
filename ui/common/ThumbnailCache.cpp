#include "ui/common/ThumbnailCache.h"

#include "platform/ExceptionText.h"
#include "platform/Image.h"
#include "platform/ImageFileProblem.h"
#include "platform/Log.h"
#include "ui/common/ImageConversion.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMetaObject>

#include <algorithm>
#include <utility>
#include <vector>

namespace tl::ui {

ThumbnailCache::ThumbnailCache(int maxSide, qint64 byteBudget, QObject* parent)
    : QObject(parent)
    , maxSide_(maxSide)
    , pictures_(byteBudget)
{
    pool_.setMaxThreadCount(std::max(2, QThread::idealThreadCount() / 2));
    // Files are edited elsewhere while the window is in the background.
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) recheckFiles();
        });
    }
}

ThumbnailCache::~ThumbnailCache()
{
    pool_.clear();
    pool_.waitForDone();
}

ThumbnailCache::Stamp ThumbnailCache::stampOf(const QString& path)
{
    const QFileInfo info(path);
    return { info.lastModified(), info.exists() ? info.size() : -1 };
}

QImage ThumbnailCache::thumbnail(const QString& path, std::shared_ptr<const Image> decoded)
{
    if (path.isEmpty()) return {};
    if (const Picture* picture = pictures_.object(path)) return picture->image;
    if (failed_.contains(path) || pending_.contains(path)) return {};

    pending_.insert(path);
    const int maxSide = maxSide_;
    const bool adopt = decoded && std::max(decoded->width(), decoded->height()) >= maxSide && !adopted_.contains(path);
    if (adopt) {
        adopted_.insert(path);
    } else {
        decoded.reset();
    }
    // The destructor waits for the workers, and Qt drops queued calls to a deleted object.
    pool_.start([this, path, maxSide, decoded] {
        const Stamp stamp = stampOf(path);
        QImage image;
        QString problem;
        try {
            const auto picture = decoded ? decoded : Image::loadPreview(path.toStdString(), maxSide);
            if (picture) {
                image = toQImage(*picture);
            } else {
                problem = QString::fromStdString(describe(diagnoseImageFile(path.toStdString())));
            }
            if (image.width() > maxSide || image.height() > maxSide)
                image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        } catch (...) {
            // A picture that could not be decoded here fails like one that does not decode at all.
            const std::string reason = currentExceptionText();
            log("❌ Thumbnail of " + path.toStdString() + ": " + reason);
            image = QImage();
            problem = QString::fromStdString("The picture could not be decoded: " + reason);
        }
        QMetaObject::invokeMethod(
            this, [this, path, stamp, image, problem] { store(path, stamp, image, problem); }, Qt::QueuedConnection);
    });
    return {};
}

QString ThumbnailCache::problem(const QString& path) const
{
    const auto failure = failed_.constFind(path);
    return failure == failed_.cend() ? QString() : failure->reason;
}

void ThumbnailCache::store(const QString& path, const Stamp& stamp, const QImage& image, const QString& problem)
{
    pending_.remove(path);
    if (image.isNull()) {
        log("Warning: Failed to load thumbnail for: " + path.toStdString());
        failed_.insert(path, { stamp, problem });
        emit thumbnailFailed(path);
        return;
    }
    pictures_.insert(path, new Picture { image, stamp }, image.sizeInBytes());
    emit thumbnailReady(path);
}

void ThumbnailCache::recheckFiles()
{
    std::vector<std::pair<QString, Stamp>> known;
    for (const auto& path : pictures_.keys())
        known.emplace_back(path, pictures_.object(path)->stamp);
    for (auto failed = failed_.cbegin(); failed != failed_.cend(); ++failed)
        known.emplace_back(failed.key(), failed.value().stamp);
    if (known.empty()) return;
    pool_.start([this, known = std::move(known)] {
        QStringList changed;
        for (const auto& [path, stamp] : known) {
            if (stampOf(path) != stamp) changed.push_back(path);
        }
        if (changed.isEmpty()) return;
        QMetaObject::invokeMethod(
            this, [this, changed] { forgetChanged(changed); }, Qt::QueuedConnection);
    });
}

void ThumbnailCache::forgetChanged(const QStringList& paths)
{
    for (const auto& path : paths) {
        pictures_.remove(path);
        failed_.remove(path);
        emit thumbnailReady(path);
    }
}

void ThumbnailCache::waitForIdle()
{
    pool_.waitForDone();
}

} // namespace tl::ui
