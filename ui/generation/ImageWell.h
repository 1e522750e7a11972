#pragma once

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QMimeData;
class QPushButton;
class QToolButton;

namespace tl::ui {

struct DroppedImage {
    std::string data;
    std::optional<std::filesystem::path> url;
};

// What a drop onto the well hands to the sheet: the first item only, a local file preferred
// over image data; none for anything else, an unreadable file or one over the size limit.
std::optional<DroppedImage> droppedImage(const QMimeData& mime);
// Whether the drag may land at all (the well then decides on the drop).
bool acceptsDrag(const QMimeData& mime);

// The starting-image well: click or drop to set, a clear button while the pointer is over a
// set image. Shows what the sheet passes in; never changes the image itself.
class ImageWell : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onPick;
        std::function<void()> onClear;
        std::function<void(DroppedImage)> onDropData;
    };

    explicit ImageWell(Actions actions, QWidget* parent = nullptr);

    // `isSet` says whether a starting image is set at all; one that does not decode is set but
    // shows the placeholder.
    void setImage(const QImage& picture, bool isSet, const std::optional<std::string>& fileName);

    bool isTargeted() const { return targeted_; }
    bool isHovering() const { return hovering_; }
    bool clearButtonShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void paintWell(QWidget& well);
    void setHovering(bool hovering);

    Actions actions_;
    QWidget* well_;
    QToolButton* clearButton_;
    QPushButton* pickButton_;
    QLabel* fileName_;
    QImage image_;
    bool isSet_ = false;
    bool targeted_ = false;
    bool hovering_ = false;
};

} // namespace tl::ui
