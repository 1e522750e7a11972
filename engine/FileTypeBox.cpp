#include "engine/FileTypeBox.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tl {
namespace {

using Brand = std::array<std::uint8_t, 4>;

std::uint32_t readSize(const std::vector<std::uint8_t>& bytes)
{
    return (std::uint32_t { bytes[0] } << 24) | (std::uint32_t { bytes[1] } << 16) | (std::uint32_t { bytes[2] } << 8)
        | bytes[3];
}

void writeBoxHeader(std::uint8_t* at, std::uint32_t size, const char* type)
{
    at[0] = static_cast<std::uint8_t>(size >> 24);
    at[1] = static_cast<std::uint8_t>(size >> 16);
    at[2] = static_cast<std::uint8_t>(size >> 8);
    at[3] = static_cast<std::uint8_t>(size);
    std::memcpy(at + 4, type, 4);
}

constexpr std::size_t headerSize = 8;
constexpr std::size_t fixedFields = headerSize + 8; // major brand and minor version

} // namespace

bool compactFileTypeBox(std::vector<std::uint8_t>& head)
{
    if (head.size() < fixedFields || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return false;
    const std::size_t boxSize = readSize(head);
    if (boxSize < fixedFields || boxSize > head.size() || (boxSize - fixedFields) % 4 != 0) return false;

    std::vector<Brand> brands;
    for (std::size_t at = fixedFields; at < boxSize; at += 4) {
        Brand brand;
        std::copy_n(head.begin() + static_cast<std::ptrdiff_t>(at), 4, brand.begin());
        if (std::ranges::find(brands, brand) == brands.end()) brands.push_back(brand);
    }
    const std::size_t compactSize = fixedFields + brands.size() * 4;
    const std::size_t freed = boxSize - compactSize;
    // A `free` box needs its 8-byte header; a single repeated brand (4 bytes) is left as it is.
    if (freed < headerSize) return true;

    writeBoxHeader(head.data(), static_cast<std::uint32_t>(compactSize), "ftyp");
    for (std::size_t i = 0; i < brands.size(); ++i)
        std::copy(brands[i].begin(), brands[i].end(), head.begin() + static_cast<std::ptrdiff_t>(fixedFields + i * 4));
    writeBoxHeader(head.data() + compactSize, static_cast<std::uint32_t>(freed), "free");
    std::fill(head.begin() + static_cast<std::ptrdiff_t>(compactSize + headerSize),
        head.begin() + static_cast<std::ptrdiff_t>(boxSize), 0);
    return true;
}

} // namespace tl
