#include "ui/export/ExportProgressView.h"

#include "platform/Image.h"
#include "ui/common/ImageConversion.h"
#include "ui/common/NumberFormat.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/ThumbnailCache.h"
#include "ui/common/Typography.h"
#include "ui/export/ExportProgressLayout.h"
#include "ui/library/CellPainting.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tl::ui {
namespace {

constexpr double stripSpacing = 6;
const QColor green(52, 199, 89);

void drawSpinner(QPainter& painter, const QRectF& area, int phase)
{
    const double radius = std::min(area.width(), area.height()) * 0.22;
    painter.save();
    painter.translate(area.center());
    painter.rotate(phase * 30.0);
    painter.setPen(QPen(Qt::white, std::max(1.5, radius * 0.3), Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(-radius, -radius, 2 * radius, 2 * radius), 0, 270 * 16);
    painter.restore();
}

void drawCheckBadge(QPainter& painter, const QRectF& circle, double glyphScale)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(green);
    painter.drawEllipse(circle);
    const double side = circle.width() * glyphScale;
    drawSymbol(
        painter, u"checkmark", QRectF(circle.center() - QPointF(side / 2, side / 2), QSizeF(side, side)), Qt::white);
}

bool inWork(ExportFrameStatus status)
{
    return status == ExportFrameStatus::upscaling || status == ExportFrameStatus::blending;
}

void drawKeyFrame(QPainter& painter, const QRectF& tile, const ExportFrameInfo& frame, const QImage& picture, int phase)
{
    drawThumbnail(painter, tile, picture, 4, PictureScaling::fit);
    if (inWork(frame.status)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 128));
        painter.drawRoundedRect(tile, 4, 4);
        drawSpinner(painter, tile, phase);
    } else if (frame.status == ExportFrameStatus::complete) {
        const double diameter = tile.width() * 0.3;
        drawCheckBadge(painter, QRectF(tile.right() - 2 - diameter, tile.top() + 2, diameter, diameter), 0.6);
    }
}

void drawTweenGroup(QPainter& painter, const QRectF& circle, const TweenGroup& group, int phase)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(secondaryColor(), 0.15));
    painter.drawEllipse(circle);
    const double side = circle.width() * 0.5;
    drawSymbol(painter, u"arrow.left.and.right",
        QRectF(circle.center() - QPointF(side / 2, side / 2), QSizeF(side, side)), secondaryColor());
    switch (tweenGroupStatus(group.tweens)) {
    case ExportFrameStatus::blending:
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 128));
        painter.drawEllipse(circle);
        drawSpinner(painter, circle, phase);
        break;
    case ExportFrameStatus::complete:
        drawCheckBadge(painter, circle, 0.5);
        break;
    default:
        break;
    }
}

} // namespace

FrameProgressStrip::FrameProgressStrip(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void FrameProgressStrip::setFrames(std::vector<ExportFrameInfo> frames)
{
    frames_ = std::move(frames);
    for (const auto& frame : frames_) {
        if (!frame.isKeyFrame || !frame.sourcePath.empty() || !frame.thumbnail || pictures_.contains(frame.id)) {
            continue;
        }
        pictures_[frame.id]
            = toQImage(*frame.thumbnail).scaled(160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    const bool spinning = std::ranges::any_of(frames_, [](const auto& frame) { return inWork(frame.status); });
    if (spinning && !spinnerTimer_) spinnerTimer_ = startTimer(80);
    if (!spinning && spinnerTimer_) {
        killTimer(spinnerTimer_);
        spinnerTimer_ = 0;
    }
    setFixedHeight(static_cast<int>(keyCellSize(frames_) + 24));
    updateGeometry();
    update();
}

void FrameProgressStrip::setThumbnails(ThumbnailCache& thumbnails)
{
    if (thumbnails_) disconnect(thumbnails_, nullptr, this, nullptr);
    thumbnails_ = &thumbnails;
    connect(&thumbnails, &ThumbnailCache::thumbnailReady, this, [this] { update(); });
}

QImage FrameProgressStrip::pictureOf(const ExportFrameInfo& frame) const
{
    if (!frame.sourcePath.empty()) {
        return thumbnails_ ? thumbnails_->thumbnail(QString::fromStdString(frame.sourcePath)) : QImage();
    }
    const auto picture = pictures_.find(frame.id);
    return picture == pictures_.end() ? QImage() : picture->second;
}

QSize FrameProgressStrip::sizeHint() const
{
    return { 736, static_cast<int>(keyCellSize(frames_) + 24) };
}

void FrameProgressStrip::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != spinnerTimer_) return;
    spinnerPhase_ = (spinnerPhase_ + 1) % 12;
    update();
}

void FrameProgressStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(secondaryColor(palette()), 0.05));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);

    const auto groups = groupExportFrames(frames_);
    const double cell = keyCellSize(frames_);
    const double marker = tweenMarkerSize(cell);
    double contentWidth = 0;
    for (const auto& group : groups) {
        contentWidth += std::holds_alternative<KeyFrameGroup>(group) ? cell : marker;
    }
    contentWidth += stripSpacing * std::max<double>(static_cast<double>(groups.size()) - 1, 0);

    const double middle = height() / 2.0;
    double x = std::max(8.0, (width() - contentWidth) / 2);
    for (const auto& group : groups) {
        if (const auto* key = std::get_if<KeyFrameGroup>(&group)) {
            drawKeyFrame(
                painter, QRectF(x, middle - cell / 2, cell, cell), key->frame, pictureOf(key->frame), spinnerPhase_);
            x += cell + stripSpacing;
        } else {
            drawTweenGroup(
                painter, QRectF(x, middle - marker / 2, marker, marker), std::get<TweenGroup>(group), spinnerPhase_);
            x += marker + stripSpacing;
        }
    }
}

ExportProgressView::ExportProgressView(QWidget* parent)
    : QWidget(parent)
    , bar_(new QProgressBar(this))
    , strip_(new FrameProgressStrip(this))
    , message_(new QLabel(this))
    , percent_(new QLabel(this))
{
    auto* title = makeLabel(QStringLiteral("Exporting HEIC..."), TextStyle::headline, false, this);
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    message_->setFont(styledFont(TextStyle::caption));
    percent_->setFont(styledFont(TextStyle::caption2));
    for (auto* label : { message_, percent_ }) {
        label->setAlignment(Qt::AlignCenter);
        useSecondaryColour(*label);
    }
    message_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(title);
    layout->addWidget(bar_);
    layout->addWidget(strip_);
    layout->addWidget(message_);
    layout->addWidget(percent_);
}

void ExportProgressView::show(double progress, const std::string& message, std::vector<ExportFrameInfo> frames)
{
    const double fraction = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    bar_->setValue(static_cast<int>(fraction * 1000));
    strip_->setVisible(!frames.empty());
    strip_->setFrames(std::move(frames));
    message_->setText(message.empty() ? QStringLiteral("Working...") : QString::fromStdString(message));
    percent_->setText(percentText(fraction));
}

} // namespace tl::ui
