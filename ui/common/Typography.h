#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace tl::ui {

// The text styles the views use, relative to the application font.
enum class TextStyle { title2, headline, subheadline, body, callout, caption, caption2 };

QFont styledFont(TextStyle style);

// Draws the widget's text in the secondary colour.
void useSecondaryColour(QWidget& widget);

QLabel* makeLabel(const QString& text, TextStyle style, bool secondary, QWidget* parent);

// A semibold subheadline: the title of a section in a sheet.
QLabel* makeSectionHeading(const QString& text, QWidget* parent);

} // namespace tl::ui
