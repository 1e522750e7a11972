#pragma once

#include "platform/Observation.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace tl::ui {

class TweenInsertion;

// The small window-modal sheet that chooses how many tween frames to blend and shows the run's
// progress. It keeps no state of its own: everything it shows is the library's tween insertion,
// and its buttons only call Generate and Cancel there. While a run goes it cannot be dismissed.
class TweenConfigSheet : public QDialog {
    Q_OBJECT
public:
    explicit TweenConfigSheet(TweenInsertion& insertion, QWidget* parent = nullptr);
    ~TweenConfigSheet() override;

    QLineEdit& countField() { return *field_; }
    QSlider& slider() { return *slider_; }
    QPushButton& generateButton() { return *generate_; }
    QPushButton& cancelButton() { return *cancel_; }
    QLabel& summary() { return *summary_; }
    QLabel& hint() { return *hint_; }
    QLabel& failure() { return *failure_; }
    QLabel& percentage() { return *percentage_; }
    QWidget& form() { return *form_; }
    QWidget& progressPane() { return *progressPane_; }

    // Escape: Cancel, except while generating.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void countTyped(const QString& text);

    TweenInsertion& insertion_;
    QWidget* form_;
    QWidget* progressPane_;
    QLineEdit* field_;
    QLabel* hint_;
    QSlider* slider_;
    QLabel* summary_;
    QLabel* failure_;
    QProgressBar* bar_;
    QLabel* percentage_;
    QWidget* buttons_;
    QPushButton* cancel_;
    QPushButton* generate_;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
