#include "ui/library/PlaybackController.h"

#include "ui/library/TimelineTrack.h"

namespace tl::ui {

PlaybackController::PlaybackController(
    AppState& appState, Observable<double>& previewHour, Observable<bool>& isPlaying, QObject* parent)
    : QObject(parent)
    , appState_(appState)
    , previewHour_(previewHour)
    , isPlaying_(isPlaying)
    , lastHour_(previewHour.get())
{
    timer_.setInterval(tickMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &PlaybackController::advancePlayback);
    hourObservation_ = previewHour_.observe([this] { hourChanged(); });
    playingObservation_ = isPlaying_.observe([this] {
        if (isPlaying_.get()) {
            startPlayback();
        } else {
            stopTimer();
        }
    });
    if (isPlaying_.get()) startPlayback();
}

PlaybackController::~PlaybackController()
{
    playingObservation_.cancel();
    if (isPlaying_.get()) isPlaying_ = false;
}

std::optional<WallpaperImage> PlaybackController::currentImage() const
{
    const auto& images = appState_.images.get();
    const auto index = timeline_track::indexForHour(previewHour_.get(), images.size());
    if (!index) return std::nullopt;
    return images[*index];
}

void PlaybackController::jump(double hour)
{
    previewHour_ = hour;
    if (isPlaying_.get()) isPlaying_ = false;
    stopTimer();
}

void PlaybackController::togglePlaying()
{
    isPlaying_ = !isPlaying_.get();
}

void PlaybackController::advancePlayback()
{
    const double next = previewHour_.get() + hoursPerTick;
    previewHour_ = next >= 24 ? 0.0 : next;
}

void PlaybackController::startPlayback()
{
    if (!timer_.isActive()) timer_.start();
}

void PlaybackController::stopTimer()
{
    timer_.stop();
}

void PlaybackController::hourChanged()
{
    if (previewHour_.get() == lastHour_) return;
    lastHour_ = previewHour_.get();
    if (const auto image = currentImage()) appState_.select(image->id);
}

} // namespace tl::ui
