#pragma once

#include <QWidget>

namespace tl::ui {

// The value a slider settles on: `raw` snapped to step × round(raw ÷ step), halves away from
// zero (a step of 0 or less keeps it raw), then held inside lower...upper. Never -0.
double snapSliderValue(double raw, double lower, double upper, double step);

// A continuous slider over doubles that draws only its knob, no track. Values a user makes
// are snapped to the step; setValue() from code moves the knob and emits nothing.
class TracklessSlider final : public QWidget {
    Q_OBJECT
public:
    TracklessSlider(double lower, double upper, double step, QWidget* parent = nullptr);

    double value() const { return value_; }
    double minimum() const { return lower_; }
    double maximum() const { return upper_; }
    void setRange(double lower, double upper);
    void setValue(double value);

    // The value under a horizontal position inside the widget, before snapping.
    double valueAt(double x) const;
    QRectF knobRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A change the user made, already snapped.
    void valueEdited(double value);
    // A press on the slider and its release: the edits between them are one gesture.
    void dragStarted();
    void dragFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void edit(double raw);
    void finishDrag();
    double trackStart() const;
    double trackLength() const;

    double lower_;
    double upper_;
    double step_;
    double value_;
    bool dragging_ = false;
    // Where in the knob the press landed, so grabbing the knob does not make it jump.
    double grabOffset_ = 0;
};

} // namespace tl::ui
