#include "engine/HeicExportOptions.h"

#include "platform/RawValue.h"

namespace tl {

std::string_view rawValue(HeicUpscaleStrategy strategy)
{
    switch (strategy) {
    case HeicUpscaleStrategy::autoScale:
        return "auto";
    case HeicUpscaleStrategy::fast:
        return "fast";
    case HeicUpscaleStrategy::max:
        return "max";
    case HeicUpscaleStrategy::scale2:
        return "scale2";
    case HeicUpscaleStrategy::scale4:
        return "scale4";
    case HeicUpscaleStrategy::off:
        return "off";
    }
    return {};
}

std::optional<HeicUpscaleStrategy> heicUpscaleStrategy(std::string_view raw)
{
    return caseWithRawValue(allHeicUpscaleStrategies, raw);
}

std::string_view rawValue(HeicCanvasPreset preset)
{
    switch (preset) {
    case HeicCanvasPreset::matchSource:
        return "matchSource";
    case HeicCanvasPreset::apple8k:
        return "apple8k";
    case HeicCanvasPreset::apple6k:
        return "apple6k";
    case HeicCanvasPreset::custom:
        return "custom";
    }
    return {};
}

std::optional<HeicCanvasPreset> heicCanvasPreset(std::string_view raw)
{
    return caseWithRawValue(allHeicCanvasPresets, raw);
}

} // namespace tl
