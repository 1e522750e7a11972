#pragma once

#include "platform/Observation.h"
#include "ui/inspector/InspectorView.h"

#include <QWidget>

#include <vector>

namespace tl {
class AppState;
class AppUIState;
} // namespace tl

namespace tl::ui {

class LibraryContext;

// The right-hand column of the window: a divider and the 300-pixel inspector,
// on screen while the inspector is switched on and the project has images and a
// selection.
class InspectorColumn final : public QWidget {
    Q_OBJECT
public:
    static constexpr int inspectorWidth = 300;

    // Without a factory, the sun preview asks the desktop's location service.
    explicit InspectorColumn(LibraryContext& context, QWidget* parent = nullptr);
    InspectorColumn(LibraryContext& context, LocationProviderFactory makeLocation, QWidget* parent = nullptr);

    static bool shouldShow(const AppState& appState, const AppUIState& uiState);
    InspectorView& inspector() { return *inspector_; }

private:
    void refresh();

    AppState& appState_;
    AppUIState& uiState_;
    InspectorView* inspector_;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
