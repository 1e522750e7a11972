#include "ui/window/WindowTitle.h"

#include "app/AppState.h"
#include "platform/qt/QtText.h"

#include <QWidget>

namespace tl {

WindowTitle::WindowTitle(QWidget& window, AppState& state)
    : window_(window)
    , state_(state)
{
    const auto update = [this] { refresh(); };
    observations_.push_back(state_.currentProjectPath.observe(update));
    observations_.push_back(state_.isDirty.observe(update));
    refresh();
}

QString WindowTitle::titleFor(const std::optional<std::filesystem::path>& projectPath)
{
    QString name = projectPath ? toDisplayText(projectPath->stem().string()) : QString();
    if (name.isEmpty()) name = QStringLiteral("Untitled");
    // A doubled "[*]" is Qt's way of showing the characters themselves.
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return name + QStringLiteral("[*] — Tidelumine");
}

void WindowTitle::refresh()
{
    const auto& path = state_.currentProjectPath.get();
    window_.setWindowFilePath(path ? QString::fromStdString(path->string()) : QString());
    window_.setWindowTitle(titleFor(path));
    window_.setWindowModified(state_.isDirty.get());
}

} // namespace tl
