#pragma once

#include <memory>
#include <string>

namespace tl {

class Image;

enum class ExportFrameStatus { pending, upscaling, blending, complete };

// One row of the export progress list; only `status` changes once it exists.
struct ExportFrameInfo {
    std::string id;
    bool isKeyFrame = true;
    std::string fileName;
    // The frame's file, whose picture the thumbnail cache holds; empty for a frame held in memory.
    std::string sourcePath {};
    std::shared_ptr<const Image> thumbnail {};
    ExportFrameStatus status = ExportFrameStatus::pending;

    friend bool operator==(const ExportFrameInfo&, const ExportFrameInfo&) = default;
};

} // namespace tl
