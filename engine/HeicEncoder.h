#pragma once

#include "engine/HeicGeneratorError.h"
#include "engine/HevcCodedImage.h"
#include "engine/X265Frame.h"
#include "platform/HeifHandles.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <filesystem>
#include <optional>
#include <string>

namespace tl {

// The encoder settings of every exported wallpaper (the benchmark compares against the same).
inline constexpr int heicQuality = 85;
inline constexpr const char* heicPreset = "medium";
// The colour box of every image: BT.709 primaries, sRGB transfer, BT.601 matrix, full range.
inline constexpr int heicColourPrimaries = heif_color_primaries_ITU_R_BT_709_5;
inline constexpr int heicTransferCharacteristics = heif_transfer_characteristic_IEC_61966_2_1;
inline constexpr int heicMatrixCoefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
inline constexpr bool heicFullRange = true;
// Frames beyond the highest HEVC level; still written, with a warning.
inline constexpr int largestLevelWidth = 8192;
inline constexpr int largestLevelHeight = 4352;

// Collects HEVC-coded images in one HEIF container and writes it as a whole. Images carry the nclx
// colour box above and even sizes.
class HeicEncoder {
public:
    static Result<HeicEncoder, HeicGeneratorError> create();

    // Encodes 8-bit BGR or BGRA pixels (alpha is flattened onto black). An odd side loses its last
    // pixel row or column. `xmp`, when given, is attached to this image as its one metadata block.
    Result<void, HeicGeneratorError> addImage(
        const cv::Mat& pixels, const std::optional<std::string>& xmp = std::nullopt);

    // Starts coding one frame as addImage would, on its own, so several frames can be coded at
    // once; x265 gets `threads` worker threads. Pixels handed over (moved in) are freed as soon as
    // x265 has its copy. The caller makes sure the memory is there (FrameMemory): x265 does not
    // survive a failed allocation.
    static Result<X265Frame, HeicGeneratorError> startCoding(cv::Mat pixels, int threads);
    // Adds a frame coded through startCoding, as addImage adds pixels.
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
};

} // namespace tl
