#include "generation/OpenAIImageEditService.h"

#include "generation/JsonFields.h"

#include "generation/ImagesResponse.h"
#include "generation/MultipartForm.h"
#include "generation/Text.h"
#include "platform/Uuid.h"

#include <nlohmann/json.hpp>

#include <array>
#include <charconv>

namespace tl {
namespace {

constexpr std::array<std::string_view, 3> kAcceptedSizes { "1024x1024", "1024x1536", "1536x1024" };

std::optional<double> number(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

} // namespace

OpenAIImageEditService::OpenAIImageEditService(std::shared_ptr<const APIKeyProvider> apiKeyProvider,
    HttpTransport& session, std::string generationAddress, std::string editsAddress, AINetworkLog log)
    : generationURL(std::move(generationAddress))
    , editsURL(std::move(editsAddress))
    , connection_ { std::move(apiKeyProvider), session, log }
{
}

std::optional<std::string> OpenAIImageEditService::normalizedSize(const std::optional<std::string>& size)
{
    if (!size) return std::nullopt;
    const std::string text = text::lowercased(text::trimmed(*size));
    if (text.empty()) return std::nullopt;
    if (text == "auto") return text;
    for (const auto accepted : kAcceptedSizes)
        if (text == accepted) return text;

    std::vector<std::string_view> pieces;
    for (std::size_t start = 0; start <= text.size();) {
        const auto end = std::min(text.find('x', start), text.size());
        if (end > start) pieces.push_back(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
    if (pieces.size() != 2) return std::nullopt;
    const auto width = number(pieces[0]);
    const auto height = number(pieces[1]);
    if (!width || !height || *width <= 0 || *height <= 0) return std::nullopt;
    if (*width == *height) return "1024x1024";
    return *height < *width ? "1536x1024" : "1024x1536";
}

GenerationResult<GeneratedImage> OpenAIImageEditService::generateImage(const std::string& prompt,
    const std::string& model, const std::string& aspectRatio, const std::optional<std::string>& inputImage,
    const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size, std::stop_token stop)
{
    auto key = connection_.requireKey();
    if (!key.ok()) return key.error();
    const auto modelName = modelWithoutProvider(model);
    const auto wantedSize = normalizedSize(size ? size : std::optional<std::string>(aspectRatio));
    const auto combined = joinNonEmpty(systemPrompt, prompt);
    connection_.log.logPrompt("OpenAI", combined, std::nullopt);

    const bool editing = inputImage.has_value();
    const auto request = editing ? editRequest(key.value(), modelName, combined, wantedSize, *inputImage)
                                 : generationRequest(key.value(), modelName, combined, wantedSize);
    auto response = connection_.exchange(editing ? "OpenAI-Edits" : "OpenAI-Images", request, key.value(), stop);
    if (!response.ok()) return response.error();
    if (!response.value().succeeded()) return statusFailure("OpenAI", response.value(), key.value());
    return imageFromImagesResponse(response.value().body,
        [&](const std::string& url) { return connection_.download("OpenAI-ImageFetch", url, stop); });
}

HttpRequest OpenAIImageEditService::generationRequest(const std::string& key, const std::string& model,
    const std::string& prompt, const std::optional<std::string>& size) const
{
    nlohmann::json body = { { "model", model }, { "prompt", prompt }, { "n", 1 } };
    if (size) body["size"] = *size;
    auto request = json::postRequest(generationURL, body, requestTimeout);
    request.setHeader("Authorization", "Bearer " + key);
    return request;
}

HttpRequest OpenAIImageEditService::editRequest(const std::string& key, const std::string& model,
    const std::string& prompt, const std::optional<std::string>& size, const std::string& image) const
{
    MultipartForm form("Boundary-" + Uuid::random().text());
    form.addField("model", model);
    form.addField("prompt", prompt);
    form.addField("n", "1");
    if (size) form.addField("size", *size);
    form.addFile("image", "reference.png", "image/png", image);

    HttpRequest request;
    request.method = "POST";
    request.url = editsURL;
    request.timeout = requestTimeout;
    request.deadline = json::imageRequestDeadline;
    request.setHeader("Authorization", "Bearer " + key);
    request.setHeader("Content-Type", form.contentType());
    request.body = form.finish();
    return request;
}

} // namespace tl
