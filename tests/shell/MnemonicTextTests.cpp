#include "platform/qt/QtDialogs.h"
#include "shell/TidelumineApp.h"
#include "support/OfflinePlatform.h"
#include "support/ProjectFixture.h"
#include "ui/window/AppActions.h"
#include "ui/window/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace tl {
namespace {

// What a person reads on a button or menu item: Qt's own mnemonic stripping of the label.
std::string shownText(const QString& label)
{
    QAction probe(label);
    return probe.iconText().toStdString();
}

// Reads the labels of the next alert once the event loop shows it, then presses the button
// whose label `press` names.
void answerNextAlert(QStringList& labels, const QString& press)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, &labels, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        poll->stop();
        poll->deleteLater();
        for (QAbstractButton* button : box->buttons())
            labels << button->text();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == press) return button->click();
        }
        box->reject();
    });
    poll->start();
}

TEST(MnemonicText, ButtonAndMenuTitlesShowEveryAmpersandAsWritten)
{
    const struct {
        const char* text;
        const char* label;
    } table[] = {
        { "Save & Quit", "Save && Quit" },
        { "Rock & Roll", "Rock && Roll" },
        { "&", "&&" },
        { "A && B", "A &&&& B" },
        { "Don't Save", "Don't Save" },
    };
    for (const auto& row : table) {
        QtDialogs dialogs;
        QStringList labels;
        answerNextAlert(labels, QStringLiteral("Cancel"));
        const auto answer = dialogs.runAlert(
            { .message = "m", .informativeText = "", .style = AlertStyle::warning, .buttons = { row.text, "Cancel" } });
        EXPECT_EQ(answer, 1u) << row.text;
        ASSERT_EQ(labels.size(), 2) << row.text;
        EXPECT_EQ(labels[0].toStdString(), row.label);
        EXPECT_EQ(shownText(labels[0]), row.text);
        // No letter of the title becomes an Alt shortcut.
        EXPECT_TRUE(QKeySequence::mnemonic(labels[0]).isEmpty()) << row.text;
    }
}

class QuitQuestionTest : public ::testing::Test {
protected:
    QuitQuestionTest()
    {
        app.start({});
        app.appState.isDirty = true;
    }

    testing::OfflinePlatform platform;
    QtDialogs dialogs;
    testing::ManualScheduler scheduler;
    TidelumineApp app { platform.services(dialogs, scheduler) };
};

TEST_F(QuitQuestionTest, TheQuitQuestionReadsSaveAndQuit)
{
    QStringList labels;
    answerNextAlert(labels, QStringLiteral("Cancel"));
    app.mainWindow()->actions().quit.trigger();
    ASSERT_EQ(labels.size(), 3);
    std::vector<std::string> shown;
    for (const auto& label : labels)
        shown.push_back(shownText(label));
    EXPECT_EQ(shown, (std::vector<std::string> { "Save & Quit", "Cancel", "Don't Save" }));
    EXPECT_TRUE(app.appState.isDirty.get());
}

TEST_F(QuitQuestionTest, RecentProjectsKeepTheirAmpersand)
{
    testing::TemporaryFolder temp;
    std::filesystem::create_directories(temp.path() / "Rock & Roll.vorrind");
    app.appState.addRecentProject(temp.path() / "Rock & Roll.vorrind");
    auto& menu = app.mainWindow()->actions().openRecentMenu;
    ASSERT_FALSE(menu.actions().isEmpty());
    const QString label = menu.actions().front()->text();
    EXPECT_EQ(label.toStdString(), "Rock && Roll");
    EXPECT_EQ(shownText(label), "Rock & Roll");
    app.appState.isDirty = false;
}

} // namespace
} // namespace tl
