#pragma once

#include "platform/Dialogs.h"
#include "platform/MainThreadScheduler.h"

namespace tl {

// Alerts as QMessageBox and panels as QFileDialog, modal over the active window.
class QtDialogs final : public Dialogs {
public:
    std::optional<std::size_t> runAlert(const Alert& alert) override;
    std::optional<std::filesystem::path> runOpenProjectPanel(
        const std::optional<std::filesystem::path>& startDirectory, const PackageRule& packageFor) override;
    std::optional<std::filesystem::path> runSaveProjectPanel(const std::string& proposedName,
        const std::optional<std::filesystem::path>& startDirectory, const SaveLocationRule& saveLocation) override;
    std::vector<std::filesystem::path> runImportPanel(
        const std::optional<std::filesystem::path>& startDirectory) override;
    std::optional<std::filesystem::path> runOpenImagePanel(
        const std::optional<std::filesystem::path>& startDirectory) override;
};

// Runs work from the Qt event loop after the delay.
class QtMainThreadScheduler final : public MainThreadScheduler {
public:
    void schedule(std::chrono::milliseconds delay, std::function<void()> work) override;
};

} // namespace tl
