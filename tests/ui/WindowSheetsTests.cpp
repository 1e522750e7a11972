#include "ui/common/SheetPresenter.h"
#include "ui/window/WindowSheets.h"

#include "UiTestSupport.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace tl::ui {
namespace {

using tl::testing::processEventsUntil;
using Sheet = AppUIState::ActiveSheet;

// A window, its presenter and its sheet slot, with sheets that remember what they stand for.
class WindowSheetsTest : public tl::testing::UiStateTest {
protected:
    WindowSheetsTest() { window.show(); }

    QDialog* makeSheet(Sheet sheet)
    {
        auto* dialog = new QDialog;
        dialog->setObjectName(sheet == Sheet::exportOptions ? QStringLiteral("export") : QStringLiteral("generate"));
        made.push_back(dialog);
        return dialog;
    }

    QString shownName() const { return presenter.current() ? presenter.current()->objectName() : QString(); }

    QWidget window;
    SheetPresenter presenter { window };
    std::vector<QPointer<QDialog>> made;
    WindowSheets sheets { ui, presenter, [this](Sheet sheet) { return makeSheet(sheet); } };
};

TEST_F(WindowSheetsTest, TheSlotShowsItsSheetWindowModallyAndEmptiesWhenTheSheetCloses)
{
    ui.activeSheet = Sheet::magicGenerate;
    ASSERT_EQ(shownName(), QStringLiteral("generate"));
    QDialog* shown = presenter.current();
    EXPECT_TRUE(processEventsUntil([&] { return shown->isVisible(); }));
    EXPECT_EQ(shown->windowModality(), Qt::WindowModal);
    EXPECT_EQ(shown->parentWidget(), &window);

    shown->reject(); // Escape or the sheet's own Close
    EXPECT_EQ(ui.activeSheet.get(), std::nullopt);
    EXPECT_EQ(presenter.current(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(made.front().isNull()) << "a closed sheet is deleted";
}

TEST_F(WindowSheetsTest, EmptyingOrChangingTheSlotReplacesTheSheetAndRewritingItChangesNothing)
{
    ui.activeSheet = Sheet::exportOptions;
    ui.activeSheet = Sheet::exportOptions;
    EXPECT_EQ(made.size(), 1u) << "the same value again builds no second sheet";

    ui.activeSheet = Sheet::magicGenerate;
    EXPECT_EQ(shownName(), QStringLiteral("generate"));
    EXPECT_EQ(ui.activeSheet.get(), Sheet::magicGenerate) << "closing the old sheet must not empty the new slot";
    EXPECT_FALSE(made.front() && made.front()->isVisible());

    ui.activeSheet = std::nullopt;
    EXPECT_EQ(presenter.current(), nullptr);
    EXPECT_FALSE(made.back() && made.back()->isVisible());
}

TEST_F(WindowSheetsTest, ALibrarySheetTakesThePlaceOfTheWindowSheetAndItsSlot)
{
    ui.activeSheet = Sheet::exportOptions;
    int libraryClosed = 0;
    auto* tweens = new QDialog;
    presenter.present(tweens, [&] { ++libraryClosed; });
    EXPECT_EQ(presenter.current(), tweens);
    EXPECT_EQ(ui.activeSheet.get(), std::nullopt) << "the slot never names a sheet that is not shown";

    // A window sheet asked for now closes the library's, whose notice runs once.
    ui.activeSheet = Sheet::magicGenerate;
    EXPECT_EQ(libraryClosed, 1);
    EXPECT_EQ(shownName(), QStringLiteral("generate"));
    presenter.dismiss();
    EXPECT_EQ(libraryClosed, 1);
    EXPECT_EQ(ui.activeSheet.get(), std::nullopt);
}

class BareSlotTest : public tl::testing::UiStateTest { };

TEST_F(BareSlotTest, ASheetThatCouldNotBeMadeLeavesTheSlotEmpty)
{
    QWidget window;
    SheetPresenter bare { window };
    WindowSheets failing { ui, bare, [](Sheet) -> QDialog* { return nullptr; } };
    ui.activeSheet = Sheet::magicGenerate;
    EXPECT_EQ(ui.activeSheet.get(), std::nullopt);
    EXPECT_EQ(bare.current(), nullptr);
}

} // namespace
} // namespace tl::ui
