#include "cli/OpenHeicCommand.h"

#include "app/AppState.h"
#include "app/DynamicWallpaperImport.h"
#include "app/PackageLocation.h"
#include "app/ProjectPackage.h"
#include "cli/WorkingFolder.h"
#include "platform/Defaults.h"

namespace tl::cli {

Result<void, CommandFailure> runOpenHeic(const OpenHeicCommand& command, ProgressLine& progress, std::ostream& notes)
{
    const WorkingFolder folder;
    auto imported = importDynamicWallpaper(command.input, folder.path, std::nullopt, {}, progress.imageCounter("Read"));
    progress.finish();
    if (!imported) return CommandFailure { imported.error().message };
    if (imported.value().notice) notes << *imported.value().notice << '\n';

    // The project as the window holds it after the import, saved as the window saves it.
    InMemoryDefaults defaults;
    AppState state(defaults);
    state.setImages(std::move(imported.value().images), imported.value().mode, true);
    const auto contents = packageContents(withSavedPackageExtension(command.output), state);
    if (!contents) return CommandFailure { contents.error().description };
    const auto written = writePackage(contents.value());
    if (!written.result) return CommandFailure { written.result.error().description };
    return {};
}

} // namespace tl::cli
