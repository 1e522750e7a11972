#include "PackageBuilder.h"

#include "extensions/preview/FrameLoader.h"
#include "platform/ImageDecoding.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <tiffio.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <functional>

namespace tl::testing {
namespace {

constexpr int longSide = 256;
const cv::Scalar colour(30, 120, 220, 160); // B, G, R, A

struct Answer {
    bool decodes = false;
    QSize size;
    QColor centre;
};

Answer fromImage(const QImage& image)
{
    if (image.isNull()) return {};
    return { true, image.size(), image.pixelColor(image.width() / 2, image.height() / 2) };
}

Answer appAnswer(const QString& file)
{
    const cv::Mat decoded = decodePreview(file.toStdString(), longSide);
    if (decoded.empty()) return {};
    const auto* centre = decoded.ptr<uchar>(decoded.rows / 2) + (decoded.cols / 2) * decoded.channels();
    const int alpha = decoded.channels() == 4 ? centre[3] : 255;
    return { true, { decoded.cols, decoded.rows }, QColor(centre[2], centre[1], centre[0], alpha) };
}

Answer thumbnailerAnswer(const PackageBuilder& package)
{
    const QString output = package.outside() + QStringLiteral("/thumbnail.png");
    QProcess process;
    process.start(QStringLiteral(TIDELUMINE_THUMBNAILER),
        { QStringLiteral("-s"), QString::number(longSide), package.path(), output });
    EXPECT_TRUE(process.waitForFinished(60000));
    if (process.exitCode() != 0) {
        EXPECT_EQ(process.exitCode(), 3) << "refused for another reason than the frame";
        return {};
    }
    return fromImage(QImage(output, "png"));
}

Answer previewerAnswer(const QString& file)
{
    preview::FrameLoader loader;
    QSignalSpy decoded(&loader, &preview::FrameLoader::frameDecoded);
    loader.request(0, file, longSide);
    if (!decoded.wait(60000)) {
        ADD_FAILURE() << "the previewer never answered";
        return {};
    }
    return fromImage(decoded.front().at(1).value<QImage>());
}

bool writeWithOpenCv(const QString& file, const cv::Mat& pixels, const std::vector<int>& parameters = {})
{
    return cv::imwrite(file.toStdString(), pixels, parameters);
}

cv::Mat filled(int type)
{
    return cv::Mat(300, 600, type, CV_MAT_DEPTH(type) == CV_16U ? cv::Scalar(colour * 257) : colour);
}

bool cutInHalf(const QString& file)
{
    QFile whole(file);
    return whole.resize(whole.size() / 2);
}

bool writeWideBigTiff(const QString& file)
{
    TIFF* tiff = TIFFOpen(QFile::encodeName(file).constData(), "w8");
    if (!tiff) return false;
    const uint32_t width = 40000;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    std::vector<uchar> row(width, 128);
    const bool written = TIFFWriteScanline(tiff, row.data(), 0) == 1 && TIFFWriteScanline(tiff, row.data(), 1) == 1;
    TIFFClose(tiff);
    return written;
}

struct FileCase {
    const char* name;
    const char* fileName;
    std::function<bool(PackageBuilder&, const QString&)> write;
    bool decodes;
};

// Every frame the app shows, the thumbnailer draws and the previewer shows, at the same size and
// in the same colours; every file the app refuses, both refuse.
TEST(FrameAgreement, TheAppAndBothExtensionsDecodeTheSameFiles)
{
    const auto opencv = [](int type, std::vector<int> parameters = {}) {
        return [type, parameters](
                   PackageBuilder&, const QString& file) { return writeWithOpenCv(file, filled(type), parameters); };
    };
    const auto cut = [](std::function<bool(PackageBuilder&, const QString&)> write) {
        return
            [write](PackageBuilder& package, const QString& file) { return write(package, file) && cutInHalf(file); };
    };
    const FileCase cases[] = {
        { "PNG with alpha", "frame.png", opencv(CV_8UC4), true },
        { "baseline JPEG", "frame.jpg", opencv(CV_8UC3), true },
        { "progressive JPEG", "frame.jpeg", opencv(CV_8UC3, { cv::IMWRITE_JPEG_PROGRESSIVE, 1 }), true },
        { "lossy WebP", "frame.webp", opencv(CV_8UC3, { cv::IMWRITE_WEBP_QUALITY, 90 }), true },
        { "lossless WebP with alpha", "frame.webp", opencv(CV_8UC4, { cv::IMWRITE_WEBP_QUALITY, 101 }), true },
        { "16-bit RGBA TIFF", "frame.tiff", opencv(CV_16UC4), true },
        { "grey TIFF", "frame.tif", opencv(CV_8UC1), true },
        { "BMP", "frame.bmp", opencv(CV_8UC3), true },
        { "HEIC", "frame.heic",
            [](PackageBuilder& package, const QString&) {
                return package.heicFrame(QStringLiteral("frame.heic"), QColor(220, 120, 30), { 600, 300 });
            },
            true },
        { "TIFF cut short", "frame.tiff", cut(opencv(CV_8UC3)), false },
        { "WebP cut short", "frame.webp", cut(opencv(CV_8UC3, { cv::IMWRITE_WEBP_QUALITY, 90 })), false },
        { "BigTIFF beyond the widest canvas", "wide.tiff",
            [](PackageBuilder&, const QString& file) { return writeWideBigTiff(file); }, false },
        { "not a picture", "frame.png",
            [](PackageBuilder& package, const QString&) {
                package.file(QStringLiteral("images/frame.png"), "no picture in here");
                return true;
            },
            false },
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        PackageBuilder package;
        package.recordOfFrames({ QString::fromLatin1(c.fileName) });
        const QString file = package.path() + QStringLiteral("/images/") + QString::fromLatin1(c.fileName);
        if (!c.write(package, file)) {
            // Only a missing HEVC encoder is allowed to leave a file out.
            EXPECT_STREQ(c.name, "HEIC") << "could not write the file";
            continue;
        }
        const Answer app = appAnswer(file);
        const Answer thumbnailer = thumbnailerAnswer(package);
        const Answer previewer = previewerAnswer(file);
        EXPECT_EQ(app.decodes, c.decodes);
        EXPECT_EQ(thumbnailer.decodes, c.decodes);
        EXPECT_EQ(previewer.decodes, c.decodes);
        for (const Answer* extension : { &thumbnailer, &previewer }) {
            if (!app.decodes || !extension->decodes) continue;
            EXPECT_EQ(extension->size, app.size);
            EXPECT_NEAR(extension->centre.red(), app.centre.red(), 3);
            EXPECT_NEAR(extension->centre.green(), app.centre.green(), 3);
            EXPECT_NEAR(extension->centre.blue(), app.centre.blue(), 3);
            EXPECT_NEAR(extension->centre.alpha(), app.centre.alpha(), 3);
        }
    }
}

} // namespace
} // namespace tl::testing

// The previewer's loader answers through the event loop.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
