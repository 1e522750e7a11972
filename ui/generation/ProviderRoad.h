#pragma once

#include "generation/ImageGenerationService.h"
#include "platform/Result.h"
#include "ui/generation/RunError.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tl::ui {

class RunChannel;
struct RunInputs;

struct ProviderRoadSetup {
    ImageGenerationService& service;
    std::optional<std::filesystem::path> userDataFolder;
    // The store's generation key, if any.
    std::optional<std::string> runKey;
};

// The folder a provider run writes into: a new one per run, under the stored key when that is
// one plain folder name, never a previous run's.
std::filesystem::path providerRunFolder(
    const std::filesystem::path& userDataFolder, const std::optional<std::string>& runKey);

// The bytes as PNG, or unchanged when they do not decode.
std::string pngData(const std::string& bytes);

// A degree value in its shortest form that reads back the same, always with a decimal point.
std::string degreesText(double value);

// The relight request's prompt for one phase row.
std::string relightPrompt(const std::string& sceneDescription, std::string_view label, double altitude, double azimuth);

// The provider road on the worker: a base frame (generated, or the starting image), then every
// further row relit from it with at most three requests in flight, each frame published in table
// order as it arrives; the first failure stops the others. Then the tween pass and a last
// publication. The batch stays open until the end.
Result<void, RunError> runProviderRoad(
    const RunInputs& inputs, const ProviderRoadSetup& setup, const RunChannel& channel);

} // namespace tl::ui
