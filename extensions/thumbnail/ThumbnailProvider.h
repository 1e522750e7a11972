#pragma once

#include "extensions/thumbnail/ThumbnailError.h"
#include "extensions/thumbnail/ThumbnailProjectReader.h"

#include <QImage>

#include <variant>

namespace tl::thumbnail {

// Draws a project package's thumbnail from one of its frames.
class ThumbnailProvider {
public:
    // The entry the thumbnail shows, by the first rule that finds one in record order: a key
    // frame with the sun above the horizon, else a key frame, else the first entry. The list
    // must not be empty.
    static const VelmarImageInfo& chooseImage(const std::vector<VelmarImageInfo>& images);

    // The chosen frame fitted within maximumSize x maximumSize, aspect ratio kept and never
    // enlarged. Only the chosen frame is tried: when it does not load, that is the answer.
    static std::variant<QImage, ThumbnailError> makeThumbnail(const QString& packagePath, int maximumSize);
};

} // namespace tl::thumbnail
