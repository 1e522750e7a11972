#include "platform/DesktopBackground.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace tl {

namespace {

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A JavaScript string literal holding `text`.
std::string scriptString(std::string_view text)
{
    std::string literal = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') literal += '\\';
        if (c == '\n') {
            literal += "\\n";
            continue;
        }
        literal += c;
    }
    return literal + "\"";
}

} // namespace

RunningDesktop runningDesktop(const Environment& environment)
{
    RunningDesktop desktop;
    desktop.name = environment.variable("XDG_CURRENT_DESKTOP").value_or("");
    // A colon-separated list, most specific first ("ubuntu:GNOME").
    std::string_view rest = desktop.name;
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string token = lowercase(std::string(rest.substr(0, colon)));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        if (token == "kde") desktop.family = DesktopFamily::plasma;
        if (token == "gnome" || token == "gnome-classic" || token == "gnome-flashback" || token == "unity"
            || token == "budgie" || token == "pantheon")
            desktop.family = DesktopFamily::gnome;
        if (desktop.family != DesktopFamily::other) break;
    }
    return desktop;
}

std::string plasmaWallpaperScript(const std::filesystem::path& package)
{
    return "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"Image\", "
        + scriptString("file://" + package.string())
        + ");\n"
          "}\n";
}

} // namespace tl
