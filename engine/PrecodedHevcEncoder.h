#pragma once

#include "engine/HevcCodedImage.h"
#include "platform/HeifHandles.h"

namespace tl {

// Adds an image already coded elsewhere (see HevcCodedImage) to `context` as a new top-level
// image, through a libheif encoder plugin of ours that hands libheif those units instead of
// coding pixels, so libheif still builds the item, its hvcC and colour properties as for any
// image it codes. Returns the new image's handle, or nothing when libheif refuses the units.
heif::ImageHandle addPrecodedImage(
    heif_context* context, const HevcCodedImage& image, const heif_encoding_options* options);

} // namespace tl
