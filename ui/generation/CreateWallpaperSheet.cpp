#include "ui/generation/CreateWallpaperSheet.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tl::ui {

// Until generation has its sheet, the slot shows a short notice the user can close, so asking
// for it is never met with nothing.
QDialog* makeCreateWallpaperSheet(LibraryContext&, QWidget* parent)
{
    auto* sheet = new QDialog(parent);
    sheet->setWindowTitle(QStringLiteral("Generate Timeline"));
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(20, 20, 20, 20);
    auto* notice = new QLabel(QStringLiteral("Generating a timeline is not available in this version yet."), sheet);
    notice->setWordWrap(true);
    layout->addWidget(notice);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, sheet);
    QObject::connect(buttons, &QDialogButtonBox::rejected, sheet, &QDialog::reject);
    layout->addWidget(buttons);
    sheet->setMinimumWidth(360);
    return sheet;
}

} // namespace tl::ui
