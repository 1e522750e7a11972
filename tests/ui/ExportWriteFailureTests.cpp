#include "UiTestSupport.h"
#include "support/ConstrainedDisk.h"

#include "engine/HeicGenerator.h"
#include "ui/export/ExportController.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace tl::testing {
namespace {

namespace fs = std::filesystem;

// Exports two noisy frames (too large for a tiny disk) through the real writer. The upscaler is
// only counted: a folder that cannot be written must fail before it is even loaded.
class ExportWriteFailureTest : public UiStateTest {
protected:
    ExportWriteFailureTest()
    {
        std::vector<WallpaperImage> images;
        for (int i = 0; i < 2; ++i) {
            cv::Mat noise(256, 256, CV_8UC3);
            cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(256));
            const fs::path file = frames.path() / ("frame" + std::to_string(i) + ".png");
            cv::imwrite(file.string(), noise);
            WallpaperImage image = keyImage(file.filename().string(), i * 12.0);
            image.sourcePath = file.string();
            images.push_back(image);
        }
        state.setImages(images, WallpaperMode::time, false);
    }

    ui::ExportServices services()
    {
        return { .makeUpscaler = [this]() -> Result<std::shared_ptr<ImageUpscalingTool>, std::string> {
                    ++upscalerLoads;
                    return std::string("no upscaler in these tests");
                },
            .writeWallpaper =
                [this](const std::vector<WallpaperImage>& images, WallpaperMode mode, const fs::path& output,
                    const std::optional<HeicPreprocessConfig>& config, const ExportProgress& progress,
                    std::stop_token stop) {
                    ++writes;
                    return HeicGenerator().generate(images, mode, output, config, progress, stop);
                },
            .probeSecondsPerTile = {} };
    }

    // Runs an export to `output` and returns the text it ended with.
    std::string exportTo(const fs::path& output, bool upscale)
    {
        HeicExportOptions options;
        options.resizeEnabled = false;
        options.upscaleEnabled = upscale;
        ui::ExportController controller(state, ui, services());
        controller.runExport(output, options);
        controller.waitForWorkers();
        EXPECT_TRUE(processEventsUntil([&] { return !ui.isExportingHeic.get(); }));
        return ui.exportMessage.get();
    }

    TemporaryFolder frames;
    std::atomic<int> upscalerLoads { 0 };
    std::atomic<int> writes { 0 };
};

// A full disk and a folder that cannot be written both fail before any work, with advice that fits:
// the disk with the space needed and free, the folder naming the chosen file and the system's
// reason. Where the test cannot mount a tiny disk (not root), the same failures come from a file
// size limit and a folder without write permission.
TEST_F(ExportWriteFailureTest, AFailedWriteNamesTheFileAndTheSystemsReason)
{
    const bool root = ::geteuid() == 0;
    struct Row {
        const char* what;
        bool upscale;
        bool failsAtOnce;
        // Makes the place unwritable; returns the folder to export into and the end text expected,
        // or no folder when this machine cannot make it so.
        std::function<std::pair<std::optional<fs::path>, std::string>()> prepare;
    };
    std::unique_ptr<SmallDisk> disk;
    std::unique_ptr<FileSizeLimit> limit;
    TemporaryFolder plain;
    const auto writeFailure = [](const fs::path& folder, const std::string& advice, const std::string& reason) {
        return "Export failed. " + advice + "\nFailed to write output file " + (folder / "sunset.heic").string() + ": "
            + reason;
    };
    // A disk too small for the wallpaper is refused before anything is written to it.
    const std::string fullDisk = "Export failed. Free some space or choose another disk.\nThe wallpaper needs about ";
    const std::vector<Row> rows {
        { "full disk", false, false,
            [&]() -> std::pair<std::optional<fs::path>, std::string> {
                disk = std::make_unique<SmallDisk>(24 * 1024);
                if (disk->mounted()) return { disk->path(), fullDisk };
                limit = std::make_unique<FileSizeLimit>(8 * 1024);
                return { plain.path(), writeFailure(plain.path(), "Choose another disk.", "File too large") };
            } },
        { "read-only folder", true, true,
            [&]() -> std::pair<std::optional<fs::path>, std::string> {
                disk = std::make_unique<SmallDisk>(24 * 1024);
                if (disk->makeReadOnly())
                    return { disk->path(),
                        writeFailure(disk->path(), "Choose another folder.", "Read-only file system") };
                // Permissions do not bind root.
                if (root) return { std::nullopt, {} };
                fs::permissions(plain.path(), fs::perms::owner_read | fs::perms::owner_exec);
                return { plain.path(), writeFailure(plain.path(), "Choose another folder.", "Permission denied") };
            } },
    };
    int ran = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        upscalerLoads = 0;
        writes = 0;
        const auto [folder, expected] = row.prepare();
        if (!folder) continue;
        ++ran;
        const fs::path output = *folder / "sunset.heic";
        const std::string message = exportTo(output, row.upscale);
        EXPECT_TRUE(message.starts_with(expected)) << message;
        EXPECT_TRUE(fs::is_empty(*folder)) << "neither the file nor a partial one stays";
        if (row.failsAtOnce || expected == fullDisk) {
            EXPECT_EQ(upscalerLoads, 0);
            EXPECT_EQ(writes, 0);
        }
        limit.reset();
        disk.reset();
        fs::permissions(plain.path(), fs::perms::owner_all);
    }
    if (ran < static_cast<int>(rows.size()))
        GTEST_SKIP() << "a read-only folder needs a tmpfs mount when running as root";
}

} // namespace
} // namespace tl::testing
