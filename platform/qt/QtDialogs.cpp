#include "platform/qt/QtDialogs.h"

#include "platform/qt/EventLoop.h"
#include "platform/qt/QtText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <utility>

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
        setNameFilter(QStringLiteral("Tidelumine projects and dynamic wallpapers (*.vorrind *.tidelumine "
                                     "project.json *.heic *.heif)"));
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

// The save panel, where a package is a folder: naming an existing package (typed, picked in the
// list or double-clicked) chooses it as the place to save, to be replaced after a question,
// instead of stepping into it.
class ProjectSaveDialog final : public QFileDialog {
public:
    ProjectSaveDialog(QWidget* parent, const Dialogs::SaveLocationRule& saveLocation)
        : QFileDialog(parent, QStringLiteral("Save Project"))
        , saveLocation_(saveLocation)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        // The question below asks about packages too, which the panel's own would not notice.
        setOption(QFileDialog::DontConfirmOverwrite);
        setAcceptMode(QFileDialog::AcceptSave);
        setNameFilter(QStringLiteral("Tidelumine project (*.vorrind)"));
        // Connected after the panel's own handlers, so these run once it has relabelled its button.
        connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) {
            if (isPackage(path)) nameInField(path);
        });
        if (auto* field = nameField()) {
            connect(field, &QLineEdit::textChanged, this, [this] { labelSaveButton(); });
        }
        connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) {
            if (!isPackage(folder)) return;
            // Stepping into a package leaves the panel in its folder with the package named.
            QTimer::singleShot(0, this, [this, folder] {
                setDirectory(QFileInfo(folder).absolutePath());
                nameInField(folder);
            });
        });
    }

    std::optional<std::filesystem::path> chosen;

    void accept() override
    {
        const auto selection = selectedFiles();
        if (selection.isEmpty()) return;
        if (isPackage(selection.front())) {
            chosen = stdPath(selection.front());
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
        if (result() == QDialog::Accepted && !selectedFiles().isEmpty())
            chosen = saveLocation_(stdPath(selectedFiles().front()));
    }

private:
    // An existing folder that the save rule keeps as it is: a package.
    bool isPackage(const QString& path) const
    {
        if (path.isEmpty() || !QFileInfo(path).isDir()) return false;
        const auto folder = stdPath(path).lexically_normal();
        return saveLocation_(folder).lexically_normal() == folder;
    }

    QLineEdit* nameField() const { return findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

    void nameInField(const QString& package)
    {
        if (auto* field = nameField()) field->setText(QFileInfo(package).fileName());
        labelSaveButton();
    }

    // The panel calls a named folder's button "Open"; for a package it saves.
    void labelSaveButton()
    {
        auto* buttons = findChild<QDialogButtonBox*>();
        auto* save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr;
        if (save && !selectedFiles().isEmpty() && isPackage(selectedFiles().front()))
            save->setText(QStringLiteral("Save"));
    }

    const Dialogs::SaveLocationRule& saveLocation_;
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
    ProjectSaveDialog dialog(QApplication::activeWindow(), saveLocation);
    if (startDirectory) dialog.setDirectory(qtPath(*startDirectory));
    dialog.selectFile(QString::fromStdString(proposedName));
    while (dialog.exec() == QDialog::Accepted && dialog.chosen) {
        const auto location = *std::exchange(dialog.chosen, std::nullopt);
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
