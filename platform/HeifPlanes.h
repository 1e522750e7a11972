#pragma once

#include "platform/HeifHandles.h"

#include <opencv2/core.hpp>

namespace tl {

// A decoded picture in its own planes (Y'CbCr at any subsampling and depth, monochrome, or RGB
// planes), each plane shrunk to `size` first and only then converted to 8-bit BGR, or BGRA when it
// has alpha, so no full-size interleaved copy is ever made. The Y'CbCr matrix and range come from
// `nclx` (null: full-range BT.601). Empty for planes of another kind.
cv::Mat shrinkHeifPlanes(const heif_image* image, const heif_color_profile_nclx* nclx, cv::Size size);

// The same conversion at full size, band by band. Each band's rows of the planes are given back
// to the system once converted, so the planes and the converted picture are never both held
// whole: a 16384 x 16384 grid decoded at 4:4:4 would otherwise hold 1.6 GB. The image is used up.
cv::Mat convertHeifPlanes(heif::Image image, const heif_color_profile_nclx* nclx);

} // namespace tl
