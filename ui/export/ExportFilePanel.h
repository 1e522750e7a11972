#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace tl::ui {

// Asks where to write the wallpaper: the proposed file name and the folder to start in; none
// when the user cancels. Replaceable so tests can answer it.
using ExportFilePanel = std::function<std::optional<std::filesystem::path>(
    const std::string& proposedName, const std::optional<std::filesystem::path>& startDirectory)>;

// The Qt save panel for ".heic" files, over `parent`.
ExportFilePanel qtExportFilePanel(QWidget* parent);

} // namespace tl::ui
