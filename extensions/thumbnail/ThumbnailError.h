#pragma once

#include <QString>

namespace tl::thumbnail {

// Failures reported to whoever asked for a thumbnail; the code doubles as the exit status.
enum class ThumbnailError {
    failedToLoadProject = 1,
    noImages = 2,
    failedToLoadImage = 3,
};

inline constexpr char thumbnailErrorDomain[] = "com.hollowquart.Velmar";

int code(ThumbnailError error);
QString message(ThumbnailError error);

} // namespace tl::thumbnail
