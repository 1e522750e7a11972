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

// A JavaScript string literal holding `text`: every character that may not stand in one as it is
// (quotes, backslashes, control characters, the line and paragraph separators) is escaped.
std::string scriptString(std::string_view text)
{
    constexpr char hex[] = "0123456789abcdef";
    std::string literal = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("\xE2\x80\xA8") || rest.starts_with("\xE2\x80\xA9")) {
            literal += rest[2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else if (c == '"' || c == '\\' || c == '\'') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            literal += "\\u00";
            literal += hex[c >> 4];
            literal += hex[c & 0xf];
        } else {
            literal += static_cast<char>(c);
        }
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

std::string plasmaWallpaperScript(std::string_view packageUri)
{
    return "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"Image\", "
        + scriptString(packageUri)
        + ");\n"
          "}\n";
}

} // namespace tl
