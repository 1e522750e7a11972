#include "cli/Main.h"

#include "cli/CommandLine.h"
#include "cli/DesktopCommand.h"
#include "cli/ExportCommand.h"
#include "cli/OpenHeicCommand.h"
#include "platform/Bundle.h"
#include "platform/Overloaded.h"

namespace tl::cli {

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, bool terminal,
    const LocateComputer& locate)
{
    const auto command = parseCommandLine(arguments);
    if (!command) {
        err << "tidelumine-cli: " << command.error().problem << '\n' << command.error().usage << '\n';
        return 2;
    }
    ProgressLine progress(err, terminal);
    const Result<void, CommandFailure> result
        = std::visit(Overloaded {
                         [&](const HelpCommand&) -> Result<void, CommandFailure> {
                             out << helpText();
                             return {};
                         },
                         [&](const VersionCommand&) -> Result<void, CommandFailure> {
                             const BundleInfo bundle = mainBundle();
                             out << "tidelumine-cli " << bundle.shortVersion.value_or("unknown");
                             if (bundle.buildNumber) out << " (" << *bundle.buildNumber << ")";
                             out << '\n';
                             return {};
                         },
                         [&](const ExportCommand& exporting) { return runExport(exporting, progress); },
                         [&](const OpenHeicCommand& opening) { return runOpenHeic(opening, progress, err); },
                         [&](const DesktopCommand& desktop) { return runDesktop(desktop, locate, progress, err); },
                     },
            command.value());
    if (!result) {
        err << "tidelumine-cli: " << result.error().reason << '\n';
        return 1;
    }
    return 0;
}

} // namespace tl::cli
