#pragma once

#include "ui/generation/PhaseStatus.h"

#include <QMarginsF>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <array>
#include <string>
#include <vector>

namespace tl::ui::phase_arc {

// The sizes the sheet draws its arc with.
struct Metrics {
    QMarginsF contentInsets { 12, 8, 12, 18 }; // left, top, right, bottom
    double graphHeight = 44;
    double controlHeight = 84;
    double lineWidth = 3.5;
};

// One drawable piece of a path: a line (two points) or a cubic (four). Qt paths hold no
// quadratic pieces, so there is no third kind.
struct PathSegment {
    enum class Kind { line, cubic };
    Kind kind;
    std::array<QPointF, 4> points {};

    QPointF end() const;
    // De Casteljau at t, t clamped to 0...1.
    QPointF at(double t) const;
    // Sum of 18 chords.
    double length() const;
};

inline constexpr int sampleCount = 220;

// The box the curve fills inside a view of width `width`.
QRectF layoutBox(double width, const Metrics& metrics = {});
// The seven points of the sun-path shape, placed in `box`.
std::vector<QPointF> curvePoints(const QRectF& box);
// A Catmull-Rom curve through `points` as cubic pieces; nothing for fewer than two points.
std::vector<PathSegment> catmullRom(const std::vector<QPointF>& points);
QPainterPath arcPath(const QRectF& box);
// The pieces of a path in order (Qt already writes a closed subpath's last side as a line).
std::vector<PathSegment> segmentsOf(const QPainterPath& path);
// `count` points evenly spaced by length along the pieces; nothing below three or without length.
std::vector<QPointF> evenSamples(const std::vector<PathSegment>& segments, int count);
// The curve in a box measured once, so every dot of one paint picks from the same samples.
class ArcPlacement {
public:
    // `path` is the curve drawn in `box`.
    ArcPlacement(const QRectF& box, const QPainterPath& path);
    // The point at `fraction` of the curve's length, by the nearest sample below it; the box's
    // centre for a curve without length.
    QPointF pointAt(double fraction) const;
    // Where the dot of phase `index` of `count` sits: evenly along the curve, the middle for one.
    QPointF dotPosition(std::size_t index, std::size_t count) const;

private:
    std::vector<QPointF> samples_;
    QPointF centre_;
};

// Whether `id` is the first phase, in table order, that has not started.
bool isNextPending(const std::vector<std::string>& phaseIds, const PhaseStatusMap& status, const std::string& id);

enum class DotLook { none, nextRing, inProgress, completed };
DotLook dotLook(PhaseStatus status, bool nextPending);

} // namespace tl::ui::phase_arc
