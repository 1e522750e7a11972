#pragma once

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

namespace tl::ui {

// Downscaled pictures of image files, decoded on worker threads and kept by path,
// modification time and size, so an edited file is decoded again and an unchanged one never.
// GUI thread only; `thumbnailReady` tells when a requested picture has arrived.
class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailCache(int maxSide = 320, QObject* parent = nullptr);
    ~ThumbnailCache() override;

    // The cached picture, or a null image while it is being decoded (or when the file
    // cannot be read). Asking again for a file that failed does not decode it again.
    QImage thumbnail(const QString& path);

    // Waits for every decode in flight (tests and shutdown).
    void waitForIdle();

signals:
    void thumbnailReady(const QString& path);

private:
    struct Key {
        QString path;
        QDateTime modified;
        qint64 size = 0;
        friend bool operator==(const Key&, const Key&) = default;
        friend size_t qHash(const Key& key, size_t seed) { return qHashMulti(seed, key.path, key.modified, key.size); }
    };

    void store(const Key& key, const QImage& image);

    int maxSide_;
    QHash<Key, QImage> images_;
    QSet<Key> failed_;
    QSet<Key> pending_;
    QThreadPool pool_;
};

} // namespace tl::ui
