#pragma once

#include <QIcon>

#include <functional>

class QFrame;
class QPainter;
class QWidget;

namespace tl::ui {

// Draws an icon into a rectangle, at any size and in any mode.
using IconPainter = std::function<void(QPainter& painter, const QRect& rect, QIcon::Mode mode)>;

// An icon drawn by our own code each time it is shown, so it stays crisp at every size.
QIcon paintedIcon(IconPainter paint);

// A thin sunken line between sections: horizontal in a column, vertical in a row.
QFrame* makeDivider(Qt::Orientation orientation, QWidget* parent);

} // namespace tl::ui
