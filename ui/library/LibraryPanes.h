#pragma once

#include "model/WallpaperImage.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace tl::ui {

// What an empty project shows: an invitation to drop or import images, or to generate them.
class EmptyStateView : public QWidget {
    Q_OBJECT
public:
    EmptyStateView(std::function<void()> onImport, std::function<void()> onGenerate, QWidget* parent = nullptr);

    void setDropTargeted(bool targeted);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* card_;
    bool dropTargeted_ = false;
};

// The single layout: the selected image large, with its name below it and, under both, an
// optional accessory (the tween button). The three never overlap: the picture shrinks first, and
// the view asks for at least the room the name and the accessory need.
class SingleImageView : public QWidget {
    Q_OBJECT
public:
    explicit SingleImageView(QWidget* parent = nullptr);

    // No image reads "No Selection"; an image whose picture cannot be shown, its name and `problem`.
    void show(const std::optional<WallpaperImage>& image, const QImage& picture, const QString& problem = {});
    // Takes `accessory` as a child, centred at the foot; its visibility is the caller's.
    void setAccessory(QWidget* accessory);

    QLabel& nameLabel() { return *name_; }
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the picture goes, fitted above the name and the accessory.
    QRectF pictureFrame() const;
    int footerHeight() const;
    void placeChildren();

    std::optional<WallpaperImage> image_;
    QImage picture_;
    QString problem_;
    QLabel* name_;
    QWidget* accessory_ = nullptr;
};

} // namespace tl::ui
