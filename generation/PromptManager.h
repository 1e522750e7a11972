#pragma once

#include "generation/GenerationFailure.h"
#include "generation/ServerContext.h"

#include <chrono>
#include <map>
#include <optional>
#include <stop_token>
#include <string>

namespace tl {

struct PromptTemplates {
    struct Templates {
        std::string original;
        std::string relight;
        friend bool operator==(const Templates&, const Templates&) = default;
    };

    std::string version;
    std::string updated;
    Templates templates;

    // The record in its JSON form; no value when a member is missing or not text.
    static std::optional<PromptTemplates> decode(std::string_view json);
    friend bool operator==(const PromptTemplates&, const PromptTemplates&) = default;
};

// Supplies the prompt templates of the timeline generator: from the server at most once an
// hour, else the last reply kept in the settings, else the copy installed with the program.
// Meant for one caller at a time.
class PromptManager {
public:
    static constexpr const char* cacheKey = "CachedPromptTemplates";
    // When the kept reply was fetched, in seconds since 1970, so its age survives restarts.
    static constexpr const char* cacheTimeKey = "CachedPromptTemplatesFetchedAt";
    static constexpr const char* resourceName = "default-prompts.json";
    static constexpr std::chrono::seconds cacheDuration { 3600 };

    PromptManager(std::string serverURL, ServerContext context);

    // Fails only when cancelled, or when neither the server nor a kept or installed copy answers.
    GenerationResult<PromptTemplates> getPrompts(std::stop_token stop);

    // Puts each variable's value in place of "{name}", scanning once from left to right; a value
    // that itself holds a placeholder is left as it is.
    static std::string fillTemplate(std::string_view templateText, const std::map<std::string, std::string>& variables);

private:
    void loadCachedPrompts();
    GenerationResult<PromptTemplates> fetchFromServer(std::stop_token stop);
    GenerationResult<PromptTemplates> loadBundledPrompts() const;
    bool isFresh() const;

    const std::string serverURL_;
    const ServerContext context_;
    std::optional<PromptTemplates> cachedPrompts_;
    std::optional<std::chrono::system_clock::time_point> lastFetch_;
};

} // namespace tl
