#include "ui/generation/PhaseArcView.h"

#include "ui/common/Symbols.h"

#include <QLinearGradient>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>

namespace tl::ui {
namespace {

constexpr double coreDiameter = 12;
constexpr double ringDiameter = 20;

QLinearGradient curveGradient(double width, double opacity)
{
    QLinearGradient gradient(0, 0, width, 0);
    const auto stop = [&](double at, QColor colour) {
        colour.setAlphaF(static_cast<float>(0.95 * opacity));
        gradient.setColorAt(at, colour);
    };
    stop(0.00, QColor(255, 149, 0)); // orange
    stop(0.22, QColor(255, 204, 0)); // yellow
    stop(0.48, QColor(0, 199, 190)); // mint
    stop(0.72, QColor(50, 173, 230)); // cyan
    stop(1.00, QColor(0, 122, 255)); // blue
    return gradient;
}

QPen roundPen(const QBrush& brush, double width)
{
    return QPen(brush, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QColor white(double opacity)
{
    QColor colour(Qt::white);
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
}

} // namespace

PhaseArcView::PhaseArcView(std::vector<std::string> phaseIds, QWidget* parent)
    : QWidget(parent)
    , phaseIds_(std::move(phaseIds))
    , pulse_(new QVariantAnimation(this))
{
    // 1 s one way, then back, for ever.
    pulse_->setStartValue(0.0);
    pulse_->setKeyValueAt(0.5, 1.0);
    pulse_->setEndValue(0.0);
    pulse_->setDuration(2000);
    pulse_->setEasingCurve(QEasingCurve::InOutSine);
    pulse_->setLoopCount(-1);
    connect(pulse_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        pulseValue_ = value.toDouble();
        update();
    });
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(static_cast<int>(metrics_.controlHeight));
}

void PhaseArcView::setStatus(PhaseStatusMap status)
{
    status_ = std::move(status);
    const bool running
        = std::ranges::any_of(status_, [](const auto& entry) { return entry.second == PhaseStatus::inProgress; });
    if (running && pulse_->state() != QAbstractAnimation::Running) pulse_->start();
    if (!running && pulse_->state() == QAbstractAnimation::Running) {
        pulse_->stop();
        pulseValue_ = 0;
    }
    update();
}

bool PhaseArcView::isPulsing() const
{
    return pulse_->state() == QAbstractAnimation::Running;
}

QSize PhaseArcView::sizeHint() const
{
    return { 320, static_cast<int>(metrics_.controlHeight) };
}

QSize PhaseArcView::minimumSizeHint() const
{
    return { 80, static_cast<int>(metrics_.controlHeight) };
}

void PhaseArcView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = phase_arc::layoutBox(width(), metrics_);
    const QPainterPath path = phase_arc::arcPath(box);
    const double lineWidth = metrics_.lineWidth;

    painter.strokePath(path, roundPen(white(0.10), lineWidth));
    // A soft glow: wide faint strokes stand in for a blur.
    for (const double spread : { 14.0, 10.0, 6.0 })
        painter.strokePath(path, roundPen(curveGradient(width(), 0.55 * 0.9 * 0.35), lineWidth + spread));
    painter.strokePath(path, roundPen(curveGradient(width(), 1.0), lineWidth));

    // Measured once per paint: the pulse repaints many times a second.
    const phase_arc::ArcPlacement placement(box, path);
    for (std::size_t i = 0; i < phaseIds_.size(); ++i) {
        const auto& id = phaseIds_[i];
        const auto look = phase_arc::dotLook(statusOf(status_, id), phase_arc::isNextPending(phaseIds_, status_, id));
        if (look == phase_arc::DotLook::none) continue;
        drawDot(painter, placement.dotPosition(i, phaseIds_.size()), look);
    }
}

void PhaseArcView::drawDot(QPainter& painter, QPointF centre, phase_arc::DotLook look) const
{
    const double radius = coreDiameter / 2;
    painter.save();
    switch (look) {
    case phase_arc::DotLook::none:
        break;
    case phase_arc::DotLook::nextRing:
        painter.setPen(QPen(white(0.5), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius - 0.75, radius - 0.75);
        break;
    case phase_arc::DotLook::inProgress: {
        const double scale = 0.9 + 0.3 * pulseValue_;
        painter.setPen(QPen(white(0.4 * (0.2 + 0.3 * pulseValue_)), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, ringDiameter / 2 * scale, ringDiameter / 2 * scale);
        painter.setPen(Qt::NoPen);
        for (const double halo : { 6.0, 4.0, 2.0 }) {
            painter.setBrush(white(0.8 * 0.15));
            painter.drawEllipse(centre, radius + halo, radius + halo);
        }
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre, radius, radius);
        break;
    }
    case phase_arc::DotLook::completed:
        painter.setPen(Qt::NoPen);
        painter.setBrush(white(0.5 * 0.2));
        painter.drawEllipse(centre, radius + 4, radius + 4);
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre, radius, radius);
        drawSymbol(painter, QStringLiteral("checkmark"), QRectF(centre - QPointF(4, 4), QSizeF(8, 8)), Qt::black);
        break;
    }
    painter.restore();
}

} // namespace tl::ui
