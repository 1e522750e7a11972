#include "platform/ImageDecoding.h"

#include "platform/DecodeBudget.h"
#include "platform/EmbeddedColorProfile.h"
#include "platform/FileReplacement.h"
#include "platform/HeifDecoding.h"
#include "platform/ImageDecodingBmp.h"
#include "platform/ImageDecodingPng.h"
#include "platform/ImageDecodingTiff.h"
#include "platform/ImageDecodingWebp.h"
#include "platform/ImageFileBytes.h"
#include "platform/ImageSource.h"
#include "platform/SrgbConversion.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <limits>
#include <optional>
#include <span>
#include <system_error>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

cv::Mat toEightBit(const cv::Mat& decoded)
{
    cv::Mat eightBit;
    if (decoded.depth() == CV_8U) {
        eightBit = decoded;
    } else if (decoded.depth() == CV_16U) {
        decoded.convertTo(eightBit, CV_8U, 1.0 / 257.0);
    } else if (decoded.depth() == CV_32F || decoded.depth() == CV_64F) {
        // Floating-point pictures (TIFF, HDR, EXR) hold 0...1; brighter values saturate.
        decoded.convertTo(eightBit, CV_8U, 255.0);
    } else {
        decoded.convertTo(eightBit, CV_8U);
    }
    cv::Mat colour;
    switch (eightBit.channels()) {
    case 1:
        cv::cvtColor(eightBit, colour, cv::COLOR_GRAY2BGR);
        break;
    case 2: { // grey and alpha
        std::vector<cv::Mat> planes;
        cv::split(eightBit, planes);
        cv::merge(std::vector { planes[0], planes[0], planes[0], planes[1] }, colour);
        break;
    }
    case 3:
    case 4:
        colour = eightBit;
        break;
    default:
        return {};
    }
    return colour;
}

// JPEG decoding at 1/2, 1/4 or 1/8 of the size, the largest reduction that still covers the preview.
int jpegReducedFlag(const ContainerFacts& facts, int maxLongSide)
{
    if (maxLongSide <= 0 || !facts.extent) return cv::IMREAD_COLOR;
    const std::int64_t longSide = std::max(facts.extent->width, facts.extent->height);
    if (longSide >= maxLongSide * 8) return cv::IMREAD_REDUCED_COLOR_8;
    if (longSide >= maxLongSide * 4) return cv::IMREAD_REDUCED_COLOR_4;
    if (longSide >= maxLongSide * 2) return cv::IMREAD_REDUCED_COLOR_2;
    return cv::IMREAD_COLOR;
}

// Formats whose readers take the file a part at a time; none for the rest, which are decoded
// from the whole file.
std::optional<cv::Mat> decodeInParts(const ImageSource& source, int maxLongSide)
{
    const auto head = source.head(8);
    if (isTiffFile(head)) return decodeTiff(source, maxLongSide);
    if (isBmpFile(head)) return decodeBmp(source, maxLongSide);
    return std::nullopt;
}

// What a whole-file decode holds at its peak, for each stored pixel: the decoder's working copy
// (JPEG's coefficients of a progressive file, lossless WebP's full picture), the result and the
// copy that widening or narrowing makes. Previews leave out the full-size result.
double bytesPerPixel(std::span<const std::uint8_t> bytes, bool preview)
{
    if (isPngFile(bytes)) return preview ? 0 : 8;
    if (isWebpFile(bytes)) return preview ? 4 : 8;
    if (bytes[0] == 0xFF && bytes[1] == 0xD8) return preview ? 6 : 9;
    return 12; // 16-bit RGBA and its 8-bit copy
}

// Decodes what decodeInParts left to the whole-file decoders; the caller bounded the size.
cv::Mat decodeWhole(std::span<const std::uint8_t> bytes, int maxLongSide)
{
    if (bytes.size() < 2) return {};
    if (isHeifFile(bytes)) return decodeHeif(bytes, maxLongSide);

    const ContainerFacts facts = readContainerFacts(bytes);
    // The header's word is checked before the decoder allocates what it claims.
    if (facts.extent && isTooLargeToDecode(*facts.extent)) return {};
    // A picture whose size no header told runs alone.
    const auto reservation = DecodeBudget::shared().reserve(facts.extent
            ? pictureBytes(facts.extent->width, facts.extent->height, bytesPerPixel(bytes, maxLongSide > 0))
                + pictureBytes(facts.extent->width, 1, 64)
            : std::numeric_limits<std::uint64_t>::max());
    // PNG is read row by row at 8 bits, reduced while it is read for previews: a small file may
    // hold a 16-bit picture of gigabytes.
    if (isPngFile(bytes)) {
        const cv::Mat decoded = decodePng(bytes, maxLongSide);
        return decoded.empty() ? decoded : toEightBit(convertProfileToSrgb(decoded, facts.iccProfile));
    }
    // WebP is scaled by its decoder for previews, and written straight into 8-bit pixels.
    if (isWebpFile(bytes)) {
        const cv::Mat decoded = decodeWebp(bytes, maxLongSide);
        return decoded.empty() ? decoded : convertProfileToSrgb(decoded, facts.iccProfile);
    }
    // JPEG carries no alpha but often an EXIF orientation, which only the colour decode applies;
    // other formats are read as stored so alpha and depth survive.
    const bool jpeg = bytes[0] == 0xFF && bytes[1] == 0xD8;
    const int flags = jpeg ? jpegReducedFlag(facts, maxLongSide) : cv::IMREAD_UNCHANGED;
    const cv::Mat encoded(1, static_cast<int>(bytes.size()), CV_8UC1, const_cast<std::uint8_t*>(bytes.data()));
    cv::Mat decoded;
    try {
        decoded = cv::imdecode(encoded, flags);
    } catch (const cv::Exception&) {
        return {};
    }
    if (decoded.empty()) return {};
    return toEightBit(convertProfileToSrgb(decoded, facts.iccProfile));
}

cv::Mat shrinkToFit(cv::Mat pixels, int maxLongSide)
{
    const int longSide = std::max(pixels.cols, pixels.rows);
    if (pixels.empty() || maxLongSide <= 0 || longSide <= maxLongSide) return pixels;
    const double scale = static_cast<double>(maxLongSide) / longSide;
    const cv::Size size(std::max(1, static_cast<int>(std::lround(pixels.cols * scale))),
        std::max(1, static_cast<int>(std::lround(pixels.rows * scale))));
    cv::Mat smaller;
    cv::resize(pixels, smaller, size, 0, 0, cv::INTER_AREA);
    return smaller;
}

cv::Mat decode(const fs::path& path, int maxLongSide)
{
    const auto source = ImageSource::openFile(path);
    if (!source) return {};
    if (auto decoded = decodeInParts(*source, maxLongSide)) return *decoded;
    const auto bytes = source->whole();
    return bytes ? decodeWhole(*bytes, maxLongSide) : cv::Mat();
}

cv::Mat decode(std::span<const std::uint8_t> bytes, int maxLongSide)
{
    if (bytes.size() > kLargestImageFileBytes) return {};
    if (auto decoded = decodeInParts(ImageSource::inMemory(bytes), maxLongSide)) return *decoded;
    return decodeWhole(bytes, maxLongSide);
}

} // namespace

cv::Mat decodeImageFile(const fs::path& path)
{
    return decode(path, 0);
}

cv::Mat decodeImageBytes(std::string_view bytes)
{
    return decode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
}

cv::Mat decodePreview(const fs::path& path, int maxLongSide)
{
    return shrinkToFit(decode(path, maxLongSide), maxLongSide);
}

bool writePng(const cv::Mat& pixels, const fs::path& path)
{
    if (pixels.empty() || pixels.depth() != CV_8U) return false;
    const auto error = replaceFileThroughTemporary(path, [&](const fs::path& temporary) {
        bool written = false;
        try {
            written = cv::imwrite(temporary.string(), pixels, { cv::IMWRITE_PNG_COMPRESSION, 1 });
        } catch (const cv::Exception&) {
            written = false;
        }
        return written ? std::error_code() : std::make_error_code(std::errc::io_error);
    });
    return !error;
}

} // namespace tl
