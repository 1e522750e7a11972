#include "generation/GenerationFailure.h"

namespace tl {
namespace {

constexpr const char* kInvalidServerURL = "Invalid server URL";
constexpr const char* kInvalidServerResponse = "Invalid response from server";

// The token and prompt endpoints word a failed status alike.
std::string serverStatusText(long status)
{
    return "Server error: " + std::to_string(status);
}

} // namespace

std::string ImageGenerationError::description() const
{
    switch (kind) {
    case Kind::requestFailed:
        return message;
    case Kind::missingAPIKey:
        return "Missing API key";
    case Kind::invalidResponse:
        return "Unexpected response from image service";
    case Kind::decodeFailed:
        return "Failed to decode image data";
    case Kind::declined:
        return "The provider declined to make the image: " + message;
    }
    return message;
}

std::string TokenError::description() const
{
    switch (kind) {
    case Kind::serverError:
        return serverStatusText(status);
    case Kind::invalidURL:
        return kInvalidServerURL;
    case Kind::invalidResponse:
        return kInvalidServerResponse;
    }
    return kInvalidServerResponse;
}

std::string ProxyError::description() const
{
    switch (kind) {
    case Kind::serverError:
        return "Server error " + std::to_string(status) + ": " + reply;
    case Kind::invalidURL:
        return kInvalidServerURL;
    case Kind::invalidResponse:
        return kInvalidServerResponse;
    case Kind::unauthorized:
        return "Unauthorized - token expired";
    case Kind::invalidImageResponse:
        return "Invalid image response from server";
    }
    return kInvalidServerResponse;
}

std::string PromptError::description() const
{
    switch (kind) {
    case Kind::serverError:
        return serverStatusText(status);
    case Kind::invalidURL:
        return kInvalidServerURL;
    case Kind::invalidResponse:
        return kInvalidServerResponse;
    case Kind::noBundledPrompts:
        return "No bundled prompts available";
    }
    return kInvalidServerResponse;
}

std::string describe(const GenerationFailure& failure)
{
    return std::visit([](const auto& error) { return error.description(); }, failure);
}

std::string describe(const GenerationFailure& failure, std::string_view serverURL)
{
    const auto* transport = std::get_if<HttpError>(&failure);
    if (!transport || transport->kind != HttpError::Kind::cannotConnect) return describe(failure);
    return transport->description() + "\n" + std::string(serverURL);
}

bool isCancellation(const GenerationFailure& failure)
{
    const auto* transport = std::get_if<HttpError>(&failure);
    return transport && transport->isCancellation();
}

} // namespace tl
