#include "engine/UpscaleError.h"

namespace tl {

std::string UpscaleError::description() const
{
    switch (kind) {
    case Kind::imageLoadFailed:
        return "Failed to load input image: " + path;
    case Kind::unsupportedScale:
        return "Unsupported upscale factor: " + std::to_string(scale) + "x.";
    case Kind::modelLoadFailed:
        return "Upscaling model failed to load.";
    case Kind::missingOutput:
        return "Upscaling model did not return an output image.";
    case Kind::imageCreateFailed:
        return "Failed to render upscaled image.";
    case Kind::outputWriteFailed:
        return "Failed to write upscaled image to disk.";
    case Kind::invalidInputSize:
        return "Input image is smaller than the 512x512 tile size.";
    case Kind::cancelled:
        return "Cancelled";
    }
    return {};
}

} // namespace tl
