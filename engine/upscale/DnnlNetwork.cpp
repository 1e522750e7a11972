#include "engine/upscale/DnnlNetwork.h"

#include <omp.h>
#include <oneapi/dnnl/dnnl.hpp>
#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <unordered_map>

namespace tl {
namespace {

using dnnl::memory;
using Tag = memory::format_tag;
using Kind = PlannedStep::Kind;

constexpr auto f32 = memory::data_type::f32;

struct FreeDeleter {
    void operator()(float* data) const { std::free(data); }
};
using Block = std::unique_ptr<float, FreeDeleter>;

memory::dims dimsOf(TensorShape shape)
{
    return { 1, shape.channels, shape.height, shape.width };
}

memory::desc descOf(const PlannedValue& value)
{
    return { dimsOf(value.shape), f32, value.layout == TensorLayout::blocked ? Tag::nChw16c : Tag::nchw };
}

// Nearest-neighbour enlargement of planar channels by a whole factor.
void resizeNearest(const float* source, TensorShape from, float* target, int factor)
{
    const int width = from.width * factor;
    cv::parallel_for_(cv::Range(0, from.channels * from.height * factor), [&](const cv::Range& rows) {
        for (int row = rows.start; row < rows.end; ++row) {
            const int channel = row / (from.height * factor);
            const int sourceRow = (row % (from.height * factor)) / factor;
            const float* in = source
                + (static_cast<std::size_t>(channel) * static_cast<std::size_t>(from.height)
                      + static_cast<std::size_t>(sourceRow))
                    * static_cast<std::size_t>(from.width);
            float* out = target + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
            for (int column = 0; column < width; ++column)
                out[column] = in[column / factor];
        }
    });
}

// DepthToSpace in DCR order: output channel c at (y*b + i, x*b + j) is input channel (i*b + j)*C + c at (y, x).
void depthToSpace(const float* source, TensorShape from, float* target, int block)
{
    const int channels = from.channels / (block * block);
    const int width = from.width * block, height = from.height * block;
    const auto plane = static_cast<std::size_t>(from.height) * static_cast<std::size_t>(from.width);
    cv::parallel_for_(cv::Range(0, channels * height), [&](const cv::Range& rows) {
        for (int row = rows.start; row < rows.end; ++row) {
            const int channel = row / height, y = row % height;
            float* out = target + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
            for (int j = 0; j < block; ++j) {
                const int sourceChannel = ((y % block) * block + j) * channels + channel;
                const float* in = source + static_cast<std::size_t>(sourceChannel) * plane
                    + static_cast<std::size_t>(y / block) * static_cast<std::size_t>(from.width);
                for (int x = 0; x < from.width; ++x)
                    out[x * block + j] = in[x];
            }
        }
    });
}

// Reordering one kernel's weights is a few microseconds of work; spread over all threads, the
// start of the parallel region costs far more on a busy machine. Only the reorders may run
// this way: a primitive keeps the thread count it was created with for every later pass.
class SingleThreaded {
public:
    SingleThreaded()
        : previous_(omp_get_max_threads())
    {
        omp_set_num_threads(1);
    }
    ~SingleThreaded() { omp_set_num_threads(previous_); }
    SingleThreaded(const SingleThreaded&) = delete;
    SingleThreaded& operator=(const SingleThreaded&) = delete;

private:
    int previous_;
};

} // namespace

struct DnnlNetwork::Compiled {
    dnnl::engine engine { dnnl::engine::kind::cpu, 0 };
    dnnl::stream stream { engine };
    std::vector<Block> blocks;
    std::vector<memory> values;
    std::vector<memory> weights; // kept alive for the primitives' arguments
    // A primitive with its arguments, or work of our own (custom) between primitives.
    struct Step {
        std::optional<dnnl::primitive> primitive;
        std::unordered_map<int, memory> arguments;
        std::function<void()> custom;
    };
    std::vector<Step> steps;
    // One scratch area for every primitive, as they run one after another; primitives left to
    // find their own would share a per-thread one that breaks when passes come from several threads.
    Block scratch;
    TensorShape inputShape, outputShape;
    float* inputData = nullptr;
    const float* outputData = nullptr;

    void addPrimitive(dnnl::primitive primitive, std::unordered_map<int, memory> arguments)
    {
        steps.push_back({ std::move(primitive), std::move(arguments), {} });
    }

    static dnnl::primitive_attr ownScratch(dnnl::primitive_attr attributes = {})
    {
        attributes.set_scratchpad_mode(dnnl::scratchpad_mode::user);
        return attributes;
    }

    bool shareScratch()
    {
        std::size_t bytes = 0;
        for (const auto& step : steps) {
            if (step.primitive) bytes = std::max(bytes, scratchDesc(*step.primitive).get_size());
        }
        if (bytes == 0) return true;
        scratch.reset(static_cast<float*>(std::aligned_alloc(64, (bytes + 63) / 64 * 64)));
        if (!scratch) return false;
        for (auto& step : steps) {
            if (!step.primitive) continue;
            const auto desc = scratchDesc(*step.primitive);
            if (desc.get_size() > 0) step.arguments[DNNL_ARG_SCRATCHPAD] = memory(desc, engine, scratch.get());
        }
        return true;
    }

    static memory::desc scratchDesc(const dnnl::primitive& primitive)
    {
        const_dnnl_primitive_desc_t description = nullptr;
        dnnl::error::wrap_c_api(dnnl_primitive_get_primitive_desc(primitive.get(), &description), "primitive desc");
        const dnnl_memory_desc_t* scratchpad = dnnl_primitive_desc_query_md(description, dnnl_query_scratchpad_md, 0);
        return scratchpad ? memory::desc(*scratchpad) : memory::desc();
    }

    dnnl::primitive_attr postOperations(const PlannedStep& step, std::unordered_map<int, memory>& arguments) const
    {
        dnnl::post_ops operations;
        int index = 0;
        for (const auto& operation : step.postOperations) {
            switch (operation.kind) {
            case PostOperation::Kind::relu:
                operations.append_eltwise(1.f, dnnl::algorithm::eltwise_relu, 0.f, 0.f);
                break;
            case PostOperation::Kind::scale:
                operations.append_eltwise(1.f, dnnl::algorithm::eltwise_linear, operation.factor, 0.f);
                break;
            case PostOperation::Kind::add: {
                const auto& operand = values[static_cast<std::size_t>(operation.operand)];
                operations.append_binary(dnnl::algorithm::binary_add, operand.get_desc());
                arguments[DNNL_ARG_ATTR_MULTIPLE_POST_OP(index) | DNNL_ARG_SRC_1] = operand;
                break;
            }
            }
            ++index;
        }
        auto attributes = ownScratch();
        attributes.set_post_ops(operations);
        return attributes;
    }

    // A constant's values in a oneDNN-owned copy of the given dims and layout.
    memory constantMemory(const OnnxTensor& tensor, const memory::dims& dims, Tag tag)
    {
        memory stored({ dims, f32, tag }, engine);
        std::memcpy(stored.get_data_handle(), tensor.values.data(), tensor.values.size() * sizeof(float));
        return stored;
    }

    void addConvolution(const OnnxGraph& graph, const PlannedStep& step)
    {
        const auto& source = values[static_cast<std::size_t>(step.inputs.front())];
        const auto& target = values[static_cast<std::size_t>(step.output)];
        const auto& kernel = graph.constants.at(step.weights);
        const memory::dims kernelDims(kernel.dims.begin(), kernel.dims.end());
        std::unordered_map<int, memory> arguments { { DNNL_ARG_SRC, source }, { DNNL_ARG_DST, target } };
        const auto attributes = postOperations(step, arguments);
        const memory::desc anyWeights(kernelDims, f32, Tag::any);
        const memory::dims strides { 1, 1 }, padBefore { step.padTop, step.padLeft },
            padAfter { step.padBottom, step.padRight };
        const auto inference = dnnl::prop_kind::forward_inference;
        const auto direct = dnnl::algorithm::convolution_direct;
        std::optional<dnnl::convolution_forward::desc> description;
        if (step.bias.empty()) {
            description.emplace(
                inference, direct, source.get_desc(), anyWeights, target.get_desc(), strides, padBefore, padAfter);
        } else {
            const memory bias = constantMemory(graph.constants.at(step.bias), { kernelDims[0] }, Tag::x);
            weights.push_back(bias);
            arguments[DNNL_ARG_BIAS] = bias;
            description.emplace(inference, direct, source.get_desc(), anyWeights, bias.get_desc(), target.get_desc(),
                strides, padBefore, padAfter);
        }
        const dnnl::convolution_forward::primitive_desc primitive(*description, attributes, engine);
        memory plain = constantMemory(kernel, kernelDims, Tag::oihw);
        memory reordered(primitive.weights_desc(), engine);
        {
            const SingleThreaded reordering;
            dnnl::reorder(plain, reordered).execute(stream, plain, reordered);
            stream.wait();
        }
        weights.push_back(reordered);
        arguments[DNNL_ARG_WEIGHTS] = reordered;
        addPrimitive(dnnl::convolution_forward(primitive), std::move(arguments));
    }

    void addStep(const OnnxGraph& graph, const PlannedStep& step, const NetworkPlan& plan)
    {
        const auto input = [&](std::size_t index) { return values[static_cast<std::size_t>(step.inputs[index])]; };
        const auto& target = values[static_cast<std::size_t>(step.output)];
        const auto inference = dnnl::prop_kind::forward_inference;
        switch (step.kind) {
        case Kind::convolution:
            addConvolution(graph, step);
            return;
        case Kind::relu:
        case Kind::scale: {
            const bool relu = step.kind == Kind::relu;
            const dnnl::eltwise_forward::desc description(inference,
                relu ? dnnl::algorithm::eltwise_relu : dnnl::algorithm::eltwise_linear, input(0).get_desc(),
                relu ? 0.f : step.factor, 0.f);
            addPrimitive(dnnl::eltwise_forward({ description, ownScratch(), engine }),
                { { DNNL_ARG_SRC, input(0) }, { DNNL_ARG_DST, target } });
            return;
        }
        case Kind::add: {
            std::unordered_map<int, memory> arguments { { DNNL_ARG_SRC_0, input(0) }, { DNNL_ARG_SRC_1, input(1) },
                { DNNL_ARG_DST, target } };
            const auto attributes = postOperations(step, arguments);
            const dnnl::binary::desc description(
                dnnl::algorithm::binary_add, input(0).get_desc(), input(1).get_desc(), target.get_desc());
            addPrimitive(dnnl::binary({ description, attributes, engine }), std::move(arguments));
            return;
        }
        case Kind::concat: {
            if (step.inPlace) return;
            std::vector<memory::desc> parts;
            std::unordered_map<int, memory> arguments { { DNNL_ARG_DST, target } };
            for (std::size_t index = 0; index < step.inputs.size(); ++index) {
                parts.push_back(input(index).get_desc());
                arguments[DNNL_ARG_MULTIPLE_SRC + static_cast<int>(index)] = input(index);
            }
            addPrimitive(dnnl::concat({ target.get_desc(), 1, parts, engine, ownScratch() }), std::move(arguments));
            return;
        }
        case Kind::toPlanar:
            addPrimitive(dnnl::reorder(dnnl::reorder::primitive_desc(input(0), target, ownScratch())),
                { { DNNL_ARG_FROM, input(0) }, { DNNL_ARG_TO, target } });
            return;
        case Kind::depthToSpace:
        case Kind::resizeNearest: {
            const auto from = plan.values[static_cast<std::size_t>(step.inputs.front())].shape;
            const auto* source = static_cast<const float*>(input(0).get_data_handle());
            auto* destination = static_cast<float*>(target.get_data_handle());
            const int factor = static_cast<int>(step.factor);
            const bool rearrange = step.kind == Kind::depthToSpace;
            steps.push_back({ std::nullopt, {}, [=, this] {
                                 stream.wait(); // the primitives before have written the source
                                 if (rearrange) {
                                     depthToSpace(source, from, destination, factor);
                                 } else {
                                     resizeNearest(source, from, destination, factor);
                                 }
                             } });
            return;
        }
        }
    }
};

DnnlNetwork::DnnlNetwork(std::unique_ptr<Compiled> compiled)
    : compiled_(std::move(compiled))
{
}

DnnlNetwork::~DnnlNetwork() = default;

std::unique_ptr<DnnlNetwork> DnnlNetwork::compile(const OnnxGraph& graph, const NetworkPlan& plan)
{
    try {
        auto compiled = std::make_unique<Compiled>();
        // Untouched pages cost nothing, so the blocks are taken now and filled on the first pass.
        for (const auto floats : plan.blockFloats) {
            const std::size_t bytes = (floats * sizeof(float) + 63) / 64 * 64;
            compiled->blocks.emplace_back(static_cast<float*>(std::aligned_alloc(64, bytes)));
            if (!compiled->blocks.back()) return nullptr;
        }
        for (const auto& value : plan.values) {
            const auto& slot = plan.slots[static_cast<std::size_t>(value.slot)];
            float* start = compiled->blocks[static_cast<std::size_t>(slot.block)].get()
                + static_cast<std::size_t>(value.channelOffset) * static_cast<std::size_t>(value.shape.height)
                    * static_cast<std::size_t>(value.shape.width);
            compiled->values.emplace_back(descOf(value), compiled->engine, start);
        }
        for (const auto& step : plan.steps)
            compiled->addStep(graph, step, plan);
        if (!compiled->shareScratch()) return nullptr;
        const auto& input = plan.values[static_cast<std::size_t>(plan.input)];
        const auto& output = plan.values[static_cast<std::size_t>(plan.output)];
        compiled->inputShape = input.shape;
        compiled->outputShape = output.shape;
        compiled->inputData
            = static_cast<float*>(compiled->values[static_cast<std::size_t>(plan.input)].get_data_handle());
        compiled->outputData
            = static_cast<const float*>(compiled->values[static_cast<std::size_t>(plan.output)].get_data_handle());
        return std::unique_ptr<DnnlNetwork>(new DnnlNetwork(std::move(compiled)));
    } catch (const dnnl::error&) {
        return nullptr;
    } catch (const std::out_of_range&) {
        return nullptr;
    }
}

TensorShape DnnlNetwork::outputShape() const
{
    return compiled_->outputShape;
}

const float* DnnlNetwork::run(const float* input, const std::stop_token& stop)
{
    try {
        std::memcpy(compiled_->inputData, input, compiled_->inputShape.elements() * sizeof(float));
        for (const auto& step : compiled_->steps) {
            if (stop.stop_requested()) {
                compiled_->stream.wait();
                return nullptr;
            }
            if (step.primitive) {
                step.primitive->execute(compiled_->stream, step.arguments);
            } else {
                step.custom();
            }
        }
        compiled_->stream.wait();
        return compiled_->outputData;
    } catch (const dnnl::error&) {
        return nullptr;
    }
}

} // namespace tl
