#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tl::preview {

// Decodes frames asked for one at a time on a worker thread, so the window stays responsive.
// Answers arrive on the owner's thread in the order asked; a file that does not decode answers
// with a null image. Destroying the loader drops what is still queued and waits for the frame at
// hand.
class FrameLoader : public QObject {
    Q_OBJECT
public:
    explicit FrameLoader(QObject* parent = nullptr);
    ~FrameLoader() override;

    // Queues the decoding of `file`, fitted within longSide x longSide, answered for `index`.
    void request(int index, const QString& file, int longSide);

signals:
    void frameDecoded(int index, const QImage& frame);

private:
    struct Request {
        int index = 0;
        QString file;
        int longSide = 0;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Request> queue_;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace tl::preview
