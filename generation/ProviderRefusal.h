#pragma once

#include "generation/ImageGenerationError.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string_view>

namespace tl {

// The provider declined to make the image; `reason` is its block reason or its own words,
// quoted with control characters escaped and cut to a readable length.
ImageGenerationError providerDeclined(std::string_view reason);

// A reply that carries {"error": …} even with a success status: its message (or its code)
// as a refusal, else nothing.
std::optional<ImageGenerationError> errorInReply(const nlohmann::json& reply);

} // namespace tl
