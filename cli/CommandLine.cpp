#include "cli/CommandLine.h"

#include "platform/NumberText.h"

#include <cmath>
#include <regex>

namespace tl::cli {
namespace {

constexpr const char* exportUsage = "usage: tidelumine-cli export PACKAGE OUT.heic [--canvas 8k|6k|source|WxH] "
                                    "[--quality standard|high|ultra] [--upscale|--no-upscale] [--dither]";
constexpr const char* openHeicUsage = "usage: tidelumine-cli open-heic IN.heic OUT.vorrind";
constexpr const char* desktopUsage = "usage: tidelumine-cli desktop PACKAGE|IN.heic [--gnome DIR|--plasma DIR|--apply] "
                                     "[--location LAT,LON] [--date YYYY-MM-DD]";
constexpr const char* generalUsage = "usage: tidelumine-cli export|open-heic|desktop ... | --help | --version";

// Walks the arguments of one command: positionals in order, options with or without a value.
class Arguments {
public:
    Arguments(const std::vector<std::string>& arguments, const char* usage)
        : arguments_(arguments)
        , usage_(usage)
    {
    }

    bool done() const { return next_ >= arguments_.size(); }
    const std::string& take() { return arguments_[next_++]; }
    Result<std::string, UsageError> value(const std::string& option)
    {
        if (done()) return fail(option + " needs a value");
        return take();
    }
    UsageError fail(const std::string& problem) const { return { problem, usage_ }; }

private:
    const std::vector<std::string>& arguments_;
    const char* usage_;
    std::size_t next_ = 1;
};

bool isOption(const std::string& argument)
{
    return argument.size() > 1 && argument[0] == '-';
}

Result<Command, UsageError> parseExport(const std::vector<std::string>& arguments)
{
    Arguments walk(arguments, exportUsage);
    ExportCommand command;
    std::vector<std::string> positionals;
    while (!walk.done()) {
        const std::string argument = walk.take();
        if (argument == "--canvas" || argument == "--quality") {
            const auto value = walk.value(argument);
            if (!value) return value.error();
            if (argument == "--canvas") {
                static const std::regex size("[^x]+x[^x]+");
                if (value.value() != "8k" && value.value() != "6k" && value.value() != "source"
                    && !std::regex_match(value.value(), size))
                    return walk.fail("--canvas takes 8k, 6k, source or WIDTHxHEIGHT, not \"" + value.value() + "\"");
                command.canvas = value.value();
            } else {
                if (value.value() != "standard" && value.value() != "high" && value.value() != "ultra")
                    return walk.fail("--quality takes standard, high or ultra, not \"" + value.value() + "\"");
                command.quality = value.value();
            }
        } else if (argument == "--upscale" || argument == "--no-upscale") {
            if (command.upscale && *command.upscale != (argument == "--upscale"))
                return walk.fail("--upscale and --no-upscale exclude each other");
            command.upscale = argument == "--upscale";
        } else if (argument == "--dither") {
            command.dither = true;
        } else if (isOption(argument)) {
            return walk.fail("unknown option " + argument);
        } else {
            positionals.push_back(argument);
        }
    }
    if (positionals.size() != 2) return walk.fail("export takes a package and an output file");
    command.package = positionals[0];
    command.output = positionals[1];
    return Command { std::move(command) };
}

Result<Command, UsageError> parseOpenHeic(const std::vector<std::string>& arguments)
{
    Arguments walk(arguments, openHeicUsage);
    std::vector<std::string> positionals;
    while (!walk.done()) {
        const std::string argument = walk.take();
        if (isOption(argument)) return walk.fail("unknown option " + argument);
        positionals.push_back(argument);
    }
    if (positionals.size() != 2) return walk.fail("open-heic takes a HEIC file and a package to write");
    return Command { OpenHeicCommand { positionals[0], positionals[1] } };
}

std::optional<Location> parseLocation(const std::string& text)
{
    const auto comma = text.find(',');
    if (comma == std::string::npos) return std::nullopt;
    const auto latitude = parseDecimal(text.substr(0, comma));
    const auto longitude = parseDecimal(text.substr(comma + 1));
    if (!latitude || !longitude || std::abs(*latitude) > 90 || std::abs(*longitude) > 180) return std::nullopt;
    return Location { *latitude, *longitude };
}

bool isCalendarDate(const std::string& text)
{
    static const std::regex shape("([0-9]{4})-([0-9]{2})-([0-9]{2})");
    std::smatch parts;
    if (!std::regex_match(text, parts, shape)) return false;
    const int year = std::stoi(parts[1]), month = std::stoi(parts[2]), day = std::stoi(parts[3]);
    static constexpr int days[] = { 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > days[month - 1]) return false;
    return month != 2 || day < 29 || leap;
}

Result<Command, UsageError> parseDesktop(const std::vector<std::string>& arguments)
{
    Arguments walk(arguments, desktopUsage);
    DesktopCommand command;
    std::vector<std::string> positionals;
    int targets = 0;
    while (!walk.done()) {
        const std::string argument = walk.take();
        if (argument == "--gnome" || argument == "--plasma") {
            const auto value = walk.value(argument);
            if (!value) return value.error();
            command.target = argument == "--gnome" ? DesktopCommand::Target::gnome : DesktopCommand::Target::plasma;
            command.folder = value.value();
            ++targets;
        } else if (argument == "--apply") {
            command.target = DesktopCommand::Target::apply;
            ++targets;
        } else if (argument == "--location") {
            const auto value = walk.value(argument);
            if (!value) return value.error();
            command.location = parseLocation(value.value());
            if (!command.location)
                return walk.fail("--location takes LATITUDE,LONGITUDE in degrees, not \"" + value.value() + "\"");
        } else if (argument == "--date") {
            const auto value = walk.value(argument);
            if (!value) return value.error();
            if (!isCalendarDate(value.value()))
                return walk.fail("--date takes a day as YYYY-MM-DD, not \"" + value.value() + "\"");
            command.date = value.value();
        } else if (isOption(argument)) {
            return walk.fail("unknown option " + argument);
        } else {
            positionals.push_back(argument);
        }
    }
    if (positionals.size() != 1) return walk.fail("desktop takes one package or HEIC file");
    if (targets != 1) return walk.fail("desktop takes exactly one of --gnome DIR, --plasma DIR and --apply");
    command.source = positionals[0];
    return Command { std::move(command) };
}

} // namespace

Result<Command, UsageError> parseCommandLine(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) return UsageError { "no command given", generalUsage };
    const std::string& command = arguments.front();
    if (command == "--help" || command == "-h" || command == "help") return Command { HelpCommand {} };
    if (command == "--version") return Command { VersionCommand {} };
    if (command == "export") return parseExport(arguments);
    if (command == "open-heic") return parseOpenHeic(arguments);
    if (command == "desktop") return parseDesktop(arguments);
    return UsageError { "unknown command " + command, generalUsage };
}

std::string helpText()
{
    return std::string("tidelumine-cli: dynamic wallpapers from scripts\n\n") + exportUsage
        + "\n    Writes the project's dynamic HEIC as the window's export does with these options\n"
          "    (canvas 8k by default; --quality sets upscaling and dithering as the export sheet does).\n"
        + openHeicUsage + "\n    Opens a dynamic HEIC as a project and saves it as a package.\n" + desktopUsage
        + "\n    Writes the wallpaper for GNOME or Plasma into DIR, or installs and sets it (--apply).\n"
          "    Its times are worked out for --location, or else for this computer's location as the\n"
          "    desktop's location service gives it, on --date (today by default).\n\n"
          "Progress goes to standard error. Exit status: 0 done, 1 failed (the reason is printed),\n"
          "2 wrong arguments (a usage line is printed).\n";
}

} // namespace tl::cli
