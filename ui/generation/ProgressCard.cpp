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
    , phase_(makeLabel({}, TextStyle::caption, true, this))
    , message_(makeLabel({}, TextStyle::caption, true, this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);
    column->addWidget(arc_);
    phase_->setContentsMargins(8, 3, 8, 3);
    phase_->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: 9px; }")
                              .arg(withOpacity(secondaryColor(), 0.12).name(QColor::HexArgb)));
    column->addWidget(phase_, 0, Qt::AlignHCenter);
    column->addWidget(message_, 0, Qt::AlignHCenter);
    setMinimumWidth(360);
}

void ProgressCard::showStatus(const CreateWallpaperStatus& status, const std::optional<std::string>& phaseLabel)
{
    arc_->setStatus(status.phaseStatus);
    phase_->setVisible(phaseLabel.has_value());
    phase_->setText(phaseLabel ? QString::fromStdString(*phaseLabel) : QString());
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
    painter.fillPath(shape, QColor(28, 30, 36, 215));
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
