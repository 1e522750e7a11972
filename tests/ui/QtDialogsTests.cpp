#include "platform/qt/QtDialogs.h"

#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <functional>

namespace tl {
namespace {

// Answers the next file panel that opens, as a user would, once the event loop shows it.
void answerNextFilePanel(std::function<void(QFileDialog&)> answer)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!panel) return;
        poll->stop();
        poll->deleteLater();
        answer(*panel);
    });
    poll->start();
}

TEST(QtDialogs, ImagePanelReturnsTheOneChosenImageOrNothing)
{
    test::ScratchFolder scratch;
    const auto picture = scratch.path / "dawn.png";
    test::writeBytes(picture, "not really a picture");
    QtDialogs dialogs;

    QString startFolder;
    answerNextFilePanel([&](QFileDialog& panel) {
        startFolder = panel.directory().absolutePath();
        EXPECT_EQ(panel.fileMode(), QFileDialog::ExistingFile);
        panel.selectFile(QString::fromStdString(picture.string()));
        QMetaObject::invokeMethod(&panel, "accept"); // the panel checks the choice as its Open button does
    });
    EXPECT_EQ(dialogs.runOpenImagePanel(scratch.path), picture);
    EXPECT_EQ(startFolder.toStdString(), scratch.path.string());

    answerNextFilePanel([](QFileDialog& panel) { panel.reject(); });
    EXPECT_FALSE(dialogs.runOpenImagePanel(scratch.path));
}

} // namespace
} // namespace tl
