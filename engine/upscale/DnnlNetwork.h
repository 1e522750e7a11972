#pragma once

#include "engine/upscale/NetworkPlan.h"

#include <memory>
#include <stop_token>

namespace tl {

// A planned network compiled into oneDNN primitives for the CPU: convolutions in the vectorised
// blocked layout with their folded element-wise operations, weights reordered once at compile
// time. Compiling runs nothing, so it costs well under a second even for a large model.
//
// One instance runs one pass at a time; its intermediate results live in memory it owns.
class DnnlNetwork {
public:
    // Nothing when the plan asks for something oneDNN cannot build on this machine.
    static std::unique_ptr<DnnlNetwork> compile(const OnnxGraph& graph, const NetworkPlan& plan);
    ~DnnlNetwork();

    TensorShape outputShape() const;

    // Runs one pass over a planar float input of the plan's input shape and returns the planar output,
    // valid until the next pass; nothing when oneDNN reports a failure or `stop` was triggered. The stop
    // is looked at between layers, so a pass of several seconds ends within one layer's time.
    const float* run(const float* input, const std::stop_token& stop = {});

private:
    struct Compiled;
    explicit DnnlNetwork(std::unique_ptr<Compiled> compiled);
    std::unique_ptr<Compiled> compiled_;
};

} // namespace tl
