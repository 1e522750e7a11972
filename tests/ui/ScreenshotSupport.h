#pragma once

#include "UiTestSupport.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <filesystem>
#include <iostream>
#include <optional>

namespace tl::testing {

// The screenshot programs take their output folder as the only argument.
inline std::optional<std::filesystem::path> screenshotFolder(int argc, char** argv, const char* program)
{
    if (argc < 2) {
        std::cerr << "usage: " << program << " <output folder>\n";
        return std::nullopt;
    }
    std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    return out;
}

// Saves what the widget shows and says so, so a missing picture is visible in the log.
inline bool saveScreenshot(QWidget& widget, const std::filesystem::path& file)
{
    const bool saved = widget.grab().save(QString::fromStdString(file.string()));
    std::cout << (saved ? "saved " : "FAILED ") << file.string() << '\n';
    return saved;
}

// Saves the window with the sheet drawn where it lies over it, to show whether the sheet stays
// inside the window (Xvfb has no window manager to draw them together).
inline bool saveSheetOverWindow(QWidget& window, QWidget& sheet, const std::filesystem::path& file)
{
    QImage canvas = window.grab().toImage();
    QPainter painter(&canvas);
    painter.fillRect(canvas.rect(), QColor(0, 0, 0, 60));
    painter.drawPixmap(sheet.frameGeometry().topLeft() - window.frameGeometry().topLeft(), sheet.grab());
    painter.end();
    const bool saved = canvas.save(QString::fromStdString(file.string()));
    std::cout << (saved ? "saved " : "FAILED ") << file.string() << '\n';
    return saved;
}

// Lets layouts, timers and paints run for a while before a picture is taken.
inline void settle(int ms = 150)
{
    processEventsUntil([] { return false; }, ms);
}

} // namespace tl::testing
