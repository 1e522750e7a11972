#pragma once

#include "engine/HeicGeneratorError.h"
#include "engine/HevcCodedImage.h"
#include "platform/HeifHandles.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace tl {

// The encoder settings of every exported wallpaper (the benchmark compares against the same).
inline constexpr int heicQuality = 85;
inline constexpr const char* heicPreset = "medium";
// Frames beyond the highest HEVC level; still written, with a warning.
inline constexpr int largestLevelWidth = 8192;
inline constexpr int largestLevelHeight = 4352;

// Collects HEVC-coded images in one HEIF container and writes it as a whole. Images carry an nclx
// colour box (BT.709 primaries, sRGB transfer, BT.601 matrix, full range) and even sizes.
class HeicEncoder {
public:
    static Result<HeicEncoder, HeicGeneratorError> create();

    // Encodes 8-bit BGR or BGRA pixels (alpha is flattened onto black). An odd side loses its last
    // pixel row or column. `xmp`, when given, is attached to this image as its one metadata block.
    Result<void, HeicGeneratorError> addImage(
        const cv::Mat& pixels, const std::optional<std::string>& xmp = std::nullopt);

    // Codes one frame as addImage would, in a container of its own, so several frames can be coded
    // at once; x265 gets `threads` worker threads. Pixels handed over (moved in) are freed as soon as
    // they are converted for the encoder. The caller makes sure the memory is there (FrameMemory):
    // x265 does not survive a failed allocation.
    static Result<HevcCodedImage, HeicGeneratorError> codeImage(cv::Mat pixels, int threads);
    // Adds a frame coded by codeImage, as addImage adds pixels.
    Result<void, HeicGeneratorError> addCodedImage(
        const HevcCodedImage& image, const std::optional<std::string>& xmp = std::nullopt);

    // Writes the container through a temporary file in the same folder and a rename, so a failure
    // leaves any existing file untouched and nothing half-written.
    Result<void, HeicGeneratorError> writeTo(const std::filesystem::path& path) const;

private:
    Result<heif::ImageHandle, HeicGeneratorError> encode(cv::Mat pixels);
    Result<void, HeicGeneratorError> attach(const heif::ImageHandle& handle, const std::optional<std::string>& xmp);

    HeicEncoder(heif::Context context, heif::Encoder encoder, heif::EncodingOptions options, heif::NclxProfile nclx);

    heif::Context context_;
    heif::Encoder encoder_;
    heif::EncodingOptions options_;
    heif::NclxProfile nclx_;
    // x265's worker threads; its default is one per core.
    int threads_ = static_cast<int>(std::thread::hardware_concurrency());
};

} // namespace tl
