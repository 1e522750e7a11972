#include "engine/desktop/PlasmaPackage.h"

#include "engine/desktop/StagedWallpaperFolder.h"

#include <nlohmann/json.hpp>
#include <opencv2/imgproc.hpp>

#include <set>
#include <variant>

namespace tl::desktop {

namespace fs = std::filesystem;

namespace {

struct LightAndDark {
    std::size_t light;
    std::size_t dark;
};

double meanLuma(const cv::Mat& pixels)
{
    const cv::Scalar mean = cv::mean(pixels);
    return 0.114 * mean[0] + 0.587 * mean[1] + 0.299 * mean[2];
}

std::set<std::size_t> scheduledImages(const WallpaperLayout& layout)
{
    std::set<std::size_t> indices;
    if (const auto* solar = std::get_if<SolarSchedule>(&layout))
        for (const SolarFrame& frame : solar->frames)
            indices.insert(frame.imageIndex);
    if (const auto* timed = std::get_if<TimeOfDaySchedule>(&layout))
        for (const TimedFrame& frame : timed->frames)
            indices.insert(frame.imageIndex);
    return indices;
}

// Every scheduled image is decoded once to find the brightest and the darkest.
Result<LightAndDark, DesktopError> brightestAndDarkest(const WallpaperSource& source)
{
    std::optional<std::pair<std::size_t, double>> brightest, darkest;
    for (const std::size_t index : scheduledImages(source.wallpaper.layout)) {
        auto pixels = source.pixels(index);
        if (!pixels) return pixels.error();
        const double luma = meanLuma(pixels.value());
        if (!brightest || luma > brightest->second) brightest = { index, luma };
        if (!darkest || luma < darkest->second) darkest = { index, luma };
    }
    if (!brightest) return DesktopError { DesktopError::Kind::noLayout, "This wallpaper lists no images to show." };
    return LightAndDark { brightest->first, darkest->first };
}

Result<fs::path, DesktopError> writeSizedImage(
    const WallpaperSource& source, std::size_t index, const StagedWallpaperFolder& package, const fs::path& folder)
{
    if (index >= source.wallpaper.imageCount)
        return DesktopError { DesktopError::Kind::badImage,
            "The wallpaper has no image " + std::to_string(index + 1) + "." };
    auto pixels = source.pixels(index);
    if (!pixels) return pixels.error();
    std::error_code error;
    fs::create_directories(package.stagedPath(folder), error);
    // Plasma picks among a package's images by the size in their names.
    const fs::path file
        = folder / (std::to_string(pixels.value().cols) + "x" + std::to_string(pixels.value().rows) + ".png");
    if (auto written = writeFullQualityImage(pixels.value(), package.stagedPath(file)); !written)
        return written.error();
    return file;
}

} // namespace

fs::path userPlasmaFolder(const fs::path& dataHome, std::string_view name)
{
    return dataHome / "wallpapers" / folderName(name);
}

std::string plasmaMetadataJson(std::string_view id, std::string_view name)
{
    const nlohmann::json metadata = { { "KPlugin", { { "Id", std::string(id) }, { "Name", std::string(name) } } } };
    // A name that is not valid UTF-8 (a file name may be anything) is written with replacement characters.
    return metadata.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

Result<PlasmaWallpaper, DesktopError> writePlasmaPackage(
    const WallpaperSource& source, const fs::path& packageFolder, const DesktopProgress& progress)
{
    const WallpaperLayout& layout = source.wallpaper.layout;
    if (std::holds_alternative<std::monostate>(layout))
        return DesktopError { DesktopError::Kind::noLayout,
            "This wallpaper says neither when to show its images nor which is light or dark." };

    PlasmaWallpaper result;
    LightAndDark pair {};
    if (const auto* appearance = std::get_if<AppearancePair>(&layout)) {
        pair = { appearance->lightImageIndex, appearance->darkImageIndex };
    } else {
        auto chosen = brightestAndDarkest(source);
        if (!chosen) return chosen.error();
        pair = chosen.value();
        result.notes.push_back("Plasma shows one light and one dark picture, not one that follows the sun through the "
                               "day: its light picture is the brightest frame ("
            + std::to_string(pair.light + 1) + ") and its dark picture the darkest (" + std::to_string(pair.dark + 1)
            + ").");
    }

    auto folder = StagedWallpaperFolder::begin(packageFolder);
    if (!folder) return folder.error();
    result.package = folder.value().folder();
    const fs::path metadata = result.package / "metadata.json";
    if (auto written = writeTextFile(
            folder.value().stagedPath(metadata), plasmaMetadataJson(result.package.filename().string(), source.name));
        !written)
        return written.error();
    result.written.push_back(metadata);
    for (const auto& [index, subfolder] :
        { std::pair { pair.light, "images" }, std::pair { pair.dark, "images_dark" } }) {
        auto file = writeSizedImage(source, index, folder.value(), result.package / "contents" / subfolder);
        if (!file) return file.error();
        result.written.push_back(file.value());
        if (progress) progress(result.written.size() - 1, 2);
    }
    if (auto committed = folder.value().commit(); !committed) return committed.error();
    return result;
}

} // namespace tl::desktop
