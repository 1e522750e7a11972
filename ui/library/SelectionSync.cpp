#include "ui/library/SelectionSync.h"

#include "ui/library/TimelineListModel.h"

namespace tl::ui {

SelectionSync::SelectionSync(AppState& appState, TimelineListModel& model, QObject* parent)
    : QObject(parent)
    , appState_(appState)
    , model_(model)
    , selectionModel_(&model, this)
{
    selectionObservation_ = appState_.selectedImageIds.observe([this] { showStoreSelection(); });
    anchorObservation_ = appState_.lastSelectedImageId.observe([this] { showStoreSelection(); });
    connect(&model_, &QAbstractItemModel::modelReset, this, &SelectionSync::showStoreSelection);
    connect(&selectionModel_, &QItemSelectionModel::selectionChanged, this, &SelectionSync::storeViewSelection);
    showStoreSelection();
}

void SelectionSync::showStoreSelection()
{
    if (applying_) return;
    applying_ = true;
    QItemSelection selection;
    for (const auto& id : appState_.selectedImageIds.get()) {
        if (const auto row = model_.rowOf(id)) selection.select(model_.index(*row), model_.index(*row));
    }
    selectionModel_.select(selection, QItemSelectionModel::ClearAndSelect);
    const auto& anchor = appState_.lastSelectedImageId.get();
    const auto anchorRow = anchor ? model_.rowOf(*anchor) : std::nullopt;
    selectionModel_.setCurrentIndex(
        anchorRow ? model_.index(*anchorRow) : QModelIndex(), QItemSelectionModel::NoUpdate);
    applying_ = false;
}

void SelectionSync::storeViewSelection()
{
    if (applying_) return;
    applying_ = true;
    std::set<Uuid> ids;
    for (const auto& index : selectionModel_.selectedIndexes())
        ids.insert(model_.imageAt(index.row()).id);
    if (ids != appState_.selectedImageIds.get()) appState_.selectedImageIds = std::move(ids);
    applying_ = false;
}

} // namespace tl::ui
