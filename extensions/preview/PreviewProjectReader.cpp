#include "extensions/preview/PreviewProjectReader.h"

#include "extensions/common/PackageLayout.h"
#include "extensions/common/RecordFields.h"

namespace tl::preview {

using namespace tl::extension;

std::optional<VelmarProject> readProject(const QString& packagePath)
{
    return readProjectAs<VelmarProject, VelmarImageInfo>(packagePath, [](const QJsonObject& entry) {
        VelmarImageInfo info;
        if (!readRequiredString(entry, QStringLiteral("fileName"), info.fileName))
            return std::optional<VelmarImageInfo> {};
        return std::optional { info };
    });
}

PreviewProject loadProject(const QString& packagePath)
{
    PreviewProject preview { packageName(packagePath), {}, {} };
    const auto project = readProject(packagePath);
    if (!project) {
        preview.detail = QStringLiteral("Missing or invalid project.json");
        return preview;
    }

    QStringList lines;
    if (project->version) lines << QStringLiteral("Version: ") + *project->version;
    if (project->mode) lines << QStringLiteral("Mode: ") + *project->mode;
    lines << QStringLiteral("Images: %1").arg(project->images.size());
    preview.detail = lines.join(u'\n');

    for (const VelmarImageInfo& image : project->images) {
        if (const auto path = framePath(packagePath, image.fileName)) preview.frameFiles << *path;
    }
    return preview;
}

} // namespace tl::preview
