#pragma once

#include "platform/Observation.h"

#include <QWidget>

#include <vector>

class QLabel;
class QToolButton;

namespace tl::ui {

class PlaybackController;
class TimelineListModel;

// The 24-hour track of thumbnails with its playhead; pressing or dragging scrubs to an hour.
class TimelineTrackView : public QWidget {
    Q_OBJECT
public:
    TimelineTrackView(TimelineListModel& model, Observable<double>& previewHour, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void scrubTo(double x);

    TimelineListModel& model_;
    Observable<double>& previewHour_;
    Observation hourObservation_;
};

// The strip below the library: title and clock, transport buttons, and the track.
class TimelineScrubberView : public QWidget {
    Q_OBJECT
public:
    TimelineScrubberView(TimelineListModel& model, PlaybackController& playback, Observable<double>& previewHour,
        Observable<bool>& isPlaying, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    Observable<double>& previewHour_;
    Observable<bool>& isPlaying_;
    QLabel* clock_;
    QToolButton* playPause_;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
