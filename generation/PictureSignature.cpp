#include "generation/PictureSignature.h"

#include <array>

namespace tl {
namespace {

using namespace std::string_view_literals;

constexpr std::array kLeadingSignatures {
    "\x89PNG\r\n\x1a\n"sv,
    "\xff\xd8\xff"sv,
    "GIF87a"sv,
    "GIF89a"sv,
    "II*\0"sv,
    "MM\0*"sv,
};

// Brands of the ISO media file family that hold still pictures.
constexpr std::array kPictureBrands { "heic"sv, "heix"sv, "hevc"sv, "heim"sv, "heis"sv, "mif1"sv, "msf1"sv, "avif"sv,
    "avis"sv };

bool isWebP(std::string_view bytes)
{
    return bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP";
}

bool isPictureContainer(std::string_view bytes)
{
    if (bytes.size() < 12 || bytes.substr(4, 4) != "ftyp") return false;
    const auto brand = bytes.substr(8, 4);
    for (const auto known : kPictureBrands)
        if (brand == known) return true;
    return false;
}

} // namespace

bool looksLikePicture(std::string_view bytes)
{
    for (const auto signature : kLeadingSignatures)
        if (bytes.starts_with(signature)) return true;
    return isWebP(bytes) || isPictureContainer(bytes);
}

} // namespace tl
