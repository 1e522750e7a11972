#pragma once

#include "app/AppState.h"
#include "platform/Image.h"
#include "platform/Observation.h"
#include "platform/WorkerRuns.h"
#include "ui/library/LibraryViewModel.h"
#include "ui/library/TweenEngine.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tl::ui {

// The library's tween insertion: the state the tween sheet shows, the ways it is opened (one
// image's "Generate Tweens...", the automatic request) and the two runs behind its Generate.
// Blending and decoding happen on a worker; every result comes back to the GUI thread, and a
// run still going when this object goes is stopped and never posts into it.
class TweenInsertion : public QObject {
    Q_OBJECT
public:
    TweenInsertion(AppState& appState, const LibraryViewModel& library, std::shared_ptr<const TweenEngine> engine,
        QObject* parent = nullptr);
    ~TweenInsertion() override;

    Observable<bool> showingTweenSheet { false };
    Observable<std::optional<WallpaperImage>> tweenSourceImage;
    Observable<int> tweenCount { 3 };
    Observable<bool> isGeneratingTweens { false };
    Observable<double> tweenProgress { 0 };
    // Small pictures of the last manual run's frames.
    Observable<std::vector<std::shared_ptr<const Image>>> generatedTweens;
    Observable<bool> isAutoTweenMode { false };
    // The last run's failure, shown on the sheet until the next Generate.
    Observable<std::optional<std::string>> failureText;

    // The image the sheet's tweens end at: the target of the source image, when both exist.
    std::optional<WallpaperImage> targetImage() const;

    void openTweenSheet(const WallpaperImage& image);
    void generateTweensForSelection();
    void beginAutoTween();
    // The sheet's Generate and Cancel. Cancel closes the sheet but lets a run finish and land.
    void startTweenRun();
    void cancel();

    // Tests: waits until the run's worker has finished (its posts still need the event loop).
    void waitForRun();

private:
    void startManualRun();
    void startAutoRun();
    void insertManualTweens(std::vector<WallpaperImage> records, const WallpaperImage& source, std::size_t fallback);
    void finishAutoTween(std::vector<WallpaperImage> timeline);
    void reportFailure(const std::string& line);
    void beginRun();

    AppState& appState_;
    const LibraryViewModel& library_;
    std::shared_ptr<const TweenEngine> engine_;
    WorkerRuns runs_;
};

} // namespace tl::ui
