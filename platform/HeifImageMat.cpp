#include "platform/HeifImageMat.h"

namespace tl {
namespace {

// Releases the libheif image behind a matrix; allocates nothing itself.
class HeifImageRelease final : public cv::MatAllocator {
public:
    cv::UMatData* allocate(int dims, const int* sizes, int type, void* data, std::size_t* step, cv::AccessFlag flags,
        cv::UMatUsageFlags usage) const override
    {
        return cv::Mat::getStdAllocator()->allocate(dims, sizes, type, data, step, flags, usage);
    }
    bool allocate(cv::UMatData* data, cv::AccessFlag flags, cv::UMatUsageFlags usage) const override
    {
        return cv::Mat::getStdAllocator()->allocate(data, flags, usage);
    }
    void deallocate(cv::UMatData* data) const override
    {
        if (!data) return;
        heif_image_release(static_cast<heif_image*>(data->userdata));
        delete data;
    }
};

} // namespace

cv::Mat interleavedMat(heif::Image image)
{
    static const HeifImageRelease release;
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    const int bits = heif_image_get_bits_per_pixel(image.get(), heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0 || (bits != 24 && bits != 32)) return {};
    cv::Mat pixels(height, width, CV_8UC(bits / 8), plane, static_cast<std::size_t>(stride));
    auto* owner = new cv::UMatData(&release);
    owner->data = owner->origdata = plane;
    owner->size = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    owner->refcount = 1;
    owner->userdata = image.release();
    pixels.u = owner;
    return pixels;
}

} // namespace tl
