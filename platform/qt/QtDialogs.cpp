#include "platform/qt/QtDialogs.h"

#include "platform/qt/EventLoop.h"
#include "platform/qt/QtText.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace tl {
namespace {

QString qtPath(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

std::filesystem::path stdPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

const QString imageFilter = QStringLiteral("Images (*.png *.jpg *.jpeg *.heic *.heif *.tif *.tiff *.bmp *.webp)");

QString startFolder(const std::optional<std::filesystem::path>& directory)
{
    return directory ? qtPath(*directory) : QString();
}

// A folder panel that only accepts what the package rule accepts, and steps into
// any other folder the user confirms.
class ProjectOpenDialog final : public QFileDialog {
public:
    ProjectOpenDialog(QWidget* parent, const QString& folder, const Dialogs::PackageRule& packageFor)
        : QFileDialog(parent, QStringLiteral("Open Project"), folder)
        , packageFor_(packageFor)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::Directory);
        setNameFilter(QStringLiteral("Tidelumine projects (*.vorrind *.tidelumine project.json)"));
    }

    std::optional<std::filesystem::path> chosen;

    void accept() override
    {
        const auto selection = selectedFiles();
        if (selection.isEmpty()) return;
        if (auto package = packageFor_(stdPath(selection.front()))) {
            chosen = std::move(package);
            QDialog::accept();
        } else if (QFileInfo(selection.front()).isDir()) {
            setDirectory(selection.front());
        }
    }

private:
    const Dialogs::PackageRule& packageFor_;
};

} // namespace

std::optional<std::size_t> QtDialogs::runAlert(const Alert& alert)
{
    QMessageBox box(QApplication::activeWindow());
    switch (alert.style) {
    case AlertStyle::informational:
        box.setIcon(QMessageBox::Information);
        break;
    case AlertStyle::warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case AlertStyle::critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setText(QString::fromStdString(alert.message));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    std::vector<QAbstractButton*> buttons;
    for (const auto& title : alert.buttons) {
        auto* button = box.addButton(toQtLabel(title), QMessageBox::ActionRole);
        buttons.push_back(button);
        if (title == "Cancel") box.setEscapeButton(button);
    }
    if (!buttons.empty()) box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) return i;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> QtDialogs::runOpenProjectPanel(
    const std::optional<std::filesystem::path>& startDirectory, const PackageRule& packageFor)
{
    ProjectOpenDialog dialog(QApplication::activeWindow(), startFolder(startDirectory), packageFor);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.chosen;
}

std::optional<std::filesystem::path> QtDialogs::runSaveProjectPanel(const std::string& proposedName,
    const std::optional<std::filesystem::path>& startDirectory, const SaveLocationRule& saveLocation)
{
    QFileDialog dialog(QApplication::activeWindow(), QStringLiteral("Save Project"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // A package is a folder, which the panel's own question would not notice.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("Tidelumine project (*.vorrind)"));
    if (startDirectory) dialog.setDirectory(qtPath(*startDirectory));
    dialog.selectFile(QString::fromStdString(proposedName));
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const auto location = saveLocation(stdPath(dialog.selectedFiles().front()));
        std::error_code error;
        if (!std::filesystem::exists(location, error)) return location;
        const auto name = QString::fromStdString(location.filename().string());
        const auto answer = QMessageBox::warning(&dialog, QStringLiteral("Save Project"),
            QStringLiteral("“%1” already exists. Do you want to replace it?").arg(name),
            QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer == QMessageBox::Yes) return location;
    }
    return std::nullopt;
}

std::vector<std::filesystem::path> QtDialogs::runImportPanel(const std::optional<std::filesystem::path>& startDirectory)
{
    const auto files = QFileDialog::getOpenFileNames(
        QApplication::activeWindow(), QStringLiteral("Import Images"), startFolder(startDirectory), imageFilter);
    std::vector<std::filesystem::path> chosen;
    for (const auto& file : files)
        chosen.push_back(stdPath(file));
    return chosen;
}

std::optional<std::filesystem::path> QtDialogs::runOpenImagePanel(
    const std::optional<std::filesystem::path>& startDirectory)
{
    const QString file = QFileDialog::getOpenFileName(
        QApplication::activeWindow(), QStringLiteral("Open Image"), startFolder(startDirectory), imageFilter);
    if (file.isEmpty()) return std::nullopt;
    return stdPath(file);
}

void QtMainThreadScheduler::schedule(std::chrono::milliseconds delay, std::function<void()> work)
{
    // A timer must start on the thread it belongs to, so it is started from the main thread.
    postToMainThread([delay, work = std::move(work)]() mutable {
        if (delay.count() == 0) {
            work();
        } else {
            QTimer::singleShot(delay, QCoreApplication::instance(), std::move(work));
        }
    });
}

} // namespace tl
