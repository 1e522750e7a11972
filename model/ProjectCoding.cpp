#include "model/ProjectCoding.h"

#include "model/JsonReader.h"
#include "model/JsonWriter.h"

#include <nlohmann/json.hpp>

namespace tl {
namespace {

using nlohmann::json;

template <class T> void putIfPresent(json& object, const char* key, const std::optional<T>& value)
{
    if (value) object[key] = *value;
}

json imageRecord(const WallpaperImage& image)
{
    json record = json::object();
    record["id"] = image.id.text();
    record["fileName"] = image.fileName;
    record["isTween"] = image.isTween;
    putIfPresent(record, "altitude", image.altitude);
    putIfPresent(record, "azimuth", image.azimuth);
    putIfPresent(record, "isLight", image.isLight);
    if (image.parentId) record["parentId"] = image.parentId->text();
    putIfPresent(record, "tweenCount", image.tweenCount);
    return record;
}

json projectRecord(const Project& project)
{
    json images = json::array();
    for (const auto& image : project.images)
        images.push_back(imageRecord(image));
    json record = json::object();
    record["version"] = project.version;
    record["mode"] = rawValue(project.mode);
    record["images"] = std::move(images);
    putIfPresent(record, "magicPrompt", project.magicPrompt);
    putIfPresent(record, "magicSize", project.magicSize);
    putIfPresent(record, "magicTweenCount", project.magicTweenCount);
    putIfPresent(record, "magicStartingImageFileName", project.magicStartingImageFileName);
    return record;
}

WallpaperImage readImage(JsonObjectReader& record)
{
    WallpaperImage image;
    image.id = record.required<Uuid>("id");
    image.fileName = record.required<std::string>("fileName");
    image.altitude = record.optional<double>("altitude");
    image.azimuth = record.optional<double>("azimuth");
    image.isLight = record.optional<bool>("isLight");
    image.isTween = record.required<bool>("isTween");
    image.parentId = record.optional<Uuid>("parentId");
    image.tweenCount = record.optional<std::int64_t>("tweenCount");
    return image;
}

WallpaperMode readMode(JsonObjectReader& record)
{
    const auto mode = wallpaperModeFromRaw(record.required<std::string>("mode"));
    if (!mode) {
        record.reject("mode", "\"time\" or \"appearance\"");
        return WallpaperMode::time;
    }
    return *mode;
}

} // namespace

CodingResult<std::string> encodeProjectFile(const Project& project)
{
    return writeJson(projectRecord(project), JsonLayout::pretty);
}

CodingResult<Project> decodeProjectFile(std::string_view text)
{
    const auto parsed = parseJson(text);
    if (!parsed) return parsed.error();

    std::optional<CodingError> fault;
    JsonObjectReader record { parsed.value(), "", fault };
    Project project;
    project.version = record.required<std::string>("version");
    project.mode = readMode(record);
    for (auto& imageRecord : record.objects("images", largestFrameCount))
        project.images.push_back(readImage(imageRecord));
    project.magicPrompt = record.optional<std::string>("magicPrompt");
    project.magicSize = record.optional<std::string>("magicSize");
    project.magicTweenCount = record.optional<std::int64_t>("magicTweenCount");
    project.magicStartingImageFileName = record.optional<std::string>("magicStartingImageFileName");
    if (fault) return *fault;
    return project;
}

} // namespace tl
