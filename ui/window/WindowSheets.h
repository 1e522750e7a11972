#pragma once

#include "app/AppUIState.h"
#include "platform/Observation.h"

#include <functional>
#include <optional>

class QDialog;

namespace tl::ui {

class SheetPresenter;

// The window's sheet slot: whenever `AppUIState.activeSheet` changes it shows the matching sheet
// through the presenter, and when that sheet closes, however it closes, it empties the slot. A
// slot that is set always has its sheet on screen.
class WindowSheets {
public:
    using SheetFactory = std::function<QDialog*(AppUIState::ActiveSheet)>;

    WindowSheets(AppUIState& uiState, SheetPresenter& presenter, SheetFactory makeSheet);

private:
    void activeSheetChanged();

    AppUIState& uiState_;
    SheetPresenter& presenter_;
    SheetFactory makeSheet_;
    std::optional<AppUIState::ActiveSheet> shown_;
    Observation observation_;
};

} // namespace tl::ui
