#include "ui/generation/MoodWidgets.h"

#include "platform/qt/QtText.h"
#include "ui/common/Palette.h"
#include "ui/common/Typography.h"
#include "ui/generation/FlowLayout.h"
#include "ui/generation/PanelPainting.h"

#include <QPainter>
#include <QPushButton>
#include <QTextBlock>

#include <algorithm>
#include <set>

namespace tl::ui {
namespace {

constexpr int chipSpacing = 8;

QString chipStyle()
{
    const QColor fill = withOpacity(secondaryColor(), 0.12);
    return QStringLiteral("QPushButton { border: none; border-radius: 11px; padding: 6px 10px; background: %1; }"
                          "QPushButton:pressed { background: %2; }")
        .arg(fill.name(QColor::HexArgb), withOpacity(secondaryColor(), 0.24).name(QColor::HexArgb));
}

} // namespace

MoodField::MoodField(const QString& placeholder, QWidget* parent)
    : QPlainTextEdit(parent)
{
    setPlaceholderText(placeholder);
    setFrameShape(QFrame::NoFrame);
    setViewportMargins(0, 0, 0, 0);
    document()->setDocumentMargin(10);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    // The rounded background is painted below; the viewport stays see-through.
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    connect(this, &QPlainTextEdit::textChanged, this, &MoodField::fitHeight);
    fitHeight();
}

void MoodField::showText(const std::string& text)
{
    const auto wanted = QString::fromStdString(text);
    if (toPlainText() == wanted) return;
    setPlainText(wanted);
    moveCursor(QTextCursor::End);
}

void MoodField::fitHeight()
{
    const int lineHeight = fontMetrics().lineSpacing();
    int lines = 0;
    for (auto block = document()->begin(); block.isValid(); block = block.next())
        lines += std::max(1, block.layout() ? block.layout()->lineCount() : 1);
    const int shown = std::clamp(lines, 2, 4);
    setFixedHeight(shown * lineHeight + 2 * 10 + 4);
}

void MoodField::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        drawFaintPanel(painter, panelBounds(viewport()->rect()), 10, secondaryColor(), 0.08);
    }
    QPlainTextEdit::paintEvent(event);
}

void MoodChips::build(const std::vector<std::string_view>& suggestions, std::function<void(std::string_view)> onSelect)
{
    auto* layout = new FlowLayout(chipSpacing, this);
    std::set<std::string_view> shown;
    for (const auto suggestion : suggestions) {
        if (!shown.insert(suggestion).second) continue;
        auto* chip = new QPushButton(toQString(suggestion), this);
        chip->setFont(styledFont(TextStyle::caption));
        chip->setFlat(true);
        chip->setCursor(Qt::PointingHandCursor);
        chip->setStyleSheet(chipStyle());
        connect(chip, &QPushButton::clicked, this, [onSelect, suggestion] { onSelect(suggestion); });
        layout->addWidget(chip);
    }
}

} // namespace tl::ui
