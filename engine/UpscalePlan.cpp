#include "engine/UpscalePlan.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tl {
namespace {

std::vector<int> fallbackScales(HeicUpscaleStrategy strategy)
{
    switch (strategy) {
    case HeicUpscaleStrategy::autoScale:
    case HeicUpscaleStrategy::fast:
    case HeicUpscaleStrategy::scale4:
        return { 4, 2 };
    case HeicUpscaleStrategy::max:
        return { 2, 4 };
    case HeicUpscaleStrategy::scale2:
        return { 2 };
    case HeicUpscaleStrategy::off:
        return {};
    }
    return {};
}

double preferredCeilingFactor(HeicUpscaleStrategy strategy)
{
    switch (strategy) {
    case HeicUpscaleStrategy::fast:
    case HeicUpscaleStrategy::scale4:
        return 1.6;
    case HeicUpscaleStrategy::max:
        return 1.2;
    default:
        return 1.35;
    }
}

int firstChoice(HeicUpscaleStrategy strategy, double longSide)
{
    switch (strategy) {
    case HeicUpscaleStrategy::autoScale:
        return longSide < 1600 ? 4 : 2;
    case HeicUpscaleStrategy::fast:
        return longSide < 2600 ? 4 : 2;
    case HeicUpscaleStrategy::max:
    case HeicUpscaleStrategy::scale2:
        return 2;
    case HeicUpscaleStrategy::scale4:
        return 4;
    case HeicUpscaleStrategy::off:
        return 1;
    }
    return 1;
}

bool usable(PixelSize size)
{
    return std::isfinite(size.width) && std::isfinite(size.height) && size.width > 0 && size.height > 0;
}

double longSide(PixelSize size)
{
    return std::max(size.width, size.height);
}

} // namespace

int UpscalePlan::preferredScale(HeicUpscaleStrategy strategy, PixelSize size, const std::set<int>& supportedScales)
{
    const int first = firstChoice(strategy, longSide(size));
    if (supportedScales.contains(first)) return first;
    for (const int scale : fallbackScales(strategy))
        if (supportedScales.contains(scale)) return scale;
    return supportedScales.empty() ? 1 : *supportedScales.rbegin();
}

UpscalePlan UpscalePlan::make(HeicUpscaleStrategy strategy, PixelSize size, std::optional<PixelSize> targetSize,
    const std::set<int>& supportedScales)
{
    const UpscalePlan unchanged { {}, size };
    // Without these guards the pass loop below would never end (a zero side never grows).
    if (strategy == HeicUpscaleStrategy::off || !usable(size) || (targetSize && !usable(*targetSize))) return unchanged;

    if (!targetSize) {
        const int scale = preferredScale(strategy, size, supportedScales);
        if (scale < 2) return unchanged;
        return { { { scale } }, { size.width * scale, size.height * scale } };
    }

    const double target = longSide(*targetSize);
    if (target <= longSide(size)) return unchanged;
    const double preferredCeiling = target * preferredCeilingFactor(strategy);
    const double hardCeiling = target * 2.2;
    std::vector<int> candidates;
    for (const int scale : fallbackScales(strategy))
        if (supportedScales.contains(scale)) candidates.push_back(scale);

    UpscalePlan plan = unchanged;
    double current = longSide(size);
    const auto fitsUnder = [&](double ceiling) {
        return std::ranges::find_if(candidates, [&](int scale) { return current * scale <= ceiling; });
    };
    while (current < target) {
        auto chosen = fitsUnder(preferredCeiling);
        if (chosen == candidates.end()) chosen = fitsUnder(hardCeiling);
        if (chosen == candidates.end()) break;
        plan.steps.push_back({ *chosen });
        plan.estimatedOutputSize.width *= *chosen;
        plan.estimatedOutputSize.height *= *chosen;
        current = longSide(plan.estimatedOutputSize);
    }
    return plan;
}

} // namespace tl
