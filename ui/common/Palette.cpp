#include "ui/common/Palette.h"

#include <QGuiApplication>

namespace tl::ui {

QColor accentColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Highlight);
}

QColor accentColor()
{
    return accentColor(QGuiApplication::palette());
}

QColor secondaryColor(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::PlaceholderText);
}

QColor secondaryColor()
{
    return secondaryColor(QGuiApplication::palette());
}

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return color;
}

} // namespace tl::ui
