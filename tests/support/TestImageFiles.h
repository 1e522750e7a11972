#pragma once

#include "platform/HeifHandles.h"
#include "platform/Uuid.h"

#include <lcms2.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tl::test {

// A folder of its own under the temporary folder, removed with the object.
class ScratchFolder {
public:
    ScratchFolder() { std::filesystem::create_directories(path); }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    const std::filesystem::path path = std::filesystem::temp_directory_path() / ("tl-test-" + Uuid::random().text());
};

inline std::string readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// The bytes of an lcms2 profile, which is closed.
inline std::vector<std::uint8_t> profileBytes(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// An ICC profile with sRGB primaries and a linear curve (or a linear grey profile): 50 % grey in it
// is 188 in sRGB, so a conversion that was skipped or misapplied shows.
inline std::vector<std::uint8_t> linearProfile(bool grey = false)
{
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE profile = nullptr;
    if (grey) {
        profile = cmsCreateGrayProfile(cmsD50_xyY(), linear);
    } else {
        cmsCIExyY white;
        cmsWhitePointFromTemp(&white, 6504);
        const cmsCIExyYTRIPLE primaries { { 0.64, 0.33, 1 }, { 0.30, 0.60, 1 }, { 0.15, 0.06, 1 } };
        cmsToneCurve* curves[3] = { linear, linear, linear };
        profile = cmsCreateRGBProfile(&white, &primaries, curves);
    }
    cmsFreeToneCurve(linear);
    return profileBytes(profile);
}

inline std::string bigEndian32(std::uint32_t value)
{
    return { static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
        static_cast<char>(value) };
}

// A PNG file with an iCCP chunk carrying `profile`, inserted right after IHDR.
inline std::string withPngProfile(const std::string& png, const std::vector<std::uint8_t>& profile)
{
    uLongf compressedSize = compressBound(static_cast<uLong>(profile.size()));
    std::string compressed(compressedSize, '\0');
    compress(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize, profile.data(), profile.size());
    compressed.resize(compressedSize);
    const std::string body = std::string("iCCPtest\0\0", 10) + compressed;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    const std::string chunk = bigEndian32(static_cast<std::uint32_t>(body.size() - 4)) + body
        + bigEndian32(static_cast<std::uint32_t>(crc));
    const std::size_t afterHeader = 8 + 25;
    return png.substr(0, afterHeader) + chunk + png.substr(afterHeader);
}

// A JPEG file with `profile` split over two APP2 segments, placed after SOI.
inline std::string withJpegProfile(const std::string& jpeg, const std::vector<std::uint8_t>& profile)
{
    const std::size_t half = profile.size() / 2;
    std::string segments;
    for (int part = 0; part < 2; ++part) {
        const auto begin = profile.begin() + (part == 0 ? 0 : static_cast<std::ptrdiff_t>(half));
        const auto end = part == 0 ? profile.begin() + static_cast<std::ptrdiff_t>(half) : profile.end();
        const std::string payload
            = std::string("ICC_PROFILE\0", 12) + static_cast<char>(part + 1) + '\2' + std::string(begin, end);
        const auto length = payload.size() + 2;
        segments += std::string { '\xFF', '\xE2', static_cast<char>(length >> 8), static_cast<char>(length & 0xFF) }
            + payload;
    }
    return jpeg.substr(0, 2) + segments + jpeg.substr(2);
}

inline std::string littleEndian(std::uint64_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

// The header of an animated WebP: a VP8X chunk with the animation flag and an ANIM chunk.
inline std::string animatedWebp()
{
    const std::string vp8x
        = "VP8X" + littleEndian(10, 4) + std::string("\x02\0\0\0", 4) + littleEndian(63, 3) + littleEndian(63, 3);
    const std::string anim = "ANIM" + littleEndian(6, 4) + std::string(6, '\0');
    const std::string body = "WEBP" + vp8x + anim;
    return "RIFF" + littleEndian(body.size(), 4) + body;
}

// A baseline JPEG whose frame header claims width x height and that holds no scan.
inline std::string jpegClaiming(int width, int height)
{
    const auto big16 = [](int value) {
        return std::string { static_cast<char>(value >> 8), static_cast<char>(value) };
    };
    return std::string("\xFF\xD8\xFF\xC0\x00\x11\x08", 7) + big16(height) + big16(width)
        + std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xFF\xD9", 12);
}

// An uncompressed grey BigTIFF 40000 pixels wide and 2 high: wider than any side we open.
inline std::string wideBigTiff()
{
    constexpr std::uint64_t width = 40000;
    const std::vector<std::pair<int, std::pair<int, std::uint64_t>>> tags { { 256, { 4, width } }, { 257, { 4, 2 } },
        { 258, { 3, 8 } }, { 259, { 3, 1 } }, { 262, { 3, 1 } }, { 273, { 4, 0 } }, { 277, { 3, 1 } },
        { 278, { 4, 2 } }, { 279, { 4, 2 * width } } };
    const std::uint64_t pixelsAt = 16 + 8 + tags.size() * 20 + 8;
    std::string tiff
        = std::string("II\x2B\x00\x08\x00\x00\x00", 8) + littleEndian(16, 8) + littleEndian(tags.size(), 8);
    for (const auto& [tag, typed] : tags) {
        const auto [type, value] = typed;
        tiff += littleEndian(static_cast<std::uint64_t>(tag), 2) + littleEndian(static_cast<std::uint64_t>(type), 2)
            + littleEndian(1, 8) + littleEndian(tag == 273 ? pixelsAt : value, 8);
    }
    return tiff + littleEndian(0, 8) + std::string(2 * width, '\x80');
}

// libheif's HEVC encoder for `context` at `quality`; none when libheif here has no HEVC encoder.
inline heif::Encoder hevcEncoder(const heif::Context& context, int quality = 95)
{
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder).code != heif_error_Ok)
        return nullptr;
    heif::Encoder encoder(rawEncoder);
    heif_encoder_set_lossy_quality(encoder.get(), quality);
    return encoder;
}

// Whether libheif here can encode HEVC; codec-dependent tests skip without it.
inline bool canEncodeHeic()
{
    const heif::Context context(heif_context_alloc());
    return hevcEncoder(context) != nullptr;
}

// 8-bit BGR pixels as an interleaved RGB libheif image.
inline heif::Image heifImageOf(const cv::Mat& bgr)
{
    heif_image* rawImage = nullptr;
    heif_image_create(bgr.cols, bgr.rows, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &rawImage);
    heif::Image image(rawImage);
    heif_image_add_plane(image.get(), heif_channel_interleaved, bgr.cols, bgr.rows, 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    cv::Mat rgb(bgr.rows, bgr.cols, CV_8UC3, plane, static_cast<std::size_t>(stride));
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    return image;
}

// A HEIC file of 8-bit BGR pixels, near-lossless, with an optional ICC profile or a colour box naming
// other primaries than sRGB's (with the sRGB transfer curve).
inline bool writeTestHeic(const cv::Mat& bgr, const std::filesystem::path& path,
    const std::vector<std::uint8_t>& profile = {}, std::optional<heif_color_primaries> primaries = std::nullopt)
{
    const heif::Context context(heif_context_alloc());
    const heif::Encoder encoder = hevcEncoder(context);
    if (!encoder) return false;
    const heif::Image image = heifImageOf(bgr);
    if (!profile.empty()) heif_image_set_raw_color_profile(image.get(), "prof", profile.data(), profile.size());
    const std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> nclx(
        heif_nclx_color_profile_alloc(), heif_nclx_color_profile_free);
    const std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> options(
        heif_encoding_options_alloc(), heif_encoding_options_free);
    if (primaries) {
        nclx->color_primaries = *primaries;
        nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
        nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
        nclx->full_range_flag = 1;
        heif_image_set_nclx_color_profile(image.get(), nclx.get());
        options->output_nclx_profile = nclx.get();
        // Otherwise libheif leaves the colour box out.
        options->macOS_compatibility_workaround_no_nclx_profile = 0;
    }
    if (heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(), nullptr).code
        != heif_error_Ok)
        return false;
    return heif_context_write_to_file(context.get(), path.c_str()).code == heif_error_Ok;
}

} // namespace tl::test
