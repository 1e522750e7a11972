#pragma once

#include <QWidget>

#include <vector>

class QGridLayout;
class QPushButton;

namespace tl {
class AppState;
}

namespace tl::ui {

// How many columns of at least `minimumWidth` fit into `width` with `spacing` between them;
// never fewer than one.
int adaptiveColumnCount(int width, int minimumWidth, int spacing);

// "Presets": the eleven time-of-day buttons in as many columns as fit, or "Light" and "Dark" in
// appearance mode. The view is built for the project's mode at the time.
class PresetsView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumColumnWidth = 100;

    PresetsView(AppState& appState, QWidget* parent = nullptr);

    const std::vector<QPushButton*>& buttons() const { return buttons_; }
    int columnCount() const { return columns_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* addButton(const QString& title, const QIcon& icon, const QString& helpText);
    void arrangeGrid();

    std::vector<QPushButton*> buttons_;
    QGridLayout* grid_ = nullptr;
    int columns_ = 0;
};

} // namespace tl::ui
