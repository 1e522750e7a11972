#pragma once

#include <string>

namespace tl::cli {

// Why a command did not do its work, in the words printed for the user.
struct CommandFailure {
    std::string reason;
};

} // namespace tl::cli
