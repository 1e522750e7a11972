#include "platform/ImageFileProblem.h"

#include "platform/HeifDecoding.h"
#include "platform/ImageDecodingBmp.h"
#include "platform/ImageDecodingPng.h"
#include "platform/ImageDecodingTiff.h"
#include "platform/ImageDecodingWebp.h"
#include "platform/ImageFileBytes.h"
#include "platform/ImageFileExtent.h"
#include "platform/ImageSource.h"

#include <webp/decode.h>

#include <vector>

namespace tl {
namespace {

using Kind = ImageFileProblem::Kind;

// Enough for every signature and for a WebP file's animation flag.
constexpr std::size_t headBytes = 4096;

bool isAnimatedWebp(const std::vector<std::uint8_t>& head)
{
    WebPBitstreamFeatures features {};
    return isWebpFile(head) && WebPGetFeatures(head.data(), head.size(), &features) == VP8_STATUS_OK
        && features.has_animation;
}

bool isKnownPicture(const std::vector<std::uint8_t>& head)
{
    const bool jpeg = head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8;
    return jpeg || isPngFile(head) || isTiffFile(head) || isWebpFile(head) || isBmpFile(head) || isHeifFile(head);
}

} // namespace

ImageFileProblem diagnoseImageFile(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return { Kind::missing };
    const auto size = std::filesystem::file_size(file, error);
    if (error) return { Kind::unreadable };
    if (size > kLargestImageFileBytes) return { Kind::fileTooLarge };
    // Opened and checked as one: a FIFO in the file's place is unreadable, not a wait for a writer.
    const auto source = ImageSource::openFile(file);
    if (!source) return { Kind::unreadable };

    const std::vector<std::uint8_t> head = source->head(headBytes);
    if (isAnimatedWebp(head)) return { Kind::animated };
    if (const auto extent = readImageFileExtent(file); extent && isTooLargeToDecode(*extent))
        return { Kind::pictureTooLarge, extent };
    return { isKnownPicture(head) ? Kind::damaged : Kind::notAPicture };
}

std::string describe(const ImageFileProblem& problem)
{
    switch (problem.kind) {
    case Kind::missing:
        return "The file is missing.";
    case Kind::unreadable:
        return "The file cannot be read.";
    case Kind::fileTooLarge:
        return "The file is larger than 1 GB, more than any picture this program opens.";
    case Kind::animated:
        return "Animated WebP pictures are not supported.";
    case Kind::pictureTooLarge: {
        const ImageExtent extent = problem.extent.value_or(ImageExtent {});
        const bool sideTooLong = extent.width > largestImageSide || extent.height > largestImageSide;
        return "The picture is too large: " + std::to_string(extent.width) + " × " + std::to_string(extent.height)
            + " pixels, "
            + (sideTooLong ? "more than " + std::to_string(largestImageSide) + " on a side."
                           : "more than the " + std::to_string(largestImagePixels / 1'000'000)
                        + " million pixels this program opens.");
    }
    case Kind::damaged:
        return "The file is damaged or incomplete.";
    case Kind::notAPicture:
        return "The file is not a picture in a format this program opens.";
    }
    return {};
}

} // namespace tl
