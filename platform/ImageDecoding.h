#pragma once

#include <opencv2/core.hpp>

#include <filesystem>
#include <string_view>

namespace tl {

// Decodes the first image of a PNG, JPEG, TIFF, WebP, BMP, HEIC or HEIF file to 8-bit sRGB pixels:
// BGR, or BGRA when the file has alpha. Grey and deeper pixels are widened or narrowed to that; an
// embedded colour profile is converted (untagged pixels count as sRGB); JPEG EXIF orientation and
// HEIF rotations are applied. Empty when the file is missing, larger than kLargestImageFileBytes, states a
// size beyond largestImagePixels or largestImageSide in its header, or does not decode.
cv::Mat decodeImageFile(const std::filesystem::path& path);

// The same for a picture already in memory (an image service's answer, a dropped picture), with
// the same limits.
cv::Mat decodeImageBytes(std::string_view bytes);

// The same picture, made smaller when needed (never larger) so that its longer side is at most
// maxLongSide pixels. Decodes less where the format allows (JPEG scaled decoding, HEIF thumbnails).
cv::Mat decodePreview(const std::filesystem::path& path, int maxLongSide);

// Writes 8-bit BGR or BGRA pixels as PNG through a temporary file in the same folder and a rename,
// so nobody ever sees half a file and an existing file is replaced whole. Fast compression.
bool writePng(const cv::Mat& pixels, const std::filesystem::path& path);

} // namespace tl
