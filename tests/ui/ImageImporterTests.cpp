#include "ui/library/ImageImporter.h"

#include "app/Thumbnail.h"
#include "platform/Image.h"
#include "platform/Log.h"

#include "UiTestSupport.h"

#include <QImage>

#include <fstream>
#include <mutex>

namespace tl::ui {
namespace {

class ImageImporterTest : public tl::testing::UiStateTest {
protected:
    std::filesystem::path picture(const std::string& name, int width, int height)
    {
        const auto path = folder.path() / name;
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        image.save(QString::fromStdString(path.string()));
        return path;
    }

    int importAndWait(std::vector<std::filesystem::path> files)
    {
        int landed = -1;
        const auto connection
            = QObject::connect(&importer, &ImageImporter::imported, [&](int count) { landed = count; });
        importer.import(std::move(files));
        EXPECT_TRUE(tl::testing::processEventsUntil([&] { return landed >= 0; }));
        QObject::disconnect(connection);
        endEvent();
        return landed;
    }

    std::vector<std::string> logged() const
    {
        std::lock_guard lock(logMutex);
        return lines;
    }

    tl::testing::TemporaryFolder folder;
    ImageImporter importer { state };
    mutable std::mutex logMutex;
    std::vector<std::string> lines;
    LogCapture capture { [this](const std::string& line) {
        std::lock_guard lock(logMutex);
        lines.push_back(line);
    } };
};

TEST_F(ImageImporterTest, ManyFilesLandAsOneUndoableStepInDropOrder)
{
    const auto notes = folder.path() / "notes.txt";
    std::ofstream(notes) << "not a picture";
    const auto missing = folder.path() / "gone.png";

    const int landed = importAndWait(
        { picture("b.png", 40, 30), notes, picture("a.png", 2000, 1000), missing, picture("c.png", 30, 40) });

    EXPECT_EQ(landed, 3);
    EXPECT_EQ(timeline(), (std::vector<std::string> { "b.png", "a.png", "c.png" }));
    EXPECT_EQ(logged(),
        (std::vector<std::string> {
            "Failed to load image from: " + notes.string(), "Cannot read file at: " + missing.string() }));
    for (const auto& image : state.images.get()) {
        EXPECT_EQ(image.altitude, 0.0);
        EXPECT_EQ(image.azimuth, 0.0);
        EXPECT_TRUE(state.isDirty.get());
        ASSERT_TRUE(image.thumbnail);
        EXPECT_LE(std::max(image.thumbnail->width(), image.thumbnail->height()), thumbnailMaximumSide);
    }

    EXPECT_EQ(undo->undoActionName(), "Add Image");
    undo->undo();
    EXPECT_TRUE(state.images.get().empty());
}

TEST_F(ImageImporterTest, AppearanceModeImportsLightFrames)
{
    state.setMode(WallpaperMode::appearance);
    importAndWait({ picture("day.png", 8, 8) });
    ASSERT_EQ(state.images.get().size(), 1u);
    EXPECT_EQ(state.images.get()[0].isLight, true);
    EXPECT_FALSE(state.images.get()[0].altitude);
}

// A long import showed nothing while it decoded and could not be stopped.
TEST_F(ImageImporterTest, AnImportCountsTheImagesDecodedAndACancelledOneAddsNothing)
{
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < 5; ++i)
        files.push_back(picture("p" + std::to_string(i) + ".png", 300, 200));
    std::vector<ImportProgress> seen;
    const auto observation = importer.progress.observe([&] {
        if (const auto& progress = importer.progress.get()) seen.push_back(*progress);
    });
    EXPECT_EQ(importAndWait(files), 5);
    EXPECT_FALSE(importer.progress.get().has_value());
    ASSERT_EQ(seen.size(), 6u);
    for (int decoded = 0; decoded <= 5; ++decoded)
        EXPECT_EQ(seen[static_cast<std::size_t>(decoded)], (ImportProgress { decoded, 5 }));

    bool landed = false;
    QObject::connect(&importer, &ImageImporter::imported, [&] { landed = true; });
    importer.import(files);
    importer.import({ picture("later.png", 30, 20) });
    importer.cancel();
    EXPECT_FALSE(importer.progress.get().has_value());
    importer.waitForWorkers();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(landed);
    EXPECT_EQ(state.images.get().size(), 5u);
    EXPECT_FALSE(importer.progress.get().has_value());

    // The importer still works after a cancel.
    EXPECT_EQ(importAndWait({ picture("after.png", 30, 20) }), 1);
}

// The decode has finished but its result is still on its way when another project opens.
TEST_F(ImageImporterTest, AnImportArrivingAfterAnotherProjectOpenedIsDropped)
{
    const std::vector<std::pair<std::string, std::function<void()>>> replacements {
        { "New Project", [this] { state.newProject("New Project"); } },
        { "Open", [this] { state.applyOpenedProject({}, WallpaperMode::time, "/B.vorrind", {}, {}, {}, {}); } },
    };
    for (const auto& [name, openAnother] : replacements) {
        SCOPED_TRACE(name);
        state.applyOpenedProject({}, WallpaperMode::time, "/A.vorrind", {}, {}, {}, {});
        endEvent();
        bool landed = false;
        const auto connection = QObject::connect(&importer, &ImageImporter::imported, [&] { landed = true; });
        importer.import({ picture("late.png", 40, 30) });
        importer.waitForWorkers();

        openAnother();
        endEvent();
        QCoreApplication::sendPostedEvents();
        QObject::disconnect(connection);

        EXPECT_FALSE(landed);
        EXPECT_TRUE(state.images.get().empty());
        EXPECT_FALSE(state.isDirty.get());
        EXPECT_THAT(logged(), ::testing::Contains(::testing::StartsWith("Import dropped")));
    }
}

} // namespace
} // namespace tl::ui
