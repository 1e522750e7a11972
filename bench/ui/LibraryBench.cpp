// Prints what a library of 300 photographs costs: importing them (off the GUI thread, with the
// longest stall the GUI thread saw meanwhile), decoding their thumbnails, drawing the grid and
// rebuilding the rows after a reorder.
#include "app/AppState.h"
#include "app/AppUIState.h"
#include "bench/ui/GuiStall.h"
#include "generation/GenerationServices.h"
#include "platform/Defaults.h"
#include "platform/http/CurlTransport.h"
#include "ui/library/ImageImporter.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/TimelineListModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QListView>

#include <filesystem>
#include <iostream>

namespace {

constexpr int imageCount = 300;

std::vector<std::filesystem::path> writePhotographs(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    QImage picture(1920, 1080, QImage::Format_RGB32);
    for (int i = 0; i < imageCount; ++i) {
        picture.fill(QColor::fromHsv(i % 360, 160, 200));
        const auto path = folder / ("photo-" + std::to_string(i) + ".jpg");
        picture.save(QString::fromStdString(path.string()), "JPG", 85);
        files.push_back(path);
    }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const auto folder = std::filesystem::temp_directory_path() / "tidelumine-library-bench";
    std::filesystem::create_directories(folder);
    const auto files = writePhotographs(folder);

    tl::InMemoryDefaults defaults;
    tl::AppState state(defaults);
    tl::AppUIState ui(defaults);
    tl::CurlTransport transport;
    tl::GenerationServices generation(transport, defaults, tl::processEnvironment());
    QWidget sheetHost;
    tl::ui::LibraryContext context(state, ui, sheetHost, generation);
    tl::ui::ImagesLibraryView library(
        context, [] {}, [] {});
    library.resize(1200, 800);
    library.show();

    QElapsedTimer clock;
    clock.start();
    library.importer().import(files);
    qint64 stall = tl::bench::longestStallUntil([&] { return state.images.get().size() == files.size(); });
    std::cout << "import of " << imageCount << " 1920x1080 JPEGs: " << clock.elapsed()
              << " ms, longest GUI-thread stall " << stall << " ms\n";

    clock.restart();
    auto& model = library.model();
    int loaded = 0;
    stall = tl::bench::longestStallUntil([&] {
        while (loaded < model.rowCount() && !model.thumbnail(loaded).isNull())
            ++loaded;
        return loaded == model.rowCount();
    });
    std::cout << "thumbnails of " << imageCount << " images: " << clock.elapsed() << " ms, longest stall " << stall
              << " ms\n";

    clock.restart();
    constexpr int frames = 20;
    for (int i = 0; i < frames; ++i)
        library.gridView().viewport()->grab();
    std::cout << "drawing the visible grid: " << static_cast<double>(clock.elapsed()) / frames << " ms a frame\n";

    clock.restart();
    state.images.mutate([](std::vector<tl::WallpaperImage>& images) { std::ranges::reverse(images); });
    std::cout << "rebuilding rows and selection after a reorder: " << clock.elapsed() << " ms\n";

    std::filesystem::remove_all(folder);
    return 0;
}
