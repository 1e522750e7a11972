// Prints how fast the export engine prepares and encodes frames, and how our encoding compares with
// libheif's own heif-enc (Debian's libheif-examples) coding the same frames one after another with
// the same settings: wall and CPU time and peak resident size, side by side.
// Usage: export_bench [frames per run, default 7]

#include "engine/Dither.h"
#include "engine/HeicEncoder.h"
#include "engine/HeicGenerator.h"
#include "engine/LanczosResampler.h"
#include "engine/LinearLightBlend.h"
#include "platform/HeapPolicy.h"
#include "platform/ImageDecoding.h"
#include "platform/Log.h"
#include "platform/Uuid.h"

#include <opencv2/imgproc.hpp>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void print(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// Sky gradient, hills, a sun and fine texture: compresses like a photograph, unlike flat colour.
cv::Mat syntheticPhoto(int width, int height, int seed)
{
    cv::Mat photo(height, width, CV_8UC3);
    cv::parallel_for_(cv::Range(0, height), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const double v = static_cast<double>(y) / height;
            for (int x = 0; x < width; ++x) {
                const double u = static_cast<double>(x) / width;
                const double hill = 0.65 + 0.08 * std::sin(u * 9 + seed) + 0.04 * std::sin(u * 31 + seed * 2);
                const bool ground = v > hill;
                photo.at<cv::Vec3b>(y, x) = ground
                    ? cv::Vec3b(static_cast<std::uint8_t>(30 + 40 * v), static_cast<std::uint8_t>(70 + 60 * u), 40)
                    : cv::Vec3b(static_cast<std::uint8_t>(230 - 120 * v),
                        static_cast<std::uint8_t>(150 - 60 * v + seed * 10), static_cast<std::uint8_t>(90 + 120 * v));
            }
        }
    });
    cv::circle(photo, { width * (2 + seed % 5) / 8, height / 4 }, height / 12, cv::Scalar(120, 220, 255), cv::FILLED,
        cv::LINE_AA);
    cv::Mat texture(height, width, CV_8UC3);
    cv::randn(texture, cv::Scalar::all(0), cv::Scalar::all(8));
    cv::GaussianBlur(texture, texture, { 3, 3 }, 0);
    return photo + texture;
}

class InterpolatingUpscaler : public ImageUpscalingTool {
public:
    std::set<int> supportedScales() const override { return { 2 }; }
    Result<void, UpscaleError> upscale(
        const fs::path& input, const fs::path& output, int scale, std::stop_token, const TileProgress&) override
    {
        const cv::Mat source = decodeImageFile(input);
        if (source.empty()) return UpscaleError::imageLoad(input.string());
        cv::Mat larger;
        cv::resize(source, larger, {}, scale, scale, cv::INTER_LINEAR);
        if (!writePng(larger, output)) return UpscaleError::of(UpscaleError::Kind::outputWriteFailed);
        return {};
    }
};

// What one process, or a series of them, cost.
struct ProcessFigures {
    double seconds = 0;
    double peakMegabytes = 0;
    double cpuSeconds = 0;
};

double cpuSeconds(const rusage& usage)
{
    const auto of = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return of(usage.ru_utime) + of(usage.ru_stime);
}

// Runs a program to its end with its output in `output` (or discarded); the figures are its own,
// nothing when it failed.
std::optional<ProcessFigures> runChild(const std::vector<std::string>& arguments, std::string* output = nullptr)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return std::nullopt;
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDERR_FILENO);
        close(pipeEnds[0]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    char buffer[256];
    ssize_t length = 0;
    while ((length = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        if (output) output->append(buffer, static_cast<std::size_t>(length));
    }
    close(pipeEnds[0]);
    int status = 0;
    rusage usage {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return ProcessFigures { seconds, static_cast<double>(usage.ru_maxrss) / 1024.0, cpuSeconds(usage) };
}

// The writer runs in a fresh process of this program, so its peak memory is its own; its own
// timing of the writer call, printed as its only output, leaves out starting the process.
ProcessFigures runWriterProcess(const std::string& configuration, const fs::path& folder, int frameCount)
{
    std::string output;
    const auto run = runChild(
        { "/proc/self/exe", "--writer", configuration, folder.string(), std::to_string(frameCount) }, &output);
    if (!run) return {};
    return { std::atof(output.c_str()), run->peakMegabytes, run->cpuSeconds };
}

std::vector<WallpaperImage> benchImages(const fs::path& folder, int frameCount)
{
    std::vector<WallpaperImage> images;
    for (int i = 0; i < frameCount; ++i) {
        const fs::path file = folder / ("frame" + std::to_string(i) + ".png");
        WallpaperImage image { Uuid::random(), file.filename().string() };
        image.altitude = -10.0 + 20.0 * i;
        image.azimuth = 90.0 + 30.0 * i;
        image.sourcePath = file.string();
        images.push_back(image);
    }
    return images;
}

std::optional<HeicPreprocessConfig> namedConfiguration(const std::string& name, const fs::path& folder)
{
    if (name == "plain") return std::nullopt;
    HeicPreprocessConfig config;
    config.targetSize = PixelSize { 7680, 4320 };
    config.enableDither = name == "dither";
    if (name == "upscale") {
        config.upscaleStrategy = HeicUpscaleStrategy::scale2;
        config.upscaler = std::make_shared<InterpolatingUpscaler>();
    }
    config.outputDirectory = folder / ("work-" + Uuid::random().text());
    return config;
}

// The child side: one writer run, its time printed as the only output.
int writerProcess(const std::string& configuration, const fs::path& folder, int frameCount)
{
    // As the app and the command line run it.
    returnLargeFreedBuffersToTheSystem();
    const auto images = benchImages(folder, frameCount);
    const auto config = namedConfiguration(configuration, folder);
    const LogCapture quiet([](const std::string&) {});
    bool succeeded = false;
    const double elapsed = seconds(
        [&] { succeeded = HeicGenerator().generate(images, WallpaperMode::time, folder / "out.heic", config).ok(); });
    std::printf("%.6f\n", elapsed);
    return succeeded ? 0 : 1;
}

struct Resolution {
    const char* name;
    int width;
    int height;
};

void stageFigures(const Resolution& resolution, const std::vector<fs::path>& files, const fs::path& folder)
{
    cv::Mat first, second;
    const double decode = seconds([&] { first = decodeImageFile(files[0]); });
    second = decodeImageFile(files[1]);
    const double normalise = seconds([&] { writePng(first, folder / "normalised.png"); });
    cv::Mat canvas;
    const double resize = seconds([&] { canvas = scaleToFill(first, 7680, 4320); });
    const double dither = seconds([&] { applyDither(canvas, 1); });
    const double blend = seconds([&] { cv::Mat mixed = blendLinearLight(first, second, 0.4); });
    auto encoder = HeicEncoder::create();
    const double encode = seconds([&] { (void)encoder.value().addImage(first); });
    print(std::string("  stages, one ") + resolution.name + " frame: decode " + format("%.3f s", decode)
        + ", normalise (write PNG) " + format("%.3f s", normalise) + ", resize to 7680x4320 " + format("%.3f s", resize)
        + ", dither " + format("%.3f s", dither) + ", blend two frames " + format("%.3f s", blend) + ", encode "
        + format("%.3f s", encode));
}

void benchmarkResolution(const Resolution& resolution, int frameCount, const fs::path& root)
{
    const fs::path folder = root / resolution.name;
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (const auto& image : benchImages(folder, frameCount)) {
        files.emplace_back(*image.sourcePath);
        writePng(syntheticPhoto(resolution.width, resolution.height, static_cast<int>(files.size())), files.back());
    }
    print(std::string(resolution.name) + " (" + std::to_string(resolution.width) + "x"
        + std::to_string(resolution.height) + "), " + std::to_string(frameCount) + " frames");
    stageFigures(resolution, files, folder);

    // The machine may be shared: ours and heif-enc alternate, and each keeps its best of two rounds.
    ProcessFigures reference { 1e9, 0, 0 };
    ProcessFigures plain { 1e9, 0, 0 };
    for (int round = 0; round < 2; ++round) {
        ProcessFigures sequential {};
        for (const auto& file : files) {
            const auto run = runChild({ "/usr/bin/heif-enc", "-q", std::to_string(heicQuality), "-p",
                "preset=" + std::string(heicPreset), "-p", "chroma=420", "--matrix_coefficients", "6",
                "--full_range_flag", "1", "-o", (folder / "reference.heic").string(), file.string() });
            if (!run) {
                print("  heif-enc failed on " + file.string());
                continue;
            }
            sequential.seconds += run->seconds;
            sequential.cpuSeconds += run->cpuSeconds;
            sequential.peakMegabytes = std::max(sequential.peakMegabytes, run->peakMegabytes);
        }
        if (sequential.seconds < reference.seconds) reference = sequential;
        const ProcessFigures figures = runWriterProcess("plain", folder, frameCount);
        if (figures.seconds > 0 && figures.seconds < plain.seconds) plain = figures;
    }
    print("  heif-enc, one frame after another: " + format("%.2f s", reference.seconds) + ", CPU "
        + format("%.1f s", reference.cpuSeconds) + format(" (%.1f cores)", reference.cpuSeconds / reference.seconds)
        + ", peak RSS " + format("%.0f MB", reference.peakMegabytes));
    const auto printWriter = [&](const std::string& label, const ProcessFigures& figures) {
        if (figures.seconds <= 0 || figures.seconds >= 1e9) {
            print("  writer, " + label + ": failed");
            return;
        }
        print("  writer, " + label + ": " + format("%.2f s", figures.seconds) + ", "
            + format("%.2f frames/s", frameCount / figures.seconds) + ", CPU " + format("%.1f s", figures.cpuSeconds)
            + format(" (%.1f cores)", figures.cpuSeconds / figures.seconds) + ", peak RSS "
            + format("%.0f MB", figures.peakMegabytes));
    };
    printWriter("no preparation", plain);
    print("  ours / heif-enc: time " + format("%.2f", plain.seconds / reference.seconds)
        + " (target at most 0.75), peak RSS " + format("%.2f", plain.peakMegabytes / reference.peakMegabytes)
        + " (target at most 1.50)");
    for (const auto& [name, label] :
        { std::pair { "resize", "resize to 8K" }, std::pair { "dither", "resize to 8K + dither" },
            std::pair { "upscale", "test upscaler x2 + resize to 8K" } })
        printWriter(label, runWriterProcess(name, folder, frameCount));
}

void targetFigures()
{
    const cv::Mat a = syntheticPhoto(7680, 4320, 1);
    const cv::Mat b = syntheticPhoto(7680, 4320, 2);
    blendLinearLight(a, b, 0.5); // warm the tables
    const double blend = seconds([&] { cv::Mat mixed = blendLinearLight(a, b, 0.37); });
    print("tween blend of two 7680x4320 frames: " + format("%.3f s", blend) + " (target under 0.2 s)");
    cv::Mat large;
    cv::resize(a, large, { 16384, 9216 }, 0, 0, cv::INTER_LINEAR);
    const double resize = seconds([&] { cv::Mat canvas = scaleToFill(large, 7680, 4320); });
    print("Lanczos resize 16384x9216 to 7680x4320: " + format("%.3f s", resize) + " (target under 1.5 s)");
}

} // namespace
} // namespace tl

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc == 5 && std::string(argv[1]) == "--writer") return tl::writerProcess(argv[2], argv[3], std::atoi(argv[4]));
    const int frames = argc > 1 ? std::atoi(argv[1]) : 7;
    if (frames < 2) {
        std::fprintf(stderr, "usage: export_bench [frames per run, at least 2]\n");
        return 2;
    }
    const fs::path root = fs::temp_directory_path() / ("tl-export-bench-" + tl::Uuid::random().text());
    tl::print("export_bench: x265 quality " + std::to_string(tl::heicQuality) + ", preset " + tl::heicPreset + ", "
        + std::to_string(std::thread::hardware_concurrency()) + " hardware threads");
    tl::targetFigures();
    for (const tl::Resolution resolution :
        { tl::Resolution { "4096x4096", 4096, 4096 }, tl::Resolution { "8K", 7680, 4320 } })
        tl::benchmarkResolution(resolution, frames, root);
    fs::remove_all(root);
}
