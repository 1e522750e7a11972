#pragma once

#include "generation/GenerationFailure.h"
#include "generation/ServerContext.h"
#include "generation/TokenManager.h"

#include <nlohmann/json_fwd.hpp>

#include <stop_token>
#include <string>

namespace tl {

// Generates and edits images through the product's server, which forwards chat completions
// with image output to an image model. Every request carries a bearer token of this client's
// own token manager; a rejected token is replaced once. Safe to use from several threads.
class OpenRouterProxyClient {
public:
    OpenRouterProxyClient(std::string serverURL, ServerContext context);

    GenerationResult<std::string> generateImage(
        const std::string& prompt, const std::string& model, std::stop_token stop);
    GenerationResult<std::string> editImage(
        const std::string& imageData, const std::string& prompt, const std::string& model, std::stop_token stop);
    // The prompt refers to the two images in this order: first `imageData`, then `referenceImageData`.
    GenerationResult<std::string> editImage(const std::string& imageData, const std::string& referenceImageData,
        const std::string& prompt, const std::string& model, std::stop_token stop);

private:
    GenerationResult<std::string> send(const std::string& path, const nlohmann::json& body, std::stop_token stop);
    GenerationResult<std::string> perform(const HttpRequest& request, std::stop_token stop);

    const std::string serverURL_;
    const ServerContext context_;
    TokenManager tokenManager_;
};

} // namespace tl
