#pragma once

#include <optional>
#include <string_view>

namespace tl::extension {

// Answers --help (the usage text) or --version on stdout when either is the only argument, before
// the program needs a display or an input; returns the exit status then, none otherwise.
std::optional<int> answerUsageRequest(int argc, char** argv, std::string_view program, std::string_view usage);

} // namespace tl::extension
