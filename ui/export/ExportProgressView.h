#pragma once

#include "app/ExportFrameInfo.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <map>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;

namespace tl::ui {

class ThumbnailCache;

// The strip of a running export: a tile per key frame and a marker per run of tweens, each
// showing its state. Wider than the sheet with many key frames; it does not scroll.
class FrameProgressStrip : public QWidget {
    Q_OBJECT
public:
    explicit FrameProgressStrip(QWidget* parent = nullptr);
    void setFrames(std::vector<ExportFrameInfo> frames);
    // Where the pictures of frames with a file come from; none draws them empty.
    void setThumbnails(ThumbnailCache& thumbnails);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QImage pictureOf(const ExportFrameInfo& frame) const;

    std::vector<ExportFrameInfo> frames_;
    // Pictures of key frames held in memory, converted once per export.
    std::map<std::string, QImage> pictures_;
    QPointer<ThumbnailCache> thumbnails_;
    int spinnerPhase_ = 0;
    int spinnerTimer_ = 0;
};

// The running export: overall bar, frame strip, status text and percentage.
class ExportProgressView : public QWidget {
    Q_OBJECT
public:
    explicit ExportProgressView(QWidget* parent = nullptr);
    void setThumbnails(ThumbnailCache& thumbnails) { strip_->setThumbnails(thumbnails); }
    void show(double progress, const std::string& message, std::vector<ExportFrameInfo> frames);

private:
    QProgressBar* bar_;
    FrameProgressStrip* strip_;
    QLabel* message_;
    QLabel* percent_;
};

} // namespace tl::ui
