#pragma once

#include "generation/AINetworkLog.h"
#include "generation/APIKeyProvider.h"
#include "generation/ImageGenerationService.h"
#include "platform/http/HttpTransport.h"

#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace tl {

// What every public-provider client holds: its key source, the transport and its log.
struct ProviderConnection {
    std::shared_ptr<const APIKeyProvider> apiKeyProvider;
    HttpTransport& session;
    AINetworkLog log;

    // The key, or missingAPIKey when it is unset or empty.
    GenerationResult<std::string> requireKey() const;
    bool isConfigured() const { return apiKeyProvider->apiKey().has_value(); }

    // Logs the request, sends it, and logs the response with its body, `key` scrubbed from it.
    GenerationResult<HttpResponse> exchange(
        std::string_view tag, const HttpRequest& request, std::string_view key, std::stop_token stop) const;
    // Downloads an image address named in a reply. Only absolute web addresses are fetched, and
    // an error page, or bytes that are no picture, is no image: all fail as decodeFailed.
    GenerationResult<GeneratedImage> download(std::string_view tag, const std::string& url, std::stop_token stop) const;
};

// "<provider> error <status>: <body>", with "Unknown error" for a body that is not text; a reply
// that echoes the client's `key` is quoted with the key scrubbed.
ImageGenerationError statusFailure(std::string_view provider, const HttpResponse& response, std::string_view key);

// The model trimmed and, when it names a provider ("vendor/model"), without the part up to the first "/".
std::string modelWithoutProvider(std::string_view model);
// The model trimmed and without any provider path ("router/vendor/model" gives "model"), for an
// address that names one model by itself.
std::string bareModelName(std::string_view model);

// The system prompt and the prompt on two lines, or whichever of them is not empty.
std::string joinNonEmpty(const std::optional<std::string>& systemPrompt, const std::string& prompt);

} // namespace tl
