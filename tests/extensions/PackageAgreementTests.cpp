#include "PackageBuilder.h"
#include "support/LargePng.h"

#include "app/ProjectPackage.h"
#include "extensions/common/FrameDecoder.h"
#include "extensions/common/PackageLayout.h"
#include "extensions/preview/PreviewProjectReader.h"
#include "extensions/thumbnail/ThumbnailProjectReader.h"
#include "platform/ImageDecoding.h"

#include <gtest/gtest.h>

#include <QDir>

namespace tl::testing {
namespace {

QByteArray recordWith(int frames, int nesting, qsizetype padding = 0)
{
    QByteArray images;
    for (int i = 0; i < frames; ++i) {
        images += QByteArray(i ? "," : "")
            + R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","fileName":"a.png","isTween":false})";
    }
    // The record itself is the first level.
    const QByteArray extra = QByteArray(nesting - 1, '[') + QByteArray(nesting - 1, ']');
    return R"({"version":"1.0","mode":"time","padding":")" + QByteArray(padding, 'p') + R"(","extra":)" + extra
        + R"(,"images":[)" + images + "]}";
}

// A package the app opens also previews and thumbnails, and the other way round.
TEST(PackageAgreement, TheAppAndBothExtensionsJudgeHostileRecordsAlike)
{
    const struct {
        const char* name;
        QByteArray record;
        bool valid;
    } cases[] = {
        { "the longest timeline", recordWith(10000, 3), true },
        { "one frame too many", recordWith(10001, 3), false },
        { "deepest nesting", recordWith(1, 64), true },
        { "one level too deep", recordWith(1, 65), false },
        { "unclosed nesting", QByteArray(8'000'000, '['), false },
        { "largest record", recordWith(1, 3, 16 * 1024 * 1024 - 300), true },
        { "record too large", recordWith(1, 3, 16 * 1024 * 1024), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageBuilder package;
        package.record(c.record);
        EXPECT_EQ(readPackage(package.path().toStdString()).ok(), c.valid);
        EXPECT_EQ(preview::readProject(package.path()).has_value(), c.valid);
        EXPECT_EQ(thumbnail::readProject(package.path()).has_value(), c.valid);
    }
}

TEST(PackageAgreement, NeitherReadsFramesThroughALinkedImagesFolder)
{
    PackageBuilder package;
    package.record(R"({"version":"1.0","mode":"time","images":[{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
                   R"("fileName":"passwd","isTween":false}]})");
    QDir(package.path() + QStringLiteral("/images")).removeRecursively();
    package.symlink(QStringLiteral("images"), QStringLiteral("/etc"));
    const auto opened = readPackage(package.path().toStdString());
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(opened.value().missingFileNames, std::vector<std::string> { "passwd" });
    EXPECT_FALSE(extension::framePath(package.path(), QStringLiteral("passwd")));
}

// Pictures whose files are small but whose pixels are not: a frame the app imports also previews
// and thumbnails, at the same size, and one the app refuses is refused by the extensions too.
TEST(PackageAgreement, TheAppAndBothExtensionsJudgeHostilePicturesAlike)
{
    const std::string deepRgba("\x12\x12\x80\x80\xC0\xC0\xFF\xFF", 8);
    const struct {
        const char* name;
        test::LargePng png;
        bool valid;
    } cases[] = {
        { "16-bit RGBA of more than a gigabyte", { 16384, 8200, 16, 6, deepRgba }, true },
        { "interlaced 8-bit RGBA", { 8192, 8192, 8, 6, "\x40\x80\xC0\xFF", true }, true },
        { "widest strip", { 32768, 2, 8, 0, "\x80" }, true },
        { "strip beyond the widest canvas", { 40000, 2, 8, 0, "\x80" }, false },
        { "16-bit RGB cut short", { 8192, 8192, 16, 2, deepRgba.substr(0, 6), false, 0.5 }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageBuilder package;
        const QString path = package.path() + QStringLiteral("/images/huge.png");
        c.png.write(path.toStdString());
        const cv::Mat app = decodePreview(path.toStdString(), 256);
        const QImage extension = extension::decodeFrame(path, 256);
        EXPECT_EQ(!app.empty(), c.valid);
        EXPECT_EQ(!extension.isNull(), c.valid);
        EXPECT_EQ(QSize(app.cols, app.rows), extension.size());
    }
}

} // namespace
} // namespace tl::testing
