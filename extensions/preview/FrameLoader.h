#pragma once

#include <QImage>
#include <QObject>
#include <QStringList>

class QThread;

namespace tl::preview {

// Decodes a package's frames one after another on a worker thread, so the window stays
// responsive while a long timeline loads. Frames arrive on the owner's thread, in order;
// files that do not decode are skipped, and a file named again is not decoded again. Destroying the loader stops it
// after the frame at hand.
class FrameLoader : public QObject {
    Q_OBJECT
public:
    explicit FrameLoader(QObject* parent = nullptr);
    ~FrameLoader() override;

    // Starts decoding; each frame fits within longSide x longSide. Called once.
    void start(const QStringList& files, int longSide);

signals:
    void frameLoaded(const QImage& frame);
    void finished();

private:
    QThread* worker_ = nullptr;
};

} // namespace tl::preview
