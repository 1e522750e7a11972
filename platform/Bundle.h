#pragma once

#include <optional>
#include <string>

namespace tl {

// What the program says about itself to servers and in its settings: its identifier, its version
// and its build number (none when the build system gave none).
struct BundleInfo {
    std::optional<std::string> identifier;
    std::optional<std::string> shortVersion;
    std::optional<std::string> buildNumber;
};

BundleInfo mainBundle();

} // namespace tl
