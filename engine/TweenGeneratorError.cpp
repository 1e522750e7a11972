#include "engine/TweenGeneratorError.h"

namespace tl {

std::string description(TweenGeneratorError error)
{
    switch (error) {
    case TweenGeneratorError::imageLoadFailed:
        return "Failed to load images for tweening";
    case TweenGeneratorError::invalidImageCount:
        return "Invalid tween count";
    case TweenGeneratorError::processingFailed:
        return "Failed to process tween frames";
    }
    return {};
}

} // namespace tl
