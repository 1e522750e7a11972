#include "platform/qt/QtDialogs.h"
#include "shell/TidelumineApp.h"
#include "support/ModalAnswers.h"
#include "support/OfflinePlatform.h"
#include "support/ProjectFixture.h"
#include "ui/window/AppActions.h"
#include "ui/window/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::answerNext;

std::set<std::string> filesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Save As onto an existing package through the real window and the real panel: the question is
// asked, and the package afterwards holds the new project only, none of the old frames.
TEST(SaveAsReplaceTest, ChoosingAnExistingPackageReplacesItWhole)
{
    testing::TemporaryFolder temp;
    testing::OfflinePlatform platform;
    QtDialogs dialogs;
    testing::ManualScheduler scheduler;
    TidelumineApp app(platform.services(dialogs, scheduler));
    app.start({});
    const auto settle = [&] {
        QCoreApplication::processEvents();
        scheduler.runAll();
        QCoreApplication::processEvents();
    };

    // The package already there: another project with two frames of its own.
    const fs::path package = temp.path() / "AI.vorrind";
    testing::writeTestImage(package / "images" / "old-dawn.png");
    testing::writeTestImage(package / "images" / "old-dusk.png");
    testing::writeText(package / "project.json",
        R"({"version":"1.0","mode":"time","images":[{"fileName":"old-dawn.png","isTween":false},)"
        R"({"fileName":"old-dusk.png","isTween":false}]})");

    app.commandCenter.importImages({ testing::writeTestImage(temp.path() / "in/new.png") }, temp.path() / "in");
    while (app.appState.images.get().empty() && scheduler.waitForWork())
        settle();
    ASSERT_EQ(app.appState.images.get().size(), 1u);

    int asked = 0;
    answerNext<QFileDialog>([&](QFileDialog& panel) {
        panel.setDirectory(QString::fromStdString(temp.path().string()));
        // Typed into the name field: selectFile leaves the field alone once it has the focus, which
        // it gets whenever the window system gets round to it.
        auto* name = panel.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        name->setText(QStringLiteral("AI.vorrind"));
        answerNext<QMessageBox>([&](QMessageBox& question) {
            ++asked;
            EXPECT_TRUE(question.text().contains("“AI.vorrind” already exists"));
            question.button(QMessageBox::Yes)->click();
        });
        QMetaObject::invokeMethod(&panel, "accept");
        // A panel that steps into the package instead stays open: fail rather than wait forever.
        QTimer::singleShot(5000, &panel, [&panel] {
            if (!panel.isVisible()) return;
            ADD_FAILURE() << "the panel stayed open on an existing package";
            panel.reject();
        });
    });
    app.mainWindow()->actions().saveAs.trigger();
    settle();
    while (app.appState.currentProjectPath.get() != package && scheduler.waitForWork())
        settle();

    EXPECT_EQ(asked, 1);
    EXPECT_EQ(app.appState.currentProjectPath.get(), package);
    EXPECT_EQ(filesIn(package / "images"), (std::set<std::string> { "new.png" }));
    const auto record = testing::readText(package / "project.json");
    EXPECT_NE(record.find("new.png"), std::string::npos);
    EXPECT_EQ(record.find("old-"), std::string::npos);
}

} // namespace
} // namespace tl
