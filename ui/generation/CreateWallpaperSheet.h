#pragma once

#include "ui/generation/CreateWallpaperModel.h"

#include <QDialog>

#include <memory>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace tl::ui {

class ImageWell;
class LibraryContext;
class MoodField;
class PreviewBox;
class ProgressCard;

// The "Create Dynamic Wallpaper" sheet: the form on the left, the live preview and the progress
// card on the right. Draws its model and forwards every action to it. Escape and the window's
// close button go through Close/Cancel, so a running generation is cancelled, never cut off.
class CreateWallpaperSheet : public QDialog {
    Q_OBJECT
public:
    CreateWallpaperSheet(CreateWallpaperServices services, std::string model, QWidget* parent = nullptr);
    ~CreateWallpaperSheet() override;

    CreateWallpaperModel& model() { return *model_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildForm();
    void fitFormHeight();
    QWidget* buildPreview();
    void refresh();
    void showFailureAlert();

    std::unique_ptr<CreateWallpaperModel> model_;
    Observation observation_;
    QWidget* form_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    QButtonGroup* smoothness_ = nullptr;
    ImageWell* well_ = nullptr;
    QLabel* promptHeading_ = nullptr;
    MoodField* prompt_ = nullptr;
    QToolButton* advancedToggle_ = nullptr;
    QWidget* advanced_ = nullptr;
    QComboBox* size_ = nullptr;
    QSpinBox* tweens_ = nullptr;
    QLabel* tweensLabel_ = nullptr;
    QLabel* keyWarning_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPushButton* createButton_ = nullptr;
    PreviewBox* preview_ = nullptr;
    ProgressCard* overlayCard_ = nullptr;
    ProgressCard* belowCard_ = nullptr;
    bool alertShown_ = false;
};

// The sheet behind "Generate Timeline...", made fresh for each showing.
QDialog* makeCreateWallpaperSheet(LibraryContext& context, QWidget* parent);

} // namespace tl::ui
