#include "extensions/common/UsageRequest.h"

#include <iostream>

namespace tl::extension {

std::optional<int> answerUsageRequest(int argc, char** argv, std::string_view program, std::string_view usage)
{
    if (argc != 2) return std::nullopt;
    const std::string_view word = argv[1];
    if (word == "--help" || word == "-h") {
        std::cout << usage;
        return 0;
    }
    if (word == "--version") {
        std::cout << program << ' ' << TIDELUMINE_VERSION << '\n';
        return 0;
    }
    return std::nullopt;
}

} // namespace tl::extension
