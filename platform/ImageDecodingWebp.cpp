#include "platform/ImageDecodingWebp.h"

#include "platform/ImageExtent.h"

#include <webp/decode.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tl {
namespace {

// Releases what the decoder allocated for its output (nothing when it wrote into our pixels).
class DecoderConfig {
public:
    DecoderConfig() { valid_ = WebPInitDecoderConfig(&config_) != 0; }
    ~DecoderConfig() { WebPFreeDecBuffer(&config_.output); }
    DecoderConfig(const DecoderConfig&) = delete;
    DecoderConfig& operator=(const DecoderConfig&) = delete;

    bool valid() const { return valid_; }
    WebPDecoderConfig* operator->() { return &config_; }
    WebPDecoderConfig* get() { return &config_; }

private:
    WebPDecoderConfig config_ {};
    bool valid_ = false;
};

} // namespace

bool isWebpFile(std::span<const std::uint8_t> file)
{
    return file.size() >= 12 && std::memcmp(file.data(), "RIFF", 4) == 0
        && std::memcmp(file.data() + 8, "WEBP", 4) == 0;
}

cv::Mat decodeWebp(std::span<const std::uint8_t> file, int maxLongSide)
{
    DecoderConfig config;
    if (!config.valid() || WebPGetFeatures(file.data(), file.size(), &config->input) != VP8_STATUS_OK) return {};
    const int width = config->input.width;
    const int height = config->input.height;
    if (width <= 0 || height <= 0 || config->input.has_animation || isTooLargeToDecode({ width, height })) return {};

    cv::Size size(width, height);
    const int longSide = std::max(width, height);
    if (maxLongSide > 0 && longSide > maxLongSide) {
        const double scale = static_cast<double>(maxLongSide) / longSide;
        size = { std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale))) };
        config->options.use_scaling = 1;
        config->options.scaled_width = size.width;
        config->options.scaled_height = size.height;
    }
    const bool alpha = config->input.has_alpha != 0;
    cv::Mat pixels(size, alpha ? CV_8UC4 : CV_8UC3);
    WebPDecBuffer& output = config->output;
    output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    output.is_external_memory = 1;
    output.u.RGBA.rgba = pixels.data;
    output.u.RGBA.stride = static_cast<int>(pixels.step);
    output.u.RGBA.size = pixels.total() * pixels.elemSize();
    return WebPDecode(file.data(), file.size(), config.get()) == VP8_STATUS_OK ? pixels : cv::Mat();
}

} // namespace tl
