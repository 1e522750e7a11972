#include "generation/PromptManager.h"

#include "generation/JsonFields.h"

#include "platform/Log.h"
#include "platform/http/WebUrl.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <sstream>

namespace tl {
namespace {

using Json = nlohmann::json;

double secondsSinceEpoch(std::chrono::system_clock::time_point moment)
{
    return std::chrono::duration<double>(moment.time_since_epoch()).count();
}

} // namespace

std::optional<PromptTemplates> PromptTemplates::decode(std::string_view json)
{
    const Json root = tl::json::parse(json);
    auto version = json::text(root, "version");
    auto updated = json::text(root, "updated");
    if (!version || !updated || !root.contains("templates")) return std::nullopt;
    auto original = json::text(root["templates"], "original");
    auto relight = json::text(root["templates"], "relight");
    if (!original || !relight) return std::nullopt;
    return PromptTemplates { std::move(*version), std::move(*updated), { std::move(*original), std::move(*relight) } };
}

PromptManager::PromptManager(std::string serverURL, ServerContext context)
    : serverURL_(std::move(serverURL))
    , context_(context)
{
    loadCachedPrompts();
}

void PromptManager::loadCachedPrompts()
{
    const auto stored = context_.defaults.data(cacheKey);
    if (!stored) return;
    auto prompts = PromptTemplates::decode(stored->bytes);
    if (!prompts) return;
    cachedPrompts_ = std::move(prompts);
    // A copy without a fetch time is of unknown age: it serves as a fallback but is refreshed first.
    if (const auto fetchedAt = context_.defaults.real(cacheTimeKey); fetchedAt && std::isfinite(*fetchedAt)) {
        lastFetch_ = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::duration<double>(*fetchedAt)));
    }
    log("✅ Loaded cached prompts (v" + cachedPrompts_->version + ")");
}

bool PromptManager::isFresh() const
{
    if (!cachedPrompts_ || !lastFetch_) return false;
    const auto age = context_.clock.systemNow() - *lastFetch_;
    // A fetch time in the future (a clock set back) does not keep a copy fresh forever.
    return age >= std::chrono::system_clock::duration::zero() && age < cacheDuration;
}

GenerationResult<PromptTemplates> PromptManager::getPrompts(std::stop_token stop)
{
    if (isFresh()) return *cachedPrompts_;

    auto fetched = fetchFromServer(stop);
    if (fetched.ok() || isCancellation(fetched.error())) return fetched;

    log("⚠️  Failed to fetch prompts from server: " + describe(fetched.error()));
    if (cachedPrompts_) {
        log("✅ Using cached prompts (v" + cachedPrompts_->version + ")");
        return *cachedPrompts_;
    }
    return loadBundledPrompts();
}

GenerationResult<PromptTemplates> PromptManager::fetchFromServer(std::stop_token stop)
{
    HttpRequest request;
    request.url = serverURL_ + "/api/prompts";
    request.timeout = context_.timeouts.prompts;
    request.deadline = json::deadlineFor(context_.timeouts.prompts, context_.timeouts.shortDeadline);
    if (!isWebURL(request.url)) return PromptError { PromptError::Kind::invalidURL };

    auto sent = context_.transport.send(request, stop);
    if (!sent.ok()) return sent.error();
    const HttpResponse& response = sent.value();
    if (response.status != 200) return PromptError { PromptError::Kind::serverError, response.status };
    auto prompts = PromptTemplates::decode(response.body);
    if (!prompts) return ResponseDecodingError {};

    const auto now = context_.clock.systemNow();
    cachedPrompts_ = *prompts;
    lastFetch_ = now;
    context_.defaults.set(cacheKey, DefaultsData { response.body });
    context_.defaults.set(cacheTimeKey, secondsSinceEpoch(now));
    log("✅ Prompts fetched from server (v" + prompts->version + ")");
    return std::move(*prompts);
}

GenerationResult<PromptTemplates> PromptManager::loadBundledPrompts() const
{
    const auto path = context_.resources.find(resourceName);
    if (!path) return PromptError { PromptError::Kind::noBundledPrompts };
    std::ifstream file(*path, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    if (!file) return PromptError { PromptError::Kind::noBundledPrompts };
    auto prompts = PromptTemplates::decode(contents.str());
    if (!prompts) return PromptError { PromptError::Kind::noBundledPrompts };
    log("✅ Using bundled prompts (v" + prompts->version + ")");
    return std::move(*prompts);
}

std::string PromptManager::fillTemplate(
    std::string_view templateText, const std::map<std::string, std::string>& variables)
{
    std::string filled;
    filled.reserve(templateText.size());
    std::size_t position = 0;
    while (position < templateText.size()) {
        const auto open = templateText.find('{', position);
        if (open == std::string_view::npos) break;
        filled.append(templateText.substr(position, open - position));
        const auto close = templateText.find('}', open + 1);
        if (close != std::string_view::npos) {
            const auto found = variables.find(std::string(templateText.substr(open + 1, close - open - 1)));
            if (found != variables.end()) {
                filled += found->second;
                position = close + 1;
                continue;
            }
        }
        filled += '{';
        position = open + 1;
    }
    filled.append(templateText.substr(std::min(position, templateText.size())));
    return filled;
}

} // namespace tl
