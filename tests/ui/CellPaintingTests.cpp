#include "ui/common/ThumbnailCache.h"
#include "ui/export/ExportProgressView.h"
#include "ui/library/LibraryDelegates.h"
#include "ui/library/TimelineListModel.h"

#include "platform/Image.h"

#include "UiTestSupport.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QProxyStyle>

namespace tl::ui {
namespace {

using tl::testing::keyImage;

std::shared_ptr<const Image> solidPicture(int width, int height, cv::Scalar bgra)
{
    return std::make_shared<const Image>(cv::Mat(height, width, CV_8UC4, bgra));
}

int distance(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// A style that, like several desktop styles, highlights a selected item's text area only.
class TextOnlyHighlightStyle : public QProxyStyle {
public:
    int styleHint(
        StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ItemView_ShowDecorationSelected) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

class ListRowPaintingTest : public tl::testing::UiStateTest {
protected:
    ListRowPaintingTest()
    {
        auto image = keyImage("dawn.png");
        image.altitude = 5;
        image.azimuth = 90;
        image.thumbnail = solidPicture(160, 90, cv::Scalar(40, 160, 240, 255));
        state.addImage(image);
        view.setStyle(&style);
    }

    QImage paintRow(bool selected)
    {
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.rect = QRect(0, 0, 600, 48);
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        if (selected) option.state |= QStyle::State_Selected;
        option.showDecorationSelected = false; // what the view hands over under this style
        option.widget = &view;
        QImage canvas(option.rect.size(), QImage::Format_ARGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        delegate.paint(&painter, option, model.index(0));
        return canvas;
    }

    QColor highlight() const { return view.palette().color(QPalette::Active, QPalette::Highlight); }

    ThumbnailCache thumbnails;
    TimelineListModel model { state, thumbnails };
    TextOnlyHighlightStyle style;
    QListView view;
    ImageRowDelegate delegate { model };
};

TEST_F(ListRowPaintingTest, ASelectedRowIsOneHighlightWithLightText)
{
    const QImage row = paintRow(true);
    // Around the picture and the texts: the top and bottom edges, left of the picture, and the
    // gap between the picture and the name, all the highlight.
    const QColor blue = highlight();
    std::vector<QPoint> around;
    for (int x = 0; x < row.width(); ++x) {
        around.emplace_back(x, 1);
        around.emplace_back(x, row.height() - 2);
    }
    for (int y = 0; y < row.height(); ++y) {
        around.emplace_back(3, y);
        around.emplace_back(66, y);
    }
    const auto gap = std::ranges::find_if(around, [&](QPoint p) { return row.pixelColor(p) != blue; });
    EXPECT_TRUE(gap == around.end()) << "not highlighted at " << gap->x() << "," << gap->y();

    // The caption (lower half, right of the picture): its strongest ink is the highlighted text's
    // colour, not a grey that sinks into the blue.
    const QColor light = view.palette().color(QPalette::Active, QPalette::HighlightedText);
    QColor ink = blue;
    for (int y = 26; y < 44; ++y) {
        for (int x = 72; x < 300; ++x) {
            if (distance(row.pixelColor(x, y), blue) > distance(ink, blue)) ink = row.pixelColor(x, y);
        }
    }
    EXPECT_LT(distance(ink, light), 120) << "caption ink " << ink.name().toStdString();
}

TEST_F(ListRowPaintingTest, AnUnselectedRowShowsNoHighlightAndAGreyCaption)
{
    const QImage row = paintRow(false);
    EXPECT_EQ(row.pixelColor(3, 24), QColor(Qt::white));
    int darkest = 255;
    for (int y = 26; y < 44; ++y) {
        for (int x = 72; x < 300; ++x)
            darkest = std::min(darkest, qGray(row.pixel(x, y)));
    }
    EXPECT_LT(darkest, 200) << "a caption is drawn";
}

TEST(ExportStripPainting, AKeyTileShowsItsWholePictureFittedIntoTheSquare)
{
    // One key frame with a 4:1 red picture, on a strip as wide as the sheet's content.
    FrameProgressStrip strip;
    strip.setFrames({ { .id = "k",
        .isKeyFrame = true,
        .fileName = "k.png",
        .thumbnail = solidPicture(400, 100, cv::Scalar(0, 0, 255, 255)) } });
    strip.resize(736, strip.sizeHint().height());
    QImage canvas(strip.size(), QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    strip.render(&canvas);

    QRect red;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const QColor c = canvas.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60) red |= QRect(x, y, 1, 1);
        }
    }
    ASSERT_FALSE(red.isEmpty());
    // An 80-point tile: the picture spans its width and a quarter of its height, not the square.
    EXPECT_NEAR(red.width(), 80, 3);
    EXPECT_NEAR(red.height(), 20, 3);
    EXPECT_NEAR(red.center().y(), canvas.height() / 2, 2);
}

} // namespace
} // namespace tl::ui
