#pragma once

#include "generation/GenerationFailure.h"
#include "platform/http/HttpTransport.h"

#include <nlohmann/json_fwd.hpp>

#include <stop_token>

namespace tl {

// Digs the image out of a chat completion of the product's proxy, trying in turn the message's
// first image address (a base64 data address, else a web address to download), that image's
// "b64_json", a message content that is itself a web address, and the top-level "data" address.
GenerationResult<std::string> extractProxyImage(
    const nlohmann::json& reply, const nlohmann::json& message, HttpTransport& transport, std::stop_token stop);

// The first choice's message when it is a non-empty object, else nothing.
const nlohmann::json* firstChoiceMessage(const nlohmann::json& reply);

} // namespace tl
