#pragma once

#include <opencv2/core.hpp>

#include <filesystem>
#include <vector>

namespace tl::bench {

// Photographs reduced 4x with an area filter and enlarged again by each candidate model, by
// Lanczos and by bicubic; prints PSNR and SSIM against the original and the time per tile.
void printQualityTable(
    const std::vector<std::filesystem::path>& candidates, const std::vector<std::filesystem::path>& photographs);

// The photographs of Debian's plasma-workspace-wallpapers, where installed.
std::vector<std::filesystem::path> installedPhotographs();

// The first of them scaled to `size` when one is installed, noise otherwise.
cv::Mat photographOfSize(cv::Size size);

} // namespace tl::bench
