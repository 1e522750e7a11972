#pragma once

#include "platform/Observation.h"

#include <QWidget>

#include <vector>

class QLabel;
class QListWidget;

namespace tl {

class AppState;
class AppUIState;
class AppCommandCenter;

// The main window's content: the project's frames in timeline order.
class ContentView final : public QWidget {
public:
    ContentView(AppState& appState, AppUIState& uiState, AppCommandCenter& commandCenter, QWidget* parent = nullptr);

private:
    void reload();

    AppState& appState_;
    QLabel* summary_;
    QListWidget* frames_;
    std::vector<Observation> observations_;
};

} // namespace tl
