#pragma once

#include "app/AppState.h"
#include "platform/Observation.h"

#include <QItemSelectionModel>
#include <QObject>

namespace tl::ui {

class TimelineListModel;

// Keeps the one selection model of the library's views in step with the store's selection:
// store changes select the rows, and a selection made in a view (the list's own) is written
// back as the store's selection. Neither direction echoes the other.
class SelectionSync : public QObject {
    Q_OBJECT
public:
    SelectionSync(AppState& appState, TimelineListModel& model, QObject* parent = nullptr);

    QItemSelectionModel& selectionModel() { return selectionModel_; }

private:
    void showStoreSelection();
    void storeViewSelection();

    AppState& appState_;
    TimelineListModel& model_;
    QItemSelectionModel selectionModel_;
    bool applying_ = false;
    Observation selectionObservation_;
    Observation anchorObservation_;
};

} // namespace tl::ui
