#pragma once

#include "engine/LocationProvider.h"
#include "platform/Result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tl::cli {

struct ExportCommand {
    std::filesystem::path package;
    std::filesystem::path output;
    std::optional<std::string> canvas; // "8k", "6k", "source" or "WxH", as typed
    std::optional<std::string> quality; // "standard", "high" or "ultra"
    std::optional<bool> upscale;
    bool dither = false;
};

struct OpenHeicCommand {
    std::filesystem::path input;
    std::filesystem::path output;
};

struct DesktopCommand {
    enum class Target { gnome, plasma, apply };
    std::filesystem::path source; // a project package or a dynamic HEIC
    Target target = Target::apply;
    std::filesystem::path folder; // gnome and plasma: where the files are written
    std::optional<Location> location;
    std::optional<std::string> date; // YYYY-MM-DD
};

struct HelpCommand { };
struct VersionCommand { };

using Command = std::variant<ExportCommand, OpenHeicCommand, DesktopCommand, HelpCommand, VersionCommand>;

// What was wrong with the arguments, and the usage line of the command they were for.
struct UsageError {
    std::string problem;
    std::string usage;
};

// The arguments after the program's name.
Result<Command, UsageError> parseCommandLine(const std::vector<std::string>& arguments);

// The whole of --help.
std::string helpText();

} // namespace tl::cli
