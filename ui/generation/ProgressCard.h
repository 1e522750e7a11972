#pragma once

#include <QFrame>

#include <optional>
#include <string>

class QLabel;

namespace tl::ui {

class PhaseArcView;
struct CreateWallpaperStatus;

// The card shown while generating: the phase arc, the running phase's name and the status line.
class ProgressCard : public QFrame {
    Q_OBJECT
public:
    explicit ProgressCard(QWidget* parent = nullptr);
    void showStatus(const CreateWallpaperStatus& status, const std::optional<std::string>& phaseLabel);
    PhaseArcView& arc() { return *arc_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PhaseArcView* arc_;
    QLabel* phase_;
    QLabel* message_;
};

// The preview box: a rounded, faintly filled frame with a picture fitted inside, or the photo
// glyph when there is none.
class PreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);
    void setImage(QImage image);
    bool hasImage() const { return !image_.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

} // namespace tl::ui
