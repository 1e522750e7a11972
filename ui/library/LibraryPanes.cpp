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
#include <QResizeEvent>
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

// The single layout's spacing: around the whole, and between the picture and its name.
constexpr int margin = 16;
constexpr int nameGap = 12;
constexpr int nameHeight = 28;
// The picture never shrinks below this, so the window keeps room to show it.
constexpr int minimumPictureSide = 60;

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
    , name_(new QLabel(this))
{
    QFont headline = font();
    headline.setWeight(QFont::DemiBold);
    name_->setFont(headline);
    name_->setAlignment(Qt::AlignCenter);
    name_->hide();
}

void SingleImageView::show(const std::optional<WallpaperImage>& image, const QImage& picture, const QString& problem)
{
    image_ = image;
    picture_ = picture;
    problem_ = problem;
    placeChildren();
    update();
}

void SingleImageView::setAccessory(QWidget* accessory)
{
    accessory_ = accessory;
    accessory_->setParent(this);
    // Its showing and hiding change the room left for the picture and the name.
    accessory_->installEventFilter(this);
    placeChildren();
}

int SingleImageView::footerHeight() const
{
    return accessory_ && !accessory_->isHidden() ? accessory_->sizeHint().height() + margin : 0;
}

QSize SingleImageView::minimumSizeHint() const
{
    const int accessoryWidth = accessory_ ? accessory_->sizeHint().width() : 0;
    const int accessoryHeight = accessory_ ? accessory_->sizeHint().height() + margin : 0;
    return { std::max(accessoryWidth, minimumPictureSide) + 2 * margin,
        2 * margin + minimumPictureSide + nameGap + nameHeight + accessoryHeight };
}

QRectF SingleImageView::pictureFrame() const
{
    const QRectF area = QRectF(rect()).adjusted(margin, margin, -margin, -margin - footerHeight());
    const QSizeF fitted
        = QSizeF(picture_.size())
              .scaled(QSizeF(area.width(), std::min(520.0, area.height() - nameHeight - nameGap)), Qt::KeepAspectRatio);
    const double top = area.center().y() - (fitted.height() + nameGap + nameHeight) / 2;
    return { area.center().x() - fitted.width() / 2, top, fitted.width(), fitted.height() };
}

void SingleImageView::placeChildren()
{
    if (accessory_) {
        const QSize size = accessory_->sizeHint();
        accessory_->setGeometry(QRect(QPoint((width() - size.width()) / 2, height() - margin - size.height()), size));
    }
    const bool named = image_ && !picture_.isNull();
    name_->setVisible(named);
    if (!named) return;
    const QRectF frame = pictureFrame();
    const QRect name = QRectF(margin, frame.bottom() + nameGap, width() - 2.0 * margin, nameHeight).toRect();
    name_->setGeometry(name);
    name_->setText(name_->fontMetrics().elidedText(toDisplayText(image_->fileName), Qt::ElideMiddle, name.width()));
}

void SingleImageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

bool SingleImageView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == accessory_ && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        placeChildren();
    return QWidget::eventFilter(watched, event);
}

void SingleImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    if (!image_ || picture_.isNull()) {
        const QRectF glyph(area.center() - QPointF(24, 60), QSizeF(48, 48));
        drawSymbol(painter, u"photo", glyph, secondaryColor(palette()));
        QFont title = font();
        title.setPointSizeF(title.pointSizeF() * 1.4);
        title.setWeight(QFont::DemiBold);
        painter.setFont(title);
        painter.setPen(palette().color(QPalette::WindowText));
        const bool unshowable = image_ && !problem_.isEmpty();
        const QRectF titleRect(area.left(), glyph.bottom() + 8, area.width(), 30);
        painter.drawText(titleRect, Qt::AlignCenter,
            unshowable ? painter.fontMetrics().elidedText(
                toDisplayText(image_->fileName), Qt::ElideMiddle, static_cast<int>(area.width()))
                       : QStringLiteral("No Selection"));
        painter.setFont(font());
        painter.setPen(secondaryColor(palette()));
        painter.drawText(QRectF(area.left(), glyph.bottom() + 40, area.width(), 48),
            Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
            unshowable ? problem_ : QStringLiteral("Select an image to preview it here"));
        return;
    }
    const QRectF frame = pictureFrame();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(frame.translated(0, 2).adjusted(-2, -2, 2, 2), 12, 12);
    drawThumbnail(painter, frame, picture_, 10);
    if (image_->isTween) drawTweenBadge(painter, frame);
}

} // namespace tl::ui
