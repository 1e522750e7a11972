#pragma once

#include "generation/ProviderExchange.h"

#include <functional>

namespace tl {

// Reads the image of a successful images-API reply ({"data": [{"b64_json", "url", "content_type"}]}),
// which OpenAI and OpenRouter share: the first entry's base64 when it decodes, else its address.
// `fetch` turns an image address into the image.
using ImageFetch = std::function<GenerationResult<GeneratedImage>(const std::string& url)>;
GenerationResult<GeneratedImage> imageFromImagesResponse(const std::string& body, const ImageFetch& fetch);

} // namespace tl
