// Reading dynamic HEICs back: our own exports, files other makers write, and files built to hurt.

#include "engine/BinaryPropertyListReader.h"
#include "engine/HeicGenerator.h"
#include "engine/desktop/DesktopXmp.h"
#include "engine/desktop/DynamicHeicReader.h"
#include "engine/desktop/DynamicHeicReaderBoxes.h"

#include "ExportTestSupport.h"
#include "support/DynamicHeicFiles.h"
#include "support/PeakMemory.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tl {
namespace {

namespace fs = std::filesystem;
using desktop::DynamicHeicError;
using desktop::DynamicHeicReader;

double meanDifference(const cv::Mat& a, const cv::Mat& b)
{
    const cv::Scalar left = cv::mean(a), right = cv::mean(b);
    return std::max({ std::abs(left[0] - right[0]), std::abs(left[1] - right[1]), std::abs(left[2] - right[2]) });
}

class DynamicHeicReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    }

    WallpaperImage photo(const std::string& name, int seed, std::optional<double> altitude)
    {
        const fs::path path = scratch.path / name;
        pictures.push_back(test::syntheticPhoto(64, 48, seed));
        EXPECT_TRUE(cv::imwrite(path.string(), pictures.back()));
        return test::frameImage(path, altitude);
    }

    DynamicHeicReader open() const
    {
        auto reader = DynamicHeicReader::open(output);
        if (!reader) throw std::runtime_error(reader.error().message());
        return std::move(reader).value();
    }

    test::ScratchFolder scratch;
    const fs::path output = scratch.path / "wallpaper.heic";
    std::vector<cv::Mat> pictures;
};

TEST_F(DynamicHeicReaderTest, ExportedSolarWallpaperReadsBackItsFramesAndPositions)
{
    std::vector<WallpaperImage> images { photo("a.png", 1, -12.3456789), photo("b.png", 2, 0.000001),
        photo("c.png", 3, 61.987654321) };
    images[1].azimuth = 359.9999999;
    images[2].isLight = false; // a flag that disagrees with the altitude survives
    ASSERT_TRUE(HeicGenerator().generate(images, WallpaperMode::time, output, std::nullopt));

    const DynamicHeicReader reader = open();
    ASSERT_EQ(reader.wallpaper().imageCount, 3u);
    const auto* schedule = std::get_if<desktop::SolarSchedule>(&reader.wallpaper().layout);
    ASSERT_NE(schedule, nullptr);
    ASSERT_EQ(schedule->frames.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(schedule->frames[i].imageIndex, i);
        EXPECT_NEAR(schedule->frames[i].sun.altitudeDegrees, *images[i].altitude, 1e-6);
        EXPECT_NEAR(schedule->frames[i].sun.azimuthDegrees, *images[i].azimuth, 1e-6);
        const auto pixels = reader.decodeImage(i);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels.value().size(), pictures[i].size());
        EXPECT_LT(meanDifference(pixels.value(), pictures[i]), 1.0) << "image " << i;
    }
    EXPECT_EQ(reader.solarLight(), (std::vector<std::optional<bool>> { false, true, false }));
    EXPECT_EQ(reader.decodeImage(3).error(), (DynamicHeicError { DynamicHeicError::Kind::imageNotDecoded, 3 }));
}

TEST_F(DynamicHeicReaderTest, ExportedAppearanceWallpaperNamesItsLightAndDarkImages)
{
    std::vector<WallpaperImage> images { photo("dark.png", 4, std::nullopt), photo("light.png", 5, std::nullopt) };
    images[0].isLight = false;
    images[1].isLight = true;
    ASSERT_TRUE(HeicGenerator().generate(images, WallpaperMode::appearance, output, std::nullopt));

    const DynamicHeicReader reader = open();
    const auto* pair = std::get_if<desktop::AppearancePair>(&reader.wallpaper().layout);
    ASSERT_NE(pair, nullptr);
    // The writer puts the light image first.
    EXPECT_LT(meanDifference(reader.decodeImage(pair->lightImageIndex).value(), pictures[1]), 1.0);
    EXPECT_LT(meanDifference(reader.decodeImage(pair->darkImageIndex).value(), pictures[0]), 1.0);
}

TEST_F(DynamicHeicReaderTest, AnotherMakersTimeOfDayFileReadsEveryImageInFileOrder)
{
    for (int seed = 0; seed < 3; ++seed)
        pictures.push_back(test::syntheticPhoto(64, 48, seed * 2));
    const std::string xmp
        = test::desktopElementXmp("h24", test::timeOfDayRecord({ { 2, 0.75 }, { 0, 0.25 }, { 1, 0.5 } }));
    ASSERT_TRUE(test::writeDynamicHeic(pictures, output, xmp));

    const DynamicHeicReader reader = open();
    const auto* schedule = std::get_if<desktop::TimeOfDaySchedule>(&reader.wallpaper().layout);
    ASSERT_NE(schedule, nullptr);
    ASSERT_EQ(schedule->frames.size(), 3u);
    EXPECT_EQ(schedule->frames[0].imageIndex, 2u);
    EXPECT_DOUBLE_EQ(schedule->frames[0].dayFraction, 0.75);
    EXPECT_EQ(schedule->frames[1].imageIndex, 0u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_LT(meanDifference(reader.decodeImage(i).value(), pictures[i]), 1.0) << "image " << i;
}

TEST_F(DynamicHeicReaderTest, FileWithoutDesktopMetadataOpensAsPlainImages)
{
    pictures = { test::syntheticPhoto(32, 32, 1), test::syntheticPhoto(32, 32, 2) };
    ASSERT_TRUE(test::writeDynamicHeic(pictures, output, std::nullopt));
    const DynamicHeicReader reader = open();
    EXPECT_EQ(reader.wallpaper().imageCount, 2u);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(reader.wallpaper().layout));
}

TEST_F(DynamicHeicReaderTest, HostileMetadataIsRefusedBeforeAnyImageIsDecoded)
{
    pictures = { test::syntheticPhoto(32, 32, 1), test::syntheticPhoto(32, 32, 2) };
    const auto recordXmp
        = [](const PropertyListValue& record, std::string_view name) { return desktopXmpPacket(record, name); };
    const auto solarEntry = [](std::int64_t image, double altitude) {
        return PropertyListValue { PropertyListDictionary {
            { "i", { image } }, { "a", { altitude } }, { "z", { 10.0 } } } };
    };
    const std::vector<std::pair<std::string, std::string>> cases {
        { "image index past the file",
            recordXmp(PropertyListValue { PropertyListDictionary {
                          { "l", { std::int64_t { 0 } } }, { "d", { std::int64_t { 2 } } } } },
                "apr") },
        { "negative image index",
            recordXmp(
                PropertyListValue { PropertyListDictionary { { "si", { PropertyListArray { solarEntry(-1, 10) } } } } },
                "solar") },
        { "altitude not a number",
            recordXmp(PropertyListValue { PropertyListDictionary {
                          { "si", { PropertyListArray { solarEntry(0, std::nan("")) } } } } },
                "solar") },
        { "altitude beyond the zenith",
            recordXmp(
                PropertyListValue { PropertyListDictionary { { "si", { PropertyListArray { solarEntry(0, 91) } } } } },
                "solar") },
        { "empty table",
            recordXmp(PropertyListValue { PropertyListDictionary { { "si", { PropertyListArray {} } } } }, "solar") },
        { "time past the day", test::desktopElementXmp("h24", test::timeOfDayRecord({ { 0, 1.5 } })) },
        { "not base64", test::desktopElementXmp("apr", "YnBsaXN0MDA*") },
        { "not a property list", test::desktopElementXmp("apr", base64({ 'h', 'e', 'l', 'l', 'o' })) },
    };
    for (const auto& [name, xmp] : cases) {
        ASSERT_TRUE(test::writeDynamicHeic(pictures, output, xmp));
        const auto reader = DynamicHeicReader::open(output);
        ASSERT_FALSE(reader) << name;
        EXPECT_EQ(reader.error().kind, DynamicHeicError::Kind::damagedMetadata) << name;
        EXPECT_EQ(reader.error().message(), "The file's wallpaper metadata is damaged, so the file was not opened.");
    }
}

// One image carrying `count` XMP items of `size` spaces each, stored deflated: a few hundred
// kilobytes on disk that libheif would inflate to count * size bytes on opening the file.
bool writeInflatingHeic(const fs::path& path, int count, std::size_t size)
{
    const heif::Context context(heif_context_alloc());
    const heif::Encoder encoder = test::hevcEncoder(context);
    const heif::Image image = test::heifImageOf(test::syntheticPhoto(32, 32, 1));
    heif_image_handle* raw = nullptr;
    if (!encoder
        || heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, &raw).code != heif_error_Ok)
        return false;
    const heif::ImageHandle handle(raw);
    const std::string spaces(size, ' ');
    for (int i = 0; i < count; ++i)
        if (heif_context_add_XMP_metadata2(
                context.get(), raw, spaces.data(), static_cast<int>(spaces.size()), heif_metadata_compression_deflate)
                .code
            != heif_error_Ok)
            return false;
    return heif_context_write_to_file(context.get(), path.string().c_str()).code == heif_error_Ok;
}

TEST_F(DynamicHeicReaderTest, MetadataThatWouldInflateToGigabytesIsRefusedBeforeItIsRead)
{
    constexpr std::size_t itemBytes = std::size_t { 96 } << 20;
    ASSERT_TRUE(writeInflatingHeic(output, 4, itemBytes));
    ASSERT_LT(fs::file_size(output), itemBytes / 100);
    const auto peak = test::measureInChild([&] {
        const auto reader = DynamicHeicReader::open(output);
        return reader ? -1 : static_cast<std::int64_t>(reader.error().kind);
    });
    ASSERT_TRUE(peak);
    EXPECT_EQ(peak->result, static_cast<std::int64_t>(DynamicHeicError::Kind::oversizedMetadata));
    EXPECT_LT(peak->growthBytes, std::int64_t { 32 } << 20);
    EXPECT_EQ(DynamicHeicReader::open(output).error().message(),
        "The file's metadata items are larger than a wallpaper's or compressed in an unknown way, so the file was not "
        "opened.");

    // A compressed packet of wallpaper size still opens.
    ASSERT_TRUE(writeInflatingHeic(output, 1, 4096));
    EXPECT_TRUE(DynamicHeicReader::open(output));
}

TEST(DynamicHeicReaderFileTest, NonHeicFilesAreRefusedAsUnreadable)
{
    const test::ScratchFolder scratch;
    test::writeBytes(scratch.path / "not.heic", "this is no picture at all");
    for (const fs::path& path : { scratch.path / "not.heic", scratch.path / "missing.heic" })
        EXPECT_EQ(DynamicHeicReader::open(path).error().kind, DynamicHeicError::Kind::unreadable) << path;
}

// Binary property lists built by hand, each breaking one rule a careless reader trusts.
std::vector<std::uint8_t> plist(std::vector<std::uint8_t> objects, std::vector<std::uint8_t> offsets,
    std::uint64_t objectCount, std::uint64_t root = 0, std::uint8_t refSize = 1)
{
    std::vector<std::uint8_t> bytes { 'b', 'p', 'l', 'i', 's', 't', '0', '0' };
    bytes.insert(bytes.end(), objects.begin(), objects.end());
    const std::uint64_t table = bytes.size();
    bytes.insert(bytes.end(), offsets.begin(), offsets.end());
    bytes.insert(bytes.end(), 6, 0);
    bytes.push_back(1);
    bytes.push_back(refSize);
    for (const std::uint64_t value : { objectCount, root, table })
        for (int shift = 56; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    return bytes;
}

TEST(BinaryPropertyListReaderTest, ReadsWhatTheWriterWrites)
{
    const PropertyListValue record { PropertyListDictionary {
        { "si",
            { PropertyListArray { { PropertyListDictionary { { "i", { std::int64_t { 300 } } }, { "a", { -6.5 } } } },
                { std::int64_t { -2 } } } } },
        { "text", { std::string(40, 'x') } } } };
    const auto read = readBinaryPropertyList(serializeBinaryPropertyList(record));
    ASSERT_TRUE(read);
    EXPECT_EQ(serializeBinaryPropertyList(*read), serializeBinaryPropertyList(record));
}

TEST(BinaryPropertyListReaderTest, RefusesListsThatPointOutsideThemselvesOrLoop)
{
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases {
        { "array holding itself", plist({ 0xA1, 0x00 }, { 8 }, 1) },
        { "two arrays holding each other", plist({ 0xA1, 0x01, 0xA1, 0x00 }, { 8, 10 }, 2) },
        { "member past the object count", plist({ 0xA1, 0x05 }, { 8 }, 1) },
        { "offset into the trailer", plist({ 0x10, 0x01 }, { 200 }, 1) },
        { "root past the object count", plist({ 0x10, 0x01 }, { 8 }, 1, 1) },
        { "more objects than the table holds", plist({ 0x10, 0x01 }, { 8 }, 1000) },
        { "text longer than the file",
            plist({ 0x5F, 0x13, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0, 'a' }, { 8 }, 1) },
        { "array count beyond the file", plist({ 0xAF, 0x12, 0x10, 0x00, 0x00, 0x00 }, { 8 }, 1) },
        { "dictionary key that is no text", plist({ 0xD1, 0x01, 0x01, 0x10, 0x01 }, { 8, 11 }, 2) },
        { "reference size of zero", plist({ 0xA1, 0x00 }, { 8 }, 1, 0, 0) },
        { "too short for a trailer", { 'b', 'p', 'l', 'i', 's', 't', '0', '0', 0 } },
    };
    for (const auto& [name, bytes] : cases)
        EXPECT_FALSE(readBinaryPropertyList(bytes)) << name;
}

TEST(BinaryPropertyListReaderTest, EachBoundRefusesWhatOnlyItCatches)
{
    // Object 16 lies past a one-entry offset table: read from the trailer, its offset would be the
    // count's low byte, 17, where an integer waits.
    std::vector<std::uint8_t> shortTable { 0xA1, 0x10 };
    shortTable.resize(9, 0);
    shortTable.insert(shortTable.end(), { 0x10, 0x07 });
    shortTable.resize(17, 0);
    // An array naming one 3 MB text twice: 6 MB of text from a 3 MB file.
    std::vector<std::uint8_t> sharedText { 0xA2, 0x01, 0x01, 0x5F, 0x12, 0x00, 0x30, 0x00, 0x00 };
    sharedText.resize(sharedText.size() + (std::size_t { 3 } << 20), 'x');
    // 40 arrays each holding the next.
    std::vector<std::uint8_t> deep, deepOffsets;
    for (std::uint8_t k = 0; k < 40; ++k) {
        deepOffsets.push_back(static_cast<std::uint8_t>(8 + deep.size()));
        deep.insert(deep.end(), { 0xA1, static_cast<std::uint8_t>(k + 1) });
    }
    deepOffsets.push_back(static_cast<std::uint8_t>(8 + deep.size()));
    deep.insert(deep.end(), { 0x10, 0x07 });
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases {
        { "object past the offset table", plist(shortTable, { 8 }, 17) },
        { "one text counted for each reference", plist(sharedText, { 8, 11 }, 2) },
        { "nesting past the depth limit", plist(deep, deepOffsets, 41) },
        { "lone low surrogate", plist({ 0x61, 0xDC, 0x00 }, { 8 }, 1) },
        { "high surrogate at the end, a low one after the text", plist({ 0x61, 0xD8, 0x00, 0xDC, 0x00 }, { 8 }, 1) },
        { "high surrogate before a letter", plist({ 0x62, 0xD8, 0x00, 0x00, 0x41 }, { 8 }, 1) },
    };
    for (const auto& [name, bytes] : cases)
        EXPECT_FALSE(readBinaryPropertyList(bytes)) << name;
    const auto pair = readBinaryPropertyList(plist({ 0x62, 0xD8, 0x3D, 0xDE, 0x00 }, { 8 }, 1));
    ASSERT_TRUE(pair);
    EXPECT_EQ(std::get<std::string>(pair->value), "\xF0\x9F\x98\x80");
}

TEST(DesktopXmpTest, Base64PaddingEndsTheText)
{
    EXPECT_EQ(desktop::decodeBase64("QQ=="), (std::vector<std::uint8_t> { 'A' }));
    EXPECT_FALSE(desktop::decodeBase64("QQ==QQ")) << "data after padding";
    EXPECT_FALSE(desktop::decodeBase64("QQ===")) << "three padding signs";
}

TEST(DynamicHeicBoxesTest, ABoxLongerThanTheFileIsNotEntered)
{
    // A meta box claiming 4 KB in a 44-byte file, its pitm inside the bytes that exist.
    std::vector<std::uint8_t> file { 0, 0, 0, 16, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0, 0, 0, 0, 0, 0x10, 0,
        'm', 'e', 't', 'a', 0, 0, 0, 0, 0, 0, 0, 14, 'p', 'i', 't', 'm', 0, 0, 0, 0, 0, 1, 0, 0 };
    EXPECT_FALSE(desktop::primaryIdField(file));
    file[18] = 0;
    file[19] = 28; // the same box at its true size
    EXPECT_TRUE(desktop::primaryIdField(file));
}

TEST_F(DynamicHeicReaderTest, AnXmpPacketBeyondTheSizeLimitIsPassedOver)
{
    pictures = { test::syntheticPhoto(32, 32, 1), test::syntheticPhoto(32, 32, 2) };
    const std::string record = desktopXmpPacket(
        PropertyListValue {
            PropertyListDictionary { { "l", { std::int64_t { 0 } } }, { "d", { std::int64_t { 1 } } } } },
        "apr");
    ASSERT_TRUE(test::writeDynamicHeic(pictures, output, record));
    ASSERT_TRUE(std::holds_alternative<desktop::AppearancePair>(open().wallpaper().layout));
    ASSERT_TRUE(test::writeDynamicHeic(pictures, output, record + std::string(std::size_t { 5 } << 20, ' ')));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(open().wallpaper().layout));
}

TEST(BinaryPropertyListReaderTest, RefusesSharedMembersThatUnfoldBeyondTheLimits)
{
    // Object k is an array holding object k+1 twice; the last is an integer. 20 levels of sharing stand
    // for a million values in sixty bytes.
    constexpr int levels = 20;
    std::vector<std::uint8_t> objects, offsets;
    for (int k = 0; k < levels; ++k) {
        offsets.push_back(static_cast<std::uint8_t>(8 + objects.size()));
        objects.insert(objects.end(), { 0xA2, static_cast<std::uint8_t>(k + 1), static_cast<std::uint8_t>(k + 1) });
    }
    offsets.push_back(static_cast<std::uint8_t>(8 + objects.size()));
    objects.insert(objects.end(), { 0x10, 0x07 });
    EXPECT_FALSE(readBinaryPropertyList(plist(objects, offsets, levels + 1)));
    // The same at a depth and breadth within the limits reads.
    EXPECT_TRUE(readBinaryPropertyList(plist({ 0xA2, 0x01, 0x01, 0x10, 0x07 }, { 8, 11 }, 2)));
}

} // namespace
} // namespace tl
