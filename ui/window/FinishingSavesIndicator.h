#pragma once

#include "platform/Observation.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

class QMainWindow;

namespace tl::ui {

// While a quit or a close waits for a save to finish copying, the window stays on screen,
// disabled, with a "Saving..." progress: a window that vanished at once would look like a
// finished quit while the package was still being written.
class FinishingSavesIndicator : public QObject {
    Q_OBJECT
public:
    FinishingSavesIndicator(QMainWindow& window, Observable<bool>& finishing);

    // The progress shown, if any.
    QProgressDialog* progress() const { return progress_; }

private:
    void update();

    QMainWindow& window_;
    Observable<bool>& finishing_;
    QPointer<QProgressDialog> progress_;
    Observation observation_;
};

} // namespace tl::ui
