#pragma once

#include <string>

namespace tl {

// Why in-memory or file tween blending gave no frames.
enum class TweenGeneratorError { imageLoadFailed, invalidImageCount, processingFailed };

// The text shown to the user.
std::string description(TweenGeneratorError error);

} // namespace tl
