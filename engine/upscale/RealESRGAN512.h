#pragma once

#include "engine/UpscaleError.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stop_token>

namespace tl {

class DnnlNetwork;

// A 4x super-resolution network run on the CPU through oneDNN (see DnnlNetwork).
//
// Model contract (ONNX): one input named "input", float32 NCHW 1x3x512x512, RGB in [0, 1];
// one output, float32 1x3x2048x2048, RGB in [0, 1].
//
// One loaded network serves every caller: a forward pass already uses every core and the
// network keeps its intermediate results in memory of its own, so passes are taken one at a
// time while the callers' own work (cropping, blob making, painting) runs outside the lock.
class RealESRGAN512 {
public:
    static constexpr int inputSize = 512;
    static constexpr int outputSize = 2048;

    // Reads the model and checks its shapes from the graph alone, without a forward pass; a
    // missing, unreadable or non-conforming model (wrong input name, an operation the runtime
    // does not run, output not 3x2048x2048) is modelLoadFailed.
    static Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> load(const std::filesystem::path& file);
    // The shipped model, found by findUpscaleModel().
    static Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> loadShipped();

    ~RealESRGAN512();

    // Runs one 512x512 tile (8-bit BGR or BGRA; alpha is not seen by the network) and paints
    // the 2048x2048 result, 8-bit BGR, into `destination`, which must be a region of that size
    // and type. A failed pass is missingOutput and leaves `destination` as it was; a triggered
    // `stop` ends the pass between two layers as cancelled.
    Result<void, UpscaleError> upscaleTile(
        const cv::Mat& tile, cv::Mat destination, const std::stop_token& stop = {}) const;

    // Totals since loading, for benchmarks and tests.
    struct Statistics {
        std::uint64_t passes = 0;
        std::chrono::nanoseconds forwardTime {};
    };
    Statistics statistics() const;

private:
    explicit RealESRGAN512(std::unique_ptr<DnnlNetwork> network);

    mutable std::mutex mutex_;
    std::unique_ptr<DnnlNetwork> network_;
    mutable std::atomic<std::uint64_t> passes_ { 0 };
    mutable std::atomic<std::int64_t> forwardNanoseconds_ { 0 };
};

} // namespace tl
