#include "ui/generation/ProgressCard.h"

#include "app/TimeOfDayTable.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/generation/CreateWallpaperModel.h"
#include "ui/generation/PanelPainting.h"
#include "ui/generation/PhaseArcView.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

// The plate is dark over light and dark palettes alike, so its texts are light in both: the
// palette's muted grey read at about 2:1 on it. Over the lightest window the plate can lie on,
// the status line reads at about 8:1 and the phase name on its capsule at about 5:1.
const QColor plateColour(28, 30, 36, 215);
const QColor cardTextColour(255, 255, 255, 217);
const QColor capsuleColour(255, 255, 255, 36);

QString colourRule(const QColor& colour)
{
    return colour.name(QColor::HexArgb);
}

// A run that has ended leaves no phase running: its dot is drawn as the one still to come.
PhaseStatusMap withoutRunningPhase(PhaseStatusMap statuses)
{
    for (auto& [id, status] : statuses) {
        if (status == PhaseStatus::inProgress) status = PhaseStatus::pending;
    }
    return statuses;
}

std::vector<std::string> phaseIds()
{
    std::vector<std::string> ids;
    for (const auto& row : kTimeOfDayTable)
        ids.emplace_back(row.id);
    return ids;
}

} // namespace

ProgressCard::ProgressCard(QWidget* parent)
    : QFrame(parent)
    , arc_(new PhaseArcView(phaseIds(), this))
    , phase_(makeLabel({}, TextStyle::caption, false, this))
    , message_(makeLabel({}, TextStyle::caption, false, this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);
    column->addWidget(arc_);
    phase_->setContentsMargins(8, 3, 8, 3);
    phase_->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border-radius: 9px; }")
                              .arg(colourRule(cardTextColour), colourRule(capsuleColour)));
    message_->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(colourRule(cardTextColour)));
    column->addWidget(phase_, 0, Qt::AlignHCenter);
    column->addWidget(message_, 0, Qt::AlignHCenter);
    setMinimumWidth(360);
}

void ProgressCard::showStatus(const CreateWallpaperStatus& status, const std::optional<std::string>& phaseLabel)
{
    // After a run the card keeps its end ("Cancelled", "Failed") but names no phase as running.
    const bool running = status.isGenerating;
    arc_->setStatus(running ? status.phaseStatus : withoutRunningPhase(status.phaseStatus));
    phase_->setVisible(running && phaseLabel.has_value());
    phase_->setText(running && phaseLabel ? QString::fromStdString(*phaseLabel) : QString());
    message_->setText(status.progressMessage.empty() ? QStringLiteral("Generating...")
                                                     : QString::fromStdString(status.progressMessage));
}

void ProgressCard::paintEvent(QPaintEvent*)
{
    // A dark translucent plate, so the white dots and the faint track read on any picture.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 14, 14);
    painter.fillPath(shape, plateColour);
}

PreviewBox::PreviewBox(QWidget* parent)
    : QWidget(parent)
{
    setMinimumHeight(360);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PreviewBox::setImage(QImage image)
{
    image_ = std::move(image);
    update();
}

void PreviewBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = panelBounds(rect());
    const QColor secondary = secondaryColor(palette());
    drawFaintPanel(painter, bounds, 18, secondary, 0.08, [&] {
        const double inset = CreateWallpaperModel::previewInset(hasImage());
        const QRectF room = bounds.adjusted(inset, inset, -inset, -inset);
        if (hasImage()) {
            painter.drawImage(fittedRect(QSizeF(image_.size()), room), image_);
            return;
        }
        const double side = std::min(room.width(), room.height());
        drawSymbol(painter, QStringLiteral("photo"),
            QRectF(room.center() - QPointF(side / 2, side / 2), QSizeF(side, side)), secondary);
    });
}

} // namespace tl::ui
