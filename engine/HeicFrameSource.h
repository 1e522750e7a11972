#pragma once

#include "engine/PixelSize.h"
#include "model/WallpaperImage.h"

#include <filesystem>
#include <vector>

namespace tl {

// One frame ready for encoding: its timeline record and the file that holds its pixels.
struct HeicFrameSource {
    WallpaperImage image;
    std::filesystem::path url;
    PixelSize size {}; // zero when the source file is used unchanged
};

// What preprocessing produced: the frames in input order and the working folder they live in.
struct HeicPreprocessSession {
    std::vector<HeicFrameSource> frames;
    std::filesystem::path directory;
    bool keepFiles = false; // false: the writer removes `directory` when it is done
};

} // namespace tl
