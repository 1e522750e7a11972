#include "extensions/thumbnail/ThumbnailError.h"

namespace tl::thumbnail {

int code(ThumbnailError error)
{
    return static_cast<int>(error);
}

QString message(ThumbnailError error)
{
    switch (error) {
    case ThumbnailError::failedToLoadProject:
        return QStringLiteral("Failed to load project");
    case ThumbnailError::noImages:
        return QStringLiteral("No images in project");
    case ThumbnailError::failedToLoadImage:
        return QStringLiteral("Failed to load image");
    }
    return {};
}

} // namespace tl::thumbnail
