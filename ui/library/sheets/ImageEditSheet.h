#pragma once

#include "platform/Observation.h"
#include "ui/library/sheets/ImageEditModel.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace tl::ui {

class ThumbnailCache;

// "Edit Image with AI": the reference frame beside the frame to fix (or its regenerated
// version), the instruction, and Generate Fix / Apply Changes. Apply hands the bytes to
// `onImageEdited`, which saves them off the GUI thread and then calls back, with the failure's
// text when it could not; the sheet waits with Apply disabled, then closes, or stays open with
// an alert instead of closing as if applied.
class ImageEditSheet : public QDialog {
    Q_OBJECT
public:
    using SaveFinished = std::function<void(std::optional<std::string> failure)>;
    using OnImageEdited = std::function<void(const std::string& bytes, SaveFinished finished)>;

    ImageEditSheet(const AppState& appState, WallpaperImage imageToEdit, ImageEditModel::EditService service,
        ThumbnailCache& thumbnails, OnImageEdited onImageEdited, QWidget* parent = nullptr);
    ~ImageEditSheet() override;

    ImageEditModel& model() { return model_; }
    QPushButton& mainButton() { return *main_; }
    QPushButton& discardButton() { return *discard_; }
    QPlainTextEdit& instruction() { return *instruction_; }
    QLabel& errorText() { return *errorText_; }
    QLabel& secondCaption() { return *secondCaption_; }
    QLabel& originalPicture() { return *originalPicture_; }
    QLabel& secondPicture() { return *secondPicture_; }
    QWidget& originalColumn() { return *originalColumn_; }

private:
    // The two pictures: only a new preview or a newly decoded picture of ours changes them.
    void refreshPictures();
    bool showsPictureOf(const QString& path) const;
    // Texts, progress and buttons.
    void refresh();
    void mainAction();
    void saveFinished(const std::optional<std::string>& failure);
    QImage pictureOf(const WallpaperImage& image) const;

    ImageEditModel model_;
    ThumbnailCache& thumbnails_;
    OnImageEdited onImageEdited_;
    bool saving_ = false;
    QWidget* originalColumn_;
    QLabel* originalPicture_;
    QLabel* secondCaption_;
    QLabel* secondPicture_;
    QPlainTextEdit* instruction_;
    QWidget* errorBanner_;
    QLabel* errorText_;
    QWidget* progressPane_;
    QProgressBar* bar_;
    QLabel* progressText_;
    QPushButton* discard_;
    QPushButton* main_;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
