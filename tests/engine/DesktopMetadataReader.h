#pragma once

// Reads dynamic-wallpaper metadata back the way Linux readers of these files do: libheif for the
// container and its metadata blocks, libplist for the record. Shares no code with the writer.

#include "platform/HeifHandles.h"

#include <opencv2/core.hpp>
#include <plist/plist.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tl::test {

inline std::vector<std::uint8_t> decodeBase64(const std::string& text)
{
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> bytes;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') break;
        const auto value = alphabet.find(c);
        if (value == std::string::npos) return {};
        buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(buffer >> bits));
        }
    }
    return bytes;
}

// A property list written out with its types, dictionary keys sorted:
// {si:[{a:real(30),i:int(0),o:int(1),z:real(0)}]}. Empty when the bytes are no binary plist.
inline std::string describePlistNode(plist_t node)
{
    char text[64];
    switch (plist_get_node_type(node)) {
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return "int(" + std::to_string(static_cast<std::int64_t>(value)) + ")";
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        std::snprintf(text, sizeof text, "real(%g)", value);
        return text;
    }
    case PLIST_STRING: {
        char* value = nullptr;
        plist_get_string_val(node, &value);
        std::string result = std::string("\"") + (value ? value : "") + "\"";
        std::free(value);
        return result;
    }
    case PLIST_ARRAY: {
        std::string result = "[";
        for (std::uint32_t i = 0; i < plist_array_get_size(node); ++i)
            result += (i ? "," : "") + describePlistNode(plist_array_get_item(node, i));
        return result + "]";
    }
    case PLIST_DICT: {
        std::map<std::string, std::string> entries;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator, &key, &value);
            if (!key) break;
            entries[key] = describePlistNode(value);
            std::free(key);
        }
        std::free(iterator);
        std::string result = "{";
        for (const auto& [key, value] : entries)
            result += (result.size() > 1 ? "," : "") + key + ":" + value;
        return result + "}";
    }
    default:
        return "?";
    }
}

inline std::string describeBinaryPlist(const std::vector<std::uint8_t>& bytes)
{
    plist_t root = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
    if (!root) return {};
    std::string text = describePlistNode(root);
    plist_free(root);
    return text;
}

// The value of attribute `name` (e.g. apple_desktop:solar) in an XMP packet, if present.
inline std::optional<std::string> xmpAttribute(const std::string& xmp, const std::string& name)
{
    const auto at = xmp.find(" " + name + "=\"");
    if (at == std::string::npos) return std::nullopt;
    const auto start = at + name.size() + 3;
    return xmp.substr(start, xmp.find('"', start) - start);
}

struct MetadataBlock {
    std::string type;
    std::string contentType;
    std::string data;
};

struct NclxBox {
    int primaries = -1, transfer = -1, matrix = -1, fullRange = -1;
};

struct HeicReading {
    int imageCount = 0;
    std::vector<std::vector<MetadataBlock>> metadataPerImage; // in the order libheif lists the images
    std::vector<NclxBox> colour;
    std::vector<cv::Mat> pixels; // RGB as libheif decodes them
    bool primaryIsFirst = false;
};

inline std::optional<HeicReading> readHeic(const std::filesystem::path& path)
{
    const heif::Context context(heif_context_alloc());
    if (heif_context_read_from_file(context.get(), path.c_str(), nullptr).code != heif_error_Ok) return std::nullopt;
    HeicReading reading;
    reading.imageCount = heif_context_get_number_of_top_level_images(context.get());
    std::vector<heif_item_id> ids(static_cast<std::size_t>(reading.imageCount));
    heif_context_get_list_of_top_level_image_IDs(context.get(), ids.data(), reading.imageCount);
    heif_item_id primary = 0;
    heif_context_get_primary_image_ID(context.get(), &primary);
    reading.primaryIsFirst = !ids.empty() && ids.front() == primary;
    for (const heif_item_id id : ids) {
        heif_image_handle* raw = nullptr;
        if (heif_context_get_image_handle(context.get(), id, &raw).code != heif_error_Ok) return std::nullopt;
        const heif::ImageHandle handle(raw);
        const int count = heif_image_handle_get_number_of_metadata_blocks(raw, nullptr);
        std::vector<heif_item_id> blockIds(static_cast<std::size_t>(count));
        heif_image_handle_get_list_of_metadata_block_IDs(raw, nullptr, blockIds.data(), count);
        std::vector<MetadataBlock> blocks;
        for (const heif_item_id blockId : blockIds) {
            MetadataBlock block;
            block.type = heif_image_handle_get_metadata_type(raw, blockId);
            block.contentType = heif_image_handle_get_metadata_content_type(raw, blockId);
            block.data.resize(heif_image_handle_get_metadata_size(raw, blockId));
            heif_image_handle_get_metadata(raw, blockId, block.data.data());
            blocks.push_back(std::move(block));
        }
        reading.metadataPerImage.push_back(std::move(blocks));

        NclxBox box;
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(raw, &nclx).code == heif_error_Ok) {
            box = { nclx->color_primaries, nclx->transfer_characteristics, nclx->matrix_coefficients,
                nclx->full_range_flag };
            heif_nclx_color_profile_free(nclx);
        }
        reading.colour.push_back(box);

        heif_image* decoded = nullptr;
        if (heif_decode_image(raw, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code
            != heif_error_Ok)
            return std::nullopt;
        const heif::Image image(decoded);
        int stride = 0;
        const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
        reading.pixels.push_back(cv::Mat(heif_image_get_height(decoded, heif_channel_interleaved),
            heif_image_get_width(decoded, heif_channel_interleaved), CV_8UC3, const_cast<std::uint8_t*>(plane),
            static_cast<std::size_t>(stride))
                                     .clone());
    }
    return reading;
}

} // namespace tl::test
