#pragma once

#include "platform/Observation.h"

#include <QTimer>
#include <QWidget>

#include <vector>

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;

namespace tl::ui {

class ImageImporter;
struct SkippedFile;

// The library's status line while images are decoded: how many of all, a bar and Cancel. It
// appears once an import has run for half a second, so quick imports do not flicker.
class ImportProgressPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int showDelayMs = 500;

    explicit ImportProgressPane(ImageImporter& importer, QWidget* parent = nullptr);

    QLabel& text() { return *text_; }
    QPushButton& cancelButton() { return *cancel_; }

private:
    void update();

    ImageImporter& importer_;
    QLabel* text_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    QTimer delay_;
    Observation observation_;
};

// One alert, window-modal and not waited for, listing each file an import left out with its reason.
QMessageBox* showSkippedFilesAlert(QWidget& window, const std::vector<SkippedFile>& files);

} // namespace tl::ui
