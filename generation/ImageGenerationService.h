#pragma once

#include "generation/GenerationFailure.h"

#include <optional>
#include <stop_token>
#include <string>

namespace tl {

// One generated image, its bytes exactly as the service sent them.
struct GeneratedImage {
    std::string data;
    // The media type the service named, or no value when it named none.
    std::optional<std::string> contentType;
    friend bool operator==(const GeneratedImage&, const GeneratedImage&) = default;
};

// An image generator. generateImage blocks until the image arrives, so callers run it on a
// worker; it may be called from several threads at once.
class ImageGenerationService {
public:
    virtual ~ImageGenerationService() = default;

    // Whether the generator can be asked at all (its key variable exists, even if empty).
    virtual bool isConfigured() const = 0;

    // Text to image without inputImage; an edit of inputImage otherwise. size is "widthxheight".
    virtual GenerationResult<GeneratedImage> generateImage(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size, std::stop_token stop)
        = 0;
};

} // namespace tl
