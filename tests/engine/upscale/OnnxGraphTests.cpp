#include "engine/upscale/OnnxGraph.h"
#include "tests/engine/upscale/UpscaleTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tl {
namespace {

using test::fixtureModel;

TEST(OnnxGraphTest, ReadsNodesAttributesAndConstants)
{
    const auto graph = readOnnxGraph(fixtureModel("edge_marker4x.onnx"));
    ASSERT_TRUE(graph);
    EXPECT_EQ(graph->inputs, std::vector<std::string> { "input" });
    EXPECT_EQ(graph->outputs, std::vector<std::string> { "output" });
    ASSERT_EQ(graph->nodes.size(), 2u);

    const auto& blur = graph->nodes[0];
    EXPECT_EQ(blur.op, "Conv");
    EXPECT_EQ(blur.integers("kernel_shape"), (std::vector<std::int64_t> { 3, 3 }));
    EXPECT_EQ(blur.integers("pads"), (std::vector<std::int64_t> { 1, 1, 1, 1 }));
    const auto& kernel = graph->constants.at(blur.inputs[1]);
    EXPECT_EQ(kernel.dims, (std::vector<std::int64_t> { 3, 3, 3, 3 }));
    ASSERT_EQ(kernel.values.size(), 81u);
    EXPECT_FLOAT_EQ(kernel.values[0], 1.f / 9.f); // output 0, input 0
    EXPECT_FLOAT_EQ(kernel.values[9], 0.f); // output 0, input 1

    const auto& up = graph->nodes[1];
    EXPECT_EQ(up.op, "Resize");
    ASSERT_EQ(up.inputs.size(), 3u);
    EXPECT_EQ(up.inputs[1], "") << "an omitted optional input keeps its place";
    EXPECT_EQ(up.text("nearest_mode", ""), "floor");
    EXPECT_EQ(graph->constants.at(up.inputs[2]).values, (std::vector<float> { 1, 1, 4, 4 }));
    EXPECT_EQ(up.outputs, std::vector<std::string> { "output" });
}

TEST(OnnxGraphTest, RefusesFilesThatAreNotWholeModels)
{
    test::ScratchFolder folder;
    std::ifstream source(fixtureModel("edge_marker4x.onnx"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 100u);
    const auto write = [&](const std::string& name, const std::string& content) {
        std::ofstream(folder.path / name, std::ios::binary) << content;
        return folder.path / name;
    };
    EXPECT_FALSE(readOnnxGraph(write("truncated.onnx", bytes.substr(0, bytes.size() - 40))));
    EXPECT_FALSE(readOnnxGraph(write("text.onnx", "this is not a protobuf")));
    EXPECT_FALSE(readOnnxGraph(write("empty.onnx", "")));
    EXPECT_FALSE(readOnnxGraph(folder.path / "missing.onnx"));
}

} // namespace
} // namespace tl
