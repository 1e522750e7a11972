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

// The single layout: the selected image large, with its name.
class SingleImageView : public QWidget {
    Q_OBJECT
public:
    explicit SingleImageView(QWidget* parent = nullptr);

    // No image (or no picture that can be shown) reads "No Selection".
    void show(const std::optional<WallpaperImage>& image, const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<WallpaperImage> image_;
    QImage picture_;
};

} // namespace tl::ui
