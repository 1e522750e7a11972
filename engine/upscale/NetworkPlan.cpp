#include "engine/upscale/NetworkPlan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace tl {
namespace {

using Kind = PlannedStep::Kind;

constexpr int blockChannels = 16;

// One node of the graph as a step, before fusion and placement; inputs are value names.
struct NodeStep {
    PlannedStep step;
    std::vector<std::string> inputs;
    std::string output;
    TensorShape shape;
};

bool fitsInt(std::int64_t value)
{
    return value > 0 && value <= std::numeric_limits<int>::max();
}

class Planner {
public:
    explicit Planner(const OnnxGraph& graph)
        : graph_(graph)
    {
    }

    std::optional<NetworkPlan> plan(TensorShape input)
    {
        if (graph_.inputs.size() != 1 || graph_.outputs.size() != 1) return std::nullopt;
        shapes_[graph_.inputs.front()] = input;
        for (const auto& node : graph_.nodes) {
            auto step = nodeStep(node);
            if (!step) return std::nullopt;
            shapes_[step->output] = step->shape;
            nodeSteps_.push_back(std::move(*step));
        }
        if (!shapes_.contains(graph_.outputs.front())) return std::nullopt;
        countConsumers();
        if (!fuse()) return std::nullopt;
        placeConcatenations();
        assignBlocks();
        return std::move(plan_);
    }

private:
    const OnnxTensor* constant(const std::string& name) const
    {
        const auto found = graph_.constants.find(name);
        return found == graph_.constants.end() ? nullptr : &found->second;
    }

    std::optional<TensorShape> shapeOf(const std::string& name) const
    {
        const auto found = shapes_.find(name);
        if (found == shapes_.end()) return std::nullopt;
        return found->second;
    }

    std::optional<NodeStep> nodeStep(const OnnxNode& node) const
    {
        if (node.outputs.size() != 1 || node.inputs.empty()) return std::nullopt;
        NodeStep result;
        result.output = node.outputs.front();
        if (node.op == "Conv") return convolution(node, std::move(result));
        if (node.op == "Relu") {
            result.step.kind = Kind::relu;
            return elementwise(node, std::move(result), 1);
        }
        if (node.op == "Add") {
            result.step.kind = Kind::add;
            return elementwise(node, std::move(result), 2);
        }
        if (node.op == "Mul") return scale(node, std::move(result));
        if (node.op == "Concat") return concat(node, std::move(result));
        if (node.op == "DepthToSpace") return depthToSpace(node, std::move(result));
        if (node.op == "Resize") return resize(node, std::move(result));
        return std::nullopt;
    }

    std::optional<NodeStep> convolution(const OnnxNode& node, NodeStep result) const
    {
        const auto input = shapeOf(node.inputs[0]);
        const auto* weights = node.inputs.size() > 1 ? constant(node.inputs[1]) : nullptr;
        if (!input || !weights || weights->dims.size() != 4 || node.inputs.size() > 3) return std::nullopt;
        const auto& dims = weights->dims;
        if (dims[1] != input->channels || !fitsInt(dims[0]) || !fitsInt(dims[2]) || !fitsInt(dims[3])) {
            return std::nullopt;
        }
        if (node.inputs.size() == 3) {
            const auto* bias = constant(node.inputs[2]);
            if (!bias || bias->values.size() != static_cast<std::size_t>(dims[0])) return std::nullopt;
            result.step.bias = node.inputs[2];
        }
        const auto ones = [](const std::vector<std::int64_t>& values) {
            return std::all_of(values.begin(), values.end(), [](std::int64_t value) { return value == 1; });
        };
        if (node.integer("group", 1) != 1 || !ones(node.integers("strides")) || !ones(node.integers("dilations"))
            || node.text("auto_pad", "NOTSET") != "NOTSET") {
            return std::nullopt;
        }
        auto pads = node.integers("pads");
        if (pads.empty()) pads.assign(4, 0);
        if (pads.size() != 4
            || std::any_of(pads.begin(), pads.end(), [](std::int64_t pad) { return pad < 0 || pad > 64; })) {
            return std::nullopt;
        }
        auto& step = result.step;
        step.kind = Kind::convolution;
        step.weights = node.inputs[1];
        step.padTop = static_cast<int>(pads[0]);
        step.padLeft = static_cast<int>(pads[1]);
        step.padBottom = static_cast<int>(pads[2]);
        step.padRight = static_cast<int>(pads[3]);
        const std::int64_t height = input->height + step.padTop + step.padBottom - dims[2] + 1;
        const std::int64_t width = input->width + step.padLeft + step.padRight - dims[3] + 1;
        if (!fitsInt(height) || !fitsInt(width)) return std::nullopt;
        result.inputs = { node.inputs[0] };
        result.shape = { static_cast<int>(dims[0]), static_cast<int>(height), static_cast<int>(width) };
        return result;
    }

    std::optional<NodeStep> elementwise(const OnnxNode& node, NodeStep result, std::size_t arity) const
    {
        if (node.inputs.size() != arity) return std::nullopt;
        const auto first = shapeOf(node.inputs[0]);
        if (!first) return std::nullopt;
        for (const auto& name : node.inputs) {
            if (shapeOf(name) != first) return std::nullopt;
        }
        result.inputs = node.inputs;
        result.shape = *first;
        return result;
    }

    std::optional<NodeStep> scale(const OnnxNode& node, NodeStep result) const
    {
        if (node.inputs.size() != 2) return std::nullopt;
        const bool constantFirst = constant(node.inputs[0]) != nullptr;
        const auto* factor = constant(node.inputs[constantFirst ? 0 : 1]);
        const auto& operand = node.inputs[constantFirst ? 1 : 0];
        const auto shape = shapeOf(operand);
        if (!factor || factor->values.size() != 1 || !shape) return std::nullopt;
        result.step.kind = Kind::scale;
        result.step.factor = factor->values.front();
        result.inputs = { operand };
        result.shape = *shape;
        return result;
    }

    std::optional<NodeStep> concat(const OnnxNode& node, NodeStep result) const
    {
        const auto axis = node.integer("axis", 1);
        if (axis != 1 && axis != -3) return std::nullopt;
        TensorShape total;
        for (const auto& name : node.inputs) {
            const auto shape = shapeOf(name);
            if (!shape) return std::nullopt;
            if (total.channels != 0 && (shape->height != total.height || shape->width != total.width)) {
                return std::nullopt;
            }
            total = { total.channels + shape->channels, shape->height, shape->width };
        }
        result.step.kind = Kind::concat;
        result.inputs = node.inputs;
        result.shape = total;
        return result;
    }

    std::optional<NodeStep> depthToSpace(const OnnxNode& node, NodeStep result) const
    {
        if (node.inputs.size() != 1) return std::nullopt;
        const auto input = shapeOf(node.inputs[0]);
        const auto block = node.integer("blocksize", 0);
        if (!input || block < 1 || block > 16 || node.text("mode", "DCR") != "DCR") return std::nullopt;
        const int size = static_cast<int>(block);
        if (input->channels % (size * size) != 0) return std::nullopt;
        result.step.kind = Kind::depthToSpace;
        result.step.factor = static_cast<float>(size);
        result.inputs = { node.inputs[0] };
        result.shape = { input->channels / (size * size), input->height * size, input->width * size };
        return result;
    }

    std::optional<NodeStep> resize(const OnnxNode& node, NodeStep result) const
    {
        const auto input = shapeOf(node.inputs[0]);
        const auto* scales = node.inputs.size() == 3 ? constant(node.inputs[2]) : nullptr;
        if (!input || !scales || scales->values.size() != 4 || node.text("mode", "nearest") != "nearest"
            || node.text("coordinate_transformation_mode", "") != "asymmetric"
            || node.text("nearest_mode", "") != "floor") {
            return std::nullopt;
        }
        const auto& factors = scales->values;
        const float factor = factors[2];
        if (factors[0] != 1 || factors[1] != 1 || factors[3] != factor || factor < 1 || factor > 16
            || factor != std::floor(factor)) {
            return std::nullopt;
        }
        const int size = static_cast<int>(factor);
        result.step.kind = Kind::resizeNearest;
        result.step.factor = factor;
        result.inputs = { node.inputs[0] };
        result.shape = { input->channels, input->height * size, input->width * size };
        return result;
    }

    void countConsumers()
    {
        for (std::size_t index = 0; index < nodeSteps_.size(); ++index) {
            for (const auto& name : nodeSteps_[index].inputs) {
                consumers_[name].push_back(index);
            }
        }
        for (const auto& name : graph_.outputs) {
            consumers_[name].push_back(nodeSteps_.size());
        }
    }

    // The one node that reads `name`, when exactly one does and it is not a graph output.
    std::optional<std::size_t> soleConsumer(const std::string& name) const
    {
        const auto found = consumers_.find(name);
        if (found == consumers_.end() || found->second.size() != 1 || found->second.front() >= nodeSteps_.size()) {
            return std::nullopt;
        }
        return found->second.front();
    }

    int valueIndex(const std::string& name) const
    {
        const auto found = valueIndices_.find(name);
        return found == valueIndices_.end() ? -1 : found->second;
    }

    int addValue(const std::string& name, TensorShape shape, TensorLayout layout)
    {
        valueIndices_[name] = static_cast<int>(plan_.values.size());
        plan_.values.push_back({ name, shape, layout });
        return static_cast<int>(plan_.values.size()) - 1;
    }

    static TensorLayout preferredLayout(TensorShape shape)
    {
        return shape.channels % blockChannels == 0 ? TensorLayout::blocked : TensorLayout::planar;
    }

    struct Ordered {
        std::size_t position = 0;
        NodeStep node;
        std::vector<std::pair<std::string, PostOperation>> postOperations; // add operands by name
    };

    // Folds element-wise consumers into convolutions and additions, then orders the steps by
    // where their last folded node stood, so every operand exists when a step runs.
    bool fuse()
    {
        std::vector<bool> folded(nodeSteps_.size(), false);
        std::vector<Ordered> ordered;
        for (std::size_t index = 0; index < nodeSteps_.size(); ++index) {
            if (folded[index]) continue;
            Ordered entry { index, nodeSteps_[index], {} };
            const auto kind = entry.node.step.kind;
            if (kind == Kind::convolution || kind == Kind::add) {
                std::optional<float> chainFactor;
                while (const auto next = soleConsumer(entry.node.output)) {
                    const auto& consumer = nodeSteps_[*next];
                    PostOperation operation;
                    std::string operand;
                    if (consumer.step.kind == Kind::relu) {
                        operation.kind = PostOperation::Kind::relu;
                    } else if (consumer.step.kind == Kind::scale
                        && consumer.step.factor == chainFactor.value_or(consumer.step.factor)) {
                        // oneDNN 2.6's vectorised convolution applies the first scaling factor of a
                        // chain to every later scaling as well, so only equal factors share one.
                        operation.kind = PostOperation::Kind::scale;
                        operation.factor = consumer.step.factor;
                        chainFactor = operation.factor;
                    } else if (consumer.step.kind == Kind::add && consumer.inputs[0] != consumer.inputs[1]) {
                        operation.kind = PostOperation::Kind::add;
                        operand = consumer.inputs[consumer.inputs[0] == entry.node.output ? 1 : 0];
                    } else {
                        break;
                    }
                    entry.postOperations.emplace_back(operand, operation);
                    entry.node.output = consumer.output;
                    entry.position = *next;
                    folded[*next] = true;
                }
            }
            ordered.push_back(std::move(entry));
        }
        std::stable_sort(
            ordered.begin(), ordered.end(), [](const Ordered& a, const Ordered& b) { return a.position < b.position; });

        plan_.input = addValue(graph_.inputs.front(), shapes_.at(graph_.inputs.front()), TensorLayout::planar);
        for (auto& entry : ordered) {
            if (!appendStep(entry)) return false;
        }
        const int output = valueIndex(graph_.outputs.front());
        if (output < 0) return false;
        plan_.output = planarValue(output);
        return true;
    }

    // The value itself when planar, else a planar copy made by a step appended now.
    int planarValue(int index)
    {
        if (plan_.values[static_cast<std::size_t>(index)].layout == TensorLayout::planar) return index;
        const auto value = plan_.values[static_cast<std::size_t>(index)];
        PlannedStep copy;
        copy.kind = Kind::toPlanar;
        copy.inputs = { index };
        copy.output = addValue(value.name + "#planar", value.shape, TensorLayout::planar);
        plan_.steps.push_back(copy);
        return copy.output;
    }

    bool appendStep(Ordered& entry)
    {
        auto step = entry.node.step;
        for (const auto& name : entry.node.inputs) {
            const int index = valueIndex(name);
            if (index < 0) return false;
            step.inputs.push_back(index);
        }
        for (auto& [operand, operation] : entry.postOperations) {
            if (operation.kind == PostOperation::Kind::add) {
                operation.operand = valueIndex(operand);
                if (operation.operand < 0) return false;
            }
            step.postOperations.push_back(operation);
        }
        const auto& first = plan_.values[static_cast<std::size_t>(step.inputs.front())];
        TensorLayout layout = preferredLayout(entry.node.shape);
        if (step.kind == Kind::relu || step.kind == Kind::scale || step.kind == Kind::add) layout = first.layout;
        if (step.kind == Kind::depthToSpace || step.kind == Kind::resizeNearest) {
            step.inputs.front() = planarValue(step.inputs.front());
            layout = TensorLayout::planar;
        }
        step.output = addValue(entry.node.output, entry.node.shape, layout);
        plan_.steps.push_back(std::move(step));
        return true;
    }

    int newSlot(std::size_t floats)
    {
        plan_.slots.push_back({ floats, -1 });
        return static_cast<int>(plan_.slots.size()) - 1;
    }

    // Walking back from the last step, a concatenation whose parts are made by steps, have its
    // layout, start on a channel block and are not already placed elsewhere gets them made in place.
    void placeConcatenations()
    {
        std::vector<bool> produced(plan_.values.size(), false);
        for (const auto& step : plan_.steps)
            produced[static_cast<std::size_t>(step.output)] = true;
        for (auto step = plan_.steps.rbegin(); step != plan_.steps.rend(); ++step) {
            if (step->kind != Kind::concat) continue;
            auto& output = plan_.values[static_cast<std::size_t>(step->output)];
            if (output.slot < 0) output.slot = newSlot(output.shape.elements());
            std::vector<int> seen;
            bool fits = true;
            for (const int input : step->inputs) {
                const auto& part = plan_.values[static_cast<std::size_t>(input)];
                const bool alignedPart
                    = part.layout == TensorLayout::planar || part.shape.channels % blockChannels == 0;
                fits = fits && produced[static_cast<std::size_t>(input)] && part.slot < 0 && alignedPart
                    && part.layout == output.layout && std::find(seen.begin(), seen.end(), input) == seen.end();
                seen.push_back(input);
            }
            if (!fits) continue;
            int offset = output.channelOffset;
            for (const int input : step->inputs) {
                auto& part = plan_.values[static_cast<std::size_t>(input)];
                part.slot = output.slot;
                part.channelOffset = offset;
                offset += part.shape.channels;
            }
            step->inPlace = true;
        }
        for (auto& value : plan_.values) {
            if (value.slot < 0) value.slot = newSlot(value.shape.elements());
        }
    }

    // Gives each slot a block from its first write to its last read, reusing blocks set free.
    void assignBlocks()
    {
        const int count = static_cast<int>(plan_.steps.size());
        std::vector<int> first(plan_.slots.size(), count), last(plan_.slots.size(), -1);
        const auto slotOf = [this](int value) {
            return static_cast<std::size_t>(plan_.values[static_cast<std::size_t>(value)].slot);
        };
        first[slotOf(plan_.input)] = -1;
        for (int index = 0; index < count; ++index) {
            const auto& step = plan_.steps[static_cast<std::size_t>(index)];
            auto& written = first[slotOf(step.output)];
            written = std::min(written, index);
            for (const int input : step.inputs)
                last[slotOf(input)] = std::max(last[slotOf(input)], index);
            for (const auto& operation : step.postOperations) {
                if (operation.operand >= 0)
                    last[slotOf(operation.operand)] = std::max(last[slotOf(operation.operand)], index);
            }
        }
        last[slotOf(plan_.output)] = count;
        std::vector<int> freeBlocks;
        for (int moment = -1; moment <= count; ++moment) {
            for (std::size_t slot = 0; slot < plan_.slots.size(); ++slot) {
                if (first[slot] != moment) continue;
                plan_.slots[slot].block = takeBlock(freeBlocks, plan_.slots[slot].floats);
            }
            for (std::size_t slot = 0; slot < plan_.slots.size(); ++slot) {
                if (std::max(last[slot], first[slot]) == moment) freeBlocks.push_back(plan_.slots[slot].block);
            }
        }
    }

    // The smallest free block that holds `floats`, else the largest one grown, else a new one.
    int takeBlock(std::vector<int>& freeBlocks, std::size_t floats)
    {
        auto& sizes = plan_.blockFloats;
        auto chosen = freeBlocks.end();
        for (auto candidate = freeBlocks.begin(); candidate != freeBlocks.end(); ++candidate) {
            const auto size = sizes[static_cast<std::size_t>(*candidate)];
            if (chosen == freeBlocks.end()) {
                chosen = candidate;
                continue;
            }
            const auto best = sizes[static_cast<std::size_t>(*chosen)];
            const bool fits = size >= floats, bestFits = best >= floats;
            if ((fits && (!bestFits || size < best)) || (!fits && !bestFits && size > best)) chosen = candidate;
        }
        if (chosen == freeBlocks.end()) {
            sizes.push_back(floats);
            return static_cast<int>(sizes.size()) - 1;
        }
        const int block = *chosen;
        freeBlocks.erase(chosen);
        sizes[static_cast<std::size_t>(block)] = std::max(sizes[static_cast<std::size_t>(block)], floats);
        return block;
    }

    const OnnxGraph& graph_;
    std::map<std::string, TensorShape> shapes_;
    std::vector<NodeStep> nodeSteps_;
    std::map<std::string, std::vector<std::size_t>> consumers_;
    std::map<std::string, int> valueIndices_;
    NetworkPlan plan_;
};

} // namespace

std::optional<NetworkPlan> planNetwork(const OnnxGraph& graph, TensorShape input)
{
    return Planner(graph).plan(input);
}

} // namespace tl
