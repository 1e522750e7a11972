#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tl {

// The parts of an ONNX model file the upscaler's runtime needs: the graph's nodes in file order
// (which ONNX requires to be topological), its float32 constants and the names of its inputs and
// outputs. Everything else in the file is skipped.
struct OnnxAttribute {
    std::int64_t integer = 0;
    float number = 0;
    std::string text;
    std::vector<std::int64_t> integers;
    std::vector<float> numbers;
};

struct OnnxNode {
    std::string op;
    std::vector<std::string> inputs; // an empty name stands for an omitted optional input
    std::vector<std::string> outputs;
    std::map<std::string, OnnxAttribute> attributes;

    std::int64_t integer(const std::string& name, std::int64_t fallback) const;
    std::vector<std::int64_t> integers(const std::string& name) const;
    std::string text(const std::string& name, const std::string& fallback) const;
};

struct OnnxTensor {
    std::vector<std::int64_t> dims;
    std::vector<float> values;
};

struct OnnxGraph {
    std::vector<OnnxNode> nodes;
    std::map<std::string, OnnxTensor> constants;
    std::vector<std::string> inputs; // graph inputs that are not constants
    std::vector<std::string> outputs;
};

// Reads a model file; nothing when the file is missing or is not a well-formed model. Constants
// of other types than float32 are left out, so a node that uses one cannot be planned.
std::optional<OnnxGraph> readOnnxGraph(const std::filesystem::path& file);

} // namespace tl
