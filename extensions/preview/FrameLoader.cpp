#include "extensions/preview/FrameLoader.h"

#include "extensions/common/FrameDecoder.h"

#include <QHash>
#include <QThread>

namespace tl::preview {

FrameLoader::FrameLoader(QObject* parent)
    : QObject(parent)
{
}

FrameLoader::~FrameLoader()
{
    if (!worker_) return;
    worker_->requestInterruption();
    worker_->wait();
}

void FrameLoader::start(const QStringList& files, int longSide)
{
    Q_ASSERT(!worker_);
    // Signals emitted on the worker are queued to this object's thread, so the receivers never
    // see a frame after the loader (and with it the queued events) is gone.
    worker_ = QThread::create([this, files, longSide] {
        // A record may name one file many times; each file is decoded once and its frames share
        // the pixels.
        QHash<QString, QImage> decoded;
        for (const QString& file : files) {
            if (QThread::currentThread()->isInterruptionRequested()) return;
            auto known = decoded.constFind(file);
            if (known == decoded.constEnd()) known = decoded.insert(file, extension::decodeFrame(file, longSide));
            if (!known->isNull()) emit frameLoaded(*known);
        }
        emit finished();
    });
    worker_->setParent(this);
    worker_->start();
}

} // namespace tl::preview
