#include "engine/upscale/CoreMLUpscaleTool.h"
#include "tests/engine/upscale/UpscaleTestSupport.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

namespace tl {
namespace {

using test::loadFixture;
using test::randomImage;
using test::ScratchFolder;
using test::writeImage;

cv::Mat nearest4x(const cv::Mat& image)
{
    cv::Mat expected;
    cv::resize(image, expected, {}, 4, 4, cv::INTER_NEAREST);
    return expected;
}

TEST(CoreMLUpscaleToolTest, SupportsExactlyFourTimes)
{
    const CoreMLUpscaleTool tool(loadFixture("nearest4x.onnx"));
    EXPECT_EQ(tool.supportedScales(), std::set<int> { 4 });
}

struct SizeCase {
    int width;
    int height;
    std::uint64_t passes; // repeated origins are run once
};

void PrintTo(const SizeCase& size, std::ostream* stream)
{
    *stream << size.width << "x" << size.height;
}

class TiledSizeTest : public testing::TestWithParam<SizeCase> { };

// A nearest-neighbour model makes every tile's result predictable, so the whole canvas must
// equal nearest 4x of the input: a misplaced, missing or half-painted tile shows up as a difference.
TEST_P(TiledSizeTest, CoversTheCanvasWithEveryTileInPlace)
{
    const auto [width, height, passes] = GetParam();
    const auto model = loadFixture("nearest4x.onnx");
    ASSERT_TRUE(model);
    const CoreMLUpscaleTool tool(model);
    const cv::Mat input = randomImage(width, height);

    const auto upscaled = tool.upscaleTiled(input, {});
    ASSERT_TRUE(upscaled) << upscaled.error().description();
    EXPECT_TRUE(test::identical(upscaled.value(), nearest4x(input)));
    EXPECT_EQ(model->statistics().passes, passes);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TiledSizeTest,
    testing::Values(SizeCase { 512, 512, 1 }, SizeCase { 1024, 576, 6 }, SizeCase { 992, 512, 2 },
        SizeCase { 1920, 1080, 12 }, SizeCase { 613, 997, 6 }),
    [](const auto& param) { return std::to_string(param.param.width) + "x" + std::to_string(param.param.height); });

// A side shorter than a tile is extended to one tile and cut back afterwards: the result is four
// times the picture, every pixel in place, and runs as many tiles as tilesOf counts.
class SmallSizeTest : public testing::TestWithParam<SizeCase> { };

TEST_P(SmallSizeTest, PicturesSmallerThanATileAreUpscaledToo)
{
    const auto [width, height, passes] = GetParam();
    const auto model = loadFixture("nearest4x.onnx");
    ASSERT_TRUE(model);
    const CoreMLUpscaleTool tool(model);
    const cv::Mat input = randomImage(width, height, CV_8UC4);
    std::vector<std::pair<int, int>> reported;

    const auto upscaled
        = tool.upscaleTiled(input, {}, [&](int done, int total) { reported.emplace_back(done, total); });
    ASSERT_TRUE(upscaled) << upscaled.error().description();
    cv::Mat bgr;
    cv::cvtColor(input, bgr, cv::COLOR_BGRA2BGR);
    EXPECT_TRUE(test::identical(upscaled.value(), nearest4x(bgr)));
    EXPECT_EQ(model->statistics().passes, passes);
    EXPECT_EQ(CoreMLUpscaleTool::tilesOf(width, height), static_cast<int>(passes));
    ASSERT_EQ(reported.size(), passes);
    EXPECT_EQ(reported.back(), std::make_pair(static_cast<int>(passes), static_cast<int>(passes)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, SmallSizeTest,
    testing::Values(
        SizeCase { 640, 400, 2 }, SizeCase { 511, 1000, 3 }, SizeCase { 300, 200, 1 }, SizeCase { 1, 1, 1 }),
    [](const auto& param) { return std::to_string(param.param.width) + "x" + std::to_string(param.param.height); });

// The edge-marker model darkens the outermost pixels of each tile. With tiles painted in order
// and later ones winning, a column of the input shows a dark edge exactly where the last tile
// covering it starts or ends: the last covering tile is the one with the largest origin at or
// before it.
bool onEdgeOfLastCoveringTile(int position, const std::vector<int>& origins)
{
    int last = 0;
    for (const int origin : origins) {
        if (origin <= position) last = std::max(last, origin);
    }
    return position == last || position == last + 511;
}

TEST(CoreMLUpscaleToolTest, LaterTilesOverwriteEarlierOnesInRowMajorOrder)
{
    const CoreMLUpscaleTool tool(loadFixture("edge_marker4x.onnx"));
    const cv::Mat input(576, 1024, CV_8UC3, cv::Scalar::all(180));
    const auto upscaled = tool.upscaleTiled(input, {});
    ASSERT_TRUE(upscaled);
    cv::Mat reduced;
    cv::resize(upscaled.value(), reduced, input.size(), 0, 0, cv::INTER_NEAREST);

    const std::vector<int> columns { 0, 480, 512 };
    const std::vector<int> rows { 0, 64 };
    for (int y = 0; y < input.rows; ++y) {
        for (int x = 0; x < input.cols; ++x) {
            const bool edge = onEdgeOfLastCoveringTile(x, columns) || onEdgeOfLastCoveringTile(y, rows);
            const int value = reduced.at<cv::Vec3b>(y, x)[1];
            ASSERT_EQ(value < 180, edge) << "at " << x << "," << y << " value " << value;
        }
    }
}

TEST(CoreMLUpscaleToolTest, UpscalesFileToPngFile)
{
    ScratchFolder folder;
    const cv::Mat input = randomImage(1024, 576);
    const auto inputFile = writeImage(folder.path / "input.png", input);
    const auto outputFile = folder.path / "output.png";
    std::ofstream(outputFile) << "an older file to be replaced";

    CoreMLUpscaleTool tool(loadFixture("nearest4x.onnx"));
    const auto result = tool.upscale(inputFile, outputFile, 4, {}, {});
    ASSERT_TRUE(result) << result.error().description();

    const cv::Mat written = cv::imread(outputFile.string(), cv::IMREAD_UNCHANGED);
    EXPECT_TRUE(test::identical(written, nearest4x(input)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 2);
}

TEST(CoreMLUpscaleToolTest, FailuresNameTheirCauseAndWriteNothing)
{
    ScratchFolder folder;
    const auto notAnImage = folder.path / "notes.png";
    std::ofstream(notAnImage) << "plain text";
    const auto square = writeImage(folder.path / "square.png", randomImage(512, 512));
    const auto missing = folder.path / "missing.png";
    const auto output = folder.path / "output.png";

    struct FailureCase {
        std::filesystem::path input;
        int scale;
        std::string message;
    };
    const FailureCase cases[] = {
        { missing, 2, "Unsupported upscale factor: 2x." },
        { square, 8, "Unsupported upscale factor: 8x." },
        { notAnImage, 4, "Failed to load input image: " + notAnImage.string() },
        { missing, 4, "Failed to load input image: " + missing.string() },
    };
    const auto model = loadFixture("nearest4x.onnx");
    CoreMLUpscaleTool tool(model);
    for (const auto& failure : cases) {
        const auto result = tool.upscale(failure.input, output, failure.scale, {}, {});
        ASSERT_FALSE(result) << failure.message;
        EXPECT_EQ(result.error().description(), failure.message);
        EXPECT_FALSE(std::filesystem::exists(output)) << failure.message;
    }
    EXPECT_EQ(model->statistics().passes, 0u);
}

TEST(CoreMLUpscaleToolTest, ConcurrentPassesGiveTheSameBytesAsSequentialOnes)
{
    ScratchFolder folder;
    const auto model = loadFixture("edge_marker4x.onnx");
    CoreMLUpscaleTool tool(model);
    std::vector<std::filesystem::path> inputs;
    for (int index = 0; index < 3; ++index) {
        cv::Mat image = randomImage(600 + 97 * index, 530 + 41 * index);
        inputs.push_back(writeImage(folder.path / ("input" + std::to_string(index) + ".png"), image));
    }
    const auto outputOf
        = [&](const std::string& run, int index) { return folder.path / (run + std::to_string(index) + ".png"); };

    for (int index = 0; index < 3; ++index)
        ASSERT_TRUE(tool.upscale(inputs[index], outputOf("serial", index), 4, {}, {}));
    {
        std::vector<std::jthread> workers;
        for (int index = 0; index < 3; ++index) {
            workers.emplace_back(
                [&, index] { EXPECT_TRUE(tool.upscale(inputs[index], outputOf("parallel", index), 4, {}, {})); });
        }
    }
    const auto bytes = [](const std::filesystem::path& file) {
        std::ifstream stream(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), {});
    };
    for (int index = 0; index < 3; ++index) {
        const auto serial = bytes(outputOf("serial", index));
        EXPECT_FALSE(serial.empty());
        EXPECT_EQ(serial, bytes(outputOf("parallel", index))) << "image " << index;
    }
}

TEST(CoreMLUpscaleToolTest, StopBetweenTilesEndsThePassAsCancelledWithoutOutput)
{
    ScratchFolder folder;
    const auto input = writeImage(folder.path / "input.png", randomImage(1920, 1080));
    const auto output = folder.path / "output.png";
    const auto model = loadFixture("nearest4x.onnx");
    CoreMLUpscaleTool tool(model);

    std::stop_source alreadyStopped;
    alreadyStopped.request_stop();
    const auto early = tool.upscale(input, output, 4, alreadyStopped.get_token(), {});
    ASSERT_FALSE(early);
    EXPECT_TRUE(early.error().isCancelled());
    EXPECT_EQ(model->statistics().passes, 0u);

    std::stop_source source;
    std::atomic<bool> finished = false;
    std::jthread canceller([&] {
        while (model->statistics().passes == 0 && !finished)
            std::this_thread::yield();
        source.request_stop();
    });
    const auto stopped = tool.upscale(input, output, 4, source.get_token(), {});
    finished = true;
    canceller.join();
    ASSERT_FALSE(stopped);
    EXPECT_TRUE(stopped.error().isCancelled());
    EXPECT_LT(model->statistics().passes, 12u);
    EXPECT_FALSE(std::filesystem::exists(output));
}

} // namespace
} // namespace tl
