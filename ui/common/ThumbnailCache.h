#pragma once

#include <QCache>
#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <memory>

namespace tl {
class Image;
}

namespace tl::ui {

// Downscaled pictures of image files, decoded on worker threads and kept by path, the least
// recently used given up first once they take more than `byteBudget` bytes. A lookup never
// touches the disk, so painting stays cheap; when the application becomes active again the
// files are checked on a worker and an edited one is decoded afresh.
// GUI thread only; `thumbnailReady` tells when a requested picture has arrived or changed,
// `thumbnailFailed` when it turned out not to decode.
class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 defaultByteBudget = 96LL * 1024 * 1024;

    explicit ThumbnailCache(int maxSide = 320, qint64 byteBudget = defaultByteBudget, QObject* parent = nullptr);
    ~ThumbnailCache() override;

    // The cached picture, or a null image while it is being decoded (or when the file
    // cannot be read). Asking again for a file that failed does not decode it again.
    // `decoded`, a picture of the file made moments ago (an import's), is scaled instead of
    // decoding the file again when it is large enough; only once per file, so after an edit of the
    // file or once the picture has been given up the file itself is read.
    QImage thumbnail(const QString& path, std::shared_ptr<const Image> decoded = {});

    // Why the file's picture cannot be shown; empty while it is decoded and when it could be.
    QString problem(const QString& path) const;

    // Checks every file known here on a worker; pictures of changed files are dropped and
    // announced, so the views ask for them again.
    void recheckFiles();

    // Bytes the kept pictures take.
    qint64 bytesHeld() const { return pictures_.totalCost(); }

    // Waits for every decode and check in flight (tests and shutdown).
    void waitForIdle();

signals:
    void thumbnailReady(const QString& path);
    // The file's picture cannot be shown; problem() says why.
    void thumbnailFailed(const QString& path);

private:
    // What the file was when it was decoded.
    struct Stamp {
        QDateTime modified;
        qint64 size = -1;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    struct Picture {
        QImage image;
        Stamp stamp;
    };
    struct Failure {
        Stamp stamp;
        QString reason;
    };

    static Stamp stampOf(const QString& path);
    void store(const QString& path, const Stamp& stamp, const QImage& image, const QString& problem);
    void forgetChanged(const QStringList& paths);

    int maxSide_;
    QCache<QString, Picture> pictures_;
    QHash<QString, Failure> failed_;
    QSet<QString> pending_;
    QSet<QString> adopted_;
    QThreadPool pool_;
};

} // namespace tl::ui
