#pragma once

#include <optional>
#include <string>

namespace tl {

// What the program says about itself to servers: its identifier and its version.
struct BundleInfo {
    std::optional<std::string> identifier;
    std::optional<std::string> shortVersion;
};

BundleInfo mainBundle();

} // namespace tl
