#pragma once

#include <libheif/heif.h>

#include <opencv2/core.hpp>

namespace tl {

// A decoded picture in its own planes (Y'CbCr at any subsampling and depth, monochrome, or RGB
// planes), each plane shrunk to `size` first and only then converted to 8-bit BGR, or BGRA when it
// has alpha, so no full-size interleaved copy is ever made. The Y'CbCr matrix and range come from
// `nclx` (null: full-range BT.601). Empty for planes of another kind.
cv::Mat shrinkHeifPlanes(const heif_image* image, const heif_color_profile_nclx* nclx, cv::Size size);

} // namespace tl
