#include "ui/generation/PhaseArcGeometry.h"

#include <gtest/gtest.h>

namespace tl::ui::phase_arc {
namespace {

void expectNear(QPointF actual, QPointF expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.x(), expected.x(), tolerance);
    EXPECT_NEAR(actual.y(), expected.y(), tolerance);
}

TEST(PhaseArcGeometry, BoxHonoursInsetsAndTheTwoHeightBounds)
{
    EXPECT_EQ(layoutBox(400), QRectF(12, 8, 376, 44));
    Metrics shortView;
    shortView.controlHeight = 50; // 50 - 8 - 18 leaves 24, below the graph height
    EXPECT_EQ(layoutBox(400, shortView), QRectF(12, 8, 376, 24));
    shortView.controlHeight = 20;
    EXPECT_EQ(layoutBox(20, shortView), QRectF(12, 8, 1, 1));
}

TEST(PhaseArcGeometry, CurvePointsFollowTheShapeWithYUpwards)
{
    const QRectF box(10, 20, 100, 50);
    const auto points = curvePoints(box);
    ASSERT_EQ(points.size(), 7u);
    expectNear(points[0], { 10, 70 - 0.08 * 50 });
    expectNear(points[3], { 10 + 48, 70 - 0.98 * 50 });
    expectNear(points[6], { 110, 70 - 0.30 * 50 });
}

TEST(PhaseArcGeometry, CatmullRomControlPointsClampAtTheEnds)
{
    const std::vector<QPointF> points { { 0, 0 }, { 6, 0 }, { 12, 6 } };
    const auto segments = catmullRom(points);
    ASSERT_EQ(segments.size(), 2u);
    // First piece: p(-1) is p0, so c1 = p0 + (p1 - p0) / 6; c2 = p1 - (p2 - p0) / 6.
    expectNear(segments[0].points[1], { 1, 0 });
    expectNear(segments[0].points[2], { 4, -1 });
    // Last piece: p(n) is p(n-1), so c2 = p2 - (p2 - p1) / 6.
    expectNear(segments[1].points[1], { 8, 1 });
    expectNear(segments[1].points[2], { 11, 5 });
    EXPECT_TRUE(catmullRom({ { 1, 1 } }).empty());
    EXPECT_EQ(catmullRom(curvePoints(QRectF(0, 0, 10, 10))).size(), 6u);
}

TEST(PhaseArcGeometry, PathRoundTripsThroughItsSegments)
{
    const QRectF box = layoutBox(300);
    const auto direct = catmullRom(curvePoints(box));
    const auto walked = segmentsOf(arcPath(box));
    ASSERT_EQ(walked.size(), direct.size());
    for (std::size_t i = 0; i < direct.size(); ++i)
        for (std::size_t k = 0; k < 4; ++k)
            expectNear(walked[i].points[k], direct[i].points[k]);

    QPainterPath closed;
    closed.moveTo(0, 0);
    closed.lineTo(4, 0);
    closed.lineTo(4, 3);
    closed.closeSubpath();
    const auto sides = segmentsOf(closed);
    ASSERT_EQ(sides.size(), 3u);
    expectNear(sides[2].points[0], { 4, 3 });
    expectNear(sides[2].end(), { 0, 0 });
}

TEST(PhaseArcGeometry, EvenSamplesAreSpacedByLengthAcrossSegments)
{
    // A short and a long line: 2 + 8 = 10, so eleven samples fall on whole units.
    const std::vector<PathSegment> lines {
        { PathSegment::Kind::line, { QPointF(0, 0), QPointF(2, 0) } },
        { PathSegment::Kind::line, { QPointF(2, 0), QPointF(10, 0) } },
    };
    const auto samples = evenSamples(lines, 11);
    ASSERT_EQ(samples.size(), 11u);
    for (int i = 0; i < 11; ++i)
        expectNear(samples[static_cast<std::size_t>(i)], { static_cast<double>(i), 0 }, 1e-9);

    EXPECT_TRUE(evenSamples(lines, 2).empty());
    const std::vector<PathSegment> point { { PathSegment::Kind::line, { QPointF(3, 3), QPointF(3, 3) } } };
    EXPECT_TRUE(evenSamples(point, 5).empty());
}

TEST(PhaseArcGeometry, DotsSpreadFromEndToEndAndOneDotSitsMidway)
{
    const QRectF box = layoutBox(400);
    const auto points = curvePoints(box);
    const ArcPlacement arc(box, arcPath(box));
    expectNear(arc.dotPosition(0, 11), points.front(), 1e-6);
    expectNear(arc.dotPosition(10, 11), points.back(), 1e-6);
    expectNear(arc.dotPosition(0, 1), arc.pointAt(0.5));
    // Fractions past the ends clamp to the end samples.
    expectNear(arc.pointAt(3), points.back(), 1e-6);
    expectNear(arc.pointAt(-1), points.front(), 1e-6);
    // Later dots lie further right along a curve that only moves right.
    EXPECT_LT(arc.dotPosition(4, 11).x(), arc.dotPosition(5, 11).x());
}

TEST(PhaseArcGeometry, SharedPlacementPutsEachDotWhereAFreshMeasurementWould)
{
    for (const double width : { 10.0, 80.0, 333.0, 900.0 }) {
        const QRectF box = layoutBox(width);
        const ArcPlacement placement(box, arcPath(box));
        for (const std::size_t count : { 1u, 2u, 7u, 11u }) {
            for (std::size_t i = 0; i < count; ++i) {
                // Measured afresh for this dot alone: all samples, then the one at or below its fraction.
                const auto samples = evenSamples(segmentsOf(arcPath(box)), sampleCount);
                ASSERT_EQ(samples.size(), static_cast<std::size_t>(sampleCount));
                const double fraction = count == 1 ? 0.5 : static_cast<double>(i) / static_cast<double>(count - 1);
                const auto index = static_cast<std::size_t>(static_cast<double>(sampleCount - 1) * fraction);
                EXPECT_EQ(placement.dotPosition(i, count), samples[index]) << width << ' ' << i << '/' << count;
            }
        }
    }
    // Without a curve every dot sits in the middle of the box.
    const QRectF box(5, 5, 40, 20);
    EXPECT_EQ(ArcPlacement(box, QPainterPath()).dotPosition(3, 11), box.center());
}

TEST(PhaseArcGeometry, NarrowViewCollapsesTheDotsOntoOneColumn)
{
    const QRectF box = layoutBox(10);
    const ArcPlacement arc(box, arcPath(box));
    EXPECT_DOUBLE_EQ(box.width(), 1);
    for (std::size_t i = 0; i < 11; ++i)
        EXPECT_NEAR(arc.dotPosition(i, 11).x(), arc.dotPosition(0, 11).x(), 1.0);
}

TEST(PhaseArcGeometry, NextPendingIsTheFirstUnstartedPhase)
{
    const std::vector<std::string> ids { "a", "b", "c", "d" };
    EXPECT_TRUE(isNextPending(ids, {}, "a"));
    EXPECT_FALSE(isNextPending(ids, {}, "b"));

    const PhaseStatusMap skipping { { "a", PhaseStatus::completed }, { "c", PhaseStatus::inProgress },
        { "zzz", PhaseStatus::completed } };
    EXPECT_FALSE(isNextPending(ids, skipping, "a"));
    EXPECT_TRUE(isNextPending(ids, skipping, "b"));
    EXPECT_FALSE(isNextPending(ids, skipping, "c"));
    EXPECT_FALSE(isNextPending(ids, skipping, "d"));
    EXPECT_FALSE(isNextPending(ids, skipping, "zzz"));

    PhaseStatusMap allDone;
    for (const auto& id : ids)
        allDone[id] = PhaseStatus::completed;
    for (const auto& id : ids)
        EXPECT_FALSE(isNextPending(ids, allDone, id));
    EXPECT_FALSE(isNextPending({}, {}, "a"));
}

TEST(PhaseArcGeometry, DotLookByStatus)
{
    EXPECT_EQ(dotLook(PhaseStatus::pending, false), DotLook::none);
    EXPECT_EQ(dotLook(PhaseStatus::pending, true), DotLook::nextRing);
    EXPECT_EQ(dotLook(PhaseStatus::inProgress, false), DotLook::inProgress);
    EXPECT_EQ(dotLook(PhaseStatus::completed, true), DotLook::completed);
}

} // namespace
} // namespace tl::ui::phase_arc
