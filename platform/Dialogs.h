#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tl {

enum class AlertStyle { informational, warning, critical };

// A modal alert. The first button is the default one (Return answers it).
struct Alert {
    std::string message;
    std::string informativeText;
    AlertStyle style = AlertStyle::warning;
    std::vector<std::string> buttons;
};

// The application-modal questions and file panels, kept behind one interface so
// tests can script the user's answers.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The index of the pressed button in `alert.buttons`; none when the alert was
    // dismissed without one.
    virtual std::optional<std::size_t> runAlert(const Alert& alert) = 0;
    // Which project package a chosen path stands for, if any.
    using PackageRule = std::function<std::optional<std::filesystem::path>(const std::filesystem::path&)>;
    // Where a package chosen in the save panel is written.
    using SaveLocationRule = std::function<std::filesystem::path(const std::filesystem::path&)>;

    // A project package the user chose (only choices `packageFor` accepts); none when cancelled.
    virtual std::optional<std::filesystem::path> runOpenProjectPanel(
        const std::optional<std::filesystem::path>& startDirectory, const PackageRule& packageFor)
        = 0;
    // Where to write the package, after asking before an existing one is replaced;
    // none when cancelled.
    virtual std::optional<std::filesystem::path> runSaveProjectPanel(const std::string& proposedName,
        const std::optional<std::filesystem::path>& startDirectory, const SaveLocationRule& saveLocation)
        = 0;
    // Image files in the order chosen; empty when cancelled.
    virtual std::vector<std::filesystem::path> runImportPanel(
        const std::optional<std::filesystem::path>& startDirectory)
        = 0;
    // One image file, no folders; none when cancelled.
    virtual std::optional<std::filesystem::path> runOpenImagePanel(
        const std::optional<std::filesystem::path>& startDirectory)
        = 0;
};

} // namespace tl
