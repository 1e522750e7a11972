#pragma once

#include "model/WallpaperImage.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

// A name read from a project record may only name one entry of "images":
// not empty, not "." or "..", no "/" and no NUL.
bool isPlainFileName(std::string_view name);

// The name a file gets inside a package: its own name as valid UTF-8, its stem shortened at a
// character boundary when that made it longer than a file name may be (255 bytes).
std::string packageFileName(const std::filesystem::path& source);

// The names the frames get in the package folder `imagesFolder`, in timeline
// order. A frame keeps its name unless another frame already took it for a
// different source file, a different file of that name is already in the
// folder (the later one then becomes "name-2.ext", "name-3.ext", ..., the stem
// shortened so that the name still fits 255 bytes) or the name is not a plain
// file name or too long for one.
std::vector<std::string> planPackageFileNames(
    const std::vector<WallpaperImage>& frames, const std::filesystem::path& imagesFolder);

// Whether two paths name the same file, however they are spelled (links,
// "./", doubled separators, hard links).
bool isSameFile(const std::filesystem::path& first, const std::filesystem::path& second);

} // namespace tl
