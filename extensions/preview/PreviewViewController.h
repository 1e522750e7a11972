#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

class QLabel;
class QTimer;
class QVBoxLayout;

namespace tl::preview {

class FrameLoader;
class FrameView;

// The preview window of a project package: its name, the facts of its record and a flip-book
// of its frames at ten frames per second. Frames are decoded on a worker and join the
// slideshow as they arrive; the slideshow timer is a child of the window and dies with it.
class PreviewViewController : public QWidget {
    Q_OBJECT
public:
    explicit PreviewViewController(QWidget* parent = nullptr);
    ~PreviewViewController() override;

    // Shows the package; called once.
    void preparePreviewOfFile(const QString& packagePath);

    // Shows the next loaded frame, wrapping from the last to the first.
    void advanceSlide();

    QString title() const;
    QString detail() const;
    qsizetype frameCount() const { return images.size(); }
    int shownFrameIndex() const { return currentImageIndex; }
    const QImage& shownFrame() const;
    bool isSlideShowRunning() const;

signals:
    // Every frame that decodes has been added.
    void framesLoaded();

private:
    void addFrame(const QImage& frame);

    QVBoxLayout* stackView;
    QLabel* titleLabel;
    QLabel* detailLabel;
    FrameView* imageView;
    QTimer* slideShowTimer;
    FrameLoader* frameLoader = nullptr;
    QList<QImage> images;
    int currentImageIndex = 0;
};

} // namespace tl::preview
