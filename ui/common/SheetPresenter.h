#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace tl::ui {

// The window's sheets, one at a time: each is shown window-modally with QDialog::open() (no
// nested event loop) and deleted once it closes. The window's sheet slot and the library's own
// sheets both go through here, so a second sheet never stacks on the first.
class SheetPresenter : public QObject {
    Q_OBJECT
public:
    explicit SheetPresenter(QWidget& window, QObject* parent = nullptr);
    // Deletes the shown sheet at once, without its close notice: the objects it would touch are
    // being torn down.
    ~SheetPresenter() override;

    // Takes `sheet`, closes the sheet shown before (its notice runs) and shows this one.
    // `onClosed` runs once when this sheet closes, whether it finished itself or was dismissed.
    void present(QDialog* sheet, std::function<void()> onClosed = {});
    // Closes the shown sheet, if any, even one that refuses its own Escape.
    void dismiss();

    // The sheet on screen, if any.
    QDialog* current() const { return current_; }
    QWidget& window() const { return window_; }

signals:
    void sheetClosed();

private:
    void close(QDialog* sheet);

    QWidget& window_;
    QPointer<QDialog> current_;
    std::function<void()> onClosed_;
};

} // namespace tl::ui
