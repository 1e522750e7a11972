#pragma once

#include <QHash>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include <vector>

class QLabel;
class QTimer;
class QVBoxLayout;

namespace tl::preview {

class FrameLoader;
class FrameView;

// The preview window of a project package: its name, the facts of its record and a flip-book
// of its frames at ten frames per second. Only a few frames around the one shown are held,
// decoded on a worker at the window's size, so a timeline of thousands of frames costs no more
// than a short one; files that do not decode are left out of the slideshow once tried. The
// slideshow timer is a child of the window and dies with it.
class PreviewViewController : public QWidget {
    Q_OBJECT
public:
    explicit PreviewViewController(QWidget* parent = nullptr);
    ~PreviewViewController() override;

    // Shows the package; called once.
    void preparePreviewOfFile(const QString& packagePath);

    // Shows the next frame, wrapping from the last to the first; waits while it is still decoding.
    void advanceSlide();

    QString title() const;
    QString detail() const;
    // The record's frames inside the package, less those that turned out not to decode.
    qsizetype frameCount() const;
    int shownFrameIndex() const { return currentImageIndex; }
    const QImage& shownFrame() const;
    bool isSlideShowRunning() const;
    // Decoded frames held at the moment.
    qsizetype heldFrameCount() const { return window.size(); }

signals:
    // The frames around the first one shown have been tried.
    void framesLoaded();

private:
    enum class FrameState : unsigned char { untried, good, failed };

    void frameDecoded(int index, const QImage& frame);
    // Drops the frames that left the window and asks for the next one missing from it.
    void fillWindow();
    std::vector<int> wantedFrames() const;
    int playableAfter(int index, int step) const;
    void showFrame(int index);
    int decodeLongSide() const;

    QVBoxLayout* stackView;
    QLabel* titleLabel;
    QLabel* detailLabel;
    FrameView* imageView;
    QTimer* slideShowTimer;
    FrameLoader* frameLoader = nullptr;
    QStringList files;
    std::vector<FrameState> states;
    qsizetype failedCount = 0;
    qsizetype goodCount = 0;
    QHash<int, QImage> window;
    int decoding = -1; // the frame the loader is working on
    bool announced = false;
    int currentImageIndex = 0;
};

} // namespace tl::preview
