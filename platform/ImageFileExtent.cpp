#include "platform/ImageFileExtent.h"

#include "platform/EmbeddedColorProfile.h"
#include "platform/HeifDecoding.h"
#include "platform/HeifHandles.h"
#include "platform/ImageDecodingTiff.h"
#include "platform/ImageSource.h"

#include <fstream>
#include <vector>

namespace tl {
namespace {

// Enough for a JPEG's size after its EXIF and profile segments.
constexpr std::streamsize headerBytes = std::streamsize { 1 } << 20;

std::optional<ImageExtent> heifExtent(const std::filesystem::path& path)
{
    const heif::Context context(heif_context_alloc());
    if (!context || heif_context_read_from_file(context.get(), path.c_str(), nullptr).code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok) return std::nullopt;
    const heif::ImageHandle handle(primary);
    return ImageExtent { heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()) };
}

} // namespace

std::optional<ImageExtent> readImageFileExtent(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> header(static_cast<std::size_t>(headerBytes));
    file.read(reinterpret_cast<char*>(header.data()), headerBytes);
    header.resize(static_cast<std::size_t>(file.gcount()));
    if (isHeifFile(header)) return heifExtent(path);
    // Big TIFFs, and directories placed after the pixels, are found by libtiff.
    if (isTiffFile(header)) {
        const auto source = ImageSource::openFile(path);
        return source ? readTiffExtent(*source) : std::nullopt;
    }
    return readContainerFacts(header).extent;
}

} // namespace tl
