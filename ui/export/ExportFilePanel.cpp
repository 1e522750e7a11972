#include "ui/export/ExportFilePanel.h"

#include <QFileDialog>
#include <QPointer>

namespace tl::ui {

ExportFilePanel qtExportFilePanel(QWidget* parent)
{
    return [window = QPointer<QWidget>(parent)](const std::string& proposedName,
               const std::optional<std::filesystem::path>& startDirectory) -> std::optional<std::filesystem::path> {
        const auto folder = startDirectory.value_or(std::filesystem::path());
        const QString start = QString::fromStdString((folder / proposedName).string());
        const QString chosen = QFileDialog::getSaveFileName(
            window, QStringLiteral("Export Wallpaper"), start, QStringLiteral("HEIC image (*.heic)"));
        if (chosen.isEmpty()) return std::nullopt;
        std::filesystem::path path = chosen.toStdString();
        if (path.extension() != ".heic") path += ".heic";
        return path;
    };
}

} // namespace tl::ui
