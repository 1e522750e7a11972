#include "cli/Main.h"
#include "cli/ProgressLine.h"
#include "platform/HeapPolicy.h"
#include "platform/Log.h"

#include <iostream>

int main(int argc, char* argv[])
{
    tl::returnLargeFreedBuffersToTheSystem();
    // The engine's diagnostic lines would mix with what scripts read; the command prints its own.
    const tl::LogCapture quiet([](const std::string&) {});
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return tl::cli::run(arguments, std::cout, std::cerr, tl::cli::standardErrorIsTerminal());
}
