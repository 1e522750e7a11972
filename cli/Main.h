#pragma once

#include "cli/ComputerLocation.h"

#include <ostream>
#include <string>
#include <vector>

namespace tl::cli {

// Runs the command line `arguments` (without the program's name) and gives the exit status:
// 0 done, 1 failed with the reason on `err`, 2 wrong arguments with a usage line on `err`.
// `locate` finds this computer's place for a command given no --location that needs one.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, bool terminal,
    const LocateComputer& locate = desktopLocationService());

} // namespace tl::cli
