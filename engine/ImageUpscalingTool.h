#pragma once

#include "engine/UpscaleError.h"
#include "platform/Result.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stop_token>

namespace tl {

// Enlarges an image file by an integer factor into another file. Implementations must allow
// several passes at once on one tool (the preprocessor runs up to three frames in parallel).
class ImageUpscalingTool {
public:
    // (tiles done, tiles of the pass), after every finished tile, on the pass's own thread.
    using TileProgress = std::function<void(int done, int total)>;

    virtual ~ImageUpscalingTool() = default;

    // The factors one pass can apply.
    virtual std::set<int> supportedScales() const = 0;

    // The tiles, the unit progress and time are counted in, of one pass over a picture of this size.
    virtual int tileCount(int /*width*/, int /*height*/) const { return 1; }

    // Blocking. Writes output only when the whole pass succeeded; a triggered stop token
    // ends the pass early with UpscaleError::Kind::cancelled.
    virtual Result<void, UpscaleError> upscale(const std::filesystem::path& input, const std::filesystem::path& output,
        int scale, std::stop_token stop, const TileProgress& tileDone)
        = 0;

    // The seconds one tile has taken on average while this tool was working, counted over the time
    // when at least one pass ran; none before the first tile or when the tool does not measure.
    virtual std::optional<double> secondsPerTile() const { return std::nullopt; }
};

} // namespace tl
