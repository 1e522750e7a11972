#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tl::ui::create_sheet {

enum class GenerationMode { relight, generate };
inline constexpr std::array allGenerationModes { GenerationMode::relight, GenerationMode::generate };
std::string_view label(GenerationMode mode);

enum class SmoothnessPreset { subtle, natural, cinematic };
inline constexpr std::array allSmoothnessPresets { SmoothnessPreset::subtle, SmoothnessPreset::natural,
    SmoothnessPreset::cinematic };
std::string_view label(SmoothnessPreset preset);
int tweenCount(SmoothnessPreset preset);
// The first preset with `count` tweens; Natural when none has it.
SmoothnessPreset presetForTweenCount(int count);

struct SizeOption {
    std::string_view label;
    std::string_view value;
    std::string_view aspectRatio;
};
inline constexpr std::array<SizeOption, 5> sizeOptions { {
    { "Apple 16:9 (1024×576)", "1024x576", "16:9" },
    { "Apple 16:10 (1024×640)", "1024x640", "16:10" },
    { "Square (1024×1024)", "1024x1024", "1:1" },
    { "Portrait (1024×1536)", "1024x1536", "2:3" },
    { "Landscape (1536×1024)", "1536x1024", "3:2" },
} };
// The ratio of the row whose value is exactly `size`, else "16:9".
std::string_view aspectRatioFor(std::string_view size);

inline constexpr std::array<std::string_view, 6> moodSuggestions { "Cinematic, soft haze", "Warm golden glow",
    "Moody twilight blues", "Crisp winter air, high contrast", "Dreamy pastel sunrise", "Natural color, true-to-life" };

inline constexpr std::string_view defaultModel = "local/openrouter/google/gemini-3-pro-image-preview";
inline constexpr std::string_view serverModelPrefix = "local/";
inline constexpr int maxConcurrentGenerations = 3;
inline constexpr int minTweenCount = 0;
inline constexpr int maxTweenCount = 12;

extern const std::string_view consistencySystemPrompt;
extern const std::string_view baseFramePromptHint;

// The prompt with `suggestion` added after ", ", or the suggestion alone for a blank prompt.
std::string appendedMood(std::string_view prompt, std::string_view suggestion);

} // namespace tl::ui::create_sheet
