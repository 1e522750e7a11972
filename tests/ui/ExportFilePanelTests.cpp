#include "ui/export/ExportFilePanel.h"

#include "support/ModalAnswers.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <functional>

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::answerNext;

// A name typed into the real panel: the file it stands for, when it is there already, is only
// replaced after the panel's own question has named it.
TEST(ExportFilePanel, TheReplaceQuestionSeesTheNameThatIsWritten)
{
    const struct {
        const char* typed;
        const char* existing;
        const char* written;
    } cases[] = {
        { "c1-small", "c1-small.heic", "c1-small.heic" },
        { "c1-small.heic", "c1-small.heic", "c1-small.heic" },
        { "Dawn.HEIC", "Dawn.HEIC", "Dawn.HEIC" },
        { "c1-small.", "c1-small.heic", "c1-small.heic" },
        { "holiday.v2", "holiday.v2.heic", "holiday.v2.heic" },
        { "fresh", nullptr, "fresh.heic" },
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.typed);
        test::ScratchFolder scratch;
        if (row.existing) test::writeBytes(scratch.path / row.existing, "an earlier export");
        QString asked;
        QPointer<QTimer> questionPoll;
        answerNext<QFileDialog>([&](QFileDialog& panel) {
            panel.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromUtf8(row.typed));
            questionPoll = answerNext<QMessageBox>([&](QMessageBox& question) {
                asked = question.text();
                question.button(QMessageBox::Yes)->click();
            });
            QMetaObject::invokeMethod(&panel, "accept"); // as its Save button does
        });
        const auto chosen = ui::qtExportFilePanel(nullptr)("dynamic-wallpaper.heic", scratch.path);
        delete questionPoll;
        EXPECT_EQ(chosen, scratch.path / row.written);
        if (row.existing) {
            EXPECT_TRUE(asked.contains(QString::fromUtf8(row.written))) << asked.toStdString();
        } else {
            EXPECT_TRUE(asked.isEmpty()) << asked.toStdString();
        }
    }
}

TEST(ExportFilePanel, DecliningToReplaceKeepsTheFileAndCancellingChoosesNothing)
{
    test::ScratchFolder scratch;
    test::writeBytes(scratch.path / "c1-small.heic", "an earlier export");
    int questions = 0;
    answerNext<QFileDialog>([&](QFileDialog& panel) {
        panel.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("c1-small"));
        answerNext<QMessageBox>([&](QMessageBox& question) {
            ++questions;
            question.button(QMessageBox::No)->click();
            // The panel stays open for another name.
            QTimer::singleShot(0, &panel, [&panel] {
                EXPECT_TRUE(panel.isVisible());
                panel.reject();
            });
        });
        QMetaObject::invokeMethod(&panel, "accept");
    });
    EXPECT_FALSE(ui::qtExportFilePanel(nullptr)("dynamic-wallpaper.heic", scratch.path));
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(test::readBytes(scratch.path / "c1-small.heic"), "an earlier export");
}

} // namespace
} // namespace tl
