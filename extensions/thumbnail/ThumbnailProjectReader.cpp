#include "extensions/thumbnail/ThumbnailProjectReader.h"

#include "extensions/common/RecordFields.h"

namespace tl::thumbnail {

using namespace tl::extension;

std::optional<VelmarProject> readProject(const QString& packagePath)
{
    const auto record = readProjectRecord(packagePath);
    if (!record) return std::nullopt;
    auto images = readEntries<VelmarImageInfo>(record->images, [](const QJsonObject& entry) {
        VelmarImageInfo info;
        if (!readRequiredString(entry, QStringLiteral("fileName"), info.fileName)
            || !readOptionalNumber(entry, QStringLiteral("altitude"), info.altitude)
            || !readFlag(entry, QStringLiteral("isTween"), info.isTween))
            return std::optional<VelmarImageInfo> {};
        return std::optional { info };
    });
    if (!images) return std::nullopt;
    return VelmarProject { record->version, record->mode, std::move(*images) };
}

} // namespace tl::thumbnail
