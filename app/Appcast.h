#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

// One release announced by an update feed.
struct AppcastItem {
    std::string version;
    std::string displayVersion;
    std::string link;
};

// The releases of an appcast (an RSS document whose items carry their version as
// a "sparkle:version" element or enclosure attribute). Items without a version are
// skipped; text that is not an appcast gives none.
std::vector<AppcastItem> parseAppcast(std::string_view xml);

// Compares dotted versions part by part as numbers ("1.10" is newer than "1.9");
// missing parts count as 0. Negative, zero or positive like a three-way compare.
int compareVersions(std::string_view first, std::string_view second);

// The newest item that is newer than `currentVersion`, if any.
std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, std::string_view currentVersion);

} // namespace tl
