#include "model/ProjectCoding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tl {
namespace {

using ::testing::HasSubstr;

const Uuid kDawnId = *Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
const Uuid kTweenId = *Uuid::parse("0F8FAD5B-D9CB-469F-A165-70867728950E");
const Uuid kNightId = *Uuid::parse("7C9E6679-7425-40DE-944B-E07FC1F90AE7");

Project goldenProject()
{
    return Project{
        .version = "1.0",
        .mode = WallpaperMode::time,
        .images = {
            {.id = kDawnId, .fileName = "dawn/1.png", .altitude = 12.5, .azimuth = 90.0, .isTween = false},
            {.id = kTweenId,
             .fileName = "Dünen – Mittag.png",
             .altitude = -0.25,
             .azimuth = 180.75,
             .isTween = true,
             .parentId = kDawnId,
             .tweenCount = 3},
            {.id = kNightId, .fileName = "night\x01\x1f\\.png", .isLight = false, .isTween = false},
        },
        .magicPrompt = "Dunes\b\f\n\r\t \"golden\"",
        .magicSize = "1024x576",
        .magicTweenCount = 2,
        .magicStartingImageFileName = "start/dune.png",
    };
}

constexpr std::string_view kGoldenText = R"json({
  "images" : [
    {
      "altitude" : 12.5,
      "azimuth" : 90,
      "fileName" : "dawn\/1.png",
      "id" : "E621E1F8-C36C-495A-93FC-0C247A3E6E5F",
      "isTween" : false
    },
    {
      "altitude" : -0.25,
      "azimuth" : 180.75,
      "fileName" : "Dünen – Mittag.png",
      "id" : "0F8FAD5B-D9CB-469F-A165-70867728950E",
      "isTween" : true,
      "parentId" : "E621E1F8-C36C-495A-93FC-0C247A3E6E5F",
      "tweenCount" : 3
    },
    {
      "fileName" : "night\u0001\u001f\\.png",
      "id" : "7C9E6679-7425-40DE-944B-E07FC1F90AE7",
      "isLight" : false,
      "isTween" : false
    }
  ],
  "magicPrompt" : "Dunes\b\f\n\r\t \"golden\"",
  "magicSize" : "1024x576",
  "magicStartingImageFileName" : "start\/dune.png",
  "magicTweenCount" : 2,
  "mode" : "time",
  "version" : "1.0"
})json";

// Bit-exact, so that -0.0 and 0.0 count as different.
void expectSameDouble(const std::optional<double>& actual, const std::optional<double>& expected)
{
    ASSERT_EQ(actual.has_value(), expected.has_value());
    if (!expected) return;
    EXPECT_EQ(*actual, *expected);
    EXPECT_EQ(std::signbit(*actual), std::signbit(*expected));
}

void expectSameStoredFields(const WallpaperImage& actual, const WallpaperImage& expected)
{
    EXPECT_EQ(actual.id, expected.id);
    EXPECT_EQ(actual.fileName, expected.fileName);
    expectSameDouble(actual.altitude, expected.altitude);
    expectSameDouble(actual.azimuth, expected.azimuth);
    EXPECT_EQ(actual.isLight, expected.isLight);
    EXPECT_EQ(actual.isTween, expected.isTween);
    EXPECT_EQ(actual.parentId, expected.parentId);
    EXPECT_EQ(actual.tweenCount, expected.tweenCount);
}

Project decoded(std::string_view text)
{
    auto result = decodeProjectFile(text);
    EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().message);
    return result.ok() ? std::move(result).value() : Project {};
}

std::string withImage(std::string_view imageMembers)
{
    return R"({"version":"1.0","mode":"time","images":[{)" + std::string { imageMembers } + "}]}";
}

TEST(ProjectFileEncoding, WritesTheGoldenTextByteForByte)
{
    const auto text = encodeProjectFile(goldenProject());
    ASSERT_TRUE(text.ok()) << text.error().message;
    EXPECT_EQ(text.value(), kGoldenText);
}

TEST(ProjectFileEncoding, ProjectWithoutGenerationSettingsWritesOnlyItsThreeKeys)
{
    const auto text = encodeProjectFile({ .version = "1.0", .mode = WallpaperMode::appearance });
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), "{\n  \"images\" : [],\n  \"mode\" : \"appearance\",\n  \"version\" : \"1.0\"\n}");
}

TEST(ProjectFileEncoding, FailsOnNonFiniteNumbersAndIllFormedText)
{
    auto project = goldenProject();
    project.images[1].azimuth = std::numeric_limits<double>::infinity();
    auto text = encodeProjectFile(project);
    ASSERT_FALSE(text.ok());
    EXPECT_THAT(text.error().message, HasSubstr("\"images[1].azimuth\" is not a finite number"));

    project = goldenProject();
    project.images[0].altitude = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(encodeProjectFile(project).ok());

    project = goldenProject();
    project.magicPrompt = "cut \xE2\x82"; // a three-byte sequence missing its last byte
    text = encodeProjectFile(project);
    ASSERT_FALSE(text.ok());
    EXPECT_THAT(text.error().message, HasSubstr("\"magicPrompt\" is not valid UTF-8 text"));
}

TEST(ProjectFileRoundTrip, PreservesEveryStoredFieldAndDoublesExactly)
{
    auto project = goldenProject();
    project.mode = WallpaperMode::appearance;
    project.images.push_back(
        { .id = Uuid::random(), .fileName = "a", .altitude = 0.1, .azimuth = 1e-7, .isTween = true });
    project.images.push_back({ .id = Uuid::random(),
        .fileName = "b",
        .altitude = -33.333333333333336,
        .azimuth = -0.0,
        .isLight = true,
        .isTween = false,
        .tweenCount = -7 });
    // Large whole doubles come out in integer form; then the ends of the range.
    project.images.push_back(
        { .id = Uuid::random(), .fileName = "c", .altitude = std::ldexp(1.0, 60), .azimuth = 1e21, .isTween = false });
    project.images.push_back({ .id = Uuid::random(),
        .fileName = "d",
        .altitude = std::numeric_limits<double>::max(),
        .azimuth = std::numeric_limits<double>::denorm_min(),
        .isTween = false,
        .tweenCount = std::numeric_limits<std::int64_t>::min() });

    const auto text = encodeProjectFile(project);
    ASSERT_TRUE(text.ok()) << text.error().message;
    const Project back = decoded(text.value());

    EXPECT_EQ(back.version, project.version);
    EXPECT_EQ(back.mode, project.mode);
    EXPECT_EQ(back.magicPrompt, project.magicPrompt);
    EXPECT_EQ(back.magicSize, project.magicSize);
    EXPECT_EQ(back.magicTweenCount, project.magicTweenCount);
    EXPECT_EQ(back.magicStartingImageFileName, project.magicStartingImageFileName);
    ASSERT_EQ(back.images.size(), project.images.size());
    for (std::size_t i = 0; i < project.images.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameStoredFields(back.images[i], project.images[i]);
    }
}

TEST(ProjectFileDecoding, LeavesMemoryOnlyFieldsAbsent)
{
    auto project = goldenProject();
    project.images[0].sourcePath = "/tmp/dawn.png";
    project.images[0].timeOfDay = 6.5;
    const Project back = decoded(encodeProjectFile(project).value());
    ASSERT_EQ(back.images.size(), 3u);
    EXPECT_FALSE(back.images[0].sourcePath);
    EXPECT_FALSE(back.images[0].thumbnail);
    EXPECT_FALSE(back.images[0].timeOfDay);
}

TEST(ProjectFileDecoding, AcceptsWhatTheRecordAllows)
{
    const Project project = decoded(R"({
        "version": "0.9-beta", "mode": "appearance", "extra": {"nested": [1, 2]},
        "magicPrompt": null, "magicTweenCount": 4.0,
        "images": [{"id": "e621e1f8-c36c-495a-93fc-0c247a3e6e5f", "fileName": "x.png",
                    "isTween": true, "altitude": 90, "azimuth": 9007199254740992, "tweenCount": 3.0, "unknown": "ignored",
                    "parentId": null}]})");
    EXPECT_EQ(project.version, "0.9-beta");
    EXPECT_EQ(project.mode, WallpaperMode::appearance);
    EXPECT_FALSE(project.magicPrompt);
    EXPECT_EQ(project.magicTweenCount, 4);
    ASSERT_EQ(project.images.size(), 1u);
    const auto& image = project.images[0];
    EXPECT_EQ(image.id, kDawnId);
    EXPECT_EQ(image.altitude, 90.0);
    EXPECT_EQ(image.azimuth, 9007199254740992.0);
    EXPECT_FALSE(image.isLight);
    EXPECT_FALSE(image.parentId);
    EXPECT_EQ(image.tweenCount, 3);
}

std::string recordWith(std::size_t frames, std::size_t nesting)
{
    std::string images;
    for (std::size_t i = 0; i < frames; ++i)
        images += std::string(i ? "," : "")
            + R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","fileName":"[{.png","isTween":false})";
    // The record itself is the first level.
    const std::string extra = std::string(nesting - 1, '[') + std::string(nesting - 1, ']');
    return R"({"version":"1.0","mode":"time","extra":)" + extra + R"(,"images":[)" + images + "]}";
}

TEST(ProjectFileDecoding, BoundsTheTimelineAndTheNestingBeforeBuildingFrames)
{
    const auto largest = decodeProjectFile(recordWith(largestFrameCount, 64));
    ASSERT_TRUE(largest.ok()) << largest.error().message;
    EXPECT_EQ(largest.value().images.size(), largestFrameCount);

    const auto tooMany = decodeProjectFile(recordWith(largestFrameCount + 1, 2));
    ASSERT_FALSE(tooMany.ok());
    EXPECT_THAT(tooMany.error().message, HasSubstr("\"images\" should be an array of at most 10000 entries"));

    for (const std::string& deep : { recordWith(1, 65), std::string(6'000'000, '[') }) {
        const auto refused = decodeProjectFile(deep);
        ASSERT_FALSE(refused.ok());
        EXPECT_THAT(refused.error().message, HasSubstr("nests deeper than 64 levels"));
    }
}

struct Rejection {
    std::string name;
    std::string text;
    std::string reason;

    friend void PrintTo(const Rejection& rejection, std::ostream* out) { *out << rejection.name; }
};

class ProjectFileRejection : public ::testing::TestWithParam<Rejection> { };

TEST_P(ProjectFileRejection, FailsTheWholeRecordAndSaysWhy)
{
    const auto result = decodeProjectFile(GetParam().text);
    ASSERT_FALSE(result.ok());
    EXPECT_THAT(result.error().message, HasSubstr(GetParam().reason));
}

const std::string kId = R"("id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F")";
const std::string kMalformed = "isn't in the correct format: the text is not well-formed JSON";

TEST(ProjectFileNumbers, AnyNumberReadsAsTheNearestDoubleAndNegativeZeroKeepsItsSign)
{
    const std::vector<std::pair<std::string, double>> readings {
        { "9007199254740993", 9007199254740992.0 },
        { "18446744073709551615", 18446744073709551616.0 },
        { "-0", -0.0 },
        { "-0.0", -0.0 },
        { "-0e0", -0.0 },
        { "0", 0.0 },
        { "-7", -7.0 },
    };
    for (const auto& [token, expected] : readings) {
        SCOPED_TRACE(token);
        const Project project = decoded(withImage(kId + R"(,"fileName":"-0","isTween":true,"azimuth":)" + token));
        ASSERT_EQ(project.images.size(), 1u);
        expectSameDouble(project.images[0].azimuth, expected);
        // Strings that look like numbers are left alone.
        EXPECT_EQ(project.images[0].fileName, "-0");
    }

    WallpaperImage image { .id = Uuid::random(), .fileName = "z", .azimuth = -0.0, .isTween = false };
    const auto text = encodeProjectFile(Project { .version = "1.0", .images = { image } });
    ASSERT_TRUE(text.ok());
    EXPECT_THAT(text.value(), HasSubstr("\"azimuth\" : -0,"));
    expectSameDouble(decoded(text.value()).images[0].azimuth, -0.0);
}

INSTANTIATE_TEST_SUITE_P(StrictReading, ProjectFileRejection,
    ::testing::Values(Rejection { "MissingIsTween", withImage(kId + R"(,"fileName":"a.png")"),
                          "it is missing: no value for \"images[0].isTween\"" },
        Rejection { "NumericIsTween", withImage(kId + R"(,"fileName":"a.png","isTween":0)"),
            "\"images[0].isTween\" should be true or false" },
        Rejection { "CapitalisedMode", R"({"version":"1.0","mode":"Time","images":[]})",
            "\"mode\" should be \"time\" or \"appearance\"" },
        Rejection { "UngroupedUuid",
            withImage(R"("id":"E621E1F8C36C495A93FC0C247A3E6E5F","fileName":"a","isTween":true)"),
            "\"images[0].id\" should be a UUID text" },
        Rejection { "FractionalTweenCount", withImage(kId + R"(,"fileName":"a","isTween":true,"tweenCount":3.5)"),
            "\"images[0].tweenCount\" should be a whole number" },
        Rejection { "TweenCountBeyondInt64",
            withImage(kId + R"(,"fileName":"a","isTween":true,"tweenCount":9223372036854775808)"),
            "\"images[0].tweenCount\" should be a whole number" },
        Rejection {
            "OverflowingAltitude", withImage(kId + R"(,"fileName":"a","isTween":true,"altitude":1e400)"), kMalformed },
        Rejection { "TextAltitude", withImage(kId + R"(,"fileName":"a","isTween":true,"altitude":"12")"),
            "\"images[0].altitude\" should be a finite number" },
        Rejection { "MissingVersion", R"({"mode":"time","images":[]})", "no value for \"version\"" },
        Rejection { "NullVersion", R"({"version":null,"mode":"time","images":[]})", "no value for \"version\"" },
        Rejection {
            "ImagesAsObject", R"({"version":"1.0","mode":"time","images":{}})", "\"images\" should be an array" },
        Rejection {
            "ImageAsNumber", R"({"version":"1.0","mode":"time","images":[7]})", "\"images[0]\" should be an object" },
        Rejection { "TextTweenCountSetting", R"({"version":"1.0","mode":"time","images":[],"magicTweenCount":"2"})",
            "\"magicTweenCount\" should be a whole number" },
        Rejection { "TopLevelArray", "[]", "the top level should be an object" },
        Rejection { "Truncated", R"({"version":"1.0","mode":"time",)", kMalformed },
        Rejection { "TrailingContent", R"({"version":"1.0","mode":"time","images":[]} {})", kMalformed },
        Rejection { "InvalidUtf8", withImage(kId + ",\"fileName\":\"a\xFF.png\",\"isTween\":true"), kMalformed },
        Rejection { "FirstFaultReported", R"({"mode":"Time","images":7})", "no value for \"version\"" }),
    [](const auto& testCase) { return testCase.param.name; });

} // namespace
} // namespace tl
