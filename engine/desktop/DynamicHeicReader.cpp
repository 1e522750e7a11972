#include "engine/desktop/DynamicHeicReader.h"

#include "engine/desktop/DynamicHeicMetadata.h"
#include "engine/desktop/DynamicHeicReaderBoxes.h"
#include "platform/HeifHandles.h"
#include "platform/ImageDecoding.h"
#include "platform/ImageFileBytes.h"

#include <string_view>

namespace tl::desktop {
namespace {

// The largest XMP block read; the desktop's records take a few kilobytes.
constexpr std::size_t largestXmpBytes = std::size_t { 4 } << 20;

// The most the file's metadata items may take once read: far above the few kilobytes of XMP and
// Exif a wallpaper carries, far below what would crowd out its frames' decode.
constexpr std::uint64_t largestMetadataItemBytes = std::uint64_t { 64 } << 20;

std::vector<std::string> xmpPackets(heif_context* context, const std::vector<std::uint32_t>& ids, std::uint32_t primary)
{
    std::vector<std::uint32_t> order { primary };
    for (const auto id : ids)
        if (id != primary) order.push_back(id);
    std::vector<std::string> packets;
    std::uint64_t packetBytes = 0;
    for (const auto id : order) {
        heif_image_handle* raw = nullptr;
        if (heif_context_get_image_handle(context, id, &raw).code != heif_error_Ok) continue;
        const heif::ImageHandle handle(raw);
        const int count = heif_image_handle_get_number_of_metadata_blocks(raw, "mime");
        if (count <= 0) continue;
        std::vector<heif_item_id> blocks(static_cast<std::size_t>(count));
        heif_image_handle_get_list_of_metadata_block_IDs(raw, "mime", blocks.data(), count);
        for (const heif_item_id block : blocks) {
            if (std::string_view(heif_image_handle_get_metadata_content_type(raw, block)) != "application/rdf+xml")
                continue;
            const std::size_t size = heif_image_handle_get_metadata_size(raw, block);
            if (size == 0 || size > largestXmpBytes || size > largestMetadataItemBytes - packetBytes) continue;
            packetBytes += size; // one item shown on every image is copied for each
            std::string packet(size, '\0');
            if (heif_image_handle_get_metadata(raw, block, packet.data()).code == heif_error_Ok)
                packets.push_back(std::move(packet));
        }
    }
    return packets;
}

} // namespace

std::string DynamicHeicError::message() const
{
    switch (kind) {
    case Kind::unreadable:
        return "The file could not be read as a HEIC image.";
    case Kind::noImages:
        return "The file holds no images.";
    case Kind::tooManyImages:
        return "The file holds more than " + std::to_string(DynamicHeicReader::largestImageCount)
            + " images, more than a wallpaper can use.";
    case Kind::damagedMetadata:
        return "The file's wallpaper metadata is damaged, so the file was not opened.";
    case Kind::oversizedMetadata:
        return "The file's metadata items are larger than a wallpaper's or compressed in an unknown way, so the file "
               "was not opened.";
    case Kind::imageNotDecoded:
        return "Image " + std::to_string(imageIndex + 1)
            + " of the file could not be decoded: it is damaged or too large.";
    }
    return {};
}

Result<DynamicHeicReader, DynamicHeicError> DynamicHeicReader::open(const std::filesystem::path& path)
{
    using Kind = DynamicHeicError::Kind;
    auto bytes = readImageFileBytes(path);
    if (!bytes) return DynamicHeicError { Kind::unreadable };
    auto file = std::make_shared<File>();
    file->bytes = std::move(*bytes);

    // libheif reads and inflates every metadata item as it opens the file, before any is asked for.
    const auto metadataBytes = metadataItemBytes(file->bytes);
    if (!metadataBytes || *metadataBytes > largestMetadataItemBytes)
        return DynamicHeicError { Kind::oversizedMetadata };

    const heif::Context context(heif_context_alloc());
    if (heif_context_read_from_memory_without_copy(context.get(), file->bytes.data(), file->bytes.size(), nullptr).code
        != heif_error_Ok)
        return DynamicHeicError { Kind::unreadable };
    const int count = heif_context_get_number_of_top_level_images(context.get());
    if (count <= 0) return DynamicHeicError { Kind::noImages };
    if (static_cast<std::size_t>(count) > largestImageCount) return DynamicHeicError { Kind::tooManyImages };
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_context_get_list_of_top_level_image_IDs(context.get(), ids.data(), count);
    heif_item_id primary = 0;
    const auto field = primaryIdField(file->bytes);
    if (heif_context_get_primary_image_ID(context.get(), &primary).code != heif_error_Ok || !field)
        return DynamicHeicError { Kind::unreadable };

    const auto packets = xmpPackets(context.get(), ids, primary);
    const auto metadata = readDynamicHeicMetadata({ packets.begin(), packets.end() }, ids.size());
    if (!metadata) return DynamicHeicError { Kind::damagedMetadata };

    DynamicHeicReader reader;
    reader.file_ = std::move(file);
    reader.imageIds_.assign(ids.begin(), ids.end());
    reader.primaryIdOffset_ = field->first;
    reader.primaryIdWidth_ = field->second;
    reader.wallpaper_ = { ids.size(), metadata->layout };
    reader.solarLight_ = metadata->solarLight;
    return reader;
}

Result<cv::Mat, DynamicHeicError> DynamicHeicReader::decodeImage(std::size_t index) const
{
    const DynamicHeicError failed { DynamicHeicError::Kind::imageNotDecoded, index };
    if (index >= imageIds_.size()) return failed;
    const std::uint32_t id = imageIds_[index];
    if (primaryIdWidth_ == 2 && id > 0xFFFF) return failed;
    const std::lock_guard turn(file_->turn);
    std::vector<std::uint8_t>& bytes = file_->bytes;
    for (std::size_t i = 0; i < primaryIdWidth_; ++i)
        bytes[primaryIdOffset_ + i] = static_cast<std::uint8_t>(id >> (8 * (primaryIdWidth_ - 1 - i)));
    cv::Mat pixels = decodeImageBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (pixels.empty()) return failed;
    return pixels;
}

} // namespace tl::desktop
