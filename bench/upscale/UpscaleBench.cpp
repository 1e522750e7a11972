// Prints what a 4x tiled upscale costs: model loading and time per 512x512 tile against OpenCV's
// dnn module on the same file in one run, then for whole frames tiles per second, the share of time
// spent outside forward passes (decode, crop, blob, paint, PNG write) and the peak resident size.
//
//   upscale_bench [--model file.onnx] [--tiles n]          speed, with the shipped model by default
//   upscale_bench --quality [candidate.onnx ...]           adds the quality table over the photographs
#include "bench/upscale/OpenCvDnnTile.h"
#include "bench/upscale/QualityTable.h"
#include "engine/upscale/CoreMLUpscaleTool.h"
#include "engine/upscale/ModelLocation.h"
#include "engine/upscale/TileTimeProbe.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace tl;
using Clock = std::chrono::steady_clock;

double peakResidentMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Loading and single tiles, the two runtimes taking turns so a shared machine's load falls on both alike.
// Our model was loaded once by the caller, which timed it.
void benchRuntimes(const RealESRGAN512& model, double load, const std::filesystem::path& modelFile, int tiles)
{
    auto start = Clock::now();
    auto earlier = bench::OpenCvDnnTile::load(modelFile);
    const cv::Mat tile = bench::photographOfSize(cv::Size(RealESRGAN512::inputSize, RealESRGAN512::inputSize));
    // OpenCV's dnn module lays out its buffers on the first pass, so its load took a probe pass.
    if (earlier && earlier->upscale(tile).empty()) earlier.reset();
    const double earlierLoad = secondsSince(start);
    if (!earlier) {
        std::printf("OpenCV dnn failed to load %s\n", modelFile.c_str());
        return;
    }
    std::printf("load: oneDNN %.3f s, OpenCV dnn with its probe pass %.3f s\n", load, earlierLoad);
    cv::Mat painted(RealESRGAN512::outputSize, RealESRGAN512::outputSize, CV_8UC3);
    double ours = 0, theirs = 0;
    for (int round = 0; round < tiles; ++round) {
        start = Clock::now();
        if (!model.upscaleTile(tile, painted)) return;
        const double oursNow = secondsSince(start);
        start = Clock::now();
        const cv::Mat reference = earlier->upscale(tile);
        const double theirsNow = secondsSince(start);
        ours += oursNow;
        theirs += theirsNow;
        std::printf("tile %d: oneDNN %.2f s, OpenCV dnn %.2f s, largest pixel difference %.0f\n", round + 1, oursNow,
            theirsNow, cv::norm(painted, reference, cv::NORM_INF));
    }
    const int frameTiles = CoreMLUpscaleTool::tilesOf(1920, 1080);
    std::printf("per 512x512 tile: oneDNN %.2f s, OpenCV dnn %.2f s, %.2fx faster; per 1920x1080 frame (%d tiles) "
                "about %.0f s\n",
        ours / tiles, theirs / tiles, theirs / ours, frameTiles, ours / tiles * frameTiles);
}

// The whole pass against what the export sheet would have estimated for it: with the probe's tile
// time (before any export), with this pass's own tile time (after one) and with the constant.
void benchSpeed(const std::shared_ptr<const RealESRGAN512>& model, cv::Size size, double probed)
{
    const auto folder = std::filesystem::temp_directory_path();
    const auto input = folder / ("tl-upscale-bench-" + std::to_string(size.width) + ".png");
    const auto output = folder / ("tl-upscale-bench-" + std::to_string(size.width) + "-4x.png");
    cv::imwrite(input.string(), bench::photographOfSize(size));

    CoreMLUpscaleTool tool(model);
    const auto before = model->statistics();
    const auto start = Clock::now();
    const auto result = tool.upscale(input, output, 4, {}, {});
    const double seconds = secondsSince(start);
    const auto after = model->statistics();
    std::filesystem::remove(input);
    std::filesystem::remove(output);
    if (!result) {
        std::printf("%dx%d: %s\n", size.width, size.height, result.error().description().c_str());
        return;
    }
    const auto passes = static_cast<double>(after.passes - before.passes);
    const double forward = std::chrono::duration<double>(after.forwardTime - before.forwardTime).count();
    std::printf("%dx%d -> %dx%d: %.0f tiles in %.2f s, %.0f ms per tile, %.2f tiles/s, "
                "%.1f%% outside forward passes, peak RSS %.0f MB\n",
        size.width, size.height, size.width * 4, size.height * 4, passes, seconds, forward / passes * 1000.0,
        passes / seconds, (seconds - forward) / seconds * 100.0, peakResidentMegabytes());
    const double measured = tool.secondsPerTile().value_or(0);
    const int tiles = CoreMLUpscaleTool::tilesOf(size.width, size.height);
    std::printf("  per tile: measured %.2f s, probe %.2f s, constant %.1f s; sheet's estimate %.1f s with the probe "
                "(x%.2f of real), %.1f s after this export (x%.2f), %.1f s with the constant (x%.2f)\n",
        measured, probed, CoreMLUpscaleTool::typicalSecondsPerTile, tiles * probed, tiles * probed / seconds,
        tiles * measured, tiles * measured / seconds, tiles * CoreMLUpscaleTool::typicalSecondsPerTile,
        tiles * CoreMLUpscaleTool::typicalSecondsPerTile / seconds);
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures appear as they are measured
    std::filesystem::path modelFile;
    bool quality = false;
    int tiles = 3;
    std::vector<std::filesystem::path> candidates;
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "--model") == 0 && index + 1 < argc) {
            modelFile = argv[++index];
        } else if (std::strcmp(argv[index], "--tiles") == 0 && index + 1 < argc) {
            tiles = std::max(1, std::atoi(argv[++index]));
        } else if (std::strcmp(argv[index], "--quality") == 0) {
            quality = true;
        } else {
            candidates.emplace_back(argv[index]);
        }
    }
    // With no model installed the empty path fails to load with the usual message.
    if (modelFile.empty()) modelFile = findUpscaleModel().value_or(std::filesystem::path {});
    auto start = Clock::now();
    const auto probed = probeSecondsPerTile(modelFile);
    const double probeCost = secondsSince(start);
    start = Clock::now();
    const auto model = RealESRGAN512::load(modelFile);
    const double load = secondsSince(start);
    if (!model) {
        std::printf("%s\n", model.error().description().c_str());
        return 1;
    }
    // The whole-frame runs come first so their peak resident size is the upscale's alone, before
    // OpenCV's dnn network and buffers are added.
    std::printf("probe (load, compile and one %dx%d pass): %.2f s a tile, cost %.2f s\n", tileTimeProbeSide,
        tileTimeProbeSide, probed.value_or(0), probeCost);
    for (const cv::Size size : { cv::Size(1920, 1080), cv::Size(1024, 576) })
        benchSpeed(model.value(), size, probed.value_or(0));
    benchRuntimes(*model.value(), load, modelFile, tiles);

    if (quality) {
        if (candidates.empty()) candidates.push_back(modelFile);
        bench::printQualityTable(candidates, bench::installedPhotographs());
    }
    return 0;
}
