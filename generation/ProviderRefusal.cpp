#include "generation/ProviderRefusal.h"

#include "generation/JsonFields.h"
#include "generation/Text.h"

namespace tl {
namespace {

constexpr std::size_t kLongestReason = 300;

} // namespace

ImageGenerationError providerDeclined(std::string_view reason)
{
    const auto kept = text::prefixCharacters(text::trimmed(reason), kLongestReason);
    std::string quoted = json::compact(nlohmann::json(std::string(kept)));
    if (kept.size() < text::trimmed(reason).size()) quoted += "…";
    return { ImageGenerationError::Kind::declined, std::move(quoted) };
}

std::optional<ImageGenerationError> errorInReply(const nlohmann::json& reply)
{
    const auto* error = json::member(reply, "error");
    if (!error || error->is_null()) return std::nullopt;
    if (error->is_string()) return providerDeclined(error->get<std::string>());
    if (auto message = json::text(*error, "message")) return providerDeclined(*message);
    if (const auto* code = json::member(*error, "code"); code && !code->is_null())
        return providerDeclined(code->is_string() ? code->get<std::string>() : code->dump());
    return providerDeclined(error->dump());
}

} // namespace tl
