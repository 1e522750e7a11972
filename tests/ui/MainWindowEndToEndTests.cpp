#include "MainWindowHarness.h"

#include "ui/export/ExportController.h"
#include "ui/export/ExportOptionsSheet.h"
#include "ui/library/ImagesLibraryView.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <libheif/heif.h>

#include <memory>

namespace tl::ui {
namespace {

using tl::testing::processEventsUntil;

// What an independent reader finds in a HEIC file.
struct HeicContents {
    int images = 0;
    int width = 0;
    int height = 0;
    std::string xmp;
};

HeicContents readHeic(const std::filesystem::path& file)
{
    HeicContents contents;
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (heif_context_read_from_file(context.get(), file.c_str(), nullptr).code != heif_error_Ok) return contents;
    contents.images = heif_context_get_number_of_top_level_images(context.get());
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) return contents;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        rawHandle, heif_image_handle_release);
    contents.width = heif_image_handle_get_width(handle.get());
    contents.height = heif_image_handle_get_height(handle.get());
    heif_item_id metadata = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "mime", &metadata, 1) == 1) {
        std::string bytes(heif_image_handle_get_metadata_size(handle.get(), metadata), '\0');
        if (heif_image_handle_get_metadata(handle.get(), metadata, bytes.data()).code == heif_error_Ok) {
            contents.xmp = bytes;
        }
    }
    return contents;
}

class MainWindowEndToEnd : public ::testing::Test {
protected:
    tl::testing::MainWindowHarness harness;
    AppState& state = harness.app.appState;
    AppUIState& ui = harness.app.uiState;
};

TEST_F(MainWindowEndToEnd, ImportPositionAndExportAWallpaper)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) GTEST_SKIP() << "no HEVC encoder";
    harness.window().show();
    ASSERT_TRUE(harness.importThroughToolbar(harness.writePictures({ Qt::darkBlue, Qt::darkYellow, Qt::darkRed })));
    EXPECT_EQ(harness.content().library().gridView().model()->rowCount(), 3);

    // Sun positions for morning, midday and evening.
    const std::vector<std::pair<double, double>> positions { { 5, 90 }, { 60, 180 }, { 5, 270 } };
    for (std::size_t i = 0; i < positions.size(); ++i) {
        auto image = state.images.get()[i];
        std::tie(image.altitude, image.azimuth) = positions[i];
        state.updateImage(image);
    }

    harness.app.mainWindow()->actions().exportWallpaper.trigger();
    auto* sheet = harness.content().exportSheet();
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(processEventsUntil([&] { return sheet->isVisible(); }));
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);

    // Standard quality (no upscaling) on a small custom canvas.
    sheet->model().setQuality(ExportQuality::standard);
    sheet->model().setTargetDisplay(TargetDisplay::custom);
    auto fields = sheet->findChildren<QLineEdit*>();
    ASSERT_GE(fields.size(), 2);
    for (QLineEdit* field : fields) {
        if (!field->isVisible()) continue;
        field->selectAll();
        QTest::keyClicks(field, field->placeholderText() == "Width" ? "320" : "180");
    }
    EXPECT_EQ(ui.exportOptions.get().customWidth, "320");
    EXPECT_EQ(ui.exportOptions.get().customHeight, "180");
    EXPECT_FALSE(ui.exportOptions.get().upscaleEnabled);

    const auto output = harness.folder.path() / "export" / "day.heic";
    std::filesystem::create_directories(output.parent_path());
    std::optional<std::filesystem::path> proposed;
    harness.content().setExportFilePanel([&](const std::string& name, const auto&) {
        proposed = name;
        return std::optional(output);
    });
    ASSERT_TRUE(sheet->primaryButton().isEnabled());
    sheet->primaryButton().click();
    ASSERT_TRUE(processEventsUntil([&] { return ui.isExportingHeic.get(); }));
    ASSERT_TRUE(processEventsUntil([&] { return !ui.isExportingHeic.get(); }));

    EXPECT_EQ(ui.exportMessage.get(), "Export complete!");
    EXPECT_EQ(proposed, std::filesystem::path("dynamic-wallpaper.heic"));
    EXPECT_EQ(ui.lastExportDirectory.get(), output.parent_path());
    for (const auto& frame : ui.exportFrames.get())
        EXPECT_EQ(frame.status, ExportFrameStatus::complete);
    const auto heic = readHeic(output);
    EXPECT_EQ(heic.images, 3);
    EXPECT_EQ(heic.width, 320);
    EXPECT_EQ(heic.height, 180);
    EXPECT_NE(heic.xmp.find("apple_desktop:solar"), std::string::npos);
    EXPECT_EQ(sheet->dismissButton().text(), "Close");
}

TEST_F(MainWindowEndToEnd, SpaceTogglesPlaybackButTypesIntoTextFields)
{
    harness.window().show();
    ASSERT_TRUE(harness.importThroughToolbar(harness.writePictures({ Qt::darkBlue, Qt::darkRed })));
    harness.window().activateWindow();
    QTest::keyClick(&harness.window(), Qt::Key_Space);
    EXPECT_TRUE(ui.isTimelinePlaying.get());
    QTest::keyClick(&harness.window(), Qt::Key_Space);
    EXPECT_FALSE(ui.isTimelinePlaying.get());

    auto* field = new QLineEdit(&harness.content());
    field->show();
    field->setFocus();
    QTest::keyClicks(field, "a b");
    EXPECT_EQ(field->text(), "a b");
    EXPECT_FALSE(ui.isTimelinePlaying.get());
}

TEST_F(MainWindowEndToEnd, ClicksInTheGridSelectAndADoubleClickOpensTheSingleLayout)
{
    harness.window().show();
    ASSERT_TRUE(harness.importThroughToolbar(harness.writePictures({ Qt::darkBlue, Qt::darkRed, Qt::darkGreen })));
    QListView& grid = harness.content().library().gridView();
    ASSERT_TRUE(processEventsUntil([&] { return grid.isVisible(); }));
    const auto centre = [&](int row) { return grid.visualRect(grid.model()->index(row, 0)).center(); };

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre(0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(2));
    EXPECT_EQ(state.selectedImageIds.get().size(), 3u);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, centre(1));
    EXPECT_EQ(state.selectedImageIds.get().size(), 2u);
    EXPECT_FALSE(state.selectedImageIds.get().contains(state.images.get()[1].id));

    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, centre(1));
    EXPECT_EQ(ui.viewMode.get(), LibraryViewMode::single);
    EXPECT_EQ(state.selectedImage()->id, state.images.get()[1].id);
}

} // namespace
} // namespace tl::ui
