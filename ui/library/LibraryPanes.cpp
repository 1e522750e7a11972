#include "ui/library/LibraryPanes.h"

#include "platform/qt/QtText.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/library/CellPainting.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

QLabel* glyphLabel(const QString& symbol, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(symbolIcon(symbol, secondaryColor()).pixmap(side, side));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* centred(QLabel* label)
{
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

EmptyStateView::EmptyStateView(std::function<void()> onImport, std::function<void()> onGenerate, QWidget* parent)
    : QWidget(parent)
    , card_(new QWidget(this))
{
    auto* cardLayout = new QVBoxLayout(card_);
    cardLayout->setContentsMargins(40, 40, 40, 40);
    cardLayout->setSpacing(24);
    cardLayout->addWidget(glyphLabel(QStringLiteral("photo.on.rectangle.angled"), 48, card_));
    cardLayout->addWidget(centred(makeLabel(QStringLiteral("Drag images here"), TextStyle::title2, false, card_)));
    cardLayout->addWidget(centred(
        makeLabel(QStringLiteral("Import images to build a dynamic wallpaper."), TextStyle::body, true, card_)));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    auto* import = new QPushButton(symbolIcon(QStringLiteral("tray.and.arrow.down")), QStringLiteral("Import Images"));
    auto* generate = new QPushButton(symbolIcon(QStringLiteral("sparkles")), QStringLiteral("Generate Timeline"));
    generate->setDefault(true);
    connect(import, &QPushButton::clicked, this, [onImport = std::move(onImport)] { onImport(); });
    connect(generate, &QPushButton::clicked, this, [onGenerate = std::move(onGenerate)] { onGenerate(); });
    buttons->addStretch();
    buttons->addWidget(import);
    buttons->addWidget(generate);
    buttons->addStretch();
    cardLayout->addLayout(buttons);
    card_->setMaximumWidth(520);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(card_);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
}

void EmptyStateView::setDropTargeted(bool targeted)
{
    if (dropTargeted_ == targeted) return;
    dropTargeted_ = targeted;
    update();
}

void EmptyStateView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(card_->geometry()).adjusted(1, 1, -1, -1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(secondaryColor(palette()), 0.08));
    painter.drawRoundedRect(card, 16, 16);
    QPen dashes(dropTargeted_ ? accentColor(palette()) : withOpacity(secondaryColor(palette()), 0.4), 2);
    dashes.setDashPattern({ 4, 3 }); // 8 on, 6 off at a width of 2
    painter.setPen(dashes);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(card, 16, 16);
}

SingleImageView::SingleImageView(QWidget* parent)
    : QWidget(parent)
{
}

void SingleImageView::show(const std::optional<WallpaperImage>& image, const QImage& picture)
{
    image_ = image;
    picture_ = picture;
    update();
}

void SingleImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(16, 16, -16, -16);
    if (!image_ || picture_.isNull()) {
        const QRectF glyph(area.center() - QPointF(24, 60), QSizeF(48, 48));
        drawSymbol(painter, u"photo", glyph, secondaryColor(palette()));
        QFont title = font();
        title.setPointSizeF(title.pointSizeF() * 1.4);
        title.setWeight(QFont::DemiBold);
        painter.setFont(title);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(
            QRectF(area.left(), glyph.bottom() + 8, area.width(), 30), Qt::AlignCenter, QStringLiteral("No Selection"));
        painter.setFont(font());
        painter.setPen(secondaryColor(palette()));
        painter.drawText(QRectF(area.left(), glyph.bottom() + 40, area.width(), 24), Qt::AlignCenter,
            QStringLiteral("Select an image to preview it here"));
        return;
    }
    const double nameHeight = 28;
    QSizeF fitted
        = QSizeF(picture_.size())
              .scaled(QSizeF(area.width(), std::min(520.0, area.height() - nameHeight - 12)), Qt::KeepAspectRatio);
    const double top = area.center().y() - (fitted.height() + 12 + nameHeight) / 2;
    const QRectF frame(area.center().x() - fitted.width() / 2, top, fitted.width(), fitted.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(frame.translated(0, 2).adjusted(-2, -2, 2, 2), 12, 12);
    drawThumbnail(painter, frame, picture_, 10);
    if (image_->isTween) drawTweenBadge(painter, frame);
    QFont headline = font();
    headline.setWeight(QFont::DemiBold);
    painter.setFont(headline);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRectF name(area.left(), frame.bottom() + 12, area.width(), nameHeight);
    painter.drawText(name, Qt::AlignCenter,
        QFontMetricsF(headline).elidedText(toDisplayText(image_->fileName), Qt::ElideMiddle, name.width()));
}

} // namespace tl::ui
