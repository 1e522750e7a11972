#include "PackageBuilder.h"
#include "support/AddressSpace.h"
#include "support/PeakMemory.h"

#include "extensions/common/FrameDecoder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>

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

} // namespace
} // namespace tl::testing
