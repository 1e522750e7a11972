#include "extensions/preview/PreviewViewController.h"

#include "extensions/preview/FrameLoader.h"
#include "extensions/preview/FrameView.h"
#include "extensions/preview/PreviewProjectReader.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace tl::preview {
namespace {

constexpr int slideInterval = 100; // milliseconds
// Frames are decoded at the window's size, and never beyond this on their long side.
constexpr int largestLongSide = 2048;
// Decoded frames held around the one shown: enough to play on while the next is decoded.
constexpr int framesAhead = 4;
constexpr int framesBehind = 2;

QLabel* makeLabel(qreal pointSize, QFont::Weight weight, QWidget* parent)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

PreviewViewController::PreviewViewController(QWidget* parent)
    : QWidget(parent)
    , stackView(new QVBoxLayout(this))
    , titleLabel(makeLabel(18, QFont::DemiBold, this))
    , detailLabel(makeLabel(12, QFont::Normal, this))
    , imageView(new FrameView(this))
    , slideShowTimer(new QTimer(this))
{
    // A long package name wraps rather than widening the window past the screen.
    titleLabel->setWordWrap(true);
    detailLabel->setWordWrap(true);
    detailLabel->setForegroundRole(QPalette::PlaceholderText);

    stackView->setContentsMargins(16, 16, 16, 16);
    stackView->setSpacing(12);
    stackView->addWidget(titleLabel);
    stackView->addWidget(detailLabel);
    stackView->addWidget(imageView, 1);

    slideShowTimer->setInterval(slideInterval);
    connect(slideShowTimer, &QTimer::timeout, this, &PreviewViewController::advanceSlide);
    resize(800, 600);
}

PreviewViewController::~PreviewViewController()
{
    // Stops the decoding before the views it feeds go away.
    delete frameLoader;
}

void PreviewViewController::preparePreviewOfFile(const QString& packagePath)
{
    const PreviewProject project = loadProject(packagePath);
    setWindowTitle(project.title);
    titleLabel->setText(project.title);
    detailLabel->setText(project.detail);

    files = project.frameFiles;
    states.assign(static_cast<std::size_t>(files.size()), FrameState::untried);
    frameLoader = new FrameLoader(this);
    connect(frameLoader, &FrameLoader::frameDecoded, this, &PreviewViewController::frameDecoded);
    fillWindow();
}

qsizetype PreviewViewController::frameCount() const
{
    return files.size() - failedCount;
}

// Frames decoded from now on fit the window as it is; those held are replaced as the show moves on.
int PreviewViewController::decodeLongSide() const
{
    const qreal longSide = std::max(width(), height()) * devicePixelRatioF();
    return std::clamp(static_cast<int>(longSide), 1, largestLongSide);
}

// The next frame from `index` in direction `step` (1 or -1), wrapping, that is not known to fail;
// -1 when every other frame fails.
int PreviewViewController::playableAfter(int index, int step) const
{
    const int count = static_cast<int>(files.size());
    for (int distance = 1; distance < count; ++distance) {
        const int candidate = ((index + step * distance) % count + count) % count;
        if (states[static_cast<std::size_t>(candidate)] != FrameState::failed) return candidate;
    }
    return -1;
}

// The shown frame first, then those ahead in playing order, then those behind.
std::vector<int> PreviewViewController::wantedFrames() const
{
    std::vector<int> wanted;
    if (files.isEmpty()) return wanted;
    if (states[static_cast<std::size_t>(currentImageIndex)] != FrameState::failed) wanted.push_back(currentImageIndex);
    const auto walk = [&](int step, int count) {
        int at = currentImageIndex;
        for (int taken = 0; taken < count; ++taken) {
            at = playableAfter(at, step);
            if (at < 0 || std::ranges::find(wanted, at) != wanted.end()) return;
            wanted.push_back(at);
        }
    };
    walk(1, framesAhead);
    walk(-1, framesBehind);
    return wanted;
}

void PreviewViewController::fillWindow()
{
    const std::vector<int> wanted = wantedFrames();
    for (auto held = window.begin(); held != window.end();)
        held = std::ranges::find(wanted, held.key()) == wanted.end() ? window.erase(held) : std::next(held);
    if (decoding >= 0) return;
    for (const int index : wanted) {
        if (window.contains(index)) continue;
        // A record may name one file many times: its frames share one decoded picture.
        const auto same = std::find_if(window.constKeyValueBegin(), window.constKeyValueEnd(),
            [&](const auto& held) { return files[held.first] == files[index]; });
        if (same != window.constKeyValueEnd()) {
            const QImage shared = (*same).second;
            frameDecoded(index, shared);
            return;
        }
        decoding = index;
        frameLoader->request(index, files[index], decodeLongSide());
        return;
    }
    if (!announced) {
        // The show starts once its first window is whole: started earlier, it would move the window
        // on whenever decoding is slower than the show, and the window would never be whole.
        announced = true;
        if (goodCount >= 2) slideShowTimer->start();
        QMetaObject::invokeMethod(this, &PreviewViewController::framesLoaded, Qt::QueuedConnection);
    }
}

void PreviewViewController::frameDecoded(int index, const QImage& frame)
{
    if (index == decoding) decoding = -1;
    FrameState& state = states[static_cast<std::size_t>(index)];
    if (frame.isNull()) {
        if (state != FrameState::failed) ++failedCount;
        state = FrameState::failed;
        // The first frame to show may be one that fails: the show starts at the next.
        if (index == currentImageIndex && imageView->image().isNull()) {
            const int next = playableAfter(index, 1);
            if (next >= 0) currentImageIndex = next;
        }
    } else {
        if (state != FrameState::good) ++goodCount;
        state = FrameState::good;
        const std::vector<int> wanted = wantedFrames();
        if (std::ranges::find(wanted, index) != wanted.end()) window.insert(index, frame);
        if (index == currentImageIndex) showFrame(index);
        if (announced && goodCount >= 2 && !slideShowTimer->isActive()) slideShowTimer->start();
    }
    fillWindow();
}

void PreviewViewController::advanceSlide()
{
    if (files.isEmpty()) return;
    const int next = playableAfter(currentImageIndex, 1);
    // The next frame is still being decoded: the show waits for it rather than skipping it.
    if (next < 0 || !window.contains(next)) return;
    currentImageIndex = next;
    showFrame(next);
    fillWindow();
}

void PreviewViewController::showFrame(int index)
{
    imageView->setImage(window.value(index));
}

QString PreviewViewController::title() const
{
    return titleLabel->text();
}

QString PreviewViewController::detail() const
{
    return detailLabel->text();
}

const QImage& PreviewViewController::shownFrame() const
{
    return imageView->image();
}

bool PreviewViewController::isSlideShowRunning() const
{
    return slideShowTimer->isActive();
}

} // namespace tl::preview
