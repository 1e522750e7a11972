#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace tl::preview {

// Shows one frame centred, scaled down proportionally to fit and never enlarged. It asks for
// no room of its own, so the frame gives way to whatever size the window has.
class FrameView : public QWidget {
    Q_OBJECT
public:
    explicit FrameView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QPixmap scaled_; // image_ scaled for the current size, made when first painted
};

} // namespace tl::preview
