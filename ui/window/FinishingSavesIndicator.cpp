#include "ui/window/FinishingSavesIndicator.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QProgressDialog>
#include <QToolBar>

namespace tl::ui {

FinishingSavesIndicator::FinishingSavesIndicator(QMainWindow& window, Observable<bool>& finishing)
    : QObject(&window)
    , window_(window)
    , finishing_(finishing)
{
    observation_ = finishing_.observe([this] { update(); });
}

void FinishingSavesIndicator::update()
{
    const bool finishing = finishing_.get();
    // The window's own parts, not the window: a disabled window would disable the progress too.
    for (QWidget* part : window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!part->isWindow()) part->setEnabled(!finishing);
    }
    if (!finishing) {
        if (progress_) progress_->deleteLater();
        return;
    }
    if (progress_) return;
    progress_ = new QProgressDialog(QStringLiteral("Saving..."), QString(), 0, 0, &window_);
    progress_->setWindowTitle(window_.windowTitle());
    progress_->setCancelButton(nullptr);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->show();
}

} // namespace tl::ui
