#include "ui/generation/CreateWallpaperTables.h"

#include "generation/Text.h"

#include <algorithm>

namespace tl::ui::create_sheet {

const std::string_view consistencySystemPrompt
    = "You are doing image-to-image relighting. The reference image is the locked scene.\n"
      "Keep camera, framing, perspective, geometry, and every object identical.\n"
      "Do not add or remove objects, do not change materials, and do not change art style.\n"
      "Allowed changes: lighting direction/intensity, shadows, color temperature, and subtle sky evolution "
      "(cloud shapes/positions, star visibility) that remains tweenable.\n"
      "If the sun or moon is visible in the reference, it may move slightly along a smooth arc consistent with "
      "the given altitude/azimuth and the ecliptic plane. If it is not visible, do not introduce new celestial "
      "bodies.\n"
      "No new people, vehicles, buildings, props, or landscape changes. Do not switch scenes (no indoor/outdoor "
      "swaps).";

const std::string_view baseFramePromptHint
    = "This is the base frame for a time-of-day sequence. Create a stable scene that can be relit across phases.\n"
      "Avoid elements that would imply motion between frames; if present, keep them frozen and identical.\n"
      "If the scene includes sky, keep it natural and tweenable.";

std::string_view label(GenerationMode mode)
{
    return mode == GenerationMode::relight ? "Relight My Image" : "Generate a New Scene";
}

std::string_view label(SmoothnessPreset preset)
{
    switch (preset) {
    case SmoothnessPreset::subtle:
        return "Subtle";
    case SmoothnessPreset::natural:
        return "Natural";
    case SmoothnessPreset::cinematic:
        return "Cinematic";
    }
    return "Natural";
}

int tweenCount(SmoothnessPreset preset)
{
    constexpr std::array counts { 2, 3, 6 };
    return counts[static_cast<std::size_t>(preset)];
}

SmoothnessPreset presetForTweenCount(int count)
{
    const auto found = std::ranges::find(allSmoothnessPresets, count, [](auto preset) { return tweenCount(preset); });
    return found == allSmoothnessPresets.end() ? SmoothnessPreset::natural : *found;
}

std::string_view aspectRatioFor(std::string_view size)
{
    const auto found = std::ranges::find(sizeOptions, size, &SizeOption::value);
    return found == sizeOptions.end() ? std::string_view("16:9") : found->aspectRatio;
}

std::string appendedMood(std::string_view prompt, std::string_view suggestion)
{
    const auto base = text::trimmed(prompt);
    if (base.empty()) return std::string(suggestion);
    return std::string(base) + ", " + std::string(suggestion);
}

} // namespace tl::ui::create_sheet
