#pragma once

#include <QColor>
#include <QPalette>

namespace tl::ui {

// The two colour roles the views are drawn with besides the text colours. Qt 6.4 has no
// accent role, so the accent is the selection highlight of the current palette.
QColor accentColor(const QPalette& palette);
QColor accentColor();
// Muted text and strokes: the palette's placeholder colour.
QColor secondaryColor(const QPalette& palette);
QColor secondaryColor();

QColor withOpacity(QColor color, double opacity);

} // namespace tl::ui
