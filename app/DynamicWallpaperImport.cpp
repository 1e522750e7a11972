#include "app/DynamicWallpaperImport.h"

#include "app/FrameFile.h"
#include "app/PackageLocation.h"
#include "engine/SolarPositionService.h"
#include "engine/desktop/DynamicHeicReader.h"
#include "platform/ExceptionText.h"
#include "platform/ImageDecoding.h"
#include "platform/Overloaded.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ranges>

namespace tl {
namespace {

namespace fs = std::filesystem;

// The spring equinox the clock times are placed on, fixed so a file opens the same every year.
Date springEquinox(const TimeZone& zone)
{
    using namespace std::chrono;
    const auto day = sys_days { year { 2024 } / March / 20 };
    const Date midnightUtc = Date::sinceUnixEpoch(static_cast<double>(day.time_since_epoch() / 1s));
    return midnightUtc.adding(-zone.secondsFromGMT(midnightUtc));
}

std::string degrees(double value, char positive, char negative)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f° %c", std::abs(value), value < 0 ? negative : positive);
    return text;
}

std::string clockNotice(const std::optional<ClockPlace>& place)
{
    const Location where = place ? place->location : referenceClockPlace().location;
    return "This wallpaper shows its images by the clock. Each time was turned into the sun's position at "
        + degrees(where.latitude, 'N', 'S') + ", " + degrees(where.longitude, 'E', 'W')
        + (place ? "" : " (no location is known)") + " on the spring equinox.";
}

constexpr const char* plainNotice
    = "This file has no dynamic-wallpaper information, so its images were opened as plain frames.";

// Gives the frames their places from the file's layout; the notice, if any, for the user.
std::optional<std::string> place(std::vector<WallpaperImage>& images, WallpaperMode& mode,
    const desktop::DynamicHeicReader& reader, const std::optional<ClockPlace>& clockPlace)
{
    return std::visit(Overloaded {
                          [&](std::monostate) -> std::optional<std::string> { return plainNotice; },
                          [&](const desktop::SolarSchedule& schedule) -> std::optional<std::string> {
                              for (const auto& frame : std::views::reverse(schedule.frames)) { // the first entry wins
                                  images[frame.imageIndex].altitude = frame.sun.altitudeDegrees;
                                  images[frame.imageIndex].azimuth = frame.sun.azimuthDegrees;
                              }
                              for (std::size_t i = 0; i < images.size(); ++i)
                                  images[i].isLight = reader.solarLight()[i];
                              return std::nullopt;
                          },
                          [&](const desktop::TimeOfDaySchedule& schedule) -> std::optional<std::string> {
                              const ClockPlace where = clockPlace.value_or(referenceClockPlace());
                              const Date midnight = springEquinox(where.zone);
                              for (const auto& frame : std::views::reverse(schedule.frames)) {
                                  const auto sun
                                      = SolarPositionService::sunPosition(midnight.adding(frame.dayFraction * 86400.0),
                                          where.zone, where.location.latitude, where.location.longitude);
                                  images[frame.imageIndex].altitude = sun.elevation;
                                  images[frame.imageIndex].azimuth = sun.azimuth;
                              }
                              return clockNotice(clockPlace);
                          },
                          [&](const desktop::AppearancePair& pair) -> std::optional<std::string> {
                              mode = WallpaperMode::appearance;
                              images[pair.darkImageIndex].isLight = false;
                              images[pair.lightImageIndex].isLight = true;
                              return std::nullopt;
                          },
                      },
        reader.wallpaper().layout);
}

Result<ImportedWallpaper, WallpaperImportError> importFrames(const fs::path& heic, const fs::path& workingFolder,
    const std::optional<ClockPlace>& clockPlace, std::stop_token stop,
    const std::function<void(std::size_t, std::size_t)>& progress)
{
    const auto reader = desktop::DynamicHeicReader::open(heic);
    if (!reader) return WallpaperImportError { reader.error().message() };
    const std::size_t count = reader.value().wallpaper().imageCount;
    ImportedWallpaper imported;
    const std::string stem = heic.stem().string();
    for (std::size_t i = 0; i < count; ++i) {
        if (stop.stop_requested()) return WallpaperImportError { {}, true };
        const auto pixels = reader.value().decodeImage(i);
        if (!pixels) return WallpaperImportError { pixels.error().message() };
        char number[32];
        std::snprintf(number, sizeof number, "-%02zu.png", i + 1);
        const fs::path file = workingFolder / (stem + number);
        auto frame = writePng(pixels.value(), file) ? readFrameFile(file) : std::nullopt;
        if (!frame)
            return WallpaperImportError { "The images could not be written to " + workingFolder.string() + "." };
        imported.images.push_back(std::move(*frame));
        if (progress) progress(i + 1, count);
    }
    imported.notice = place(imported.images, imported.mode, reader.value(), clockPlace);
    return imported;
}

} // namespace

ClockPlace referenceClockPlace()
{
    return { { 40.0, 0.0 }, TimeZone::utc() };
}

bool isDynamicWallpaperFile(const fs::path& path)
{
    std::string extension = path.extension().string();
    std::ranges::transform(extension, extension.begin(), [](unsigned char c) { return std::tolower(c); });
    return extension == ".heic" || extension == ".heif";
}

std::optional<fs::path> openableForSelection(const fs::path& selection)
{
    std::error_code error;
    if (isDynamicWallpaperFile(selection) && fs::is_regular_file(selection, error)) return selection;
    return packageForSelection(selection);
}

Result<ImportedWallpaper, WallpaperImportError> importDynamicWallpaper(const fs::path& heic,
    const fs::path& workingFolder, const std::optional<ClockPlace>& clockPlace, std::stop_token stop,
    const std::function<void(std::size_t, std::size_t)>& progress)
{
    // Runs on workers, where a throw (a failed allocation of a large frame) would end the program.
    try {
        return importFrames(heic, workingFolder, clockPlace, std::move(stop), progress);
    } catch (...) {
        return WallpaperImportError { currentExceptionText() };
    }
}

} // namespace tl
