#include "PackageBuilder.h"
#include "support/TestImageFiles.h"

#include "extensions/preview/FrameLoader.h"
#include "platform/ImageDecoding.h"

#include <gtest/gtest.h>

#include <libheif/heif.h>
#include <opencv2/imgcodecs.hpp>
#include <tiffio.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include <jpeglib.h>

namespace tl::testing {
namespace {

constexpr int longSide = 256;
const cv::Scalar colour(30, 120, 220, 160); // B, G, R, A
// A green that ProPhoto and BT.2020 hold but sRGB does not: shown unconverted, it stays this colour.
const cv::Scalar wideGamutGreen(60, 160, 40); // B, G, R

// A decoder's answer as 8-bit ARGB, so pictures of all three compare pixel by pixel.
using Answer = std::optional<QImage>;

Answer fromImage(const QImage& image)
{
    if (image.isNull()) return std::nullopt;
    return image.convertToFormat(QImage::Format_ARGB32);
}

Answer appAnswer(const QString& file)
{
    const cv::Mat decoded = decodePreview(file.toStdString(), longSide);
    if (decoded.empty()) return std::nullopt;
    QImage image(decoded.cols, decoded.rows, QImage::Format_ARGB32);
    for (int y = 0; y < decoded.rows; ++y) {
        const auto* in = decoded.ptr<uchar>(y);
        for (int x = 0; x < decoded.cols; ++x, in += decoded.channels())
            image.setPixel(x, y, qRgba(in[2], in[1], in[0], decoded.channels() == 4 ? in[3] : 255));
    }
    return image;
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
        return std::nullopt;
    }
    return fromImage(QImage(output, "png"));
}

Answer previewerAnswer(const QString& file)
{
    preview::FrameLoader loader;
    // The answer is queued to this thread, so one that comes before the loop runs still reaches it.
    QEventLoop loop;
    std::optional<QImage> frame;
    QObject::connect(&loader, &preview::FrameLoader::frameDecoded, &loop, [&](int, const QImage& decoded) {
        frame = decoded;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loader.request(0, file, longSide);
    loop.exec();
    if (!frame) {
        ADD_FAILURE() << "the previewer never answered";
        return std::nullopt;
    }
    return fromImage(*frame);
}

// The largest difference of any channel of any pixel; -1 when the sizes differ.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return -1;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* rowA = a.constScanLine(y);
        const uchar* rowB = b.constScanLine(y);
        for (int i = 0; i < a.width() * 4; ++i)
            largest = std::max(largest, std::abs(rowA[i] - rowB[i]));
    }
    return largest;
}

// The colour where every picture below has its plain fill, the centre.
QColor centre(const QImage& image)
{
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

// The fill colour with a diagonal ramp in the left third, so a decoder that scales, crops or flips
// differently shows.
cv::Mat filled(int type, const cv::Scalar& fill = colour)
{
    const bool deep = CV_MAT_DEPTH(type) == CV_16U;
    cv::Mat pixels(300, 600, type, deep ? cv::Scalar(fill * 257) : fill);
    for (int y = 0; y < pixels.rows; ++y) {
        for (int x = 0; x < pixels.cols / 3; ++x) {
            const int level = (x + 2 * y) % 256;
            if (deep)
                pixels.ptr<std::uint16_t>(y)[x * pixels.channels()] = static_cast<std::uint16_t>(level * 257);
            else
                pixels.ptr<uchar>(y)[x * pixels.channels()] = static_cast<uchar>(level);
        }
    }
    return pixels;
}

bool writeWithOpenCv(const QString& file, const cv::Mat& pixels, const std::vector<int>& parameters = {})
{
    return cv::imwrite(file.toStdString(), pixels, parameters);
}

bool cutInHalf(const QString& file)
{
    QFile whole(file);
    return whole.resize(whole.size() / 2);
}

// ProPhoto (ROMM) RGB: D50 white, gamma 1.8.
std::vector<std::uint8_t> proPhotoProfile()
{
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
    const cmsCIExyY white { 0.3457, 0.3585, 1 };
    const cmsCIExyYTRIPLE primaries { { 0.7347, 0.2653, 1 }, { 0.1596, 0.8404, 1 }, { 0.0366, 0.0001, 1 } };
    cmsToneCurve* curves[3] = { gamma, gamma, gamma };
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    return test::profileBytes(profile);
}

bool writeProfiledTiff(const QString& file, const cv::Mat& bgr, const std::vector<std::uint8_t>& profile)
{
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(QFile::encodeName(file).constData(), "w"), TIFFClose);
    if (!tiff) return false;
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(bgr.cols));
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(bgr.rows));
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, 32);
    TIFFSetField(tiff.get(), TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile.size()), profile.data());
    cv::Mat rgb;
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    for (int y = 0; y < rgb.rows; ++y)
        if (TIFFWriteScanline(tiff.get(), rgb.ptr(y), static_cast<uint32_t>(y)) != 1) return false;
    return true;
}

// A PNG or JPEG of `bgr` carrying `profile`.
bool writeProfiled(const QString& file, const cv::Mat& bgr, const std::vector<std::uint8_t>& profile)
{
    const bool png = file.endsWith(QLatin1String(".png"));
    std::vector<uchar> encoded;
    if (!cv::imencode(png ? ".png" : ".jpg", bgr, encoded, { cv::IMWRITE_JPEG_QUALITY, 95 })) return false;
    const std::string plain(encoded.begin(), encoded.end());
    test::writeBytes(
        file.toStdString(), png ? test::withPngProfile(plain, profile) : test::withJpegProfile(plain, profile));
    return true;
}

// A four-channel JPEG as print workflows write it: Adobe-marked, inverted CMYK.
bool writeCmykJpeg(const QString& file)
{
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(QFile::encodeName(file).constData(), "wb"), std::fclose);
    if (!out) return false;
    jpeg_compress_struct compressor {};
    jpeg_error_mgr errors {};
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    jpeg_stdio_dest(&compressor, out.get());
    compressor.image_width = 600;
    compressor.image_height = 300;
    compressor.input_components = 4;
    compressor.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, 95, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    std::vector<JSAMPLE> row(600 * 4);
    for (JDIMENSION y = 0; y < compressor.image_height; ++y) {
        for (int x = 0; x < 600; ++x) {
            const JSAMPLE ink[4] = { 200, static_cast<JSAMPLE>(60 + (x + int(y)) % 120), 140, 230 };
            std::copy(ink, ink + 4, row.begin() + x * 4);
        }
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&compressor, rows, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    return true;
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

using Writer = std::function<bool(PackageBuilder&, const QString&)>;

struct FileCase {
    const char* name;
    const char* fileName;
    Writer write;
    bool decodes;
    // Where the file's colours are not sRGB: what its centre shows once converted.
    std::optional<QColor> convertedCentre = std::nullopt;
    bool needsHevcEncoder = false;
};

// Every frame the app shows, the thumbnailer draws and the previewer shows pixel for pixel alike,
// colour profiles converted; every file the app refuses, both refuse.
TEST(FrameAgreement, TheAppAndBothExtensionsShowTheSamePixels)
{
    const auto opencv = [](int type, std::vector<int> parameters = {}) -> Writer {
        return [type, parameters](
                   PackageBuilder&, const QString& file) { return writeWithOpenCv(file, filled(type), parameters); };
    };
    const auto cut = [](Writer write) -> Writer {
        return
            [write](PackageBuilder& package, const QString& file) { return write(package, file) && cutInHalf(file); };
    };
    const auto proPhoto = [](bool tiff) -> Writer {
        return [tiff](PackageBuilder&, const QString& file) {
            const cv::Mat pixels = filled(CV_8UC3, wideGamutGreen);
            return tiff ? writeProfiledTiff(file, pixels, proPhotoProfile())
                        : writeProfiled(file, pixels, proPhotoProfile());
        };
    };
    // ProPhoto's (40, 160, 60) lies outside sRGB: red clips to 0.
    const QColor proPhotoInSrgb(0, 191, 38);
    const FileCase cases[] = {
        { "PNG with alpha", "frame.png", opencv(CV_8UC4), true },
        { "baseline JPEG", "frame.jpg", opencv(CV_8UC3), true },
        { "progressive JPEG", "frame.jpeg", opencv(CV_8UC3, { cv::IMWRITE_JPEG_PROGRESSIVE, 1 }), true },
        { "lossy WebP", "frame.webp", opencv(CV_8UC3, { cv::IMWRITE_WEBP_QUALITY, 90 }), true },
        { "lossless WebP with alpha", "frame.webp", opencv(CV_8UC4, { cv::IMWRITE_WEBP_QUALITY, 101 }), true },
        { "16-bit RGBA TIFF", "frame.tiff", opencv(CV_16UC4), true },
        { "grey TIFF", "frame.tif", opencv(CV_8UC1), true },
        { "BMP", "frame.bmp", opencv(CV_8UC3), true },
        { "grey BMP", "frame.bmp", opencv(CV_8UC1), true },
        { "ProPhoto TIFF", "frame.tiff", proPhoto(true), true, proPhotoInSrgb },
        { "ProPhoto PNG", "frame.png", proPhoto(false), true, proPhotoInSrgb },
        { "ProPhoto JPEG", "frame.jpg", proPhoto(false), true, proPhotoInSrgb },
        { "CMYK JPEG", "frame.jpg", [](PackageBuilder&, const QString& file) { return writeCmykJpeg(file); }, true },
        { "HEIC", "frame.heic",
            [](PackageBuilder& package, const QString&) {
                return package.heicFrame(QStringLiteral("frame.heic"), QColor(220, 120, 30), { 600, 300 });
            },
            true, std::nullopt, true },
        { "BT.2020 HEIC", "frame.heic",
            [](PackageBuilder&, const QString& file) {
                return test::canEncodeHeic()
                    && test::writeTestHeic(filled(CV_8UC3, wideGamutGreen), QFile::encodeName(file).toStdString(), {},
                        heif_color_primaries_ITU_R_BT_2020_2_and_2100_0);
            },
            true, QColor(0, 169, 33), true },
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
            EXPECT_TRUE(c.needsHevcEncoder) << "could not write the file";
            continue;
        }
        const Answer app = appAnswer(file);
        const Answer thumbnailer = thumbnailerAnswer(package);
        const Answer previewer = previewerAnswer(file);
        EXPECT_EQ(app.has_value(), c.decodes);
        EXPECT_EQ(thumbnailer.has_value(), c.decodes);
        EXPECT_EQ(previewer.has_value(), c.decodes);
        if (app && c.convertedCentre) {
            const QColor shown = centre(*app);
            EXPECT_NEAR(shown.red(), c.convertedCentre->red(), 3);
            EXPECT_NEAR(shown.green(), c.convertedCentre->green(), 3);
            EXPECT_NEAR(shown.blue(), c.convertedCentre->blue(), 3);
        }
        for (const auto& [who, extension] :
            { std::pair { "thumbnailer", &thumbnailer }, { "previewer", &previewer } }) {
            if (!app || !*extension) continue;
            const QColor theirs = centre(**extension);
            const QColor ours = centre(*app);
            EXPECT_EQ(largestDifference(**extension, *app), 0)
                << who << " " << extension->value().width() << "x" << extension->value().height() << " centre ("
                << theirs.red() << "," << theirs.green() << "," << theirs.blue() << "," << theirs.alpha() << "), app "
                << app->width() << "x" << app->height() << " centre (" << ours.red() << "," << ours.green() << ","
                << ours.blue() << "," << ours.alpha() << ")";
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
