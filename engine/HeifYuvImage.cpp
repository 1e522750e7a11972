#include "engine/HeifYuvImage.h"

#include <utility>

namespace tl {

heif::Image makeYuv420Image(int width, int height, const heif_color_profile_nclx* nclx)
{
    heif_image* raw = nullptr;
    if (heif_image_create(width, height, heif_colorspace_YCbCr, heif_chroma_420, &raw).code != heif_error_Ok)
        return nullptr;
    heif::Image image(raw);
    for (const auto& [channel, divisor] :
        { std::pair { heif_channel_Y, 1 }, std::pair { heif_channel_Cb, 2 }, std::pair { heif_channel_Cr, 2 } }) {
        if (heif_image_add_plane(image.get(), channel, width / divisor, height / divisor, 8).code != heif_error_Ok)
            return nullptr;
    }
    if (nclx) heif_image_set_nclx_color_profile(image.get(), nclx);
    return image;
}

} // namespace tl
