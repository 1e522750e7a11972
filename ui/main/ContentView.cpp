#include "ui/main/ContentView.h"

#include "app/AppState.h"
#include "platform/Image.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QVBoxLayout>

namespace tl {
namespace {

QIcon iconOf(const std::shared_ptr<const Image>& image)
{
    if (!image) return {};
    const cv::Mat& pixels = image->pixels();
    // BGRA bytes are Qt's ARGB32 on a little-endian machine.
    QImage view(pixels.data, pixels.cols, pixels.rows, static_cast<qsizetype>(pixels.step), QImage::Format_ARGB32);
    return QIcon(QPixmap::fromImage(view.copy()));
}

QString frameTitle(const WallpaperImage& frame)
{
    QString title = QString::fromStdString(frame.fileName);
    if (frame.altitude && frame.azimuth) {
        title += QStringLiteral("\nsun %1°, %2°").arg(*frame.altitude, 0, 'f', 1).arg(*frame.azimuth, 0, 'f', 1);
    }
    return title;
}

} // namespace

ContentView::ContentView(AppState& appState, AppUIState&, AppCommandCenter&, QWidget* parent)
    : QWidget(parent)
    , appState_(appState)
    , summary_(new QLabel(this))
    , frames_(new QListWidget(this))
{
    frames_->setViewMode(QListView::IconMode);
    frames_->setIconSize(QSize(192, 108));
    frames_->setResizeMode(QListView::Adjust);
    frames_->setMovement(QListView::Static);
    frames_->setSpacing(12);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(frames_);

    const auto refresh = [this] { reload(); };
    observations_.push_back(appState_.images.observe(refresh));
    observations_.push_back(appState_.currentProjectPath.observe(refresh));
    reload();
}

void ContentView::reload()
{
    const auto& images = appState_.images.get();
    const auto& path = appState_.currentProjectPath.get();
    const QString project = path ? QString::fromStdString(path->filename().string()) : QStringLiteral("Untitled");
    summary_->setText(QStringLiteral("%1 — %2 frames").arg(project).arg(images.size()));
    frames_->clear();
    for (const auto& frame : images)
        frames_->addItem(new QListWidgetItem(iconOf(frame.thumbnail), frameTitle(frame)));
}

} // namespace tl
