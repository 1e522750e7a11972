#pragma once

#include <QStyledItemDelegate>

namespace tl::ui {

class TimelineListModel;

// Draws a grid tile: thumbnail with preset and tween badges, name, caption, selection frame.
class ImageTileDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int thumbnailHeight = 120;
    static constexpr int tileHeight = 200;

    explicit ImageTileDelegate(TimelineListModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TimelineListModel& model_;
};

// Draws a list row: small thumbnail, name and caption.
class ImageRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ImageRowDelegate(TimelineListModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TimelineListModel& model_;
};

} // namespace tl::ui
