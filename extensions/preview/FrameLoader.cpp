#include "extensions/preview/FrameLoader.h"

#include "extensions/common/FrameDecoder.h"

namespace tl::preview {

FrameLoader::FrameLoader(QObject* parent)
    : QObject(parent)
    , worker_([this] { run(); })
{
}

FrameLoader::~FrameLoader()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    wake_.notify_one();
    worker_.join();
}

void FrameLoader::request(int index, const QString& file, int longSide)
{
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back({ index, file, longSide });
    }
    wake_.notify_one();
}

void FrameLoader::run()
{
    for (;;) {
        Request next;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        const QImage frame = extension::decodeFrame(next.file, next.longSide);
        // Emitted on the worker, queued to the receivers' thread: a receiver destroyed meanwhile
        // never sees the frame.
        emit frameDecoded(next.index, frame);
    }
}

} // namespace tl::preview
