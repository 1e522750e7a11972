#include "extensions/thumbnail/ThumbnailProvider.h"

#include "extensions/common/FrameDecoder.h"
#include "extensions/common/PackageLayout.h"

#include <algorithm>

namespace tl::thumbnail {

const VelmarImageInfo& ThumbnailProvider::chooseImage(const std::vector<VelmarImageInfo>& images)
{
    const auto daytimeKeyFrame = std::find_if(images.begin(), images.end(),
        [](const VelmarImageInfo& image) { return !image.isTween && image.altitude && *image.altitude > 0; });
    if (daytimeKeyFrame != images.end()) return *daytimeKeyFrame;
    const auto keyFrame
        = std::find_if(images.begin(), images.end(), [](const VelmarImageInfo& image) { return !image.isTween; });
    if (keyFrame != images.end()) return *keyFrame;
    return images.front();
}

std::variant<QImage, ThumbnailError> ThumbnailProvider::makeThumbnail(const QString& packagePath, int maximumSize)
{
    const auto project = readProject(packagePath);
    if (!project) return ThumbnailError::failedToLoadProject;
    if (project->images.empty()) return ThumbnailError::noImages;

    const auto path = extension::framePath(packagePath, chooseImage(project->images).fileName);
    if (!path) return ThumbnailError::failedToLoadImage;
    QImage frame = extension::decodeFrame(*path, maximumSize);
    if (frame.isNull()) return ThumbnailError::failedToLoadImage;
    return frame;
}

} // namespace tl::thumbnail
