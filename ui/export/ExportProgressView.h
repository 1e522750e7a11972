#pragma once

#include "app/ExportFrameInfo.h"

#include <QWidget>

#include <QImage>

#include <map>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;

namespace tl::ui {

// The strip of a running export: a tile per key frame and a marker per run of tweens, each
// showing its state. Wider than the sheet with many key frames; it does not scroll.
class FrameProgressStrip : public QWidget {
    Q_OBJECT
public:
    explicit FrameProgressStrip(QWidget* parent = nullptr);
    void setFrames(std::vector<ExportFrameInfo> frames);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    std::vector<ExportFrameInfo> frames_;
    // Key frames' pictures, converted once per export.
    std::map<std::string, QImage> pictures_;
    int spinnerPhase_ = 0;
    int spinnerTimer_ = 0;
};

// The running export: overall bar, frame strip, status text and percentage.
class ExportProgressView : public QWidget {
    Q_OBJECT
public:
    explicit ExportProgressView(QWidget* parent = nullptr);
    void show(double progress, const std::string& message, std::vector<ExportFrameInfo> frames);

private:
    QProgressBar* bar_;
    FrameProgressStrip* strip_;
    QLabel* message_;
    QLabel* percent_;
};

} // namespace tl::ui
