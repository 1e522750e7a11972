#pragma once

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QUrl;

namespace tl::ui {

// How a run ended, below the options: the status text and, after a successful export, the path of
// the file written with a "Show in Folder" button that opens its folder in the desktop's file
// manager. More buttons for the written file go in the same row (addFileButton).
class ExportResultView : public QWidget {
    Q_OBJECT
public:
    // Opens a folder; the desktop's own handler unless a test gives another.
    using FolderOpener = std::function<bool(const QUrl&)>;

    explicit ExportResultView(QWidget* parent = nullptr, FolderOpener openFolder = {});

    // An empty message hides the view; the file row shows only with a written file.
    void show(const std::string& message, const std::optional<std::filesystem::path>& writtenFile);
    void addFileButton(QPushButton* button);

    QPushButton& showInFolderButton() { return *showInFolder_; }
    QLabel& pathLabel() { return *path_; }

private:
    FolderOpener openFolder_;
    QLabel* message_;
    QWidget* fileRow_;
    QHBoxLayout* fileButtons_;
    QLabel* path_;
    QPushButton* showInFolder_;
    std::optional<std::filesystem::path> file_;
};

} // namespace tl::ui
