#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tl {

// What the program prints for --help or --version among its arguments (without the program's
// name), instead of taking them for documents to open; none when neither is there.
std::optional<std::string> informationRequested(const std::vector<std::string>& arguments);

} // namespace tl
