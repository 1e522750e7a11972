#include "PackageBuilder.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QFile>
#include <QImage>
#include <QProcess>

namespace tl::testing {
namespace {

struct ProcessRun {
    int exitCode;
    QString errors;
};

ProcessRun runThumbnailer(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TIDELUMINE_THUMBNAILER), arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardError()) };
}

// The frames a choice test offers: entry i is drawn in colours[i].
const QColor colours[] = { Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan };

struct ChoiceCase {
    const char* name;
    const char* images; // the "images" array
    int chosen; // the entry whose colour the thumbnail shows
};
void PrintTo(const ChoiceCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const ChoiceCase choiceCases[] = {
    { "FirstDaytimeKeyFrameAfterNightFrames",
        R"([{"fileName":"0.png","altitude":-18},{"fileName":"1.png","altitude":-6},{"fileName":"2.png","altitude":0},
            {"fileName":"3.png","altitude":20},{"fileName":"4.png","altitude":40}])",
        3 },
    { "AltitudeZeroIsNotDaytime", R"([{"fileName":"0.png","altitude":0},{"fileName":"1.png","altitude":0.5}])", 1 },
    { "DaytimeTweensDoNotCount",
        R"([{"fileName":"0.png","altitude":30,"isTween":true},{"fileName":"1.png"},{"fileName":"2.png","altitude":5}])",
        2 },
    { "FirstKeyFrameWhenAllAreBelowTheHorizon",
        R"([{"fileName":"0.png","isTween":true},{"fileName":"1.png","altitude":-3},{"fileName":"2.png","altitude":-1}])",
        1 },
    { "FirstEntryOfTweensOnly",
        R"([{"fileName":"0.png","isTween":true,"altitude":50},{"fileName":"1.png","isTween":true,"altitude":60}])", 0 },
};

class ThumbnailChoiceTest : public ::testing::TestWithParam<ChoiceCase> { };

TEST_P(ThumbnailChoiceTest, DrawsTheChosenFrame)
{
    PackageBuilder package;
    package.record(QByteArray(R"({"version":"1.0","mode":"time","images":)") + GetParam().images + "}");
    for (int i = 0; i < 5; ++i)
        package.frame(QStringLiteral("%1.png").arg(i), colours[i]);
    const QString output = package.outside() + QStringLiteral("/thumb.png");

    ASSERT_EQ(runThumbnailer({ QStringLiteral("-s"), QStringLiteral("32"), package.path(), output }).exitCode, 0);
    const QImage thumbnail(output);
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_EQ(thumbnail.pixelColor(10, 10), colours[GetParam().chosen]);
}

INSTANTIATE_TEST_SUITE_P(Records, ThumbnailChoiceTest, ::testing::ValuesIn(choiceCases),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct FailureCase {
    const char* name;
    const char* record; // none: no project.json
    int exitCode;
    const char* message;
};
void PrintTo(const FailureCase& testCase, std::ostream* out)
{
    *out << testCase.name;
}

const FailureCase failureCases[] = {
    { "NoRecord", nullptr, 1, "Failed to load project" },
    { "UnreadableRecord", R"({"images":[{"fileName":"day.png","isTween":"yes"}]})", 1, "Failed to load project" },
    { "ImagesAbsent", R"({"version":"1.0"})", 2, "No images in project" },
    { "ImagesEmpty", R"({"images":[]})", 2, "No images in project" },
    // Other frames exist, but only the chosen one is tried.
    { "ChosenFrameMissing", R"({"images":[{"fileName":"gone.png","altitude":10},{"fileName":"day.png"}]})", 3,
        "Failed to load image" },
    { "ChosenFrameNotAnImage", R"({"images":[{"fileName":"notes.png"}]})", 3, "Failed to load image" },
    { "EscapeByParentFolder", R"({"images":[{"fileName":"../cover.png"}]})", 3, "Failed to load image" },
    { "EscapeBySymlink", R"({"images":[{"fileName":"link.png"}]})", 3, "Failed to load image" },
};

class ThumbnailFailureTest : public ::testing::TestWithParam<FailureCase> { };

TEST_P(ThumbnailFailureTest, ExitsWithTheErrorCodeAndWritesNothing)
{
    PackageBuilder package;
    if (GetParam().record) package.record(GetParam().record);
    package.frame(QStringLiteral("day.png"), Qt::red).file(QStringLiteral("images/notes.png"), "plain text");
    // Real pictures beside the images folder and beside the package, reachable only by escaping.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.save(package.path() + QStringLiteral("/cover.png"));
    picture.save(package.outside() + QStringLiteral("/outside.png"));
    package.symlink(QStringLiteral("images/link.png"), package.outside() + QStringLiteral("/outside.png"));
    const QString output = package.outside() + QStringLiteral("/thumb.png");

    const ProcessRun run = runThumbnailer({ package.path(), output });
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.errors.trimmed(),
        QStringLiteral("com.hollowquart.Velmar error %1: %2")
            .arg(GetParam().exitCode)
            .arg(QString::fromUtf8(GetParam().message)));
    EXPECT_FALSE(QFile::exists(output));
}

INSTANTIATE_TEST_SUITE_P(Packages, ThumbnailFailureTest, ::testing::ValuesIn(failureCases),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(ThumbnailerSize, FitsWithinTheSquareKeepingAspectAndNeverEnlarges)
{
    struct Case {
        QStringList sizeOption;
        QSize source;
        QSize thumbnail;
    };
    const Case cases[] = {
        { { QStringLiteral("-s"), QStringLiteral("128") }, { 400, 200 }, { 128, 64 } },
        { { QStringLiteral("-s"), QStringLiteral("128") }, { 150, 600 }, { 32, 128 } },
        { { QStringLiteral("-s"), QStringLiteral("512") }, { 100, 50 }, { 100, 50 } },
        { {}, { 1024, 768 }, { 256, 192 } },
    };
    for (const Case& c : cases) {
        PackageBuilder package;
        package.recordOfFrames({ QStringLiteral("frame.png") })
            .frame(QStringLiteral("frame.png"), Qt::darkCyan, c.source);
        const QString output = package.outside() + QStringLiteral("/thumb.png");
        ASSERT_EQ(runThumbnailer(c.sizeOption + QStringList { package.path(), output }).exitCode, 0);
        EXPECT_EQ(QImage(output).size(), c.thumbnail) << c.source.width() << "x" << c.source.height();
    }
}

TEST(ThumbnailerSize, HeicFrameBecomesAThumbnail)
{
    PackageBuilder package;
    if (!package.heicFrame(QStringLiteral("frame.heic"), QColor(30, 60, 200), { 640, 360 }))
        GTEST_SKIP() << "no HEVC encoder to make a HEIC frame";
    package.recordOfFrames({ QStringLiteral("frame.heic") });
    const QString output = package.outside() + QStringLiteral("/thumb.png");
    ASSERT_EQ(runThumbnailer({ QStringLiteral("-s"), QStringLiteral("64"), package.path(), output }).exitCode, 0);
    EXPECT_EQ(QImage(output).size(), QSize(64, 36));
}

TEST(ThumbnailerArguments, WrongCallsAreUsageErrors)
{
    const QStringList calls[] = {
        {},
        { QStringLiteral("package") },
        { QStringLiteral("package"), QStringLiteral("out.png"), QStringLiteral("extra") },
        { QStringLiteral("-s"), QStringLiteral("0"), QStringLiteral("package"), QStringLiteral("out.png") },
        { QStringLiteral("-s"), QStringLiteral("big"), QStringLiteral("package"), QStringLiteral("out.png") },
        { QStringLiteral("-s"), QStringLiteral("package"), QStringLiteral("out.png") },
    };
    for (const QStringList& call : calls) {
        const ProcessRun run = runThumbnailer(call);
        EXPECT_EQ(run.exitCode, 64) << call.join(u' ').toStdString();
        EXPECT_TRUE(run.errors.startsWith(QStringLiteral("usage: tidelumine-thumbnailer"))) << run.errors.toStdString();
    }
}

TEST(ThumbnailerOutput, UnwritableOutputIsAFailure)
{
    PackageBuilder package;
    package.recordOfFrames({ QStringLiteral("frame.png") }).frame(QStringLiteral("frame.png"), Qt::red);
    const ProcessRun run
        = runThumbnailer({ package.path(), package.outside() + QStringLiteral("/no/such/folder/thumb.png") });
    EXPECT_EQ(run.exitCode, 73);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("cannot write")));
}

} // namespace
} // namespace tl::testing
