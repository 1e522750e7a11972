#include "PackageBuilder.h"
#include "support/AddressSpace.h"
#include "support/PeakMemory.h"

#include "extensions/common/FrameDecoder.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/resource.h>

#include <cstdlib>
#include <vector>

namespace tl::testing {
namespace {

constexpr std::int64_t megabyte = 1 << 20;

// A frame coded as one picture, as the export writes it, a quarter of the largest: the thumbnail's
// decode must stay within a quarter of the gigabyte and a half the largest may take.
TEST(HeifDecodeMemoryTest, SingleCodedFrameThumbnailStaysWithinItsShareOfTheLimit)
{
#ifdef TL_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer maps far more address space than any limit leaves";
#endif
    PackageBuilder package;
    const QColor colour(40, 120, 200);
    const auto written = test::measureInChild([&]() -> std::int64_t {
        return package.heicFrame(QStringLiteral("frame.heic"), colour, { 8192, 8192 });
    });
    if (!written || written->result != 1) GTEST_SKIP() << "no HEVC encoder";

    const QString frame = package.path() + QStringLiteral("/images/frame.heic");
    const auto peak = test::measureInChild([&]() -> std::int64_t {
        const rlimit limit { rlim_t { 4 } << 30, RLIM_INFINITY };
        if (setrlimit(RLIMIT_AS, &limit) != 0) return -2;
        const QImage thumbnail = extension::decodeFrame(frame, 256);
        if (thumbnail.size() != QSize(256, 256)) return 0;
        const QColor found = thumbnail.pixelColor(128, 128);
        return std::abs(found.red() - colour.red()) <= 4 && std::abs(found.green() - colour.green()) <= 4
                && std::abs(found.blue() - colour.blue()) <= 4
            ? 1
            : -1;
    });
    ASSERT_TRUE(peak) << "the decoding child failed";
    EXPECT_EQ(peak->result, 1);
    EXPECT_LT(peak->growthBytes, 1536 * megabyte / 4) << peak->growthBytes / megabyte << " MB";
}

// An uncompressed 24-bit bitmap of one colour, stored bottom-up with padded rows, written a row at
// a time.
bool writeBmp(const QString& path, int width, int height, const QColor& colour)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const auto le = [](std::uint32_t value, int bytes) {
        QByteArray out;
        for (int i = 0; i < bytes; ++i)
            out.append(char(value >> (8 * i)));
        return out;
    };
    const std::uint32_t pixelBytes = std::uint32_t(rowBytes) * std::uint32_t(height);
    QByteArray header = QByteArray("BM") + le(54 + pixelBytes, 4) + le(0, 4) + le(54, 4);
    header += le(40, 4) + le(std::uint32_t(width), 4) + le(std::uint32_t(height), 4) + le(1, 2) + le(24, 2) + le(0, 4)
        + le(pixelBytes, 4) + le(2835, 4) + le(2835, 4) + le(0, 4) + le(0, 4);
    file.write(header);
    QByteArray row(rowBytes, 0);
    for (int x = 0; x < width; ++x) {
        row[x * 3] = char(colour.blue());
        row[x * 3 + 1] = char(colour.green());
        row[x * 3 + 2] = char(colour.red());
    }
    for (int y = 0; y < height; ++y)
        if (file.write(row) != rowBytes) return false;
    return true;
}

// A bitmap is read a row at a time, as the app reads it: its thumbnail never holds the whole
// picture (a full-size copy of this one is 64 MB).
TEST(BmpDecodeMemoryTest, ThumbnailOfALargeBitmapHoldsRowsNotThePicture)
{
    PackageBuilder package;
    const QColor colour(200, 90, 30);
    const QString frame = package.path() + QStringLiteral("/images/frame.bmp");
    ASSERT_TRUE(writeBmp(frame, 4097, 4096, colour));
    const auto peak = test::measureInChild([&]() -> std::int64_t {
        const QImage thumbnail = extension::decodeFrame(frame, 256);
        return thumbnail.width() == 256 && thumbnail.pixelColor(128, 128) == colour ? 1 : -1;
    });
    ASSERT_TRUE(peak) << "the decoding child failed";
    EXPECT_EQ(peak->result, 1);
    EXPECT_LT(peak->growthBytes, 24 * megabyte) << peak->growthBytes / megabyte << " MB";
}

} // namespace
} // namespace tl::testing
