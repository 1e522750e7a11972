#pragma once

#include <filesystem>
#include <optional>
#include <stop_token>

namespace tl {

// The input side of the probe pass: a quarter of a tile's pixels, large enough that every layer
// keeps the cores busy as a tile's do.
inline constexpr int tileTimeProbeSide = 256;

// Roughly the seconds one 512x512 tile of the model in `file` takes on this machine, judged from a
// pass of the same network over a 256x256 input, a quarter of a tile's work, after one untimed
// pass. None when the model does not load, a pass fails or `stop` was triggered.
std::optional<double> probeSecondsPerTile(const std::filesystem::path& file, const std::stop_token& stop = {});

} // namespace tl
