#pragma once

#include "platform/HeifHandles.h"
#include "support/TestImageFiles.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tl::test {

// Writes a HEIC of tiles x tiles copies of one coded tile in a grid, every tile naming the same
// bytes: a picture of 16384 x 16384 takes a few kilobytes and a second, where coding it whole would
// take half a minute and gigabytes. The tile (even sides) is 8-bit 4:2:0 of one Y'CbCr colour,
// coded by libheif (in the video range of BT.601 unless `fullRange`); its colour box goes with the
// grid. `tileFile`, when given, receives the tile alone as libheif wrote it.
class TiledHeic {
public:
    static bool write(const std::filesystem::path& path, int tileSide, int tiles, cv::Scalar ycbcr,
        const std::filesystem::path& tileFile = {}, bool fullRange = true)
    {
        const std::string tile = codedTile(tileSide, ycbcr, fullRange);
        if (tile.empty()) return false;
        if (!tileFile.empty()) std::ofstream(tileFile, std::ios::binary) << tile;
        const std::string decoderConfig = box(tile, "hvcC");
        const std::string colour = box(tile, "colr");
        const std::string data = topLevelPayload(tile, "mdat");
        if (decoderConfig.empty() || data.empty()) return false;

        const std::string fileType = boxOf("ftyp", "heic" + be32(0) + "mif1heic");
        const auto meta = [&](std::uint32_t dataStart) {
            return metaBox(tileSide, tiles, decoderConfig, colour, static_cast<std::uint32_t>(data.size()), dataStart);
        };
        const auto dataStart = static_cast<std::uint32_t>(fileType.size() + meta(0).size() + 8);
        const int side = tileSide * tiles;
        const std::string grid = std::string(2, '\0') + char(tiles - 1) + char(tiles - 1) + be16(side) + be16(side);
        std::ofstream(path, std::ios::binary) << fileType << meta(dataStart) << boxOf("mdat", grid + data);
        return std::filesystem::file_size(path) > 0;
    }

private:
    static std::string be16(std::uint32_t value) { return { char(value >> 8), char(value) }; }
    static std::string be32(std::uint32_t value) { return be16(value >> 16) + be16(value & 0xFFFF); }
    static std::string boxOf(std::string_view type, const std::string& body)
    {
        return be32(static_cast<std::uint32_t>(body.size() + 8)) + std::string(type) + body;
    }
    static std::string fullBoxOf(std::string_view type, int version, std::uint32_t flags, const std::string& body)
    {
        return boxOf(type, char(version) + be32(flags).substr(1) + body);
    }
    static std::uint32_t readBe32(const std::string& bytes, std::size_t at)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
        return value;
    }
    // The first box of that type anywhere (good enough for libheif's own small files).
    static std::string box(const std::string& file, std::string_view type)
    {
        const std::size_t at = file.find(type);
        if (at == std::string::npos || at < 4) return {};
        return file.substr(at - 4, readBe32(file, at - 4));
    }
    static std::string topLevelPayload(const std::string& file, std::string_view type)
    {
        for (std::size_t at = 0; at + 8 <= file.size();) {
            const std::uint32_t size = readBe32(file, at);
            if (size < 8) return {};
            if (file.compare(at + 4, 4, type) == 0) return file.substr(at + 8, size - 8);
            at += size;
        }
        return {};
    }

    static std::string metaBox(int tileSide, int tiles, const std::string& decoderConfig, const std::string& colour,
        std::uint32_t tileBytes, std::uint32_t dataStart)
    {
        const int count = tiles * tiles; // items 2... are the tiles, item 1 the grid
        std::string entries = fullBoxOf("infe", 2, 0, be16(1) + be16(0) + "grid" + '\0');
        std::string references = be16(1) + be16(static_cast<std::uint32_t>(count));
        std::string locations = be16(1) + be16(0) + be16(1) + be32(dataStart) + be32(8);
        std::string associations = be16(1) + char(colour.empty() ? 1 : 2) + char(3) + (colour.empty() ? "" : "\x84");
        for (int tile = 0; tile < count; ++tile) {
            const auto id = static_cast<std::uint32_t>(tile + 2);
            entries += fullBoxOf("infe", 2, 1, be16(id) + be16(0) + "hvc1" + '\0');
            references += be16(id);
            locations += be16(id) + be16(0) + be16(1) + be32(dataStart + 8) + be32(tileBytes);
            associations += be16(id) + char(2) + "\x81\x02";
        }
        const int side = tileSide * tiles;
        const std::string properties = boxOf("ipco",
            decoderConfig + fullBoxOf("ispe", 0, 0, be32(tileSide) + be32(tileSide))
                + fullBoxOf("ispe", 0, 0, be32(side) + be32(side)) + colour);
        return fullBoxOf("meta", 0, 0,
            fullBoxOf("hdlr", 0, 0, be32(0) + "pict" + std::string(13, '\0')) + fullBoxOf("pitm", 0, 0, be16(1))
                + fullBoxOf("iinf", 0, 0, be16(static_cast<std::uint32_t>(count + 1)) + entries)
                + fullBoxOf("iref", 0, 0, boxOf("dimg", references))
                + boxOf("iprp",
                    properties + fullBoxOf("ipma", 0, 0, be32(static_cast<std::uint32_t>(count + 1)) + associations))
                + fullBoxOf("iloc", 0, 0,
                    std::string("\x44\x00", 2) + be16(static_cast<std::uint32_t>(count + 1)) + locations));
    }

    static std::string codedTile(int side, cv::Scalar ycbcr, bool fullRange)
    {
        const heif::Context context(heif_context_alloc());
        const heif::Encoder encoder = hevcEncoder(context, 90);
        if (!encoder) return {};
        heif_encoder_set_parameter(encoder.get(), "preset", "ultrafast");
        heif_image* rawImage = nullptr;
        heif_image_create(side, side, heif_colorspace_YCbCr, heif_chroma_420, &rawImage);
        const heif::Image image(rawImage);
        const heif_channel channels[] = { heif_channel_Y, heif_channel_Cb, heif_channel_Cr };
        for (int plane = 0; plane < 3; ++plane) {
            const int planeSide = plane == 0 ? side : side / 2;
            heif_image_add_plane(image.get(), channels[plane], planeSide, planeSide, 8);
            int stride = 0;
            std::uint8_t* data = heif_image_get_plane(image.get(), channels[plane], &stride);
            std::fill(
                data, data + static_cast<std::ptrdiff_t>(stride) * planeSide, static_cast<std::uint8_t>(ycbcr[plane]));
        }
        if (!fullRange) {
            const heif::NclxProfile nclx(heif_nclx_color_profile_alloc());
            nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
            nclx->full_range_flag = 0;
            heif_image_set_nclx_color_profile(image.get(), nclx.get());
        }
        if (heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, nullptr).code
            != heif_error_Ok)
            return {};
        std::string bytes;
        heif_writer collect { .writer_api_version = 1,
            .write = [](heif_context*, const void* data, std::size_t size, void* userdata) {
                static_cast<std::string*>(userdata)->append(static_cast<const char*>(data), size);
                return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
            } };
        if (heif_context_write(context.get(), &collect, &bytes).code != heif_error_Ok) return {};
        return bytes;
    }
};

} // namespace tl::test
