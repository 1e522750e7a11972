#pragma once

#include "ui/generation/PhaseArcGeometry.h"

#include <QWidget>

#include <string>
#include <vector>

class QVariantAnimation;

namespace tl::ui {

// The sun-path curve with one dot per phase: completed ones checked, the running one glowing
// with a pulsing ring, the next one to come as a hollow ring. Draws only; no text, no input.
class PhaseArcView : public QWidget {
    Q_OBJECT
public:
    explicit PhaseArcView(std::vector<std::string> phaseIds, QWidget* parent = nullptr);

    void setStatus(PhaseStatusMap status);
    // Whether the ring animation runs: only while some dot is in progress.
    bool isPulsing() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawDot(QPainter& painter, QPointF centre, phase_arc::DotLook look) const;

    const phase_arc::Metrics metrics_;
    std::vector<std::string> phaseIds_;
    PhaseStatusMap status_;
    QVariantAnimation* pulse_;
    double pulseValue_ = 0;
};

} // namespace tl::ui
