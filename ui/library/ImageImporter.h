#pragma once

#include "app/AppState.h"

#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <vector>

namespace tl::ui {

// Imports image files (dropped or chosen in the import panel) without blocking the window:
// the files are checked and decoded to bounded thumbnails on a worker, then land in the
// timeline as one undoable step, in the order given. Unreadable files and files that are not
// images are reported and skipped. An import lands only in the project it was asked for: one
// that arrives after another project has taken its place is dropped. Destroying it abandons the
// imports still running.
class ImageImporter : public QObject {
    Q_OBJECT
public:
    explicit ImageImporter(AppState& appState, QObject* parent = nullptr);
    ~ImageImporter() override;

    void import(std::vector<std::filesystem::path> files);

    // Waits for the workers; the results still arrive through the event loop.
    void waitForWorkers();

signals:
    // After the images of one import have been added (also when none could be).
    void imported(int count);

private:
    void land(std::vector<WallpaperImage> images, std::uint64_t project);

    AppState& appState_;
    std::stop_source stop_;
    QThreadPool pool_;
};

} // namespace tl::ui
