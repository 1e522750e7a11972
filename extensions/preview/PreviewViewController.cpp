#include "extensions/preview/PreviewViewController.h"

#include "extensions/preview/FrameLoader.h"
#include "extensions/preview/FrameView.h"
#include "extensions/preview/PreviewProjectReader.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace tl::preview {
namespace {

constexpr int slideInterval = 100; // milliseconds
// Frames are decoded no larger than this on their long side: sharp on any window, and a
// long timeline of 8K frames still fits in memory.
constexpr int frameLongSide = 2048;

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

    frameLoader = new FrameLoader(this);
    connect(frameLoader, &FrameLoader::frameLoaded, this, &PreviewViewController::addFrame);
    connect(frameLoader, &FrameLoader::finished, this, &PreviewViewController::framesLoaded);
    frameLoader->start(project.frameFiles, frameLongSide);
}

void PreviewViewController::addFrame(const QImage& frame)
{
    images.append(frame);
    if (images.size() == 1) imageView->setImage(frame);
    if (images.size() == 2) slideShowTimer->start();
}

void PreviewViewController::advanceSlide()
{
    if (images.isEmpty()) return;
    currentImageIndex = (currentImageIndex + 1) % int(images.size());
    imageView->setImage(images[currentImageIndex]);
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
