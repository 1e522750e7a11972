#pragma once

#include "app/ExportFrameInfo.h"
#include "app/LibraryViewMode.h"
#include "engine/HeicExportOptions.h"
#include "platform/Defaults.h"
#include "platform/Observation.h"

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

// Window state that is not part of the project: library layout, sheets, the
// running export and the folders the file panels last used. Main thread only.
class AppUIState {
public:
    enum class ActiveSheet { exportOptions, magicGenerate };

    static constexpr std::string_view lastImportDirectoryKey = "lastImportDirectory";
    static constexpr std::string_view lastOpenDirectoryKey = "lastOpenDirectory";
    static constexpr std::string_view lastSaveDirectoryKey = "lastSaveDirectory";
    static constexpr std::string_view lastExportDirectoryKey = "lastExportDirectory";
    static constexpr std::string_view upscaleSecondsPerTileKey = "upscaleSecondsPerTile";

    // Reads the four folders from `defaults`, which must outlive this object.
    explicit AppUIState(Defaults& defaults);
    AppUIState(const AppUIState&) = delete;
    AppUIState& operator=(const AppUIState&) = delete;

    Observable<LibraryViewMode> viewMode { LibraryViewMode::grid };
    Observable<bool> showsInspector { true };
    Observable<std::optional<ActiveSheet>> activeSheet;
    Observable<bool> isHoveringOpenButton { false };
    Observable<HeicExportOptions> exportOptions;
    Observable<bool> isExportingHeic { false };
    Observable<double> exportProgress { 0.0 };
    Observable<std::string> exportMessage;
    // The running export's stop source; the export's work checks its token between steps.
    Observable<std::optional<std::stop_source>> exportTask;
    Observable<std::vector<ExportFrameInfo>> exportFrames;
    // The file the last export wrote, while its "Export complete!" shows.
    Observable<std::optional<std::filesystem::path>> exportedFile;
    Observable<bool> shouldTriggerAutoTween { false };
    Observable<bool> isTimelinePlaying { false };
    Observable<bool> isLoadingDirectories { false };
    // Each write is stored in the defaults as a plain path, or removes the key when empty.
    Observable<std::optional<std::filesystem::path>> lastImportDirectory;
    Observable<std::optional<std::filesystem::path>> lastOpenDirectory;
    Observable<std::optional<std::filesystem::path>> lastSaveDirectory;
    Observable<std::optional<std::filesystem::path>> lastExportDirectory;
    // What one upscaled tile took in the last export that upscaled, on this machine; stored in the
    // defaults on every write, for the export sheet's estimate.
    Observable<std::optional<double>> upscaleSecondsPerTile;

    void cancelExport();

private:
    struct Folder {
        Observable<std::optional<std::filesystem::path>>* field;
        std::string_view key;
    };

    void loadDirectories();
    void storeDirectory(const std::optional<std::filesystem::path>& folder, std::string_view key);
    std::vector<Folder> folders();

    Defaults& defaults_;
};

} // namespace tl
