#include "platform/ImageFileExtent.h"

#include "platform/EmbeddedColorProfile.h"
#include "platform/HeifDecoding.h"
#include "platform/HeifHandles.h"
#include "platform/HeifSourceReader.h"
#include "platform/ImageDecodingTiff.h"
#include "platform/ImageSource.h"

#include <vector>

namespace tl {
namespace {

// Enough for a JPEG's size after its EXIF and profile segments.
constexpr std::size_t headerBytes = std::size_t { 1 } << 20;

std::optional<ImageExtent> heifExtent(const ImageSource& source)
{
    HeifSourceReader reader(source);
    const heif::Context context(heif_context_alloc());
    if (!context || reader.readInto(context.get()).code != heif_error_Ok) return std::nullopt;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok) return std::nullopt;
    const heif::ImageHandle handle(primary);
    return ImageExtent { heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()) };
}

} // namespace

std::optional<ImageExtent> readImageFileExtent(const std::filesystem::path& path)
{
    const auto source = ImageSource::openFile(path);
    if (!source) return std::nullopt;
    const std::vector<std::uint8_t> header = source->head(headerBytes);
    if (isHeifFile(header)) return heifExtent(*source);
    // Big TIFFs, and directories placed after the pixels, are found by libtiff.
    if (isTiffFile(header)) return readTiffExtent(*source);
    return readContainerFacts(header).extent;
}

} // namespace tl
