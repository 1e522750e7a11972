#include "shell/InformationRequest.h"

#include "platform/Bundle.h"

#include <algorithm>

namespace tl {

std::optional<std::string> informationRequested(const std::vector<std::string>& arguments)
{
    const auto given = [&](const char* option) { return std::ranges::find(arguments, option) != arguments.end(); };
    if (given("--help") || given("-h"))
        return "usage: Tidelumine [PROJECT.vorrind | WALLPAPER.heic]...\n"
               "Opens the given projects in the window. tidelumine-cli exports, opens and sets wallpapers\n"
               "from scripts.\n"
               "  -h, --help     show this text\n"
               "  --version      show the version\n";
    if (given("--version")) {
        const BundleInfo bundle = mainBundle();
        std::string text = "Tidelumine " + bundle.shortVersion.value_or("unknown");
        if (bundle.buildNumber) text += " (" + *bundle.buildNumber + ")";
        return text + "\n";
    }
    return std::nullopt;
}

} // namespace tl
