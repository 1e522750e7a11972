#include "ui/common/PaintedIcon.h"

#include <QFrame>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace tl::ui {
namespace {

class PaintedIconEngine final : public QIconEngine {
public:
    explicit PaintedIconEngine(IconPainter paint)
        : paint_(std::move(paint))
    {
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        paint_(*painter, rect, mode);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(paint_); }

private:
    IconPainter paint_;
};

} // namespace

QIcon paintedIcon(IconPainter paint)
{
    return QIcon(new PaintedIconEngine(std::move(paint)));
}

QFrame* makeDivider(Qt::Orientation orientation, QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace tl::ui
