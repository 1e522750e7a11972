#pragma once

#include <QPlainTextEdit>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

namespace tl::ui {

// The prompt field: two to four lines of plain text on a rounded, faintly filled background.
class MoodField : public QPlainTextEdit {
    Q_OBJECT
public:
    MoodField(const QString& placeholder, QWidget* parent = nullptr);

    // Replaces the text only when it differs, so the caret stays where the user left it.
    void showText(const std::string& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fitHeight();
};

// Suggestion capsules in wrapping rows; choosing one hands its text to `onSelect`. Identical
// suggestions are one capsule.
class MoodChips : public QWidget {
    Q_OBJECT
public:
    template <class Suggestions>
    MoodChips(const Suggestions& suggestions, std::function<void(std::string_view)> onSelect, QWidget* parent = nullptr)
        : QWidget(parent)
    {
        build(std::vector<std::string_view>(std::begin(suggestions), std::end(suggestions)), std::move(onSelect));
    }

private:
    void build(const std::vector<std::string_view>& suggestions, std::function<void(std::string_view)> onSelect);
};

} // namespace tl::ui
