#pragma once

#include "app/AppState.h"
#include "platform/Observation.h"

#include <QObject>
#include <QTimer>

#include <optional>

namespace tl::ui {

// The timeline strip's hour and playback. While playing, the hour advances by 0.1 every
// 0.1 seconds and starts again at 0 after 24; whenever the hour changes, the image at that
// hour becomes the selection. At most one timer runs. GUI thread only.
class PlaybackController : public QObject {
    Q_OBJECT
public:
    static constexpr int tickMilliseconds = 100;
    static constexpr double hoursPerTick = 0.1;

    PlaybackController(
        AppState& appState, Observable<double>& previewHour, Observable<bool>& isPlaying, QObject* parent = nullptr);
    // Leaving the view ends playback.
    ~PlaybackController() override;

    std::optional<WallpaperImage> currentImage() const;

    // Go to start (0) and go to end (24) stop playback.
    void jump(double hour);
    void togglePlaying();
    void advancePlayback();
    bool isTimerRunning() const { return timer_.isActive(); }

private:
    void startPlayback();
    void stopTimer();
    void hourChanged();

    AppState& appState_;
    Observable<double>& previewHour_;
    Observable<bool>& isPlaying_;
    QTimer timer_;
    double lastHour_;
    Observation hourObservation_;
    Observation playingObservation_;
};

} // namespace tl::ui
