#include "engine/UpscalePlan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tl {
namespace {

using Strategy = HeicUpscaleStrategy;

struct PlanRow {
    PixelSize frame;
    std::optional<PixelSize> target;
    Strategy strategy;
    std::set<int> supported;
    std::vector<int> steps;
    PixelSize estimated;
};

std::vector<int> scales(const UpscalePlan& plan)
{
    std::vector<int> result;
    for (const auto& step : plan.steps)
        result.push_back(step.scale);
    return result;
}

class WorkedPlans : public ::testing::TestWithParam<PlanRow> { };

TEST_P(WorkedPlans, GiveTheirStepsAndSize)
{
    const auto& row = GetParam();
    const UpscalePlan plan = UpscalePlan::make(row.strategy, row.frame, row.target, row.supported);
    EXPECT_EQ(scales(plan), row.steps);
    EXPECT_EQ(plan.estimatedOutputSize, row.estimated);
}

const PixelSize eightK { 7680, 4320 };

INSTANTIATE_TEST_SUITE_P(Table, WorkedPlans,
    ::testing::Values(PlanRow { { 1024, 576 }, {}, Strategy::autoScale, { 4 }, { 4 }, { 4096, 2304 } },
        PlanRow { { 2048, 1152 }, {}, Strategy::autoScale, { 4 }, { 4 }, { 8192, 4608 } },
        PlanRow { { 2048, 1152 }, {}, Strategy::autoScale, { 2, 4 }, { 2 }, { 4096, 2304 } },
        PlanRow { { 2048, 1152 }, {}, Strategy::scale2, { 4 }, { 4 }, { 8192, 4608 } },
        PlanRow { { 1024, 576 }, eightK, Strategy::off, { 2, 4 }, {}, { 1024, 576 } },
        PlanRow { { 1024, 576 }, eightK, Strategy::autoScale, { 4 }, { 4, 4 }, { 16384, 9216 } },
        PlanRow { { 1024, 576 }, eightK, Strategy::autoScale, { 2, 4 }, { 4, 2 }, { 8192, 4608 } },
        PlanRow { { 2048, 1152 }, eightK, Strategy::max, { 2, 4 }, { 2, 2 }, { 8192, 4608 } },
        PlanRow { { 1920, 1080 }, PixelSize { 6016, 3384 }, Strategy::fast, { 4 }, { 4 }, { 7680, 4320 } },
        PlanRow { { 5000, 2812 }, eightK, Strategy::autoScale, { 4 }, {}, { 5000, 2812 } },
        PlanRow { { 8000, 4500 }, eightK, Strategy::autoScale, { 4 }, {}, { 8000, 4500 } },
        // Edges: the first-choice thresholds are exclusive; scale2 has no fallback towards a target;
        // an equal longer side is not larger.
        PlanRow { { 1600, 900 }, {}, Strategy::autoScale, { 2, 4 }, { 2 }, { 3200, 1800 } },
        PlanRow { { 1599, 900 }, {}, Strategy::autoScale, { 2, 4 }, { 4 }, { 6396, 3600 } },
        PlanRow { { 2600, 900 }, {}, Strategy::fast, { 2, 4 }, { 2 }, { 5200, 1800 } },
        PlanRow { { 1024, 576 }, eightK, Strategy::scale2, { 4 }, {}, { 1024, 576 } },
        PlanRow { { 7680, 100 }, PixelSize { 7680, 4320 }, Strategy::autoScale, { 4 }, {}, { 7680, 100 } },
        PlanRow { { 1024, 576 }, {}, Strategy::autoScale, {}, {}, { 1024, 576 } },
        PlanRow { { 1024, 576 }, eightK, Strategy::autoScale, {}, {}, { 1024, 576 } }));

TEST(UpscalePlan, PreferredScaleFallsBackThenTakesTheLargestSupported)
{
    EXPECT_EQ(UpscalePlan::preferredScale(Strategy::autoScale, { 2048, 1152 }, { 4 }), 4);
    EXPECT_EQ(UpscalePlan::preferredScale(Strategy::scale2, { 100, 100 }, { 3, 4 }), 4);
    EXPECT_EQ(UpscalePlan::preferredScale(Strategy::max, { 100, 100 }, { 3 }), 3);
    EXPECT_EQ(UpscalePlan::preferredScale(Strategy::off, { 100, 100 }, { 1, 2 }), 1);
    EXPECT_EQ(UpscalePlan::preferredScale(Strategy::autoScale, { 100, 100 }, {}), 1);
}

// These sizes would otherwise loop for ever: a zero side never grows towards the target.
TEST(UpscalePlan, UnusableSizesGiveAnEmptyPlan)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<PixelSize, std::optional<PixelSize>>> cases {
        { { 0, 0 }, eightK },
        { { 0, 576 }, eightK },
        { { nan, 576 }, eightK },
        { { inf, 576 }, eightK },
        { { 1024, 576 }, PixelSize { inf, 4320 } },
        { { 1024, 576 }, PixelSize { nan, nan } },
        { { 0, 0 }, std::nullopt },
    };
    for (const auto& [frame, target] : cases) {
        const UpscalePlan plan = UpscalePlan::make(Strategy::autoScale, frame, target, { 2, 4 });
        EXPECT_TRUE(plan.steps.empty()) << frame.width << "x" << frame.height;
    }
}

} // namespace
} // namespace tl
