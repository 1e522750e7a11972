#pragma once

#include "engine/upscale/OnnxGraph.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tl {

// How a convolution network read from an ONNX graph is run for one input size: which steps, in
// which order, and where each intermediate result lives.
//
// Three things make it cheaper than running the graph node by node:
// - a convolution or addition takes the element-wise operations that alone consume its result
//   (ReLU, scaling by a constant, adding another result) as post-operations;
// - a concatenation along channels costs nothing when its parts can be written straight into
//   their places in its output;
// - results share a few memory blocks, each reused once every result in it has been read.
struct TensorShape {
    int channels = 0;
    int height = 0;
    int width = 0;

    std::size_t elements() const
    {
        return static_cast<std::size_t>(channels) * static_cast<std::size_t>(height) * static_cast<std::size_t>(width);
    }
    bool operator==(const TensorShape&) const = default;
};

// planar: one channel plane after another. blocked: groups of 16 channels interleaved per pixel,
// which the vectorised convolutions read and write fastest; used where the channel count allows.
enum class TensorLayout { planar, blocked };

struct PlannedValue {
    std::string name;
    TensorShape shape;
    TensorLayout layout = TensorLayout::planar;
    int slot = -1;
    int channelOffset = 0; // where the value starts inside its slot, in channels
};

struct PostOperation {
    enum class Kind { relu, scale, add };
    Kind kind = Kind::relu;
    float factor = 1; // scale
    int operand = -1; // add: the value added
};

struct PlannedStep {
    enum class Kind { convolution, relu, scale, add, concat, depthToSpace, resizeNearest, toPlanar };
    Kind kind = Kind::convolution;
    std::vector<int> inputs;
    int output = -1;
    std::vector<PostOperation> postOperations; // convolution and add
    // convolution
    std::string weights;
    std::string bias; // empty when the convolution has none
    int padTop = 0, padLeft = 0, padBottom = 0, padRight = 0;
    // scale, depthToSpace (block size), resizeNearest (factor)
    float factor = 1;
    // concat whose inputs were written into its output where they were made: nothing to do
    bool inPlace = false;
};

// A range of memory holding one or more values (a concatenation and its parts share one); each
// lives in one of the plan's blocks while any of its values is still to be read.
struct PlannedSlot {
    std::size_t floats = 0;
    int block = -1;
};

struct NetworkPlan {
    std::vector<PlannedValue> values;
    std::vector<PlannedStep> steps;
    std::vector<PlannedSlot> slots;
    std::vector<std::size_t> blockFloats;
    int input = -1; // planar
    int output = -1; // planar
};

// The plan for one input of `input` shape (batch 1); nothing when the graph has not exactly one
// input and one output, or uses an operation, attribute or shape this runtime does not run:
// Conv (stride 1, no dilation, one group), Relu, Mul by a one-element constant, Add of two results
// of one shape, Concat along channels, DepthToSpace (DCR), Resize (nearest, asymmetric, floor,
// whole-number scales equal on both axes).
std::optional<NetworkPlan> planNetwork(const OnnxGraph& graph, TensorShape input);

} // namespace tl
