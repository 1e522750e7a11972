#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace tl {

// The shipped super-resolution model's file name; another ONNX model with the same contract, made
// of the operations the runtime runs (see planNetwork), placed under this name is used instead
// without a code change.
inline constexpr const char* upscaleModelFileName = "realesrgan512.onnx";

// Where the model is looked for, in order: the share folder of an installed program
// (<prefix>/bin/../share/tidelumine/models), then the build tree.
std::vector<std::filesystem::path> upscaleModelCandidates();

// The first candidate that exists.
std::optional<std::filesystem::path> findUpscaleModel();

} // namespace tl
