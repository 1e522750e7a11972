// Shows the preview window on a real X server (Xvfb) and saves what it looks like, for a person
// to look at: TIDELUMINE_SCREENSHOT under the build folder.

#include "PackageBuilder.h"

#include "extensions/preview/PreviewViewController.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace tl::testing {
namespace {

// A sky fading from one colour to another, so frames look like frames.
QImage sky(const QColor& top, const QColor& bottom)
{
    QImage image(960, 540, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, image.height());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(QColor(250, 230, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(image.width() / 3, image.height() / 2), 50, 50);
    return image;
}

TEST(PreviewScreenshot, WindowShowsTitleFactsAndFrame)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";

    PackageBuilder package(QStringLiteral("Mountain Lake.vorrind"));
    package.record(R"({"version":"1.0","mode":"time","images":[
        {"fileName":"dawn.png","altitude":-4},{"fileName":"noon.png","altitude":60},{"fileName":"dusk.png","altitude":-2}]})");
    sky(QColor(40, 60, 120), QColor(240, 150, 110)).save(package.path() + QStringLiteral("/images/dawn.png"));
    sky(QColor(60, 140, 230), QColor(200, 230, 250)).save(package.path() + QStringLiteral("/images/noon.png"));
    sky(QColor(30, 20, 70), QColor(230, 110, 80)).save(package.path() + QStringLiteral("/images/dusk.png"));

    preview::PreviewViewController preview;
    QSignalSpy loaded(&preview, &preview::PreviewViewController::framesLoaded);
    preview.preparePreviewOfFile(package.path());
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    ASSERT_TRUE(loaded.count() > 0 || loaded.wait(10000));
    QTest::qWait(50);

    const QImage shot = preview.screen()->grabWindow(preview.winId()).toImage();
    ASSERT_FALSE(shot.isNull());
    const QString path = QStringLiteral(TIDELUMINE_SCREENSHOT);
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(shot.save(path));

    // The frame fills the middle of the window; the title row above it is window-coloured with text.
    const QColor background = preview.palette().color(QPalette::Window);
    EXPECT_EQ(shot.pixelColor(4, 4), background);
    EXPECT_NE(shot.pixelColor(shot.width() / 2, shot.height() * 2 / 3), background);
    bool titleInked = false;
    for (int x = 0; x < shot.width() && !titleInked; ++x)
        titleInked = shot.pixelColor(x, 30) != background;
    EXPECT_TRUE(titleInked) << "no title text in the window's first rows";
}

} // namespace
} // namespace tl::testing

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
