#include "ui/inspector/InspectorColumn.h"

#include "app/AppState.h"
#include "app/AppUIState.h"
#include "ui/common/PaintedIcon.h"
#include "ui/inspector/QtLocationProvider.h"
#include "ui/library/LibraryContext.h"

#include <QHBoxLayout>

namespace tl::ui {

InspectorColumn::InspectorColumn(LibraryContext& context, QWidget* parent)
    : InspectorColumn(
        context, [] { return std::make_unique<QtLocationProvider>(); }, parent)
{
}

InspectorColumn::InspectorColumn(LibraryContext& context, LocationProviderFactory makeLocation, QWidget* parent)
    : QWidget(parent)
    , appState_(context.appState)
    , uiState_(context.uiState)
    , inspector_(new InspectorView(context, std::move(makeLocation), this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeDivider(Qt::Vertical, this));
    inspector_->setFixedWidth(inspectorWidth);
    layout->addWidget(inspector_);

    const auto update = [this] { refresh(); };
    observations_.push_back(uiState_.showsInspector.observe(update));
    observations_.push_back(appState_.images.observe(update));
    observations_.push_back(appState_.selectedImageIds.observe(update));
    refresh();
}

bool InspectorColumn::shouldShow(const AppState& appState, const AppUIState& uiState)
{
    return uiState.showsInspector.get() && !appState.images.get().empty() && !appState.selectedImageIds.get().empty();
}

void InspectorColumn::refresh()
{
    setVisible(shouldShow(appState_, uiState_));
}

} // namespace tl::ui
