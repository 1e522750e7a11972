#include "ui/inspector/TracklessSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tl::ui {
namespace {

constexpr double knobDiameter = 16;
// Keys and the wheel move by whole steps; without a step, by a hundredth of the range.
constexpr double stepsPerPage = 10;
constexpr double rawStepsOverRange = 100;

} // namespace

double snapSliderValue(double raw, double lower, double upper, double step)
{
    double value = raw;
    if (step > 0) {
        const double count = std::round(raw / step);
        // Dividing by a whole reciprocal (10 for 0.1) lands on the nearest double, so 451 steps
        // of 0.1 give 45.1 itself rather than 45.100000000000001.
        const double reciprocal = std::round(1 / step);
        const bool wholeReciprocal = reciprocal >= 1 && std::abs(reciprocal * step - 1) < 1e-12;
        value = wholeReciprocal ? count / reciprocal : count * step;
    }
    value = std::clamp(value, lower, upper);
    return value == 0 ? 0.0 : value;
}

TracklessSlider::TracklessSlider(double lower, double upper, double step, QWidget* parent)
    : QWidget(parent)
    , lower_(lower)
    , upper_(upper)
    , step_(step)
    , value_(lower)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TracklessSlider::setRange(double lower, double upper)
{
    if (lower == lower_ && upper == upper_) return;
    lower_ = lower;
    upper_ = upper;
    value_ = std::clamp(value_, lower_, upper_);
    update();
}

void TracklessSlider::setValue(double value)
{
    // Only the knob moves: a value set from code is not an edit.
    if (value == value_) return;
    value_ = std::clamp(value, lower_, upper_);
    update();
}

double TracklessSlider::trackStart() const
{
    return knobDiameter / 2;
}

double TracklessSlider::trackLength() const
{
    return std::max(1.0, width() - knobDiameter);
}

double TracklessSlider::valueAt(double x) const
{
    const double fraction = std::clamp((x - trackStart()) / trackLength(), 0.0, 1.0);
    // The ends give the bounds themselves, not a value a rounding error away.
    if (fraction <= 0) return lower_;
    if (fraction >= 1) return upper_;
    return lower_ + fraction * (upper_ - lower_);
}

QRectF TracklessSlider::knobRect() const
{
    const double span = upper_ - lower_;
    const double fraction = span > 0 ? (value_ - lower_) / span : 0;
    const double centre = trackStart() + fraction * trackLength();
    return { centre - knobDiameter / 2, (height() - knobDiameter) / 2, knobDiameter, knobDiameter };
}

QSize TracklessSlider::sizeHint() const
{
    return { 160, static_cast<int>(knobDiameter) + 6 };
}

QSize TracklessSlider::minimumSizeHint() const
{
    return { static_cast<int>(knobDiameter) * 3, static_cast<int>(knobDiameter) + 6 };
}

void TracklessSlider::edit(double raw)
{
    const double snapped = snapSliderValue(raw, lower_, upper_, step_);
    if (snapped == value_) return;
    value_ = snapped;
    update();
    emit valueEdited(value_);
}

void TracklessSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF knob = knobRect().adjusted(0.5, 0.5, -0.5, -0.5);
    const QPalette& colours = palette();
    painter.setPen(QPen(colours.color(QPalette::Mid), 1));
    painter.setBrush(isEnabled() ? colours.color(QPalette::Button) : colours.color(QPalette::Window));
    painter.drawEllipse(knob);
    if (hasFocus()) {
        painter.setPen(QPen(colours.color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(knob.adjusted(-1, -1, 1, 1));
    }
}

void TracklessSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const double x = event->position().x();
    const QRectF knob = knobRect();
    grabOffset_ = knob.left() <= x && x <= knob.right() ? x - knob.center().x() : 0;
    dragging_ = true;
    emit dragStarted();
    edit(valueAt(x - grabOffset_));
}

void TracklessSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_) edit(valueAt(event->position().x() - grabOffset_));
}

void TracklessSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_) return QWidget::mouseReleaseEvent(event);
    edit(valueAt(event->position().x() - grabOffset_));
    finishDrag();
}

void TracklessSlider::focusOutEvent(QFocusEvent* event)
{
    // A drag cut short (a dialog took the pointer) still ends its gesture.
    finishDrag();
    QWidget::focusOutEvent(event);
}

void TracklessSlider::finishDrag()
{
    if (!dragging_) return;
    dragging_ = false;
    emit dragFinished();
}

void TracklessSlider::keyPressEvent(QKeyEvent* event)
{
    const double unit = step_ > 0 ? step_ : (upper_ - lower_) / rawStepsOverRange;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        edit(value_ - unit);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        edit(value_ + unit);
        break;
    case Qt::Key_PageDown:
        edit(value_ - unit * stepsPerPage);
        break;
    case Qt::Key_PageUp:
        edit(value_ + unit * stepsPerPage);
        break;
    case Qt::Key_Home:
        edit(lower_);
        break;
    case Qt::Key_End:
        edit(upper_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TracklessSlider::wheelEvent(QWheelEvent* event)
{
    // A wheel passing over an unfocused slider scrolls the column instead of changing the value.
    if (!hasFocus()) return event->ignore();
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) return event->ignore();
    const double unit = step_ > 0 ? step_ : (upper_ - lower_) / rawStepsOverRange;
    edit(value_ + notches * unit);
}

} // namespace tl::ui
