#include "engine/EngineError.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

TEST(EngineError, TextsAndCancellation)
{
    using Kind = HeicGeneratorError::Kind;
    const std::vector<std::pair<EngineError, std::string>> cases {
        { HeicGeneratorError::imageLoadFailed("/a/b.png"), "Failed to load image: /a/b.png" },
        { HeicGeneratorError::invalidConfiguration("No images provided"), "Invalid configuration: No images provided" },
        { HeicGeneratorError::processingFailed("x"), "Image processing failed: x" },
        { HeicGeneratorError::of(Kind::heicCreationFailed), "Failed to create HEIC file" },
        { HeicGeneratorError::of(Kind::metadataCreationFailed), "Failed to create metadata" },
        { HeicGeneratorError::of(Kind::fileWriteFailed), "Failed to write output file" },
        { TweenGeneratorError::invalidImageCount, "Invalid tween count" },
        { TweenGeneratorError::processingFailed, "Failed to process tween frames" },
        { UpscaleError::unsupported(3), "Unsupported upscale factor: 3x." },
    };
    for (const auto& [error, text] : cases) {
        EXPECT_EQ(error.description(), text);
        EXPECT_FALSE(error.isCancelled()) << text;
    }
    EXPECT_TRUE(EngineError(Cancelled {}).isCancelled());
    EXPECT_TRUE(EngineError(UpscaleError::of(UpscaleError::Kind::cancelled)).isCancelled());
    // The upscaler's own error stays reachable as it was.
    EXPECT_EQ(EngineError(UpscaleError::unsupported(3)).as<UpscaleError>()->scale, 3);
}

} // namespace
} // namespace tl
