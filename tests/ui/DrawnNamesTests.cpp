#include "ui/generation/ImageWell.h"
#include "ui/library/LibraryDelegates.h"
#include "ui/library/LibraryPanes.h"
#include "ui/library/TimelineListModel.h"
#include "ui/window/WindowTitle.h"

#include "ui/common/ThumbnailCache.h"

#include "UiTestSupport.h"

#include <gmock/gmock.h>

#include <QApplication>
#include <QLabel>
#include <QPaintEngine>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QWidget>

namespace tl::ui {
namespace {

using ::testing::Contains;

// A page that keeps only the text of what is drawn on it: one string per run of text Qt lays
// out, so a name that breaks into two lines or two directions shows as several pieces.
class TextPage final : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine_; }
    const QStringList& texts() const { return engine_.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return 2400;
        case PdmHeight:
            return 600;
        case PdmWidthMM:
        case PdmHeightMM:
            return 200;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return 0;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class Engine final : public QPaintEngine {
    public:
        Engine()
            : QPaintEngine(AllFeatures)
        {
        }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override { }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
        void drawPath(const QPainterPath&) override { }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
        void drawTextItem(const QPointF&, const QTextItem& item) override { texts.push_back(item.text()); }
        Type type() const override { return User; }

        QStringList texts;
    };
    mutable Engine engine_;
};

// Names a file or a package can carry that would be read reversed or broken over lines if drawn
// as they are, and how the window shows each one.
const struct {
    std::string name;
    QString shown;
} hostileNames[] = {
    { "photo\u202Egnp.exe", QStringLiteral("photo\\u202Egnp.exe") },
    { "Sea\u2028side", QStringLiteral("Sea\\u2028side") },
    { "first\nsecond", QStringLiteral("first\\nsecond") },
};

class DrawnNamesTest : public tl::testing::UiStateTest {
protected:
    // The texts `delegate` draws for the first frame of the timeline in a wide cell.
    QStringList drawnBy(const QStyledItemDelegate& delegate)
    {
        TextPage page;
        QPainter painter(&page);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 2000, ImageTileDelegate::tileHeight);
        option.font = QApplication::font();
        delegate.paint(&painter, option, model.index(0));
        painter.end();
        return page.texts();
    }

    ThumbnailCache thumbnails;
    TimelineListModel model { state, thumbnails };
};

TEST_F(DrawnNamesTest, EveryPlaceThatDrawsANameShowsItDisplayEscaped)
{
    for (const auto& entry : hostileNames) {
        SCOPED_TRACE(entry.shown.toStdString());
        const auto frame = testing::keyImage(entry.name + ".png");
        state.images.set({ frame });
        const QString shownFile = entry.shown + QStringLiteral(".png");

        EXPECT_EQ(model.data(model.index(0), Qt::DisplayRole).toString(), shownFile);
        EXPECT_EQ(model.data(model.index(0), Qt::ToolTipRole).toString(), shownFile);
        EXPECT_THAT(drawnBy(ImageTileDelegate(model)), Contains(shownFile)) << "grid cell";
        EXPECT_THAT(drawnBy(ImageRowDelegate(model)), Contains(shownFile)) << "list row";

        SingleImageView single;
        single.resize(2000, 600);
        QImage picture(64, 40, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        single.show(frame, picture);
        TextPage page;
        single.render(&page);
        EXPECT_THAT(page.texts(), Contains(shownFile)) << "single image";

        ImageWell well({});
        well.setImage(picture, true, entry.name + ".png");
        QStringList labels;
        for (const QLabel* label : well.findChildren<QLabel*>())
            labels.push_back(label->text());
        EXPECT_THAT(labels, Contains(shownFile)) << "starting image well";

        QWidget window;
        const WindowTitle title(window, state);
        state.currentProjectPath = std::filesystem::path("/projects") / (entry.name + ".vorrind");
        EXPECT_EQ(window.windowTitle(), entry.shown + QStringLiteral("[*] — Tidelumine"));
    }
}

} // namespace
} // namespace tl::ui
