#include "ui/common/SheetPresenter.h"

#include <QDialog>

namespace tl::ui {

SheetPresenter::SheetPresenter(QWidget& window, QObject* parent)
    : QObject(parent)
    , window_(window)
{
}

SheetPresenter::~SheetPresenter()
{
    onClosed_ = nullptr;
    delete current_.data();
}

void SheetPresenter::present(QDialog* sheet, std::function<void()> onClosed)
{
    dismiss();
    if (sheet->parentWidget() != &window_) sheet->setParent(&window_, sheet->windowFlags() | Qt::Dialog);
    sheet->setWindowModality(Qt::WindowModal);
    current_ = sheet;
    onClosed_ = std::move(onClosed);
    connect(sheet, &QDialog::finished, this, [this, sheet] { close(sheet); });
    sheet->open();
}

void SheetPresenter::dismiss()
{
    if (current_) close(current_);
}

void SheetPresenter::close(QDialog* sheet)
{
    if (sheet != current_) return;
    current_ = nullptr;
    auto notice = std::exchange(onClosed_, nullptr);
    disconnect(sheet, nullptr, this, nullptr);
    sheet->hide();
    sheet->deleteLater();
    if (notice) notice();
    emit sheetClosed();
}

} // namespace tl::ui
