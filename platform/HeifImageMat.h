#pragma once

#include "platform/HeifHandles.h"

#include <opencv2/core.hpp>

namespace tl {

// The interleaved plane of a decoded libheif image as a matrix that owns the image, so a picture
// of a gigabyte is not copied to be handed on; the image is released with the matrix's last
// reference. Empty when the image has no interleaved 8-bit plane.
cv::Mat interleavedMat(heif::Image image);

} // namespace tl
