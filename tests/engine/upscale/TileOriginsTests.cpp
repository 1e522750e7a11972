#include "engine/upscale/TileOrigins.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

struct OriginCase {
    int length;
    std::vector<int> origins;
};

void PrintTo(const OriginCase& origin, std::ostream* stream)
{
    *stream << "length " << origin.length;
}

class TileOriginsTest : public testing::TestWithParam<OriginCase> { };

TEST_P(TileOriginsTest, StepsBy480AndPullsTheLastTileBackToTheEdge)
{
    EXPECT_EQ(tileOrigins(GetParam().length, 512, 480), GetParam().origins);
}

INSTANTIATE_TEST_SUITE_P(Lengths, TileOriginsTest,
    testing::Values(OriginCase { 511, {} }, OriginCase { 512, { 0, 0 } }, OriginCase { 576, { 0, 64 } },
        OriginCase { 992, { 0, 480, 480 } }, OriginCase { 993, { 0, 480, 481 } }, OriginCase { 1024, { 0, 480, 512 } },
        OriginCase { 1080, { 0, 480, 568 } }, OriginCase { 1920, { 0, 480, 960, 1408 } },
        OriginCase { 1921, { 0, 480, 960, 1409, 1409 } }),
    [](const auto& param) { return "length" + std::to_string(param.param.length); });

} // namespace
} // namespace tl
