#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace tl {

// Picture files larger than this are refused unread: no picture we accept comes near it, and a
// dropped video or disk image must not be pulled into memory whole. Every reader of a file the
// user hands us checks it. The largest picture we decode, written by us as a PNG that did not
// compress (four bytes a pixel, a gigabyte, plus its chunk and block headers), still fits.
inline constexpr std::uintmax_t kLargestImageFileBytes = (std::uintmax_t { 1 } << 30) + (std::uintmax_t { 1 } << 24);

// The whole contents of a regular file of at most `largest` bytes; none when the file is missing,
// not a regular file, too large or unreadable.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& path, std::uintmax_t largest);

// readFileBytes bounded by kLargestImageFileBytes.
std::optional<std::vector<std::uint8_t>> readImageFileBytes(const std::filesystem::path& path);

} // namespace tl
