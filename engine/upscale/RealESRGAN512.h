#pragma once

#include "engine/UpscaleError.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>

namespace tl {

// A 4x super-resolution network run on the CPU through OpenCV's dnn module.
//
// Model contract (ONNX): one input named "input", float32 NCHW 1x3x512x512, RGB in [0, 1];
// one output, float32 1x3x2048x2048, RGB in [0, 1].
//
// One loaded network serves every caller: a forward pass already uses every core and the
// network is not safe to run from two threads, so passes are taken one at a time while the
// callers' own work (cropping, blob making, painting) runs outside the lock.
class RealESRGAN512 {
public:
    static constexpr int inputSize = 512;
    static constexpr int outputSize = 2048;

    // Loads the model and runs one probe pass; a missing, unreadable or non-conforming model
    // (wrong input name, output not 3x2048x2048) is modelLoadFailed.
    static Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> load(const std::filesystem::path& file);
    // The shipped model, found by findUpscaleModel().
    static Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> loadShipped();

    // Runs one 512x512 tile (8-bit BGR or BGRA; alpha is not seen by the network) and paints
    // the 2048x2048 result, 8-bit BGR, into `destination`, which must be a region of that size
    // and type. An output of any other shape is missingOutput and leaves `destination` as it was.
    Result<void, UpscaleError> upscaleTile(const cv::Mat& tile, cv::Mat destination) const;

    // Totals since loading (the probe pass excluded), for benchmarks and tests.
    struct Statistics {
        std::uint64_t passes = 0;
        std::chrono::nanoseconds forwardTime {};
    };
    Statistics statistics() const;

private:
    explicit RealESRGAN512(cv::dnn::Net net);
    // The raw output of one pass, copied out of the network's buffers.
    Result<cv::Mat, UpscaleError> forward(const cv::Mat& blob) const;

    mutable std::mutex mutex_;
    mutable cv::dnn::Net net_;
    mutable std::atomic<std::uint64_t> passes_ { 0 };
    mutable std::atomic<std::int64_t> forwardNanoseconds_ { 0 };
};

} // namespace tl
