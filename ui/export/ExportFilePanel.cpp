#include "ui/export/ExportFilePanel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>

namespace tl::ui {
namespace {

// `typed` as the file that will be written: ".heic" added unless it ends so in any case, a
// trailing dot taking its place.
QString withHeicEnding(const QString& typed)
{
    if (typed.endsWith(QStringLiteral(".heic"), Qt::CaseInsensitive)) return typed;
    QString stem = typed;
    while (stem.endsWith(u'.'))
        stem.chop(1);
    if (stem.isEmpty() || stem.endsWith(u'/')) return typed;
    return stem + QStringLiteral(".heic");
}

// Completes the typed name before the panel looks for a file of that name, so its question about
// replacing one is asked about the file the export will overwrite.
class ExportFileDialog final : public QFileDialog {
public:
    ExportFileDialog(QWidget* parent, const QString& start)
        : QFileDialog(parent, QStringLiteral("Export Wallpaper"))
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilter(QStringLiteral("HEIC image (*.heic)"));
        setDefaultSuffix(QStringLiteral("heic"));
        const QFileInfo startFile(start);
        if (!startFile.path().isEmpty()) setDirectory(startFile.path());
        selectFile(startFile.fileName());
    }

    void accept() override
    {
        if (auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            const QString typed = field->text();
            // A folder typed to step into stays as it is.
            if (!typed.isEmpty() && !QFileInfo(directory().absoluteFilePath(typed)).isDir())
                field->setText(withHeicEnding(typed));
        }
        QFileDialog::accept();
    }
};

} // namespace

ExportFilePanel qtExportFilePanel(QWidget* parent)
{
    return [window = QPointer<QWidget>(parent)](const std::string& proposedName,
               const std::optional<std::filesystem::path>& startDirectory) -> std::optional<std::filesystem::path> {
        const auto folder = startDirectory.value_or(std::filesystem::path());
        ExportFileDialog panel(window, QString::fromStdString((folder / proposedName).string()));
        if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty()) return std::nullopt;
        return std::filesystem::path(panel.selectedFiles().front().toStdString());
    };
}

} // namespace tl::ui
