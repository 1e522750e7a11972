#pragma once

#include <filesystem>
#include <optional>
#include <stop_token>

namespace tl {

// The input side of the probe pass: a sixteenth of a tile's pixels.
inline constexpr int tileTimeProbeSide = 128;

// Roughly the seconds one 512x512 tile of the model in `file` takes on this machine, judged from one
// pass of the same network over a 128x128 input, whose work is a sixteenth of a tile's: well under
// a second on a desktop, against several for a tile. None when the model does not load, the pass
// fails or `stop` was triggered.
std::optional<double> probeSecondsPerTile(const std::filesystem::path& file, const std::stop_token& stop = {});

} // namespace tl
