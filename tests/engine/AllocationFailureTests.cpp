#include "engine/HeicGenerator.h"
#include "platform/Uuid.h"
#include "support/AddressSpace.h"
#include "support/LargePng.h"
#include "support/PeakMemory.h"

#include <gtest/gtest.h>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgcodecs.hpp>

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace tl {
namespace {

namespace fs = std::filesystem;

// A real allocation failure, not an injected one: a child process whose address space ends a
// few hundred megabytes past what it has mapped prepares a 16384 x 16384 frame (768 MB). The
// export must end as a failure naming the frame, with its working folder gone, and the child
// must live to say so; an exception escaping a frame job would abort it instead.
TEST(AllocationFailure, AFrameThatCannotGetItsMemoryFailsTheExportAndTheProcessLives)
{
#ifdef TL_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer maps far more address space than any limit leaves";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path folder = fs::temp_directory_path() / ("tl-allocation-" + Uuid::random().text());
    fs::create_directories(folder);
    const fs::path source = folder / "dawn.png";
    ASSERT_TRUE(cv::imwrite(source.string(), cv::Mat(16, 16, CV_8UC3, cv::Scalar(20, 90, 200))));
    WallpaperImage image { .id = Uuid::random(), .fileName = "dawn.png" };
    image.sourcePath = source.string();
    image.altitude = 5;
    image.azimuth = 90;
    const fs::path work = folder / "work";

    const auto exportUnderLimit = [&] {
        cv::setNumThreads(1); // the only threads are the export's own
        const rlimit limit { test::mappedBytes() + (std::uint64_t { 400 } << 20), RLIM_INFINITY };
        if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
        const HeicPreprocessConfig config { .targetSize = PixelSize { 16384, 16384 },
            .upscaleStrategy = HeicUpscaleStrategy::off,
            .enableDither = false,
            .upscaler = nullptr,
            .outputDirectory = work,
            .keepPreprocessedFrames = false };
        const auto written = HeicGenerator().generate({ image }, WallpaperMode::time, folder / "out.heic", config);
        const std::string text = written ? "written" : written.error().description();
        std::fprintf(stderr, "%s\n", text.c_str());
        const bool failedClean = text == "Image processing failed: dawn.png: not enough memory" && !fs::exists(work);
        fs::remove_all(folder); // the death test's child made a folder of its own
        std::_Exit(failedClean ? 0 : 1);
    };
    EXPECT_EXIT(exportUnderLimit(), ::testing::ExitedWithCode(0), "dawn.png: not enough memory");
    fs::remove_all(folder);
}

// x265 crashes instead of failing when it runs out of memory, and a cgroup that runs out kills the
// program while the frame is still being decoded, so the writer must refuse a frame that cannot fit
// before it decodes it, from the size its header gives. Exported whole, resizing off, in a child
// under a 5 GB address-space limit that the 16384 x 16384 frame's coding does not fit in.
TEST(AllocationFailure, AFrameTheEncoderCannotGetMemoryForFailsTheExportAndTheProcessLives)
{
#ifdef TL_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer maps far more address space than any limit leaves";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path folder = fs::temp_directory_path() / ("tl-encoder-memory-" + Uuid::random().text());
    fs::create_directories(folder);
    const fs::path source = folder / "noon.png";
    test::LargePng { .width = 16384, .height = 16384, .bitDepth = 8, .colourType = 2, .pixel = "\x30\x80\xd0" }.write(
        source);
    WallpaperImage image { .id = Uuid::random(), .fileName = "noon.png" };
    image.sourcePath = source.string();
    image.altitude = 60;
    image.azimuth = 180;

    const auto exportUnderLimit = [&] {
        const rlimit limit { std::uint64_t { 5'000'000 } * 1024, RLIM_INFINITY };
        if (test::mappedBytes() + (std::uint64_t { 1500 } << 20) > limit.rlim_cur || setrlimit(RLIMIT_AS, &limit) != 0)
            std::_Exit(3);
        const auto before = test::peakResidentBytes();
        const auto written
            = HeicGenerator().generate({ image }, WallpaperMode::time, folder / "out.heic", std::nullopt);
        const std::string text = written ? "written" : written.error().description();
        // The decoded frame alone would take 768 MB.
        const bool decoded = test::peakResidentBytes() - before > (std::int64_t { 256 } << 20);
        std::fprintf(stderr, "%s%s\n", text.c_str(), decoded ? " after decoding" : "");
        fs::remove_all(folder); // the death test's child made a folder of its own
        std::_Exit(written || decoded ? 1 : 0);
    };
    EXPECT_EXIT(exportUnderLimit(), ::testing::ExitedWithCode(0),
        "Image processing failed: not enough memory to encode a frame of 16384 x 16384 pixels");
    EXPECT_FALSE(fs::exists(folder / "out.heic"));
    fs::remove_all(folder);
}

} // namespace
} // namespace tl
