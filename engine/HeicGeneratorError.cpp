#include "engine/HeicGeneratorError.h"

namespace tl {

std::string HeicGeneratorError::description() const
{
    switch (kind) {
    case Kind::invalidConfiguration:
        return "Invalid configuration: " + detail;
    case Kind::imageLoadFailed:
        return "Failed to load image: " + detail;
    case Kind::processingFailed:
        return "Image processing failed: " + detail;
    case Kind::heicCreationFailed:
        return "Failed to create HEIC file";
    case Kind::metadataCreationFailed:
        return "Failed to create metadata";
    case Kind::fileWriteFailed: {
        std::string text = "Failed to write output file";
        if (!detail.empty()) text += " " + detail;
        if (reason) text += ": " + reason.message();
        return text;
    }
    }
    return {};
}

} // namespace tl
