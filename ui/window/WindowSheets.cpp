#include "ui/window/WindowSheets.h"

#include "ui/common/SheetPresenter.h"

#include <QDialog>

namespace tl::ui {

WindowSheets::WindowSheets(AppUIState& uiState, SheetPresenter& presenter, SheetFactory makeSheet)
    : uiState_(uiState)
    , presenter_(presenter)
    , makeSheet_(std::move(makeSheet))
{
    observation_ = uiState_.activeSheet.observe([this] { activeSheetChanged(); });
    activeSheetChanged();
}

void WindowSheets::activeSheetChanged()
{
    const auto wanted = uiState_.activeSheet.get();
    // Writes of the value already shown change nothing.
    if (wanted == shown_) return;
    if (shown_) {
        shown_.reset();
        presenter_.dismiss();
    }
    if (!wanted) return;
    QDialog* sheet = makeSheet_(*wanted);
    if (!sheet) {
        uiState_.activeSheet = std::nullopt;
        return;
    }
    shown_ = wanted;
    presenter_.present(sheet, [this, sheet = *wanted] {
        if (shown_ != sheet) return;
        shown_.reset();
        if (uiState_.activeSheet.get() == sheet) uiState_.activeSheet = std::nullopt;
    });
}

} // namespace tl::ui
