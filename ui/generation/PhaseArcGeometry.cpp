#include "ui/generation/PhaseArcGeometry.h"

#include <algorithm>
#include <cmath>

namespace tl::ui::phase_arc {
namespace {

// The sun-path shape in unit coordinates, y measured upwards.
constexpr std::array<QPointF, 7> shape { {
    { 0.00, 0.08 },
    { 0.14, 0.18 },
    { 0.26, 0.86 },
    { 0.48, 0.98 },
    { 0.68, 0.55 },
    { 0.86, 0.22 },
    { 1.00, 0.30 },
} };

constexpr int chordsPerSegment = 18;

QPointF lerp(QPointF a, QPointF b, double t)
{
    return a + (b - a) * t;
}

double distance(QPointF a, QPointF b)
{
    return std::hypot(b.x() - a.x(), b.y() - a.y());
}

} // namespace

QPointF PathSegment::end() const
{
    return kind == Kind::line ? points[1] : points[3];
}

QPointF PathSegment::at(double t) const
{
    t = std::clamp(t, 0.0, 1.0);
    if (kind == Kind::line) return lerp(points[0], points[1], t);
    const QPointF ab = lerp(points[0], points[1], t);
    const QPointF bc = lerp(points[1], points[2], t);
    const QPointF cd = lerp(points[2], points[3], t);
    return lerp(lerp(ab, bc, t), lerp(bc, cd, t), t);
}

double PathSegment::length() const
{
    double total = 0;
    QPointF previous = at(0);
    for (int k = 1; k <= chordsPerSegment; ++k) {
        const QPointF next = at(static_cast<double>(k) / chordsPerSegment);
        total += distance(previous, next);
        previous = next;
    }
    return total;
}

QRectF layoutBox(double width, const Metrics& metrics)
{
    const auto& insets = metrics.contentInsets;
    const double boxWidth = std::max(width - insets.left() - insets.right(), 1.0);
    const double boxHeight
        = std::min(std::max(metrics.controlHeight - insets.top() - insets.bottom(), 1.0), metrics.graphHeight);
    return { insets.left(), insets.top(), boxWidth, boxHeight };
}

std::vector<QPointF> curvePoints(const QRectF& box)
{
    std::vector<QPointF> points;
    points.reserve(shape.size());
    for (const auto& unit : shape)
        points.emplace_back(box.left() + unit.x() * box.width(), box.bottom() - unit.y() * box.height());
    return points;
}

std::vector<PathSegment> catmullRom(const std::vector<QPointF>& points)
{
    std::vector<PathSegment> segments;
    const auto n = static_cast<std::ptrdiff_t>(points.size());
    if (n < 2) return segments;
    const auto p
        = [&](std::ptrdiff_t i) { return points[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, n - 1))]; };
    for (std::ptrdiff_t i = 0; i + 1 < n; ++i) {
        const QPointF c1 = p(i) + (p(i + 1) - p(i - 1)) / 6.0;
        const QPointF c2 = p(i + 1) - (p(i + 2) - p(i)) / 6.0;
        segments.push_back({ PathSegment::Kind::cubic, { p(i), c1, c2, p(i + 1) } });
    }
    return segments;
}

QPainterPath arcPath(const QRectF& box)
{
    QPainterPath path;
    const auto segments = catmullRom(curvePoints(box));
    if (segments.empty()) return path;
    path.moveTo(segments.front().points[0]);
    for (const auto& segment : segments)
        path.cubicTo(segment.points[1], segment.points[2], segment.points[3]);
    return path;
}

std::vector<PathSegment> segmentsOf(const QPainterPath& path)
{
    std::vector<PathSegment> segments;
    QPointF current;
    for (int i = 0; i < path.elementCount(); ++i) {
        const auto element = path.elementAt(i);
        const QPointF point(element.x, element.y);
        switch (element.type) {
        case QPainterPath::MoveToElement:
            current = point;
            break;
        case QPainterPath::LineToElement:
            segments.push_back({ PathSegment::Kind::line, { current, point } });
            current = point;
            break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= path.elementCount()) return segments;
            const auto c2 = path.elementAt(i + 1);
            const auto to = path.elementAt(i + 2);
            segments.push_back({ PathSegment::Kind::cubic, { current, point, { c2.x, c2.y }, { to.x, to.y } } });
            current = { to.x, to.y };
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    return segments;
}

std::vector<QPointF> evenSamples(const std::vector<PathSegment>& segments, int count)
{
    std::vector<QPointF> samples;
    if (count < 3 || segments.empty()) return samples;
    std::vector<double> lengths;
    lengths.reserve(segments.size());
    double total = 0;
    for (const auto& segment : segments) {
        lengths.push_back(segment.length());
        total += lengths.back();
    }
    if (!(total > 0)) return samples;

    samples.reserve(static_cast<std::size_t>(count));
    std::size_t index = 0;
    double covered = 0;
    for (int i = 0; i < count; ++i) {
        const double target = total / (count - 1) * i;
        while (index < segments.size() && covered + lengths[index] < target) {
            covered += lengths[index];
            ++index;
        }
        if (index < segments.size())
            samples.push_back(segments[index].at((target - covered) / std::max(lengths[index], 0.0001)));
        else
            samples.push_back(segments.back().end());
    }
    return samples;
}

ArcPlacement::ArcPlacement(const QRectF& box, const QPainterPath& path)
    : samples_(evenSamples(segmentsOf(path), sampleCount))
    , centre_(box.center())
{
}

QPointF ArcPlacement::pointAt(double fraction) const
{
    if (samples_.empty()) return centre_;
    const auto last = static_cast<std::ptrdiff_t>(samples_.size()) - 1;
    const auto index
        = std::clamp(static_cast<std::ptrdiff_t>(static_cast<double>(last) * fraction), std::ptrdiff_t { 0 }, last);
    return samples_[static_cast<std::size_t>(index)];
}

QPointF ArcPlacement::dotPosition(std::size_t index, std::size_t count) const
{
    const double fraction = count < 2 ? 0.5 : static_cast<double>(index) / static_cast<double>(count - 1);
    return pointAt(fraction);
}

bool isNextPending(const std::vector<std::string>& phaseIds, const PhaseStatusMap& status, const std::string& id)
{
    if (statusOf(status, id) != PhaseStatus::pending) return false;
    const auto first = std::ranges::find_if(
        phaseIds, [&](const std::string& phase) { return statusOf(status, phase) == PhaseStatus::pending; });
    return first != phaseIds.end() && *first == id;
}

DotLook dotLook(PhaseStatus status, bool nextPending)
{
    switch (status) {
    case PhaseStatus::completed:
        return DotLook::completed;
    case PhaseStatus::inProgress:
        return DotLook::inProgress;
    case PhaseStatus::pending:
        break;
    }
    return nextPending ? DotLook::nextRing : DotLook::none;
}

} // namespace tl::ui::phase_arc
