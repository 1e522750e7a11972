#include "engine/desktop/GnomeBackground.h"

#include "engine/desktop/StagedWallpaperFolder.h"
#include "platform/Text.h"

#include <cstdio>
#include <set>
#include <variant>

namespace tl::desktop {

namespace fs = std::filesystem;

namespace {

// Text as XML 1.0 holds it: markup characters escaped, a carriage return kept as a reference (a
// parser would turn it into a line feed), and what XML cannot hold at all (other control
// characters, U+FFFE, U+FFFF, bytes that are not UTF-8) replaced by U+FFFD.
std::string escaped(std::string_view text)
{
    constexpr std::string_view replacement = "\xEF\xBF\xBD";
    const std::string valid = validUtf8(text);
    std::string result;
    for (std::size_t i = 0; i < valid.size(); ++i) {
        const char c = valid[i];
        const std::string_view rest = std::string_view(valid).substr(i);
        if (rest.starts_with("\xEF\xBF\xBE") || rest.starts_with("\xEF\xBF\xBF")) {
            result += replacement;
            i += 2;
        } else if (c == '&') {
            result += "&amp;";
        } else if (c == '<') {
            result += "&lt;";
        } else if (c == '>') {
            result += "&gt;";
        } else if (c == '"') {
            result += "&quot;";
        } else if (c == '\r') {
            result += "&#13;";
        } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
            result += replacement;
        } else {
            result += c;
        }
    }
    return result;
}

std::string element(std::string_view name, std::string_view text)
{
    return "<" + std::string(name) + ">" + escaped(text) + "</" + std::string(name) + ">";
}

std::string imageFileName(std::size_t imageIndex, std::size_t imageCount)
{
    const int digits = static_cast<int>(std::to_string(imageCount).size());
    char name[32];
    std::snprintf(name, sizeof name, "%0*zu.png", digits, imageIndex + 1);
    return name;
}

DesktopError missingImage(std::size_t imageIndex)
{
    return { DesktopError::Kind::badImage, "The wallpaper has no image " + std::to_string(imageIndex + 1) + "." };
}

// Writes the listed images into the staged folder; the map gives each index its file in its place.
Result<std::map<std::size_t, fs::path>, DesktopError> writeImages(const WallpaperSource& source,
    const std::set<std::size_t>& indices, const StagedWallpaperFolder& folder, const DesktopProgress& progress)
{
    std::map<std::size_t, fs::path> files;
    for (const std::size_t index : indices) {
        if (index >= source.wallpaper.imageCount) return missingImage(index);
        auto pixels = source.pixels(index);
        if (!pixels) return pixels.error();
        const fs::path file = folder.folder() / imageFileName(index, source.wallpaper.imageCount);
        if (auto written = writeFullQualityImage(pixels.value(), folder.stagedPath(file)); !written)
            return written.error();
        files[index] = file;
        if (progress) progress(files.size(), indices.size());
    }
    return files;
}

// The listing's place once the wallpaper's folder is known: one inside the wanted folder moves with
// it; one elsewhere, for a wallpaper moved to a free folder name, takes that name, so no other
// wallpaper's listing is replaced.
fs::path listingFor(const GnomeFolders& wanted, const fs::path& folder)
{
    if (folder == wanted.backgroundFolder) return wanted.propertiesFile;
    const fs::path inside = wanted.propertiesFile.lexically_relative(wanted.backgroundFolder);
    if (!inside.empty() && *inside.begin() != "..") return folder / inside;
    return wanted.propertiesFile.parent_path() / (folder.filename().string() + ".xml");
}

} // namespace

GnomeFolders userGnomeFolders(const fs::path& dataHome, std::string_view name)
{
    const std::string folder = folderName(name);
    return { dataHome / "backgrounds" / folder, dataHome / "gnome-background-properties" / (folder + ".xml") };
}

GnomeFolders gnomeFoldersInside(const fs::path& folder, std::string_view name)
{
    const std::string own = folderName(name);
    return { folder / own, folder / own / (own + "-background-properties.xml") };
}

std::string slideshowXml(const DayLoop& loop, const CivilDay& day, const std::map<std::size_t, fs::path>& files)
{
    const int first = loop.turns.empty() ? 0 : loop.turns.front().startSecond;
    std::string xml = "<background>\n  <starttime>\n";
    xml += "    " + element("year", std::to_string(day.year)) + "\n";
    xml += "    " + element("month", std::to_string(day.month)) + "\n";
    xml += "    " + element("day", std::to_string(day.day)) + "\n";
    xml += "    " + element("hour", std::to_string(first / 3600)) + "\n";
    xml += "    " + element("minute", std::to_string(first / 60 % 60)) + "\n";
    xml += "    " + element("second", std::to_string(first % 60)) + "\n";
    xml += "  </starttime>\n";
    for (std::size_t i = 0; i < loop.turns.size(); ++i) {
        const TimedSlot& slot = loop.turns[i];
        const std::string from = files.at(slot.imageIndex).string();
        xml += "  <static>\n    " + element("duration", std::to_string(slot.holdSeconds)) + "\n    "
            + element("file", from) + "\n  </static>\n";
        if (slot.fadeSeconds == 0) continue;
        const std::string to = files.at(loop.turns[(i + 1) % loop.turns.size()].imageIndex).string();
        xml += "  <transition type=\"overlay\">\n    " + element("duration", std::to_string(slot.fadeSeconds))
            + "\n    " + element("from", from) + "\n    " + element("to", to) + "\n  </transition>\n";
    }
    xml += "</background>\n";
    return xml;
}

std::string backgroundPropertiesXml(
    std::string_view name, const fs::path& picture, const std::optional<fs::path>& darkPicture)
{
    std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE wallpapers SYSTEM \"gnome-wp-list.dtd\">\n<wallpapers>\n"
                      "  <wallpaper deleted=\"false\">\n";
    xml += "    " + element("name", name) + "\n";
    xml += "    " + element("filename", picture.string()) + "\n";
    if (darkPicture) xml += "    " + element("filename-dark", darkPicture->string()) + "\n";
    xml += "    " + element("options", "zoom") + "\n";
    xml += "    " + element("shade_type", "solid") + "\n";
    xml += "    " + element("pcolor", "#000000") + "\n";
    xml += "    " + element("scolor", "#000000") + "\n";
    xml += "  </wallpaper>\n</wallpapers>\n";
    return xml;
}

std::string distantFrameNote(const DistantFrame& frame)
{
    char note[200];
    std::snprintf(note, sizeof note,
        "The sun never comes near frame %zu's position here on this day: at best %.1f\u00b0 away, at %02d:%02d.",
        frame.imageIndex + 1, frame.nearestDegrees, frame.nearestSecond / 3600, frame.nearestSecond / 60 % 60);
    return note;
}

Result<GnomeWallpaper, DesktopError> writeGnomeWallpaper(const WallpaperSource& source, const SolarDay& solarDay,
    const GnomeFolders& folders, const DesktopProgress& progress)
{
    const WallpaperLayout& layout = source.wallpaper.layout;
    if (std::holds_alternative<std::monostate>(layout))
        return DesktopError { DesktopError::Kind::noLayout,
            "This wallpaper says neither when to show its images nor which is light or dark." };

    DayLoop loop;
    std::set<std::size_t> indices;
    if (const auto* solar = std::get_if<SolarSchedule>(&layout)) {
        loop = dayLoop(*solar, solarDay);
    } else if (const auto* timed = std::get_if<TimeOfDaySchedule>(&layout)) {
        loop = dayLoop(*timed);
    } else {
        const auto& pair = std::get<AppearancePair>(layout);
        indices = { pair.lightImageIndex, pair.darkImageIndex };
    }
    for (const TimedSlot& slot : loop.turns)
        indices.insert(slot.imageIndex);
    if (indices.empty())
        return DesktopError { DesktopError::Kind::noLayout, "This wallpaper lists no images to show." };

    // Relative paths would mean nothing to the desktop reading the files.
    const GnomeFolders wanted { fs::absolute(folders.backgroundFolder).lexically_normal(),
        fs::absolute(folders.propertiesFile).lexically_normal() };
    auto folder = StagedWallpaperFolder::begin(wanted.backgroundFolder);
    if (!folder) return folder.error();
    auto files = writeImages(source, indices, folder.value(), progress);
    if (!files) return files.error();

    GnomeWallpaper result;
    for (const auto& [index, file] : files.value())
        result.written.push_back(file);
    if (const auto* pair = std::get_if<AppearancePair>(&layout)) {
        result.picture = files.value().at(pair->lightImageIndex);
        result.darkPicture = files.value().at(pair->darkImageIndex);
    } else {
        result.picture = folder.value().folder() / (folderName(source.name) + ".xml");
        if (auto written
            = writeTextFile(folder.value().stagedPath(result.picture), slideshowXml(loop, solarDay.day, files.value()));
            !written)
            return written.error();
        result.written.push_back(result.picture);
        for (const DistantFrame& frame : loop.distantFrames)
            result.notes.push_back(distantFrameNote(frame));
    }
    if (auto committed = folder.value().commit(); !committed) return committed.error();

    result.propertiesFile = listingFor(wanted, folder.value().folder());
    std::error_code error;
    fs::create_directories(result.propertiesFile.parent_path(), error);
    if (auto written = writeTextFile(
            result.propertiesFile, backgroundPropertiesXml(source.name, result.picture, result.darkPicture));
        !written)
        return written.error();
    result.written.push_back(result.propertiesFile);
    return result;
}

} // namespace tl::desktop
