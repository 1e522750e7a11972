#include "PackageBuilder.h"

#include "extensions/preview/PreviewProjectReader.h"
#include "extensions/thumbnail/ThumbnailProjectReader.h"

#include <gtest/gtest.h>

#include <ostream>

#include <optional>

namespace tl::testing {
namespace {

// How many image entries a reader finds, or none when it finds the record unreadable.
struct ReaderCase {
    const char* name;
    const char* json;
    std::optional<size_t> previewImages;
    std::optional<size_t> thumbnailImages;
};
void PrintTo(const ReaderCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const ReaderCase readerCases[] = {
    { "AppWritten",
        R"({"version":"1.0","mode":"time","images":[{"fileName":"a.png","altitude":12.5,"isTween":false}]})", 1, 1 },
    { "ImagesAbsent", R"({"version":"1.0"})", 0, 0 },
    { "ImagesNull", R"({"images":null})", 0, 0 },
    { "VersionAsNumber", R"({"version":1,"images":[]})", std::nullopt, std::nullopt },
    { "ModeAsFlag", R"({"mode":true})", std::nullopt, std::nullopt },
    { "ImagesAsObject", R"({"images":{"fileName":"a.png"}})", std::nullopt, std::nullopt },
    { "FileNameMissing", R"({"images":[{"fileName":"a.png"},{"altitude":3}]})", std::nullopt, std::nullopt },
    { "FileNameNull", R"({"images":[{"fileName":null}]})", std::nullopt, std::nullopt },
    { "EntryNotAnObject", R"({"images":["a.png"]})", std::nullopt, std::nullopt },
    // Only the thumbnailer reads these keys, so only it is put off by their type.
    { "TweenFlagAsText", R"({"images":[{"fileName":"a.png","isTween":"yes"}]})", 1, std::nullopt },
    { "AltitudeAsText", R"({"images":[{"fileName":"a.png","altitude":"20"}]})", 1, std::nullopt },
    { "NullAltitudeAndFlag", R"({"images":[{"fileName":"a.png","altitude":null,"isTween":null}]})", 1, 1 },
    { "UnknownKeysIgnored", R"({"prompt":7,"images":[{"fileName":"a.png","id":[1],"azimuth":"x"}]})", 1, 1 },
    { "TopLevelArray", R"([{"fileName":"a.png"}])", std::nullopt, std::nullopt },
    { "NotJson", "{\"images\": [", std::nullopt, std::nullopt },
};

class RecordReaderTest : public ::testing::TestWithParam<ReaderCase> { };

TEST_P(RecordReaderTest, BothReadersJudgeTheRecordByTheKeysTheyRead)
{
    PackageBuilder package;
    package.record(GetParam().json);

    const auto preview = preview::readProject(package.path());
    ASSERT_EQ(preview.has_value(), GetParam().previewImages.has_value());
    if (preview) {
        EXPECT_EQ(preview->images.size(), *GetParam().previewImages);
    }

    const auto thumbnail = thumbnail::readProject(package.path());
    ASSERT_EQ(thumbnail.has_value(), GetParam().thumbnailImages.has_value());
    if (thumbnail) {
        EXPECT_EQ(thumbnail->images.size(), *GetParam().thumbnailImages);
    }
}

INSTANTIATE_TEST_SUITE_P(Records, RecordReaderTest, ::testing::ValuesIn(readerCases),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(ThumbnailRecordReader, KeepsAltitudeAndTweenFlagOfEachEntry)
{
    PackageBuilder package;
    package.record(R"({"images":[{"fileName":"a.png","altitude":-6},{"fileName":"b.png","isTween":true}]})");
    const auto project = thumbnail::readProject(package.path());
    ASSERT_TRUE(project);
    ASSERT_EQ(project->images.size(), 2u);
    EXPECT_EQ(project->images[0].altitude, -6.0);
    EXPECT_FALSE(project->images[0].isTween);
    EXPECT_EQ(project->images[1].altitude, std::nullopt);
    EXPECT_TRUE(project->images[1].isTween);
}

struct DetailCase {
    const char* name;
    const char* json; // none: no project.json at all
    const char* detail;
};
void PrintTo(const DetailCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const DetailCase detailCases[] = {
    { "AllFacts",
        R"({"version":"1.0","mode":"appearance","images":[{"fileName":"a"},{"fileName":"b"},{"fileName":"c"}]})",
        "Version: 1.0\nMode: appearance\nImages: 3" },
    { "OnlyTheCount", R"({"images":[]})", "Images: 0" },
    { "ModeWithoutVersion", R"({"mode":"time"})", "Mode: time\nImages: 0" },
    { "Unreadable", R"({"version":2})", "Missing or invalid project.json" },
    { "NoRecord", nullptr, "Missing or invalid project.json" },
};

class PreviewDetailTest : public ::testing::TestWithParam<DetailCase> { };

TEST_P(PreviewDetailTest, ListsTheRecordsFactsUnderThePackageName)
{
    PackageBuilder package(QStringLiteral("Coast.tidelumine"));
    if (GetParam().json) package.record(GetParam().json);
    const auto project = preview::loadProject(package.path());
    EXPECT_EQ(project.title, QStringLiteral("Coast.tidelumine"));
    EXPECT_EQ(project.detail, QString::fromUtf8(GetParam().detail));
}

INSTANTIATE_TEST_SUITE_P(Records, PreviewDetailTest, ::testing::ValuesIn(detailCases),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(PreviewProjectLoad, TitleIgnoresTrailingSlashes)
{
    PackageBuilder package(QStringLiteral("Forest.vorrind"));
    EXPECT_EQ(preview::loadProject(package.path() + QStringLiteral("//")).title, QStringLiteral("Forest.vorrind"));
}

} // namespace
} // namespace tl::testing
