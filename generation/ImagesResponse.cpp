#include "generation/ImagesResponse.h"

#include "generation/Base64.h"
#include "generation/JsonFields.h"
#include "generation/PictureSignature.h"
#include "generation/ProviderRefusal.h"

#include <nlohmann/json.hpp>

namespace tl {
namespace {

struct ImageEntry {
    std::optional<std::string> b64Json;
    std::optional<std::string> url;
    std::optional<std::string> contentType;
};

std::optional<ImageEntry> readEntry(const nlohmann::json& entry)
{
    auto b64Json = json::optionalText(entry, "b64_json");
    auto url = json::optionalText(entry, "url");
    auto contentType = json::optionalText(entry, "content_type");
    if (!b64Json || !url || !contentType) return std::nullopt;
    return ImageEntry { std::move(*b64Json), std::move(*url), std::move(*contentType) };
}

} // namespace

GenerationResult<GeneratedImage> imageFromImagesResponse(const std::string& body, const ImageFetch& fetch)
{
    const auto reply = json::parse(body);
    if (auto error = errorInReply(reply)) return *error;
    if (!reply.is_object() || !reply.contains("data") || !reply["data"].is_array()) return ResponseDecodingError {};
    const auto& data = reply["data"];
    if (data.empty()) return ImageGenerationError::invalidResponse();

    const auto entry = readEntry(data.front());
    if (!entry) return ResponseDecodingError {};
    if (entry->b64Json) {
        if (auto bytes = base64::decodeImage(*entry->b64Json, true); bytes && looksLikePicture(*bytes)) {
            return GeneratedImage { std::move(*bytes), entry->contentType };
        }
    }
    if (entry->url) return fetch(*entry->url);
    return ImageGenerationError::decodeFailed();
}

} // namespace tl
