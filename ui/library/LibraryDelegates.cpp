#include "ui/library/LibraryDelegates.h"

#include "platform/qt/QtText.h"
#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/library/CellPainting.h"
#include "ui/library/ImageCaptions.h"
#include "ui/library/TimelineListModel.h"

#include <QApplication>
#include <QPainter>

namespace tl::ui {
namespace {

// A caption that tells why a picture is missing stands out from the grey placement captions.
const QColor problemCaptionColour(214, 110, 0);

// The file name, elided to one line, followed by the onion-skin glyph for a tween.
void drawNameRow(
    QPainter& painter, const QRectF& rect, const WallpaperImage& image, const QFont& font, const QColor& text)
{
    painter.save();
    painter.setFont(font);
    painter.setPen(text);
    const QFontMetricsF metrics(font);
    const double glyphWidth = image.isTween ? 12 + 6 : 0;
    const QString name = metrics.elidedText(toDisplayText(image.fileName), Qt::ElideRight, rect.width() - glyphWidth);
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, name);
    if (image.isTween) {
        const double x = rect.left() + metrics.horizontalAdvance(name) + 6;
        drawOnionSkin(painter, QRectF(x, rect.center().y() - 5, 12, 10), secondaryColor());
    }
    painter.restore();
}

// The image's placement, or in its place why its picture cannot be shown (the whole reason is
// in the tooltip).
void drawCaption(QPainter& painter, const QRectF& rect, const WallpaperImage& image, WallpaperMode mode,
    const QString& problem, const QColor& colour, const QColor& problemColour)
{
    painter.save();
    QFont caption = QApplication::font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    painter.setFont(caption);
    painter.setPen(problem.isEmpty() ? colour : problemColour);
    const QString text = problem.isEmpty() ? imageCaption(image, mode) : problem;
    painter.drawText(
        rect, Qt::AlignLeft | Qt::AlignVCenter, QFontMetricsF(caption).elidedText(text, Qt::ElideRight, rect.width()));
    painter.restore();
}

void drawPresetBadge(QPainter& painter, const QRectF& thumbnail, std::string_view label)
{
    painter.save();
    QFont font = QApplication::font();
    font.setPixelSize(9);
    font.setBold(true);
    painter.setFont(font);
    const QString text = toQString(label);
    const QSizeF textSize = QFontMetricsF(font).size(Qt::TextSingleLine, text);
    const QRectF badge(thumbnail.topLeft() + QPointF(6, 6), textSize + QSizeF(10, 6));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(QColor(0, 122, 255), 0.9));
    painter.drawRoundedRect(badge, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, text);
    painter.restore();
}

} // namespace

ImageTileDelegate::ImageTileDelegate(TimelineListModel& model, QObject* parent)
    : QStyledItemDelegate(parent)
    , model_(model)
{
}

QSize ImageTileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return { 180, tileHeight };
}

void ImageTileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto& image = model_.imageAt(index.row());
    const bool selected = option.state & QStyle::State_Selected;
    const QRectF tile = QRectF(option.rect).adjusted(8, 8, -8, -8);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor accent = accentColor(option.palette);
    painter->setPen(selected ? QPen(accent, 2) : Qt::NoPen);
    painter->setBrush(selected ? withOpacity(accent, 0.12) : withOpacity(secondaryColor(option.palette), 0.05));
    painter->drawRoundedRect(tile, 10, 10);
    painter->restore();

    const QRectF content = tile.adjusted(8, 8, -8, -8);
    const QRectF thumbnail(content.topLeft(), QSizeF(content.width(), thumbnailHeight));
    drawThumbnail(*painter, thumbnail, model_.thumbnail(index.row()), 6);
    if (const auto preset = presetLabel(image, model_.mode())) drawPresetBadge(*painter, thumbnail, *preset);
    if (image.isTween) drawTweenBadge(*painter, thumbnail);

    const QRectF name(content.left(), thumbnail.bottom() + 6, content.width(), 18);
    drawNameRow(*painter, name, image, option.font, option.palette.color(QPalette::Text));
    drawCaption(*painter, QRectF(content.left(), name.bottom() + 4, content.width(), 16), image, model_.mode(),
        model_.pictureProblem(index.row()), secondaryColor(option.palette), problemCaptionColour);
}

ImageRowDelegate::ImageRowDelegate(TimelineListModel& model, QObject* parent)
    : QStyledItemDelegate(parent)
    , model_(model)
{
}

QSize ImageRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return { option.rect.width(), 36 + 2 * 4 + 4 };
}

void ImageRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The list's own selection display underneath, over the whole row in one piece: with a
    // picture and a text of its own the style would highlight their two areas apart.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    background.features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration);
    background.showDecorationSelected = true;
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

    const auto& image = model_.imageAt(index.row());
    const QRectF row = QRectF(option.rect).adjusted(8, 4, -8, -4);
    const QRectF thumbnail(row.left(), row.center().y() - 18, 52, 36);
    drawThumbnail(*painter, thumbnail, model_.thumbnail(index.row()), 4);
    if (image.isTween) {
        painter->save();
        painter->translate(thumbnail.topLeft());
        painter->scale(0.6, 0.6);
        drawTweenBadge(*painter, QRectF(0, 0, thumbnail.width() / 0.6, thumbnail.height() / 0.6));
        painter->restore();
    }
    const bool selected = option.state & QStyle::State_Selected;
    const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    // On the highlight the caption takes the highlighted text's colour; grey would fade into it.
    const QColor caption = selected ? withOpacity(text, 0.85) : secondaryColor(option.palette);
    const double left = thumbnail.right() + 12;
    drawNameRow(*painter, QRectF(left, row.top(), row.right() - left, row.height() / 2), image, option.font, text);
    drawCaption(*painter, QRectF(left, row.center().y(), row.right() - left, row.height() / 2), image, model_.mode(),
        model_.pictureProblem(index.row()), caption, selected ? caption : problemCaptionColour);
}

} // namespace tl::ui
