#include "engine/upscale/TileTimeProbe.h"

#include "engine/upscale/DnnlNetwork.h"
#include "engine/upscale/RealESRGAN512.h"

#include <chrono>
#include <vector>

namespace tl {

std::optional<double> probeSecondsPerTile(const std::filesystem::path& file, const std::stop_token& stop)
{
    const auto graph = readOnnxGraph(file);
    if (!graph || stop.stop_requested()) return std::nullopt;
    const TensorShape input { 3, tileTimeProbeSide, tileTimeProbeSide };
    const auto plan = planNetwork(*graph, input);
    if (!plan) return std::nullopt;
    const auto network = DnnlNetwork::compile(*graph, *plan);
    if (!network || stop.stop_requested()) return std::nullopt;
    const std::vector<float> values(input.elements(), 0.5f);
    // The first pass pays for touching the network's memory and for oneDNN's kernel choice, which
    // an export pays once over many tiles; only the second is timed.
    if (!network->run(values.data(), stop)) return std::nullopt;
    const auto start = std::chrono::steady_clock::now();
    if (!network->run(values.data(), stop)) return std::nullopt;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    constexpr double tileShare = static_cast<double>(RealESRGAN512::inputSize) * RealESRGAN512::inputSize
        / (static_cast<double>(tileTimeProbeSide) * tileTimeProbeSide);
    return seconds * tileShare;
}

} // namespace tl
