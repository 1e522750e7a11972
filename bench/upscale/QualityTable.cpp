#include "bench/upscale/QualityTable.h"

#include "bench/upscale/ImageQuality.h"
#include "bench/upscale/OpenCvDnnTile.h"
#include "engine/upscale/RealESRGAN512.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace tl::bench {
namespace {

// The largest square crop of these photographs, 1600 pixels, gives a 400-pixel input; it is
// padded by reflection to one 512 tile, and only the part that came from the photograph is scored.
constexpr int reference = 1600;
constexpr int reduced = reference / 4;

struct Score {
    double psnr = 0;
    double ssim = 0;
};

struct Method {
    std::string name;
    std::function<cv::Mat(const cv::Mat& tile)> upscaleTile; // empty for the interpolation baselines
    int interpolation = cv::INTER_CUBIC;
    Score total {};
    double tileSeconds = 0;
    int tiles = 0;
    cv::Mat last {}; // this photograph's result, to compare the two runtimes pixel by pixel
    double largestDifference = 0; // against its OpenCV dnn twin, when it has one
};

// Each candidate's OpenCV dnn run is named after it and added right after it.
constexpr const char* openCvSuffix = "/cvdnn";

const Method* openCvTwin(const std::vector<Method>& methods, std::size_t index)
{
    if (index + 1 >= methods.size() || methods[index + 1].name != methods[index].name + openCvSuffix) return nullptr;
    return &methods[index + 1];
}

cv::Mat enlarge(Method& method, const cv::Mat& input)
{
    cv::Mat enlarged;
    if (!method.upscaleTile) {
        cv::resize(input, enlarged, {}, 4, 4, method.interpolation);
        return enlarged;
    }
    cv::Mat tile;
    const int pad = RealESRGAN512::inputSize - reduced;
    cv::copyMakeBorder(input, tile, 0, pad, 0, pad, cv::BORDER_REFLECT_101);
    const auto start = std::chrono::steady_clock::now();
    const cv::Mat painted = method.upscaleTile(tile);
    method.tileSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++method.tiles;
    if (painted.empty()) return {};
    return painted(cv::Rect(0, 0, reference, reference)).clone();
}

// The shipped runtime and, beside it, OpenCV's dnn module on the same file.
void addCandidate(std::vector<Method>& methods, const std::filesystem::path& candidate)
{
    auto loaded = RealESRGAN512::load(candidate);
    if (!loaded) {
        std::printf("%s: %s\n", candidate.c_str(), loaded.error().description().c_str());
    } else {
        methods.push_back({ candidate.stem().string(), [model = loaded.value()](const cv::Mat& tile) {
                               cv::Mat painted(RealESRGAN512::outputSize, RealESRGAN512::outputSize, CV_8UC3);
                               return model->upscaleTile(tile, painted) ? painted : cv::Mat();
                           } });
    }
    auto earlier = OpenCvDnnTile::load(candidate);
    if (earlier) {
        methods.push_back({ candidate.stem().string() + openCvSuffix,
            [earlier = std::make_shared<OpenCvDnnTile>(std::move(*earlier))](
                const cv::Mat& tile) { return earlier->upscale(tile); } });
    }
}

} // namespace

std::vector<std::filesystem::path> installedPhotographs()
{
    const char* const names[] = { "Autumn", "BytheWater", "ColdRipple", "ColorfulCups", "DarkestHour", "EveningGlow",
        "FallenLeaf", "Grey", "Kite", "OneStandsOut", "Path", "summer_1am" };
    std::vector<std::filesystem::path> found;
    for (const char* name : names) {
        const auto file = std::filesystem::path("/usr/share/wallpapers") / name / "contents/images/2560x1600.jpg";
        if (std::filesystem::exists(file)) found.push_back(file);
    }
    return found;
}

cv::Mat photographOfSize(cv::Size size)
{
    const auto photographs = installedPhotographs();
    cv::Mat image;
    if (!photographs.empty()) {
        cv::resize(cv::imread(photographs.front().string(), cv::IMREAD_COLOR), image, size, 0, 0, cv::INTER_AREA);
        return image;
    }
    image.create(size, CV_8UC3);
    cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(256));
    return image;
}

void printQualityTable(
    const std::vector<std::filesystem::path>& candidates, const std::vector<std::filesystem::path>& photographs)
{
    std::vector<Method> methods;
    for (const auto& candidate : candidates)
        addCandidate(methods, candidate);
    methods.push_back({ "lanczos", {}, cv::INTER_LANCZOS4 });
    methods.push_back({ "bicubic", {}, cv::INTER_CUBIC });

    std::printf("\n%-14s", "photograph");
    for (const auto& method : methods)
        std::printf(" | %-13s", (method.name + " dB/SSIM").c_str());
    std::printf("\n");
    int scored = 0;
    for (const auto& photograph : photographs) {
        const cv::Mat full = cv::imread(photograph.string(), cv::IMREAD_COLOR);
        if (full.cols < reference || full.rows < reference) continue;
        const cv::Mat original
            = full(cv::Rect((full.cols - reference) / 2, (full.rows - reference) / 2, reference, reference));
        cv::Mat input;
        cv::resize(original, input, cv::Size(reduced, reduced), 0, 0, cv::INTER_AREA);
        std::printf("%-14s", photograph.parent_path().parent_path().parent_path().filename().c_str());
        for (auto& method : methods) {
            method.last = enlarge(method, input);
            if (method.last.empty()) {
                std::printf(" | %13s", "failed");
                continue;
            }
            const Score score { psnr(method.last, original), ssim(method.last, original) };
            method.total.psnr += score.psnr;
            method.total.ssim += score.ssim;
            std::printf(" | %6.2f %6.4f", score.psnr, score.ssim);
        }
        for (std::size_t index = 0; index < methods.size(); ++index) {
            auto& ours = methods[index];
            const Method* earlier = openCvTwin(methods, index);
            if (earlier && !ours.last.empty() && !earlier->last.empty())
                ours.largestDifference
                    = std::max(ours.largestDifference, cv::norm(ours.last, earlier->last, cv::NORM_INF));
        }
        std::printf("\n");
        ++scored;
    }
    if (scored == 0) return;
    std::printf("%-14s", "mean");
    for (const auto& method : methods)
        std::printf(" | %6.2f %6.4f", method.total.psnr / scored, method.total.ssim / scored);
    std::printf("\n");
    for (std::size_t index = 0; index < methods.size(); ++index) {
        const auto& ours = methods[index];
        const Method* earlier = openCvTwin(methods, index);
        if (!earlier) continue;
        std::printf("%s against OpenCV dnn: mean PSNR %+.4f dB, mean SSIM %+.5f, largest pixel difference %.0f\n",
            ours.name.c_str(), (ours.total.psnr - earlier->total.psnr) / scored,
            (ours.total.ssim - earlier->total.ssim) / scored, ours.largestDifference);
    }
    for (const auto& method : methods) {
        if (method.tiles == 0) continue;
        std::printf("%s: %.0f ms per tile\n", method.name.c_str(), method.tileSeconds / method.tiles * 1000.0);
    }
}

} // namespace tl::bench
