#include "ui/common/Typography.h"

#include "ui/common/Palette.h"

#include <QApplication>
#include <QLabel>

namespace tl::ui {

QFont styledFont(TextStyle style)
{
    QFont font = QApplication::font();
    const auto scaled = [&font](double factor, QFont::Weight weight = QFont::Normal) {
        font.setPointSizeF(font.pointSizeF() * factor);
        font.setWeight(weight);
    };
    switch (style) {
    case TextStyle::title2:
        scaled(1.6, QFont::DemiBold);
        break;
    case TextStyle::headline:
        scaled(1.05, QFont::DemiBold);
        break;
    case TextStyle::subheadline:
        scaled(0.95);
        break;
    case TextStyle::body:
        break;
    case TextStyle::callout:
        scaled(0.95);
        break;
    case TextStyle::caption:
        scaled(0.85);
        break;
    case TextStyle::caption2:
        scaled(0.78);
        break;
    }
    return font;
}

void useSecondaryColour(QWidget& widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, secondaryColor(palette));
    widget.setPalette(palette);
}

QLabel* makeLabel(const QString& text, TextStyle style, bool secondary, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(styledFont(style));
    if (secondary) useSecondaryColour(*label);
    return label;
}

QLabel* makeSectionHeading(const QString& text, QWidget* parent)
{
    auto* label = makeLabel(text, TextStyle::subheadline, false, parent);
    QFont font = label->font();
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    return label;
}

} // namespace tl::ui
