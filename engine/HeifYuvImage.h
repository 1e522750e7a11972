#pragma once

#include "platform/HeifHandles.h"

namespace tl {

// An 8-bit YCbCr 4:2:0 libheif image with its three planes allocated and, when one is given, the
// colour profile set; null when libheif refuses it.
heif::Image makeYuv420Image(int width, int height, const heif_color_profile_nclx* nclx);

} // namespace tl
