#pragma once

#include "app/AppState.h"
#include "platform/Observation.h"

#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tl::ui {

// A file an import left out, and why.
struct SkippedFile {
    std::filesystem::path file;
    std::string reason;
};

// How far the imports under way have got: images decoded of all they were given.
struct ImportProgress {
    int decoded = 0;
    int total = 0;
    friend bool operator==(const ImportProgress&, const ImportProgress&) = default;
};

// Imports image files (dropped or chosen in the import panel) without blocking the window:
// the files are checked and decoded to bounded thumbnails on a worker, then land in the
// timeline as one undoable step, in the order given. Files that cannot be read or are not
// pictures we open are skipped, each with its reason. An import lands only in the project it was
// asked for: one that arrives after another project has taken its place is dropped. A cancelled
// import adds nothing. Destroying it abandons the imports still running.
class ImageImporter : public QObject {
    Q_OBJECT
public:
    explicit ImageImporter(AppState& appState, QObject* parent = nullptr);
    ~ImageImporter() override;

    void import(std::vector<std::filesystem::path> files);
    // Stops every import under way or waiting; none of their images is added.
    void cancel();

    // Waits for the workers; the results still arrive through the event loop.
    void waitForWorkers();

    // None while nothing is being imported.
    Observable<std::optional<ImportProgress>> progress;

signals:
    // After the images of one import have been added (also when none could be).
    void imported(int count);
    // After an import that left files out, each of them in the order given.
    void skipped(const std::vector<tl::ui::SkippedFile>& files);

private:
    void fileDecoded(std::uint64_t batch);
    void land(std::vector<WallpaperImage> images, std::vector<SkippedFile> leftOut, std::uint64_t project,
        std::uint64_t batch);
    void publishProgress();

    AppState& appState_;
    std::stop_source stop_;
    // Stopped by cancel() and then replaced; imports carry the batch they were started in, and
    // work of an earlier batch changes nothing.
    std::stop_source cancel_;
    std::uint64_t batch_ = 0;
    int importsUnderWay_ = 0;
    ImportProgress counts_;
    QThreadPool pool_;
};

} // namespace tl::ui
