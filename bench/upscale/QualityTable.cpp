#include "bench/upscale/QualityTable.h"

#include "bench/upscale/ImageQuality.h"
#include "engine/upscale/RealESRGAN512.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
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
    std::shared_ptr<const RealESRGAN512> model; // empty for the interpolation baselines
    int interpolation = cv::INTER_CUBIC;
    Score total {};
};

cv::Mat enlarge(const Method& method, const cv::Mat& input)
{
    cv::Mat enlarged;
    if (!method.model) {
        cv::resize(input, enlarged, {}, 4, 4, method.interpolation);
        return enlarged;
    }
    cv::Mat tile;
    const int pad = RealESRGAN512::inputSize - reduced;
    cv::copyMakeBorder(input, tile, 0, pad, 0, pad, cv::BORDER_REFLECT_101);
    cv::Mat painted(RealESRGAN512::outputSize, RealESRGAN512::outputSize, CV_8UC3);
    if (!method.model->upscaleTile(tile, painted)) return {};
    return painted(cv::Rect(0, 0, reference, reference)).clone();
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

void printQualityTable(
    const std::vector<std::filesystem::path>& candidates, const std::vector<std::filesystem::path>& photographs)
{
    std::vector<Method> methods;
    for (const auto& candidate : candidates) {
        auto loaded = RealESRGAN512::load(candidate);
        if (!loaded) {
            std::printf("%s: %s\n", candidate.c_str(), loaded.error().description().c_str());
            continue;
        }
        methods.push_back({ candidate.stem().string(), loaded.value() });
    }
    methods.push_back({ "lanczos", nullptr, cv::INTER_LANCZOS4 });
    methods.push_back({ "bicubic", nullptr, cv::INTER_CUBIC });

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
            const cv::Mat enlarged = enlarge(method, input);
            const Score score { psnr(enlarged, original), ssim(enlarged, original) };
            method.total.psnr += score.psnr;
            method.total.ssim += score.ssim;
            std::printf(" | %6.2f %6.4f", score.psnr, score.ssim);
        }
        std::printf("\n");
        ++scored;
    }
    if (scored == 0) return;
    std::printf("%-14s", "mean");
    for (const auto& method : methods) {
        std::printf(" | %6.2f %6.4f", method.total.psnr / scored, method.total.ssim / scored);
    }
    std::printf("\n");
    for (const auto& method : methods) {
        if (!method.model) continue;
        const auto statistics = method.model->statistics();
        std::printf("%s: %.0f ms per tile\n", method.name.c_str(),
            std::chrono::duration<double, std::milli>(statistics.forwardTime).count()
                / static_cast<double>(statistics.passes));
    }
}

} // namespace tl::bench
