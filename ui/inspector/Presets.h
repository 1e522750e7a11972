#pragma once

#include <array>
#include <string_view>

namespace tl {
class AppState;
}

namespace tl::ui {

// One of the two appearance-mode buttons.
struct AppearancePreset {
    std::string_view title;
    std::string_view symbol;
    std::string_view helpText;
    bool isLight;
};

inline constexpr std::array<AppearancePreset, 2> kAppearancePresets { {
    { "Light", "sun.max", "Use the light appearance image.", true },
    { "Dark", "moon.stars", "Use the dark appearance image.", false },
} };

// Gives the selected image these angles, both present, as one "Edit Image" step; nothing
// without a selected image. The time-of-day rows give the values.
void applyPreset(AppState& appState, double altitude, double azimuth);
// Gives the selected image this light flag the same way.
void setLight(AppState& appState, bool isLight);

} // namespace tl::ui
