#include "app/AppUIState.h"
#include "support/RecordingDefaults.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

using testing::RecordingDefaults;

TEST(AppUIStateTest, FreshInstallationHasNoFoldersAndTheDocumentedExportOptions)
{
    RecordingDefaults defaults;
    AppUIState ui(defaults);

    EXPECT_FALSE(ui.lastImportDirectory.get());
    EXPECT_FALSE(ui.lastOpenDirectory.get());
    EXPECT_FALSE(ui.lastSaveDirectory.get());
    EXPECT_FALSE(ui.lastExportDirectory.get());
    EXPECT_FALSE(ui.isLoadingDirectories.get());
    EXPECT_TRUE(defaults.writes.empty());
    EXPECT_TRUE(defaults.removals.empty());

    EXPECT_EQ(ui.viewMode.get(), LibraryViewMode::grid);
    EXPECT_TRUE(ui.showsInspector.get());
    const auto& options = ui.exportOptions.get();
    EXPECT_EQ(options.canvasPreset, HeicCanvasPreset::apple8k);
    EXPECT_EQ(options.customWidth, "7680");
    EXPECT_EQ(options.customHeight, "4320");
    EXPECT_EQ(options.upscaleStrategy, HeicUpscaleStrategy::autoScale);
    EXPECT_TRUE(options.resizeEnabled && options.upscaleEnabled);
    EXPECT_FALSE(options.enableDither || options.keepPreprocessedFrames);
}

TEST(AppUIStateTest, StoredFoldersLoadWithoutBeingWrittenBackEvenWhenMissingOnDisk)
{
    RecordingDefaults defaults;
    defaults.store.set(AppUIState::lastImportDirectoryKey, std::string("/no/such/import"));
    defaults.store.set(AppUIState::lastExportDirectoryKey, std::string("/tmp/exports"));

    AppUIState ui(defaults);

    EXPECT_EQ(ui.lastImportDirectory.get(), std::filesystem::path("/no/such/import"));
    EXPECT_EQ(ui.lastExportDirectory.get(), std::filesystem::path("/tmp/exports"));
    EXPECT_FALSE(ui.lastOpenDirectory.get());
    EXPECT_TRUE(defaults.writes.empty());
    EXPECT_TRUE(defaults.removals.empty());
}

TEST(AppUIStateTest, EachFolderPersistsAsAPlainPathUnderItsOwnKeyAndNoneRemovesIt)
{
    RecordingDefaults defaults;
    AppUIState ui(defaults);
    const std::vector<std::pair<Observable<std::optional<std::filesystem::path>>*, std::string_view>> folders {
        { &ui.lastImportDirectory, AppUIState::lastImportDirectoryKey },
        { &ui.lastOpenDirectory, AppUIState::lastOpenDirectoryKey },
        { &ui.lastSaveDirectory, AppUIState::lastSaveDirectoryKey },
        { &ui.lastExportDirectory, AppUIState::lastExportDirectoryKey },
    };
    for (const auto& [field, key] : folders) {
        SCOPED_TRACE(std::string(key));
        field->set(std::filesystem::path("/home/me/Pictures"));
        EXPECT_EQ(defaults.string(key), "/home/me/Pictures");
        field->set(std::nullopt);
        EXPECT_FALSE(defaults.value(key));
    }

    ui.lastSaveDirectory = std::filesystem::path("/srv/projects");
    AppUIState again(defaults);
    EXPECT_EQ(again.lastSaveDirectory.get(), std::filesystem::path("/srv/projects"));
}

TEST(AppUIStateTest, CancelStopsTheTaskAndClearsTheRunButKeepsProgressAndSheet)
{
    RecordingDefaults defaults;
    AppUIState ui(defaults);
    std::stop_source task;
    const auto token = task.get_token();
    ui.exportTask = task;
    ui.isExportingHeic = true;
    ui.exportProgress = 0.4;
    ui.activeSheet = AppUIState::ActiveSheet::exportOptions;
    ui.exportFrames = { ExportFrameInfo { .id = "a", .fileName = "a.png" } };

    ui.cancelExport();

    EXPECT_TRUE(token.stop_requested());
    EXPECT_FALSE(ui.exportTask.get());
    EXPECT_FALSE(ui.isExportingHeic.get());
    EXPECT_EQ(ui.exportMessage.get(), "Export cancelled");
    EXPECT_TRUE(ui.exportFrames.get().empty());
    EXPECT_DOUBLE_EQ(ui.exportProgress.get(), 0.4);
    EXPECT_EQ(ui.activeSheet.get(), AppUIState::ActiveSheet::exportOptions);

    AppUIState idle(defaults);
    idle.cancelExport();
    EXPECT_EQ(idle.exportMessage.get(), "Export cancelled");
}

TEST(LibraryViewModeTest, RawValuesRoundTripInDeclaredOrder)
{
    const std::vector<std::string_view> expected { "grid", "list", "single" };
    ASSERT_EQ(allLibraryViewModes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rawValue(allLibraryViewModes[i]), expected[i]);
        EXPECT_EQ(libraryViewMode(expected[i]), allLibraryViewModes[i]);
    }
    EXPECT_FALSE(libraryViewMode("Grid"));
}

} // namespace
} // namespace tl
