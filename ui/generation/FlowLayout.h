#pragma once

#include <QLayout>

#include <vector>

namespace tl::ui {

// Lays its items out in rows at their ideal sizes, wrapping to a new row when the next item
// would pass the width; rows are leading-aligned, items top-aligned.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(double spacing, QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    std::vector<QSizeF> idealSizes() const;

    double spacing_;
    std::vector<QLayoutItem*> items_;
};

} // namespace tl::ui
