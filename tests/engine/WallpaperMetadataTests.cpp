#include "engine/WallpaperMetadata.h"

#include "DesktopMetadataReader.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

HeicFrameSource frame(std::optional<double> altitude, std::optional<double> azimuth, std::optional<bool> light)
{
    WallpaperImage image { Uuid::random(), "frame.png" };
    image.altitude = altitude;
    image.azimuth = azimuth;
    image.isLight = light;
    return { image, "frame.png", {} };
}

std::string decodedSolar(const std::vector<HeicFrameSource>& frames)
{
    const auto attribute
        = test::xmpAttribute(desktopXmpPacket(solarRecord(frames), solarPropertyName), "apple_desktop:solar");
    return attribute ? test::describeBinaryPlist(test::decodeBase64(*attribute)) : "";
}

TEST(WallpaperMetadata, SolarEntriesFollowFileOrderAndTheLightRule)
{
    const std::vector<HeicFrameSource> frames {
        frame(std::nullopt, std::nullopt, std::nullopt), // nothing known: light at 0, 0
        frame(-6, 270.5, std::nullopt), // below the horizon: dark
        frame(0, 90, std::nullopt), // on the horizon: light
        frame(30, 180, false), // the flag wins over the altitude
        frame(30, 180, false), // repeated positions keep their own entries
    };
    EXPECT_EQ(decodedSolar(frames),
        "{si:[{a:real(0),i:int(0),o:int(1),z:real(0)},"
        "{a:real(-6),i:int(1),o:int(0),z:real(270.5)},"
        "{a:real(0),i:int(2),o:int(1),z:real(90)},"
        "{a:real(30),i:int(3),o:int(0),z:real(180)},"
        "{a:real(30),i:int(4),o:int(0),z:real(180)}]}");
}

TEST(WallpaperMetadata, AppearanceRecordNamesTheLightAndDarkImages)
{
    const std::string xmp = desktopXmpPacket(appearanceRecord(), appearancePropertyName);
    const auto attribute = test::xmpAttribute(xmp, "apple_desktop:apr");
    ASSERT_TRUE(attribute);
    EXPECT_EQ(test::describeBinaryPlist(test::decodeBase64(*attribute)), "{d:int(1),l:int(0)}");
}

TEST(WallpaperMetadata, PacketIsOneSelfClosingDescriptionInTheDesktopNamespace)
{
    std::vector<HeicFrameSource> many(40, frame(10, 20, true)); // long enough to need line breaks in MIME base64
    const std::string xmp = desktopXmpPacket(solarRecord(many), solarPropertyName);
    EXPECT_NE(xmp.find("xmlns:apple_desktop=\"http://ns.apple.com/namespace/1.0/\""), std::string::npos);
    const auto description = xmp.find("<rdf:Description ");
    ASSERT_NE(description, std::string::npos);
    EXPECT_EQ(xmp.find("<rdf:Description", description + 1), std::string::npos);
    EXPECT_EQ(xmp.find("</rdf:Description>"), std::string::npos);
    EXPECT_NE(xmp.find("\"/>", description), std::string::npos);
    const auto value = test::xmpAttribute(xmp, "apple_desktop:solar");
    ASSERT_TRUE(value);
    EXPECT_GT(value->size(), 76u);
    EXPECT_EQ(value->find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(value->size() % 4, 0u);
    EXPECT_EQ(test::describeBinaryPlist(test::decodeBase64(*value)).substr(0, 48),
        "{si:[{a:real(10),i:int(0),o:int(1),z:real(20)},{");
}

TEST(WallpaperMetadata, Base64PadsEveryRemainder)
{
    EXPECT_EQ(base64({}), "");
    EXPECT_EQ(base64({ 'f' }), "Zg==");
    EXPECT_EQ(base64({ 'f', 'o' }), "Zm8=");
    EXPECT_EQ(base64({ 'f', 'o', 'o' }), "Zm9v");
    EXPECT_EQ(base64({ 0xFF, 0xFE, 0xFD, 0xFC }), "//79/A==");
}

TEST(BinaryPropertyList, LargeCountsAndIntegersSurviveAReader)
{
    std::vector<std::int64_t> integers;
    for (std::int64_t i = 0; i < 300; ++i)
        integers.push_back(i * 1000); // > 255 objects: two-byte references
    integers.push_back(-5);
    integers.push_back(std::int64_t { 1 } << 40);
    PropertyListValue root { PropertyListArray(integers.size()) };
    auto& values = std::get<PropertyListArray>(root.value);
    for (std::size_t i = 0; i < integers.size(); ++i)
        values[i].value = integers[i];
    const std::string text = test::describeBinaryPlist(serializeBinaryPropertyList(root));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.substr(0, 28), "[int(0),int(1000),int(2000),");
    EXPECT_NE(text.find("int(299000),int(-5),int(1099511627776)]"), std::string::npos);
}

} // namespace
} // namespace tl
