#pragma once

#include "model/WallpaperImage.h"

#include <QObject>

#include <functional>
#include <optional>

class QListView;
class QPushButton;
class QWidget;

namespace tl::ui {

class TimelineListModel;

// A bordered button with the "plus.circle" glyph that opens the tween sheet.
QPushButton* makeTweenButton(const QString& title, QWidget* parent);

// The "Tween" button shown over the item under the pointer while that image allows tween
// generation: at the foot of the thumbnail in the grid, at the row's right end in the list.
class TweenHoverButton : public QObject {
    Q_OBJECT
public:
    enum class Placement { tile, row };

    TweenHoverButton(QListView& view, TimelineListModel& model, Placement placement,
        std::function<bool(const WallpaperImage&)> canGenerate, std::function<void(const WallpaperImage&)> onGenerate);

    QPushButton& button() { return *button_; }
    // Shows the button over the item at `position` (viewport coordinates) when it qualifies.
    void hover(const QPoint& position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListView& view_;
    // Kept apart from the view: its events still arrive while the view is half destroyed.
    QWidget* const viewport_;
    TimelineListModel& model_;
    Placement placement_;
    std::function<bool(const WallpaperImage&)> canGenerate_;
    std::function<void(const WallpaperImage&)> onGenerate_;
    QPushButton* button_;
    std::optional<WallpaperImage> hovered_;
};

} // namespace tl::ui
