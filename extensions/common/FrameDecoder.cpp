#include "extensions/common/FrameDecoder.h"

#include "platform/ImageDecoding.h"

#include <QFile>

#include <opencv2/imgproc.hpp>

#include <bit>
#include <exception>
#include <filesystem>
#include <utility>

namespace tl::extension {
namespace {

// Qt's 32-bit formats are native-endian words 0xAARRGGBB: B, G, R, A bytes, as the decoders lay
// them out.
static_assert(std::endian::native == std::endian::little, "BGRA pixels are taken as Qt's 32-bit words");

// Hands the decoded pixels to a QImage without copying them: a full-size frame is never held twice.
QImage adopt(cv::Mat bgra, QImage::Format format)
{
    auto* owner = new cv::Mat(std::move(bgra));
    return QImage(
        owner->data, owner->cols, owner->rows, static_cast<qsizetype>(owner->step), format,
        [](void* pixels) { delete static_cast<cv::Mat*>(pixels); }, owner);
}

} // namespace

QImage decodeFrame(const QString& path, int longSide)
{
    try {
        cv::Mat decoded = decodePreview(std::filesystem::path(QFile::encodeName(path).toStdString()), longSide);
        if (decoded.empty()) return {};
        if (decoded.channels() == 4) return adopt(std::move(decoded), QImage::Format_ARGB32);
        cv::Mat opaque;
        cv::cvtColor(decoded, opaque, cv::COLOR_BGR2BGRA);
        decoded.release();
        return adopt(std::move(opaque), QImage::Format_RGB32);
    } catch (const std::exception&) {
        return {}; // out of memory for this frame: it is left out like any other that fails
    }
}

} // namespace tl::extension
