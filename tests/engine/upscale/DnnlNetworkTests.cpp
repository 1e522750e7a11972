#include "engine/upscale/DnnlNetwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <random>

namespace tl {
namespace {

// Planar CHW values with their shape.
struct Tensor {
    TensorShape shape;
    std::vector<float> values;
    float& at(int c, int y, int x)
    {
        return values[(static_cast<std::size_t>(c) * static_cast<std::size_t>(shape.height)
                          + static_cast<std::size_t>(y))
                * static_cast<std::size_t>(shape.width)
            + static_cast<std::size_t>(x)];
    }
};

// Builds small graphs of the kind the converter writes, with random weights.
class GraphBuilder {
public:
    explicit GraphBuilder(std::string input = "input") { graph.inputs = { std::move(input) }; }

    std::string conv(const std::string& source, int in, int out, int kernel = 3, bool bias = true)
    {
        const auto name = fresh("conv");
        graph.constants[name + "/W"] = random({ out, in, kernel, kernel }, 0.3f);
        std::vector<std::string> inputs { source, name + "/W" };
        if (bias) {
            graph.constants[name + "/B"] = random({ out }, 0.1f);
            inputs.push_back(name + "/B");
        }
        const std::int64_t pad = kernel / 2;
        auto& node = add("Conv", inputs, name);
        node.attributes["pads"].integers = { pad, pad, pad, pad };
        node.attributes["kernel_shape"].integers = { kernel, kernel };
        return name;
    }

    std::string scaled(const std::string& source, float factor)
    {
        const auto name = fresh("mul");
        graph.constants[name + "/factor"] = { {}, { factor } };
        add("Mul", { name + "/factor", source }, name);
        return name;
    }

    OnnxNode& add(const std::string& op, std::vector<std::string> inputs, const std::string& output)
    {
        graph.nodes.push_back({ op, std::move(inputs), { output }, {} });
        return graph.nodes.back();
    }

    std::string fresh(const std::string& stem) { return stem + std::to_string(++counter_); }

    OnnxGraph graph;

private:
    OnnxTensor random(std::vector<std::int64_t> dims, float range)
    {
        OnnxTensor tensor { dims, {} };
        std::uniform_real_distribution<float> values(-range, range);
        std::int64_t count = 1;
        for (const auto dim : dims)
            count *= dim;
        for (std::int64_t index = 0; index < count; ++index)
            tensor.values.push_back(values(random_));
        return tensor;
    }

    int counter_ = 0;
    std::mt19937 random_ { 7 };
};

// A plain interpreter of the same graph, written for clarity, as the reference.
Tensor evaluate(const OnnxGraph& graph, const Tensor& input)
{
    std::map<std::string, Tensor> values { { graph.inputs.front(), input } };
    for (const auto& node : graph.nodes) {
        const auto value = [&](std::size_t index) -> Tensor& { return values.at(node.inputs[index]); };
        Tensor result;
        if (node.op == "Conv") {
            const auto& kernel = graph.constants.at(node.inputs[1]);
            Tensor& source = value(0);
            const int out = static_cast<int>(kernel.dims[0]), in = static_cast<int>(kernel.dims[1]);
            const int size = static_cast<int>(kernel.dims[2]), pad = size / 2;
            result = { { out, source.shape.height, source.shape.width }, {} };
            result.values.assign(result.shape.elements(), 0.f);
            for (int o = 0; o < out; ++o)
                for (int y = 0; y < result.shape.height; ++y)
                    for (int x = 0; x < result.shape.width; ++x) {
                        double sum = node.inputs.size() > 2
                            ? graph.constants.at(node.inputs[2]).values[static_cast<std::size_t>(o)]
                            : 0.0;
                        for (int i = 0; i < in; ++i)
                            for (int ky = 0; ky < size; ++ky)
                                for (int kx = 0; kx < size; ++kx) {
                                    const int sy = y + ky - pad, sx = x + kx - pad;
                                    if (sy < 0 || sx < 0 || sy >= source.shape.height || sx >= source.shape.width)
                                        continue;
                                    sum += kernel
                                               .values[static_cast<std::size_t>(((o * in + i) * size + ky) * size + kx)]
                                        * source.at(i, sy, sx);
                                }
                        result.at(o, y, x) = static_cast<float>(sum);
                    }
        } else if (node.op == "Relu" || node.op == "Mul") {
            const bool relu = node.op == "Relu";
            result = relu ? value(0) : value(1);
            const float factor = relu ? 0.f : graph.constants.at(node.inputs[0]).values[0];
            for (auto& element : result.values)
                element = relu ? std::max(element, 0.f) : element * factor;
        } else if (node.op == "Add") {
            result = value(0);
            for (std::size_t index = 0; index < result.values.size(); ++index)
                result.values[index] += value(1).values[index];
        } else if (node.op == "Concat") {
            result.shape = value(0).shape;
            result.shape.channels = 0;
            for (std::size_t index = 0; index < node.inputs.size(); ++index) {
                result.values.insert(result.values.end(), value(index).values.begin(), value(index).values.end());
                result.shape.channels += value(index).shape.channels;
            }
        } else if (node.op == "DepthToSpace" || node.op == "Resize") {
            Tensor& source = value(0);
            const bool shuffle = node.op == "DepthToSpace";
            const int block = shuffle ? static_cast<int>(node.integer("blocksize", 1))
                                      : static_cast<int>(graph.constants.at(node.inputs[2]).values[2]);
            const int channels = shuffle ? source.shape.channels / (block * block) : source.shape.channels;
            result = { { channels, source.shape.height * block, source.shape.width * block }, {} };
            result.values.resize(result.shape.elements());
            for (int c = 0; c < channels; ++c)
                for (int y = 0; y < result.shape.height; ++y)
                    for (int x = 0; x < result.shape.width; ++x) {
                        const int from = shuffle ? ((y % block) * block + x % block) * channels + c : c;
                        result.at(c, y, x) = source.at(from, y / block, x / block);
                    }
        }
        values[node.outputs.front()] = std::move(result);
    }
    return values.at(graph.outputs.front());
}

Tensor randomInput(TensorShape shape)
{
    Tensor input { shape, {} };
    std::mt19937 random(11);
    std::uniform_real_distribution<float> values(0.f, 1.f);
    for (std::size_t index = 0; index < shape.elements(); ++index)
        input.values.push_back(values(random));
    return input;
}

// One residual dense block between a first and a last convolution, then an enlargement: every
// fusion, in-place concatenation, layout change and hand-written operation the runtime has.
OnnxGraph residualDenseNetwork()
{
    GraphBuilder build;
    // A concatenation with the graph input in it: copied, not made in place.
    const auto coloured = build.conv("input", 3, 3, 1);
    build.add("Concat", { "input", coloured }, "withInput").attributes["axis"].integer = 1;
    const auto first = build.conv("withInput", 6, 16);
    const auto grown1 = build.conv(first, 16, 16);
    build.add("Relu", { grown1 }, "relu1");
    build.add("Concat", { first, "relu1" }, "dense1").attributes["axis"].integer = 1;
    const auto grown2 = build.conv("dense1", 32, 16);
    build.add("Relu", { grown2 }, "relu2");
    build.add("Concat", { "dense1", "relu2" }, "dense2").attributes["axis"].integer = 1;
    const auto fused = build.conv("dense2", 48, 16, 3, false);
    build.add("Add", { first, build.scaled(fused, 0.2f) }, "residual");
    build.add("Add", { build.scaled("residual", 0.2f), first }, "outer");
    // A different factor cannot join the chain above (see the planner); it gets a step of its own.
    const auto halved = build.scaled("outer", 0.5f);
    const auto shuffle = build.conv(halved, 16, 12, 1);
    build.add("DepthToSpace", { shuffle }, "shuffled").attributes["blocksize"].integer = 2;
    const auto last = build.conv("shuffled", 3, 3);
    build.graph.constants["scales"] = { { 4 }, { 1, 1, 2, 2 } };
    auto& resize = build.add("Resize", { last, "", "scales" }, "output");
    resize.attributes["mode"].text = "nearest";
    resize.attributes["coordinate_transformation_mode"].text = "asymmetric";
    resize.attributes["nearest_mode"].text = "floor";
    build.graph.outputs = { "output" };
    return build.graph;
}

TEST(DnnlNetworkTest, MatchesAPlainEvaluationOfTheSameGraph)
{
    const auto graph = residualDenseNetwork();
    const TensorShape inputShape { 3, 22, 18 }; // odd halves catch row and column mix-ups
    const auto plan = planNetwork(graph, inputShape);
    ASSERT_TRUE(plan);
    auto network = DnnlNetwork::compile(graph, *plan);
    ASSERT_TRUE(network);
    const TensorShape expectedShape { 3, 88, 72 };
    EXPECT_EQ(network->outputShape(), expectedShape);

    const auto input = randomInput(inputShape);
    const auto expected = evaluate(graph, input);
    ASSERT_EQ(expected.shape, expectedShape);
    for (int pass = 0; pass < 2; ++pass) { // the second pass reuses every block
        const float* output = network->run(input.values.data());
        ASSERT_NE(output, nullptr);
        float largest = 0;
        for (std::size_t index = 0; index < expected.values.size(); ++index)
            largest = std::max(largest, std::abs(output[index] - expected.values[index]));
        EXPECT_LT(largest, 1e-4f) << "pass " << pass;
    }
}

TEST(DnnlNetworkTest, FoldsElementwiseWorkAndBuildsDenseBlocksInPlace)
{
    const auto plan = planNetwork(residualDenseNetwork(), { 3, 22, 18 });
    ASSERT_TRUE(plan);
    using Kind = PlannedStep::Kind;
    std::map<Kind, int> kinds;
    for (const auto& step : plan->steps)
        ++kinds[step.kind];
    EXPECT_EQ(kinds[Kind::convolution], 7);
    EXPECT_EQ(kinds[Kind::relu] + kinds[Kind::add], 0) << "every one folded into a convolution";
    EXPECT_EQ(kinds[Kind::scale], 1);
    ASSERT_EQ(kinds[Kind::concat], 3);
    std::vector<bool> inPlace;
    for (const auto& step : plan->steps) {
        if (step.kind == Kind::concat) inPlace.push_back(step.inPlace);
    }
    EXPECT_EQ(inPlace, (std::vector<bool> { false, true, true }));
    // conv -> x0.2 -> +first -> x0.5 -> +first
    const auto longest = std::max_element(plan->steps.begin(), plan->steps.end(),
        [](const auto& a, const auto& b) { return a.postOperations.size() < b.postOperations.size(); });
    ASSERT_EQ(longest->postOperations.size(), 4u);
    EXPECT_FLOAT_EQ(longest->postOperations[0].factor, 0.2f);
    EXPECT_EQ(longest->postOperations[1].kind, PostOperation::Kind::add);
}

TEST(DnnlNetworkTest, ReusesMemoryAlongALongChain)
{
    GraphBuilder build;
    std::string current = "input";
    int channels = 3;
    for (int layer = 0; layer < 12; ++layer) {
        current = build.conv(current, channels, 16);
        channels = 16;
    }
    build.graph.outputs = { current };
    const auto plan = planNetwork(build.graph, { 3, 8, 8 });
    ASSERT_TRUE(plan);
    EXPECT_LE(plan->blockFloats.size(), 3u) << "a result no longer read gives its memory to the next";
}

TEST(DnnlNetworkTest, RefusesWhatItCannotRun)
{
    const auto refused = [](const std::function<void(GraphBuilder&)>& change) {
        GraphBuilder build;
        const auto conv = build.conv("input", 3, 16);
        build.graph.outputs = { conv };
        change(build);
        return !planNetwork(build.graph, { 3, 8, 8 });
    };
    EXPECT_FALSE(refused([](GraphBuilder&) {})) << "the unchanged graph is runnable";
    EXPECT_TRUE(refused([](GraphBuilder& build) { build.graph.nodes[0].attributes["strides"].integers = { 2, 2 }; }));
    EXPECT_TRUE(refused([](GraphBuilder& build) { build.graph.nodes[0].attributes["group"].integer = 2; }));
    EXPECT_TRUE(
        refused([](GraphBuilder& build) { build.graph.constants.at(build.graph.nodes[0].inputs[1]).dims[1] = 4; }));
    EXPECT_TRUE(refused([](GraphBuilder& build) {
        build.add("Sigmoid", { build.graph.outputs[0] }, "squashed");
        build.graph.outputs = { "squashed" };
    }));
    EXPECT_TRUE(refused([](GraphBuilder& build) {
        build.graph.constants["factors"] = { { 16 }, std::vector<float>(16, 2.f) };
        build.add("Mul", { build.graph.outputs[0], "factors" }, "scaled");
        build.graph.outputs = { "scaled" };
    }));
    EXPECT_TRUE(refused([](GraphBuilder& build) {
        build.graph.constants["scales"] = { { 4 }, { 1, 1, 2, 2 } };
        build.add("Resize", { build.graph.outputs[0], "", "scales" }, "larger").attributes["mode"].text = "nearest";
        build.graph.outputs = { "larger" }; // the default coordinate mode, half_pixel, is not run
    }));
    EXPECT_TRUE(refused([](GraphBuilder& build) { build.graph.inputs.push_back("second"); }));
}

} // namespace
} // namespace tl
