#pragma once

#include "engine/UpscaleError.h"
#include "platform/Result.h"

#include <filesystem>
#include <set>
#include <stop_token>

namespace tl {

// Enlarges an image file by an integer factor into another file. Implementations must allow
// several passes at once on one tool (the preprocessor runs up to three frames in parallel).
class ImageUpscalingTool {
public:
    virtual ~ImageUpscalingTool() = default;

    // The factors one pass can apply.
    virtual std::set<int> supportedScales() const = 0;

    // Blocking. Writes output only when the whole pass succeeded; a triggered stop token
    // ends the pass early with UpscaleError::Kind::cancelled.
    virtual Result<void, UpscaleError> upscale(
        const std::filesystem::path& input, const std::filesystem::path& output, int scale, std::stop_token stop)
        = 0;
};

} // namespace tl
