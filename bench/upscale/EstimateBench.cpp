// Prints the probe's tile time against the real one in a few fresh processes; then, for a few
// upscale plans run through the real frame preprocessor and upscaler, the export sheet's estimate
// against the time the run took, and how soon a stop ends a pass.
//
//   upscale_estimate_bench [--model file.onnx] [--starts N] [--starts-only]
//
// Each fresh start is a process of its own, as the app is when the sheet first opens: it probes,
// then runs a real pass of six tiles (1024x576). The plans' estimate is printed twice: with the
// probe's tile time (what the sheet says before the first export) and with the tile time the
// previous plan's run measured (what it says after an export).
#include "bench/upscale/QualityTable.h"
#include "engine/HeicPreprocessor.h"
#include "engine/upscale/CoreMLUpscaleTool.h"
#include "engine/upscale/ModelLocation.h"
#include "engine/upscale/TileTimeProbe.h"
#include "engine/upscale/UpscaleEstimate.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

using namespace tl;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double loadAverage()
{
    std::ifstream file("/proc/loadavg");
    double load = -1;
    file >> load;
    return load;
}

struct Plan {
    cv::Size frame;
    int frames;
    std::optional<PixelSize> canvas;
    const char* name;
};

// Runs one plan as an export would prepare its key frames; returns the seconds it took.
std::optional<double> runPlan(const Plan& plan, const std::shared_ptr<CoreMLUpscaleTool>& tool, const fs::path& folder)
{
    std::vector<WallpaperImage> images;
    for (int index = 0; index < plan.frames; ++index) {
        const fs::path file = folder / ("frame" + std::to_string(index) + ".png");
        cv::imwrite(file.string(), bench::photographOfSize(plan.frame));
        WallpaperImage image { Uuid::random(), file.filename().string() };
        image.sourcePath = file.string();
        images.push_back(image);
    }
    const HeicPreprocessor preprocessor(
        { plan.canvas, HeicUpscaleStrategy::autoScale, false, tool, folder / "work", false });
    const auto start = Clock::now();
    const auto session = preprocessor.preprocess(images);
    const double seconds = secondsSince(start);
    fs::remove_all(folder / "work");
    if (!session) {
        std::printf("%s: %s\n", plan.name, session.error().description().c_str());
        return std::nullopt;
    }
    return seconds;
}

// Stops a pass over a 1024x576 picture (six tiles) after `after` and prints how long it took to end.
void benchCancel(const std::shared_ptr<CoreMLUpscaleTool>& tool, const fs::path& folder, double after)
{
    const fs::path input = folder / "cancel.png";
    const fs::path output = folder / "cancel-4x.png";
    cv::imwrite(input.string(), bench::photographOfSize({ 1024, 576 }));
    std::stop_source stop;
    Clock::time_point requested;
    std::jthread canceller([&] {
        std::this_thread::sleep_for(std::chrono::duration<double>(after));
        requested = Clock::now();
        stop.request_stop();
    });
    const auto result = tool->upscale(input, output, 4, stop.get_token(), {});
    const auto ended = Clock::now();
    canceller.join();
    const bool cancelled = !result && result.error().isCancelled();
    std::printf("cancel %.1f s into a pass: %s, ended %.0f ms after the stop, output %s\n", after,
        cancelled ? "cancelled" : "not cancelled", std::chrono::duration<double, std::milli>(ended - requested).count(),
        fs::exists(output) ? "WRITTEN" : "absent");
}

// One fresh start, in this process: prints "<probe s a tile> <probe cost s> <real s a tile>".
int measureOneStart(const fs::path& modelFile)
{
    const auto start = Clock::now();
    const auto probed = probeSecondsPerTile(modelFile);
    const double probeCost = secondsSince(start);
    const auto model = RealESRGAN512::load(modelFile);
    if (!model || !probed) return 1;
    const fs::path folder = fs::temp_directory_path() / ("tl-estimate-start-" + Uuid::random().text());
    fs::create_directories(folder);
    cv::imwrite((folder / "start.png").string(), bench::photographOfSize({ 1024, 576 }));
    CoreMLUpscaleTool tool(model.value());
    const auto upscaled = tool.upscale(folder / "start.png", folder / "start-4x.png", 4, {}, {});
    fs::remove_all(folder);
    const auto real = tool.secondsPerTile();
    if (!upscaled || !real) return 1;
    std::printf("%.3f %.3f %.3f\n", *probed, probeCost, *real);
    return 0;
}

// Runs `starts` fresh processes of this program and prints each one's probe against its real tile time.
void benchFreshStarts(const fs::path& modelFile, int starts)
{
    const std::string command
        = "'" + fs::read_symlink("/proc/self/exe").string() + "' --one-start --model '" + modelFile.string() + "'";
    std::printf("%-6s %6s %12s %10s %12s %7s\n", "start", "load", "probe s/tile", "probe cost", "real s/tile", "ratio");
    for (int start = 1; start <= starts; ++start) {
        const double load = loadAverage();
        double probed = 0, cost = 0, real = 0;
        FILE* child = popen(command.c_str(), "r");
        const bool read = child && std::fscanf(child, "%lf %lf %lf", &probed, &cost, &real) == 3;
        if (child) pclose(child);
        if (!read) {
            std::printf("%-6d %6.2f the fresh start failed\n", start, load);
            continue;
        }
        std::printf("%-6d %6.2f %12.2f %10.2f %12.2f %6.2fx\n", start, load, probed, cost, real, probed / real);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    fs::path modelFile = findUpscaleModel().value_or(fs::path {});
    int starts = 5;
    bool startsOnly = false;
    bool oneStart = false;
    for (int index = 1; index < argc; ++index) {
        startsOnly |= std::strcmp(argv[index], "--starts-only") == 0;
        oneStart |= std::strcmp(argv[index], "--one-start") == 0;
        if (index + 1 >= argc) continue;
        if (std::strcmp(argv[index], "--model") == 0)
            modelFile = argv[++index];
        else if (std::strcmp(argv[index], "--starts") == 0)
            starts = std::atoi(argv[++index]);
    }
    if (oneStart) return measureOneStart(modelFile);
    std::printf(
        "load average at start: %.2f, %u hardware threads\n", loadAverage(), std::thread::hardware_concurrency());
    benchFreshStarts(modelFile, starts);
    if (startsOnly) {
        std::printf("load average at end: %.2f\n", loadAverage());
        return 0;
    }

    auto start = Clock::now();
    const auto probed = probeSecondsPerTile(modelFile);
    const double probeCost = secondsSince(start);
    const auto model = RealESRGAN512::load(modelFile);
    if (!model || !probed) {
        std::printf("the model at %s does not load\n", modelFile.c_str());
        return 1;
    }
    std::printf("probe: %.2f s a tile, the probe cost %.2f s\n", *probed, probeCost);

    const fs::path folder = fs::temp_directory_path() / ("tl-estimate-bench-" + Uuid::random().text());
    fs::create_directories(folder);
    const Plan plans[] = {
        { { 1024, 576 }, 1, std::nullopt, "1024x576, source size" },
        { { 640, 400 }, 2, std::nullopt, "2 x 640x400, source size" },
        { { 200, 120 }, 2, PixelSize { 1920, 1080 }, "2 x 200x120 to 1920x1080 (two passes)" },
    };
    std::optional<double> remembered;
    std::printf("%-40s %6s %6s %9s %9s %9s\n", "plan", "passes", "tiles", "real s", "probe est", "remembered");
    for (const auto& plan : plans) {
        auto tool = std::make_shared<CoreMLUpscaleTool>(model.value());
        const std::vector<PixelSize> sizes(static_cast<std::size_t>(plan.frames),
            PixelSize { static_cast<double>(plan.frame.width), static_cast<double>(plan.frame.height) });
        const auto byProbe = estimateUpscale(sizes, HeicUpscaleStrategy::autoScale, plan.canvas, *probed);
        const auto real = runPlan(plan, tool, folder);
        if (!real) continue;
        char rememberedText[32] = "-";
        if (remembered) {
            const double seconds = byProbe.tiles * *remembered;
            std::snprintf(rememberedText, sizeof rememberedText, "%.1f (x%.2f)", seconds, seconds / *real);
        }
        std::printf("%-40s %6d %6d %9.1f %5.1f (x%.2f) %s\n", plan.name, byProbe.passes, byProbe.tiles, *real,
            byProbe.seconds, byProbe.seconds / *real, rememberedText);
        remembered = tool->secondsPerTile();
    }
    const auto tool = std::make_shared<CoreMLUpscaleTool>(model.value());
    for (const double after : { 0.5, 2.0 })
        benchCancel(tool, folder, after);
    fs::remove_all(folder);
    std::printf("load average at end: %.2f\n", loadAverage());
    return 0;
}
