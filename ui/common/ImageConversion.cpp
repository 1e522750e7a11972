#include "ui/common/ImageConversion.h"

#include "platform/Image.h"

namespace tl::ui {

QImage toQImage(const Image& image)
{
    const cv::Mat& pixels = image.pixels();
    if (pixels.empty()) return {};
    QImage wrapped(pixels.data, pixels.cols, pixels.rows, static_cast<qsizetype>(pixels.step), QImage::Format_ARGB32);
    return wrapped.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage qImageFromBytes(std::string_view bytes)
{
    return QImage::fromData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace tl::ui
