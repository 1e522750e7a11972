#pragma once

#include "engine/CanvasLimit.h"
#include "platform/WorkerRuns.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace tl::ui {

// Reads, off the GUI thread, what the export sheet's upscaling estimate counts with: the key
// frames' sizes from their picture headers and, while no export has measured this machine, the
// time of one tile from a short probe pass. A read or probe that throws counts as one that found
// nothing; the reason goes to the log.
class UpscaleEstimateReader {
public:
    struct Found {
        std::vector<NamedFrameSize> frames; // those that could be read, in the given order, by file name
        std::optional<double> probedSecondsPerTile;
        bool probeEnded = false; // the probe has answered, with or without a figure
    };

    explicit UpscaleEstimateReader(WorkerRuns::Poster poster);

    using Probe = std::function<std::optional<double>(const std::stop_token&)>;

    // `done` runs on the GUI thread, unless this reader is gone or has started again by then: with
    // the sizes, and once more when the probe has answered, if `probe` is given and has not
    // measured this session yet.
    void start(std::vector<std::filesystem::path> keyFrames, Probe probe, std::function<void(const Found&)> done);

    // Tests: waits until the reading has finished (its post still needs the GUI thread).
    void waitForWorkers() { runs_.waitForWorkers(); }

private:
    WorkerRuns runs_;
};

// The probe's result in this session, once one has run; the same machine needs it only once.
std::optional<double> probedSecondsPerTile();

} // namespace tl::ui
