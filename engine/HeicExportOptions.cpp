#include "engine/HeicExportOptions.h"

#include <array>
#include <utility>

namespace tl {

namespace {

template <class Enum, std::size_t N>
std::optional<Enum> fromRaw(const std::array<std::pair<Enum, std::string_view>, N>& table, std::string_view raw)
{
    for (const auto& [value, name] : table)
        if (name == raw) return value;
    return std::nullopt;
}

template <class Enum, std::size_t N>
std::string_view toRaw(const std::array<std::pair<Enum, std::string_view>, N>& table, Enum value)
{
    for (const auto& [candidate, name] : table)
        if (candidate == value) return name;
    return {};
}

constexpr std::array strategies {
    std::pair { HeicUpscaleStrategy::autoScale, std::string_view("auto") },
    std::pair { HeicUpscaleStrategy::fast, std::string_view("fast") },
    std::pair { HeicUpscaleStrategy::max, std::string_view("max") },
    std::pair { HeicUpscaleStrategy::scale2, std::string_view("scale2") },
    std::pair { HeicUpscaleStrategy::scale4, std::string_view("scale4") },
    std::pair { HeicUpscaleStrategy::off, std::string_view("off") },
};

constexpr std::array presets {
    std::pair { HeicCanvasPreset::matchSource, std::string_view("matchSource") },
    std::pair { HeicCanvasPreset::apple8k, std::string_view("apple8k") },
    std::pair { HeicCanvasPreset::apple6k, std::string_view("apple6k") },
    std::pair { HeicCanvasPreset::custom, std::string_view("custom") },
};

} // namespace

std::string_view rawValue(HeicUpscaleStrategy strategy)
{
    return toRaw(strategies, strategy);
}
std::optional<HeicUpscaleStrategy> heicUpscaleStrategy(std::string_view raw)
{
    return fromRaw(strategies, raw);
}
std::string_view rawValue(HeicCanvasPreset preset)
{
    return toRaw(presets, preset);
}
std::optional<HeicCanvasPreset> heicCanvasPreset(std::string_view raw)
{
    return fromRaw(presets, raw);
}

} // namespace tl
