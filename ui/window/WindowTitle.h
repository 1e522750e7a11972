#pragma once

#include "platform/Observation.h"

#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

class QWidget;

namespace tl {

class AppState;

// Keeps a window's title on the open project's name and its modified marker on the project's
// unsaved changes, as the store reports them.
class WindowTitle final {
public:
    WindowTitle(QWidget& window, AppState& state);

    // "Seaside[*] — Tidelumine": the package's name without its extension, display-escaped,
    // "Untitled" before the first save; "[*]" is where Qt draws the modified marker.
    static QString titleFor(const std::optional<std::filesystem::path>& projectPath);

private:
    void refresh();

    QWidget& window_;
    AppState& state_;
    std::vector<Observation> observations_;
};

} // namespace tl
