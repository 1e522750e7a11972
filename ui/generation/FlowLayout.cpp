#include "ui/generation/FlowLayout.h"

#include "ui/generation/FlowLayoutGeometry.h"

#include <QWidget>

#include <cmath>

namespace tl::ui {

FlowLayout::FlowLayout(double spacing, QWidget* parent)
    : QLayout(parent)
    , spacing_(spacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    for (auto* item : items_)
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    items_.push_back(item);
}

int FlowLayout::count() const
{
    return static_cast<int>(items_.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= count()) return nullptr;
    auto* item = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    return item;
}

std::vector<QSizeF> FlowLayout::idealSizes() const
{
    std::vector<QSizeF> sizes;
    sizes.reserve(items_.size());
    for (const auto* item : items_)
        sizes.emplace_back(item->sizeHint());
    return sizes;
}

int FlowLayout::heightForWidth(int width) const
{
    return static_cast<int>(std::ceil(flow::layoutFrames(idealSizes(), width, spacing_).total.height()));
}

QSize FlowLayout::sizeHint() const
{
    // Without a width to fill, the layout answers for the narrowest one, as a custom layout does.
    const auto total = flow::layoutFrames(idealSizes(), flow::maxWidthFor(std::nullopt), spacing_).total;
    return total.toSize();
}

QSize FlowLayout::minimumSize() const
{
    QSize smallest;
    for (const auto* item : items_)
        smallest = smallest.expandedTo(item->minimumSize());
    return smallest;
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const auto placed = flow::layoutFrames(idealSizes(), rect.width(), spacing_);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const auto& frame = placed.frames[i];
        items_[i]->setGeometry(
            QRect(QPoint(rect.x() + static_cast<int>(frame.x()), rect.y() + static_cast<int>(frame.y())),
                frame.size().toSize()));
    }
}

} // namespace tl::ui
