#include "ui/inspector/PresetsView.h"

#include "app/AppState.h"
#include "app/TimeOfDayTable.h"
#include "platform/qt/QtText.h"
#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/inspector/PresetArtwork.h"
#include "ui/inspector/Presets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace tl::ui {
namespace {

constexpr int spacing = 8;
constexpr int labelPadding = 8;

} // namespace

int adaptiveColumnCount(int width, int minimumWidth, int gap)
{
    if (minimumWidth <= 0) return 1;
    return std::max(1, (width + gap) / (minimumWidth + gap));
}

PresetsView::PresetsView(AppState& appState, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    // The width decides the columns, never the other way round: a grid laid out for a wide view
    // must not keep the view from narrowing again.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumWidth(minimumColumnWidth);
    layout->addWidget(makeLabel(QStringLiteral("Presets"), TextStyle::headline, false, this));

    if (appState.mode.get() == WallpaperMode::appearance) {
        auto* row = new QHBoxLayout;
        row->setSpacing(spacing);
        for (const auto& preset : kAppearancePresets) {
            auto* button
                = addButton(toQString(preset.title), symbolIcon(toQString(preset.symbol)), toQString(preset.helpText));
            connect(button, &QPushButton::clicked, this,
                [&appState, isLight = preset.isLight] { setLight(appState, isLight); });
            row->addWidget(button);
        }
        layout->addLayout(row);
        return;
    }
    grid_ = new QGridLayout;
    grid_->setSpacing(spacing);
    layout->addLayout(grid_);
    for (const auto& row : kTimeOfDayTable) {
        auto* button = addButton(toQString(row.label), presetArtwork(toQString(row.iconName)), toQString(row.helpText));
        connect(button, &QPushButton::clicked, this,
            [&appState, altitude = row.altitude, azimuth = row.azimuth] { applyPreset(appState, altitude, azimuth); });
    }
    arrangeGrid();
}

QPushButton* PresetsView::addButton(const QString& title, const QIcon& icon, const QString& helpText)
{
    auto* button = new QPushButton(icon, title, this);
    button->setToolTip(helpText);
    button->setAutoDefault(false);
    button->setIconSize(QSize(18, 18));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The column, not the title, sets the width, so the grid can always fit its columns.
    button->setMinimumWidth(minimumColumnWidth);
    button->setMinimumHeight(button->sizeHint().height() + labelPadding);
    buttons_.push_back(button);
    return button;
}

void PresetsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    arrangeGrid();
}

void PresetsView::arrangeGrid()
{
    if (!grid_) return;
    const int columns = adaptiveColumnCount(width(), minimumColumnWidth, spacing);
    if (columns == columns_) return;
    columns_ = columns;
    for (auto* button : buttons_)
        grid_->removeWidget(button);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const auto index = static_cast<int>(i);
        grid_->addWidget(buttons_[i], index / columns, index % columns);
    }
    for (int column = 0; column < grid_->columnCount(); ++column)
        grid_->setColumnStretch(column, column < columns);
}

} // namespace tl::ui
