#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tl {

// How the export upscales frames before fitting them to the canvas.
enum class HeicUpscaleStrategy { autoScale, fast, max, scale2, scale4, off };

inline constexpr std::array allHeicUpscaleStrategies { HeicUpscaleStrategy::autoScale, HeicUpscaleStrategy::fast,
    HeicUpscaleStrategy::max, HeicUpscaleStrategy::scale2, HeicUpscaleStrategy::scale4, HeicUpscaleStrategy::off };

std::string_view rawValue(HeicUpscaleStrategy strategy);
// Only the six raw values ("auto", "fast", "max", "scale2", "scale4", "off") give a strategy.
std::optional<HeicUpscaleStrategy> heicUpscaleStrategy(std::string_view raw);

} // namespace tl
