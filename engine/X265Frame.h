#pragma once

#include "engine/HeicGeneratorError.h"
#include "engine/HevcCodedImage.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <memory>

struct x265_encoder;

namespace tl {

// One picture coded by x265 set up exactly as libheif's own x265 plugin sets it up for the
// writer's quality, preset and colour box, so the units can be placed as if libheif had coded
// them. Calling x265 here rather than through libheif frees the picture and its planes as soon as
// x265 has its own copy, where libheif holds them until the frame is coded, and splits the work
// in two: x265 takes the picture and analyses it on one thread, then codes it mostly on all cores.
class X265Frame {
public:
    // `bgr` is 8-bit BGR with even sides (evenOpaque); a picture handed over (moved in) is freed
    // once x265 has its copy. x265 gets `threads` worker threads.
    static Result<X265Frame, HeicGeneratorError> analyse(cv::Mat bgr, int threads);

    // Codes the picture: the long part, which x265 began when the analysis was done; parallel at
    // first, its last stretch on one thread.
    Result<HevcCodedImage, HeicGeneratorError> code() &&;

    X265Frame(X265Frame&&) noexcept;
    X265Frame& operator=(X265Frame&&) noexcept;
    ~X265Frame();

private:
    struct Close {
        void operator()(x265_encoder* encoder) const;
    };
    X265Frame(std::unique_ptr<x265_encoder, Close> encoder, HevcCodedImage image);

    std::unique_ptr<x265_encoder, Close> encoder_;
    HevcCodedImage image_;
};

} // namespace tl
