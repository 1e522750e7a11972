#include "extensions/thumbnail/ThumbnailProjectReader.h"

#include "extensions/common/RecordFields.h"

namespace tl::thumbnail {

using namespace tl::extension;

std::optional<VelmarProject> readProject(const QString& packagePath)
{
    return readProjectAs<VelmarProject, VelmarImageInfo>(packagePath, [](const QJsonObject& entry) {
        VelmarImageInfo info;
        if (!readRequiredString(entry, QStringLiteral("fileName"), info.fileName)
            || !readOptionalNumber(entry, QStringLiteral("altitude"), info.altitude)
            || !readFlag(entry, QStringLiteral("isTween"), info.isTween))
            return std::optional<VelmarImageInfo> {};
        return std::optional { info };
    });
}

} // namespace tl::thumbnail
